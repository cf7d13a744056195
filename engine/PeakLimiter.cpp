#include "engine/PeakLimiter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

PeakLimiter::PeakLimiter(int channels, double ceiling, int lookAheadFrames, int releaseFrames)
    : m_channels(std::max(1, channels))
    , m_ceiling(ceiling)
    , m_lookAhead(std::max(0, lookAheadFrames))
    , m_release(std::exp(-1.0 / std::max(1, releaseFrames)))
    , m_delay(size_t(m_lookAhead + 1) * size_t(m_channels), 0.0f)
    , m_needed(size_t(m_lookAhead + 1), 1.0)
    , m_minima(size_t(m_lookAhead + 1), 0)
    , m_pending(size_t(Stretch) * size_t(m_channels), 0.0f)
{
}

PeakLimiter PeakLimiter::forRate(int sampleRate, int channels)
{
    // -0.1 dBFS, 5 ms ahead, 50 ms to recover.
    return PeakLimiter(channels, std::pow(10.0, -0.1 / 20.0), sampleRate / 200, sampleRate / 20);
}

void PeakLimiter::process(const float *input, float *output, int frames)
{
    // Most music never comes near the ceiling. The gain never stands above
    // what the window needs, so while it is at unity and the next stretch
    // needs nothing either, the limiter is a plain delay line, which costs a
    // fraction of the per-frame bookkeeping.
    const size_t channels = size_t(m_channels);
    for (int done = 0; done < frames;) {
        const int n = std::min(Stretch, frames - done);
        const float *in = input + size_t(done) * channels;
        float *out = output + size_t(done) * channels;
        if (m_gain == 1.0 && peakOf(in, n) <= m_ceiling)
            delay(in, out, n);
        else
            limit(in, out, n);
        done += n;
    }
}

float PeakLimiter::peakOf(const float *samples, int frames) const
{
    // NaN compares false and is skipped, as in limit().
    float peak = 0.0f;
    const size_t count = size_t(frames) * size_t(m_channels);
    for (size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

void PeakLimiter::delay(const float *input, float *output, int frames)
{
    // What leaves is the window's frames after the oldest, then the input;
    // what stays is the newest frames at the slots they would have taken
    // one at a time.
    const int slots = m_lookAhead + 1;
    const size_t channels = size_t(m_channels);
    const size_t frameBytes = channels * sizeof(float);
    float *ring = m_delay.data();
    float *pending = m_pending.data();
    std::memcpy(pending, input, size_t(frames) * frameBytes);  // output may be input

    const int fromRing = std::min(frames, m_lookAhead);
    int slot = m_slot + 1 == slots ? 0 : m_slot + 1;
    for (int copied = 0; copied < fromRing;) {
        const int n = std::min(fromRing - copied, slots - slot);
        std::memcpy(output + size_t(copied) * channels, ring + size_t(slot) * channels, size_t(n) * frameBytes);
        copied += n;
        slot = 0;
    }
    std::memcpy(output + size_t(fromRing) * channels, pending, size_t(frames - fromRing) * frameBytes);

    const int kept = std::min(frames, slots);
    slot = (m_slot + (frames - kept)) % slots;
    for (int stored = 0; stored < kept;) {
        const int n = std::min(kept - stored, slots - slot);
        std::memcpy(ring + size_t(slot) * channels, pending + size_t(frames - kept + stored) * channels,
                    size_t(n) * frameBytes);
        stored += n;
        slot = 0;
    }
    m_slot = (m_slot + frames) % slots;
    // No frame in the window needs less than 1.0, so none of them can be the
    // minimum the window falls back to.
    m_minimaBegin = 0;
    m_minimaCount = 0;
}

void PeakLimiter::limit(const float *input, float *output, int frames)
{
    const int slots = m_lookAhead + 1;
    const size_t channels = size_t(m_channels);
    auto wrap = [slots](int i) { return i >= slots ? i - slots : i; };
    for (int f = 0; f < frames; ++f) {
        const float *in = input + size_t(f) * channels;
        float peak = 0.0f;
        for (size_t c = 0; c < channels; ++c)
            peak = std::max(peak, std::abs(in[c]));
        const double needed = peak > m_ceiling ? m_ceiling / double(peak) : 1.0;

        // The slot written now held the frame that just left the window.
        if (m_minimaCount > 0 && m_minima[size_t(m_minimaBegin)] == m_slot) {
            m_minimaBegin = wrap(m_minimaBegin + 1);
            --m_minimaCount;
        }
        float *stored = &m_delay[size_t(m_slot) * channels];
        for (size_t c = 0; c < channels; ++c)
            stored[c] = in[c];
        m_needed[size_t(m_slot)] = needed;
        while (m_minimaCount > 0 && m_needed[size_t(m_minima[size_t(wrap(m_minimaBegin + m_minimaCount - 1))])] >= needed)
            --m_minimaCount;
        m_minima[size_t(wrap(m_minimaBegin + m_minimaCount))] = m_slot;
        ++m_minimaCount;
        const double target = m_needed[size_t(m_minima[size_t(m_minimaBegin)])];

        // Down at once, up smoothly; exactly 1.0 when nothing is near.
        if (target < m_gain) {
            m_gain = target;
            m_smallestGain = std::min(m_smallestGain, m_gain);
        } else if (m_gain < 1.0) {
            m_gain = std::min(target, 1.0 - (1.0 - m_gain) * m_release);
            if (m_gain > 1.0 - 1e-12)
                m_gain = 1.0;
        }

        // The frame that leaves now came in lookAhead frames ago (the one
        // just written when there is no look-ahead).
        m_slot = wrap(m_slot + 1);
        const float *leaving = &m_delay[size_t(m_slot) * channels];
        float *out = output + size_t(f) * channels;
        if (m_gain == 1.0) {
            for (size_t c = 0; c < channels; ++c)
                out[c] = leaving[c];
        } else {
            for (size_t c = 0; c < channels; ++c)
                out[c] = float(leaving[c] * m_gain);
        }
    }
}
