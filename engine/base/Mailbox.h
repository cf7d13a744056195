#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Calls that any thread posts and the mailbox's own thread runs, in the
// order posted, from its event loop. The sender wakes that thread through an
// eventfd instead of posting a Qt event: no Qt object is made on the
// sender's thread, and every hand-over is ordered by a lock that the thread
// sanitizer sees (Qt's own event queue is ordered by locks it cannot see).
class Mailbox : public QObject
{
    Q_OBJECT

public:
    explicit Mailbox(QObject *parent = nullptr);
    ~Mailbox() override;

    // From any thread. Calls not run when the mailbox goes are dropped.
    void post(std::function<void()> call);

private:
    void runAll();

    int m_wakeFd = -1;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
};
