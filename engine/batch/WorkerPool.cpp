#include "batch/WorkerPool.h"

#include <QPointer>
#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

WorkerPool::WorkerPool(int threads, QObject *parent)
    : QObject(parent)
    , m_maxThreads(std::max(1, threads))
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        qFatal("WorkerPool: no eventfd");  // only when the process is out of descriptors
    auto *notifier = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &WorkerPool::deliverAll);
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
    ::close(m_wakeFd);
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
        deliver({std::move(task.done), true});
    }
}

void WorkerPool::post(std::function<void()> call)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_quit)
        deliver({std::move(call), false});
}

// Called with the lock held.
void WorkerPool::deliver(Delivery delivery)
{
    m_delivered.push_back(std::move(delivery));
    const std::uint64_t one = 1;
    // The counter only fails to grow when it is already far from zero,
    // which wakes the owner just the same.
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

// In the order delivered; a call may end the pool.
void WorkerPool::deliverAll()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
    const QPointer<WorkerPool> alive(this);
    for (;;) {
        Delivery delivery;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_delivered.empty())
                return;
            delivery = std::move(m_delivered.front());
            m_delivered.pop_front();
        }
        if (delivery.completion)
            --m_pending;
        if (delivery.call)
            delivery.call();
        if (!alive)
            return;
    }
}
