#include "pipeline/ThreadedSink.h"

namespace {
constexpr int BlockFrames = 4096;
}

ThreadedSink::ThreadedSink(AudioSink &inner, int channels, int queueFrames)
    : m_inner(inner)
    , m_queue(channels, queueFrames)
    , m_block(size_t(BlockFrames) * size_t(channels))
{
    m_thread = std::thread([this] { work(); });
}

ThreadedSink::~ThreadedSink()
{
    if (!m_ended)
        discard();
}

void ThreadedSink::work()
{
    int n;
    while ((n = m_queue.pop(m_block.data(), BlockFrames)) > 0) {
        if (!m_inner.write(m_block.data(), n)) {
            m_failed = true;
            // Wakes a writer that waits for room; it sees the failure.
            m_queue.close();
            return;
        }
    }
}

bool ThreadedSink::write(const float *samples, int frames)
{
    if (m_failed || m_ended)
        return false;
    return m_queue.push(samples, frames) && !m_failed;
}

void ThreadedSink::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ThreadedSink::finish()
{
    if (m_ended)
        return false;
    m_queue.finish();
    join();
    m_ended = true;
    return !m_failed && m_inner.finish();
}

void ThreadedSink::discard()
{
    if (m_ended)
        return;
    m_queue.close();
    join();
    m_ended = true;
    m_inner.discard();
}

TranslatableText ThreadedSink::error() const
{
    // Read by the caller after the sink thread wrote it and was joined, or
    // after m_failed was seen set.
    return m_inner.error();
}
