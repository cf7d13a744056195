#include "batch/WorkerPool.h"

#include "base/Mailbox.h"

#include <algorithm>

WorkerPool::WorkerPool(int threads, QObject *parent)
    : QObject(parent)
    , m_maxThreads(std::max(1, threads))
    , m_mailbox(new Mailbox(this))
{
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        m_queued.clear();
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void WorkerPool::start(std::function<void()> work, std::function<void()> done)
{
    ++m_pending;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_queued.push_back({std::move(work), std::move(done)});
        // A new thread only when the idle ones cannot take every task.
        if (int(m_queued.size()) > m_idle && int(m_threads.size()) < m_maxThreads)
            m_threads.emplace_back([this] { workerLoop(); });
    }
    m_wake.notify_one();
}

void WorkerPool::workerLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_quit || !m_queued.empty(); });
        --m_idle;
        if (m_quit)
            return;
        Task task = std::move(m_queued.front());
        m_queued.pop_front();
        lock.unlock();
        task.work();
        lock.lock();
        if (m_quit)
            return;
        // The completion follows whatever the task posted.
        m_mailbox->post([this, done = std::move(task.done)] {
            --m_pending;
            if (done)
                done();
        });
    }
}

void WorkerPool::post(std::function<void()> call)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_quit)
        m_mailbox->post(std::move(call));
}
