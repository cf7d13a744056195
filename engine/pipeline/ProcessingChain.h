#pragma once

#include "dsp/PeakLimiter.h"
#include "dsp/PitchShifter.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AudioSink;

// Pitch shifter, then peak limiter, then the drop of both their delays:
// the frames that reach the sink line up with the frames put in, and there
// are exactly as many of them once finish() has run. Never more frames out
// than in at any time.
class ProcessingChain
{
public:
    // `limiter` empty: peaks pass unlimited (for comparisons).
    ProcessingChain(std::unique_ptr<PitchShifter> shifter, int channels, std::optional<PeakLimiter> limiter);

    // Processes `frames` interleaved frames and writes what is ready to the
    // sink. False when the shifter (failure() says why) or the sink failed.
    bool put(const float *samples, int frames, AudioSink &sink);
    // The end of the input: writes everything still held.
    bool finish(AudioSink &sink);
    // Gets the limiter's gain of each frame just before the frames reach
    // the sink (1.0 where it did nothing, or there is none), so that another
    // signal lined up with the input can be given the same.
    void setGainCallback(std::function<void(const float *gains, int frames)> gains);
    TranslatableText failure() const { return m_shifter->failure(); }

    long long framesIn() const { return m_framesIn; }
    long long framesOut() const { return m_framesOut; }
    // The strongest gain reduction so far (1.0: none).
    double smallestGain() const { return m_limiter ? m_limiter->smallestGain() : 1.0; }
    // The largest sample magnitude passed on so far.
    float peak() const { return m_peak; }

private:
    bool takeReady(AudioSink &sink);
    bool keep(float *samples, int frames, AudioSink &sink);

    std::unique_ptr<PitchShifter> m_shifter;
    std::optional<PeakLimiter> m_limiter;
    int m_channels;
    std::vector<float> m_buffer;
    std::vector<float> m_gains;  // of the frames in m_buffer, where asked for
    std::function<void(const float *, int)> m_gainCallback;
    long long m_framesIn = 0;
    long long m_framesOut = 0;
    int m_delayToDrop;  // shifter and limiter delay still ahead
    float m_peak = 0.0f;
};
