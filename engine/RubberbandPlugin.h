#pragma once

#include "engine/TempoPitchProcessorPlugin.h"

#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

// "Frequency based" pitch shifting with Rubber Band's R3 engine in real-time
// mode.
class RubberbandPlugin : public TempoPitchProcessorPlugin
{
public:
    RubberbandPlugin(int sampleRate, int channels);
    // options: RubberBand::RubberBandStretcher::Options; the benchmark
    // compares variants, the program uses DefaultOptions.
    RubberbandPlugin(int sampleRate, int channels, int options);
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
    void process(int frames, bool final);
    void padStart();
    void processSilence(int frames);
    void collectOutput();

    int m_channels;
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
    long long m_framesOut = 0;  // everything the stretcher delivered
    bool m_started = false;
    bool m_finished = false;
    // Declared last so that it goes first: it may still reference the
    // buffers above while being destroyed.
    std::unique_ptr<RubberBand::RubberBandStretcher> m_stretcher;
};
