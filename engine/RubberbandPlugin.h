#pragma once

#include "engine/FFmpegPointers.h"
#include "engine/TempoPitchProcessorPlugin.h"

#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

// "Frequency based" pitch shifting with Rubber Band's R3 engine in real-time
// mode: the stretcher changes the duration by the pitch ratio and
// libswresample plays the result back at the original length.
class RubberbandPlugin : public TempoPitchProcessorPlugin
{
public:
    // How the pitch ratio is applied: by the stretcher's time ratio and a
    // resampler of our own (the program's way), or by the library's own
    // pitch scale and built-in resampler (kept for the benchmark).
    enum class Resampling { Separate, Library };

    RubberbandPlugin(int sampleRate, int channels);
    // options: RubberBand::RubberBandStretcher::Options; the benchmark
    // compares variants, the program uses DefaultOptions.
    RubberbandPlugin(int sampleRate, int channels, int options, Resampling resampling = Resampling::Separate);
    ~RubberbandPlugin() override;

    void putSamples(const float *samples, int frames, int channels) override;
    int receiveSamples(float *output, int maxFrames) override;
    int latency() const override;
    int availableSamples() const override;
    void reset() override;
    void finish() override;
    int startDelay() const override;

    void setTempo(double tempo) override;
    void setPitchSemiTones(double semiTones) override;

    static const int DefaultOptions;
    static constexpr int ChannelBufferFrames = 96000;
    static constexpr int ProcessBlockFrames = 1024;

private:
    void configure();
    void process(int frames, bool final);
    void padStart();
    void processSilence(int frames);
    void collectOutput();
    void appendOutput(int skip, int frames);

    int m_channels;
    Resampling m_resampling;
    double m_tempo = 1.0;
    double m_pitchScale = 1.0;
    // Plays the stretched audio back at the original length, which moves
    // its pitch by the ratio; none when there is no shift.
    ff::ResamplerPtr m_resampler;
    std::vector<const uint8_t *> m_resamplerInput;
    // Planar buffers between our interleaved interface and the library's
    // planar one, used in both directions.
    std::vector<std::vector<float>> m_channelBuffers;
    std::vector<float *> m_channelPointers;
    // Processed, interleaved frames waiting for receiveSamples. The
    // stretcher's own output buffer is only sized for one process block, so
    // its output is collected here after every block.
    std::vector<float> m_output;
    size_t m_outputBegin = 0;  // in samples
    size_t m_outputEnd = 0;
    int m_maxProcessFrames;
    long long m_framesIn = 0;   // real input, without the start pad
    long long m_framesOut = 0;  // everything delivered, after the resampler
    long long m_delayLeft = 0;  // stretcher output still to drop
    bool m_started = false;
    bool m_finished = false;
    // Declared last so that it goes first: it may still reference the
    // buffers above while being destroyed.
    std::unique_ptr<RubberBand::RubberBandStretcher> m_stretcher;
};
