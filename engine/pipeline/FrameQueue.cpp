#include "pipeline/FrameQueue.h"

#include <algorithm>
#include <cstring>

FrameQueue::FrameQueue(int channels, int capacityFrames)
    : m_channels(std::max(1, channels))
    , m_capacity(std::max(1, capacityFrames))
    , m_ring(size_t(m_capacity) * size_t(m_channels))
{
}

bool FrameQueue::push(const float *samples, int frames)
{
    const size_t channels = size_t(m_channels);
    while (frames > 0) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [this] { return m_closed || m_count < m_capacity; });
        if (m_closed)
            return false;
        // Up to the free room, and up to the end of the ring.
        const int end = (m_begin + m_count) % m_capacity;
        const int n = std::min({frames, m_capacity - m_count, m_capacity - end});
        std::memcpy(m_ring.data() + size_t(end) * channels, samples, size_t(n) * channels * sizeof(float));
        m_count += n;
        const bool wake = m_count >= (m_capacity + 1) / 2;
        lock.unlock();
        if (wake)
            m_frames.notify_one();
        samples += size_t(n) * channels;
        frames -= n;
    }
    return true;
}

void FrameQueue::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_frames.notify_all();
}

void FrameQueue::close()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_count = 0;
    }
    m_frames.notify_all();
    m_room.notify_all();
}

int FrameQueue::pop(float *samples, int maxFrames)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_frames.wait(lock, [this] { return m_closed || m_finished || m_count > 0; });
    return take(lock, samples, maxFrames);
}

int FrameQueue::tryPop(float *samples, int maxFrames)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return take(lock, samples, maxFrames);
}

bool FrameQueue::ended()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed || (m_finished && m_count == 0);
}

int FrameQueue::take(std::unique_lock<std::mutex> &lock, float *samples, int maxFrames)
{
    if (m_closed)
        return 0;
    const size_t channels = size_t(m_channels);
    const int n = std::min({maxFrames, m_count, m_capacity - m_begin});
    std::memcpy(samples, m_ring.data() + size_t(m_begin) * channels, size_t(n) * channels * sizeof(float));
    m_begin = (m_begin + n) % m_capacity;
    m_count -= n;
    const bool wake = m_count <= m_capacity / 2;
    lock.unlock();
    if (wake)
        m_room.notify_one();
    return n;
}
