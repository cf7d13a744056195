#include "base/Mailbox.h"

#include <QPointer>
#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

Mailbox::Mailbox(QObject *parent)
    : QObject(parent)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        qFatal("Mailbox: no eventfd");  // only when the process is out of descriptors
    auto *notifier = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &Mailbox::runAll);
}

Mailbox::~Mailbox()
{
    ::close(m_wakeFd);
}

void Mailbox::post(std::function<void()> call)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
    const std::uint64_t one = 1;
    // The counter only fails to grow when it is already far from zero,
    // which wakes the reader just the same.
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

// A call may end the mailbox (its owner goes): then the rest is dropped.
void Mailbox::runAll()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
    const QPointer<Mailbox> alive(this);
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_calls.empty())
                return;
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        if (call)
            call();
        if (!alive)
            return;
    }
}
