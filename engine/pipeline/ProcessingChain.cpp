#include "pipeline/ProcessingChain.h"

#include "base/AudioSink.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int BufferFrames = 8192;
}

ProcessingChain::ProcessingChain(std::unique_ptr<PitchShifter> shifter, int channels,
                                 std::optional<PeakLimiter> limiter)
    : m_shifter(std::move(shifter))
    , m_limiter(std::move(limiter))
    , m_channels(channels)
    , m_buffer(size_t(BufferFrames) * size_t(channels))
    , m_delayToDrop(m_shifter->startDelay() + (m_limiter ? m_limiter->latency() : 0))
{
}

void ProcessingChain::setGainCallback(std::function<void(const float *gains, int frames)> gains)
{
    m_gainCallback = std::move(gains);
    m_gains.assign(m_gainCallback ? size_t(BufferFrames) : 0, 1.0f);
}

bool ProcessingChain::put(const float *samples, int frames, AudioSink &sink)
{
    if (frames <= 0)
        return true;
    m_shifter->put(samples, frames);
    m_framesIn += frames;
    return m_shifter->failure().isEmpty() && takeReady(sink);
}

bool ProcessingChain::finish(AudioSink &sink)
{
    m_shifter->finish();
    if (!m_shifter->failure().isEmpty() || !takeReady(sink))
        return false;
    // What is still inside the limiter's look-ahead.
    if (m_limiter) {
        int rest = m_limiter->latency();
        while (rest > 0) {
            const int n = std::min(rest, BufferFrames);
            std::fill_n(m_buffer.begin(), size_t(n) * size_t(m_channels), 0.0f);
            if (!keep(m_buffer.data(), n, sink))
                return false;
            rest -= n;
        }
    }
    return true;
}

bool ProcessingChain::takeReady(AudioSink &sink)
{
    int n;
    while ((n = m_shifter->receive(m_buffer.data(), BufferFrames)) > 0) {
        if (!keep(m_buffer.data(), n, sink))
            return false;
    }
    return true;
}

// Limits in place, drops what is still delay, and passes on the rest, never
// more than went in.
bool ProcessingChain::keep(float *samples, int frames, AudioSink &sink)
{
    float *gains = m_gainCallback ? m_gains.data() : nullptr;
    if (m_limiter)
        m_limiter->process(samples, samples, frames, gains);
    const int dropped = std::min(frames, m_delayToDrop);
    m_delayToDrop -= dropped;
    const int n = int(std::min<long long>(frames - dropped, m_framesIn - m_framesOut));
    if (n <= 0)
        return true;
    m_framesOut += n;
    const float *kept = samples + size_t(dropped) * size_t(m_channels);
    const size_t count = size_t(n) * size_t(m_channels);
    float peak = m_peak;
    for (size_t i = 0; i < count; ++i)
        peak = std::max(peak, std::abs(kept[i]));
    m_peak = peak;
    if (gains)
        m_gainCallback(gains + dropped, n);
    return sink.write(kept, n);
}
