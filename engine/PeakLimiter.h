#pragma once

#include <vector>

// A transparent look-ahead peak limiter for interleaved float audio.
//
// Every output sample stays within the ceiling. The gain falls at once to
// what the loudest sample of the next `lookAhead` frames needs and recovers
// smoothly afterwards; where nothing would exceed the ceiling the gain is
// exactly 1.0 and the audio passes bit for bit. The output runs `lookAhead`
// frames behind the input. Nothing is allocated after construction.
class PeakLimiter
{
public:
    // ceiling: largest magnitude allowed (-0.1 dBFS = 0.98855);
    // lookAheadFrames: how far ahead peaks are seen, and the delay;
    // releaseFrames: time constant of the recovery.
    PeakLimiter(int channels, double ceiling, int lookAheadFrames, int releaseFrames);

    static PeakLimiter forRate(int sampleRate, int channels);

    // Limits `frames` frames of `input` into `output` (which may be the same
    // buffer), delayed by latency() frames.
    void process(const float *input, float *output, int frames);
    // Delay of the output against the input, in frames.
    int latency() const { return m_lookAhead; }
    // The strongest reduction so far: 1.0 when none, 0.5 for -6 dB.
    double smallestGain() const { return m_smallestGain; }
    double ceiling() const { return m_ceiling; }

private:
    // Frames examined at a time for the pass-through shortcut.
    static constexpr int Stretch = 256;

    float peakOf(const float *samples, int frames) const;
    // The same frames out as limit() gives when nothing needs limiting.
    void delay(const float *input, float *output, int frames);
    void limit(const float *input, float *output, int frames);

    int m_channels;
    double m_ceiling;
    int m_lookAhead;
    double m_release;  // per-frame recovery factor
    // The last lookAhead + 1 input frames and the gain each one needs.
    std::vector<float> m_delay;
    std::vector<double> m_needed;
    // Slots of a rising run of needed gains, oldest first: the window's
    // minimum is at the front. A ring of lookAhead + 1 places.
    std::vector<int> m_minima;
    std::vector<float> m_pending;  // one stretch of input, for delay()
    int m_minimaBegin = 0;
    int m_minimaCount = 0;
    int m_slot = 0;  // where the next input frame goes
    double m_gain = 1.0;
    double m_smallestGain = 1.0;
};
