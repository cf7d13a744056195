#pragma once

#include <vector>

// A transparent look-ahead true-peak limiter for interleaved float audio.
//
// Peaks are measured as in ITU-R BS.1770: on the signal oversampled four
// times, so that the peaks between samples, which a decoder, a resampler or a
// DAC brings back, count too. The gain falls at once to what the loudest true
// peak of the next `lookAhead` frames needs and recovers smoothly afterwards;
// where nothing would exceed the ceiling the gain is exactly 1.0 and the audio
// passes bit for bit. The output runs latency() frames behind the input.
// Nothing is allocated after construction.
class PeakLimiter
{
public:
    // Frames an input frame waits before the interpolator has all the frames
    // around it and its true peak is known.
    static constexpr int InterpolatorDelay = 6;

    // ceiling: largest true-peak magnitude allowed (-1 dBTP = 0.89125);
    // lookAheadFrames: how long before a peak leaves the gain is down for it
    // (at least InterpolatorDelay);
    // releaseFrames: time constant of the recovery.
    PeakLimiter(int channels, double ceiling, int lookAheadFrames, int releaseFrames);

    // The limiter for an output file: -1 dBTP for lossy formats, whose
    // encoders overshoot, -0.1 dBTP for lossless ones; 5 ms ahead, 50 ms to
    // recover.
    // extraHeadroomDb lowers the ceiling further, for an encoder that was
    // seen to overshoot it.
    static PeakLimiter forOutput(int sampleRate, int channels, bool lossy, double extraHeadroomDb = 0.0);

    // Limits `frames` frames of `input` into `output` (which may be the same
    // buffer), delayed by latency() frames. `gains`, where given, gets the
    // gain each output frame was given, so that another signal can be
    // brought down alike.
    void process(const float *input, float *output, int frames, float *gains = nullptr);
    // Delay of the output against the input, in frames.
    int latency() const { return m_latency; }
    // The strongest reduction so far: 1.0 when none, 0.5 for -6 dB.
    double smallestGain() const { return m_smallestGain; }
    double ceiling() const { return m_ceiling; }

private:
    // Frames examined at a time for the pass-through shortcut.
    static constexpr int Stretch = 256;
    // Input frames the interpolator reads around the frame it works on.
    static constexpr int Reach = 2 * InterpolatorDelay - 1;

    // Whether no true peak in the stretch in m_recent can exceed the ceiling,
    // by a bound that needs no interpolation.
    bool surelyClean(int frames) const;
    // For each sample of the stretch in m_recent, into m_peaks: the largest
    // magnitude of its channel InterpolatorDelay frames back, at the frame and
    // at the three points after it. Returns the largest of all.
    float measure(int frames);
    // The same frames out as limit() gives when nothing needs limiting.
    void delay(const float *input, float *output, int frames);
    void limit(const float *input, float *output, int frames, float *gains);

    int m_channels;
    double m_ceiling;
    int m_latency;
    double m_release;  // per-frame recovery factor
    // The last latency + 1 input frames, and the gain needed by the true
    // peak that was measured as each came in.
    std::vector<float> m_delay;
    std::vector<double> m_needed;
    // Slots of a rising run of needed gains, oldest first: the window's
    // minimum is at the front. A ring of latency + 1 places.
    std::vector<int> m_minima;
    // The last Reach input frames and then the stretch at hand: what the
    // interpolator reads, and a copy of the input for delay().
    std::vector<float> m_recent;
    std::vector<float> m_peaks;  // per sample of the stretch
    int m_minimaBegin = 0;
    int m_minimaCount = 0;
    int m_slot = 0;  // where the next input frame goes
    double m_gain = 1.0;
    double m_smallestGain = 1.0;
};
