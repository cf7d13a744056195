#include "PeakLimiter.h"

#include <algorithm>
#include <cmath>

PeakLimiter::PeakLimiter(int channels, double ceiling, int lookAheadFrames, int releaseFrames)
    : m_channels(std::max(1, channels))
    , m_ceiling(ceiling)
    , m_lookAhead(std::max(0, lookAheadFrames))
    , m_release(std::exp(-1.0 / std::max(1, releaseFrames)))
    , m_delay(size_t(m_lookAhead + 1) * size_t(m_channels), 0.0f)
    , m_needed(size_t(m_lookAhead + 1), 1.0)
    , m_minima(size_t(m_lookAhead + 1), 0)
{
}

PeakLimiter PeakLimiter::forRate(int sampleRate, int channels)
{
    // -0.1 dBFS, 5 ms ahead, 50 ms to recover.
    return PeakLimiter(channels, std::pow(10.0, -0.1 / 20.0), sampleRate / 200, sampleRate / 20);
}

void PeakLimiter::process(const float *input, float *output, int frames)
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
