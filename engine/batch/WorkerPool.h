#pragma once

#include <QObject>

class Mailbox;

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs tasks on threads of its own, at most `threads` at once, in the order
// they were started. Each task's completion runs afterwards on the thread
// that owns the pool (through its event loop), so a task hands its results
// over to the owner's thread with the pool's lock in between, and through
// a Mailbox: no Qt event is made on the pool's threads.
class WorkerPool : public QObject
{
    Q_OBJECT

public:
    explicit WorkerPool(int threads, QObject *parent = nullptr);
    // Drops the tasks not yet begun and waits for the running ones; their
    // completions do not run.
    ~WorkerPool() override;

    // Queues `work` for a pool thread; `done` runs on the owner's thread
    // once `work` has returned.
    void start(std::function<void()> work, std::function<void()> done = {});
    // From a task: `call` runs on the owner's thread, before the task's
    // completion and after what the task posted earlier.
    void post(std::function<void()> call);

    // Tasks started and not yet completed (queued, running, or waiting for
    // their completion to run).
    int pending() const { return m_pending; }
    int maxThreads() const { return m_maxThreads; }

private:
    struct Task {
        std::function<void()> work;
        std::function<void()> done;
    };

    void workerLoop();

    const int m_maxThreads;
    int m_pending = 0;  // the owner's
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_queued;
    Mailbox *m_mailbox;
    int m_idle = 0;
    bool m_quit = false;
    std::vector<std::thread> m_threads;
};
