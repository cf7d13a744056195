#include "PeakLimiter.h"

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
    for (int f = 0; f < frames; ++f) {
        const float *in = input + size_t(f) * channels;
        float peak = 0.0f;
        for (size_t c = 0; c < channels; ++c)
            peak = std::max(peak, std::abs(in[c]));
        const double needed = peak > m_ceiling ? m_ceiling / double(peak) : 1.0;

        const int slot = int(m_position % slots);
        std::memcpy(&m_delay[size_t(slot) * channels], in, channels * sizeof(float));
        m_needed[size_t(slot)] = needed;
        // The frame that leaves now came in lookAhead frames ago (the one
        // just written when there is no look-ahead).
        const float *leaving = &m_delay[size_t((m_position + 1) % slots) * channels];

        // Window minimum over the frames still ahead of the one leaving.
        while (m_minimaCount > 0) {
            const long long last = m_minima[size_t((m_minimaBegin + m_minimaCount - 1) % slots)];
            if (m_needed[size_t(last % slots)] < needed)
                break;
            --m_minimaCount;
        }
        m_minima[size_t((m_minimaBegin + m_minimaCount) % slots)] = m_position;
        ++m_minimaCount;
        if (m_minima[size_t(m_minimaBegin)] <= m_position - slots) {
            m_minimaBegin = (m_minimaBegin + 1) % slots;
            --m_minimaCount;
        }
        const double target = m_needed[size_t(m_minima[size_t(m_minimaBegin)] % slots)];

        // Down at once, up smoothly; exactly 1.0 when nothing is near.
        m_gain = target < m_gain ? target : std::min(target, 1.0 - (1.0 - m_gain) * m_release);
        if (m_gain > 1.0 - 1e-12)
            m_gain = 1.0;
        m_smallestGain = std::min(m_smallestGain, m_gain);

        float *out = output + size_t(f) * channels;
        if (m_gain == 1.0) {
            std::memcpy(out, leaving, channels * sizeof(float));
        } else {
            for (size_t c = 0; c < channels; ++c)
                out[c] = float(leaving[c] * m_gain);
        }
        ++m_position;
    }
}
