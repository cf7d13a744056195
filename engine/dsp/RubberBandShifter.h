#pragma once

#include "dsp/PitchShifter.h"
#include "media/FloatResampler.h"

#include <memory>
#include <vector>

namespace RubberBand {
class RubberBandStretcher;
}

// "Frequency based" pitch shifting with Rubber Band's R3 engine in real-time
// mode: the stretcher changes the duration by the pitch ratio and
// libswresample plays the result back at the original length.
class RubberBandShifter : public PitchShifter
{
    TW_DECLARE_TRANSLATABLE_TEXTS(RubberBandShifter)

public:
    // The stretcher's options; the defaults are the program's
    // (bench/pitchoptions.cpp compares them with others).
    struct Settings
    {
        enum class Engine { Finer, Faster };  // R3, R2
        enum class Window { Short, Standard };
        enum class Pitch { HighSpeed, HighQuality, HighConsistency };
        Engine engine = Engine::Finer;
        Window window = Window::Standard;
        Pitch pitch = Pitch::HighQuality;
        bool channelsTogether = true;
        // The shift by the library's own pitch scale and resampler, instead
        // of its time ratio and a resampler of ours.
        bool libraryResampling = false;
        // A voice's formants kept where they are.
        bool keepFormants = false;
    };

    RubberBandShifter(int sampleRate, int channels, double semitones);
    RubberBandShifter(int sampleRate, int channels, double semitones, const Settings &settings);
    ~RubberBandShifter() override;

    void put(const float *samples, int frames) override;
    int receive(float *output, int maxFrames) override;
    int available() const override;
    void finish() override;
    int startDelay() const override;
    TranslatableText failure() const override { return m_failure; }

    static constexpr int ChannelBufferFrames = 96000;
    static constexpr int ProcessBlockFrames = 1024;

private:
    void configure(double pitchScale, const Settings &settings);
    void process(int frames, bool final);
    void padStart();
    void processSilence(int frames);
    void collectOutput();
    void appendOutput(int skip, int frames);

    int m_channels;
    int m_sampleRate;
    // Plays the stretched audio back at the original length, which moves
    // its pitch by the ratio; inactive when there is no shift.
    FloatResampler m_resampler;
    // Planar buffers between our interleaved interface and the library's
    // planar one, used in both directions.
    std::vector<std::vector<float>> m_channelBuffers;
    std::vector<float *> m_channelPointers;
    std::vector<const float *> m_resamplerInput;  // into the channel buffers
    // Processed, interleaved frames waiting for receive(). The stretcher's
    // own output buffer is only sized for one process block, so its output
    // is collected here after every block.
    std::vector<float> m_output;
    size_t m_outputBegin = 0;  // in samples
    size_t m_outputEnd = 0;
    int m_maxProcessFrames;
    long long m_framesIn = 0;   // real input, without the start pad
    long long m_framesOut = 0;  // everything delivered, after the resampler
    long long m_delayLeft = 0;  // stretcher output still to drop
    // Dropped beyond the stretcher's own delay, to bring music into line
    // (musicLead in the .cpp).
    long long m_musicLeadFrames = 0;
    bool m_started = false;
    bool m_finished = false;
    TranslatableText m_failure;
    // Declared last so that it goes first: it may still reference the
    // buffers above while being destroyed.
    std::unique_ptr<RubberBand::RubberBandStretcher> m_stretcher;
};
