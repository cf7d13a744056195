#include "CommandLineConverter.h"

#include "ProcessingJob.h"
#include "QueueEntry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent>

#include <unistd.h>

#include <cstdio>

std::atomic<bool> CommandLineConverter::s_stopRequested{false};

// One conversion in flight.
struct CommandLineConverter::Running
{
    std::unique_ptr<QueueEntry> entry;
    QFutureWatcher<bool> watcher;
    QStringList errors;
};

CommandLineConverter::CommandLineConverter(QList<Job> jobs, int parallel, bool quiet, QObject *parent)
    : QObject(parent)
    , m_jobs(std::move(jobs))
    , m_parallel(std::max(1, parallel))
    , m_quiet(quiet)
    , m_live(!quiet && isatty(STDOUT_FILENO))
    , m_timer(new QTimer(this))
{
    QThreadPool::globalInstance()->setMaxThreadCount(m_parallel);
    // Progress lines and stop requests are looked at a few times a second.
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        checkStop();
        redraw();
    });
}

CommandLineConverter::~CommandLineConverter()
{
    for (const auto &running : m_running) {
        running->entry->update_deleteWhenFinished(true);
        running->watcher.waitForFinished();
    }
}

void CommandLineConverter::requestStop()
{
    s_stopRequested.store(true);
}

int CommandLineConverter::exec()
{
    if (m_jobs.isEmpty())
        return 0;
    m_timer->start();
    startNext();
    QCoreApplication::exec();
    if (m_stopped)
        return 130;
    return m_failed > 0 ? 1 : 0;
}

void CommandLineConverter::startNext()
{
    while (!m_stopped && int(m_running.size()) < m_parallel && m_next < m_jobs.size()) {
        const Job &job = m_jobs.at(m_next++);
        auto running = std::make_unique<Running>();
        running->entry = std::make_unique<QueueEntry>(job.source, job.targetDirectory);
        running->entry->update_state(QueueEntry::S_Processing);
        Running *raw = running.get();
        connect(&raw->watcher, &QFutureWatcherBase::finished, this,
                [this, raw] { finished(raw, raw->watcher.result()); });
        QueueEntry *entry = raw->entry.get();
        raw->watcher.setFuture(QtConcurrent::run(QThreadPool::globalInstance(), [entry, raw] {
            ProcessingJob job(entry);
            QObject::connect(&job, &ProcessingJob::progressUpdate,
                             [entry](double progress) { entry->reportProgress(progress); });
            // Collected on this thread, read after the task has ended.
            QObject::connect(&job, &ProcessingJob::fileProcessingError,
                             [raw](const QString &message) { raw->errors << message; });
            return job.run();
        }));
        m_running.push_back(std::move(running));
    }
    if (m_running.empty())
        QCoreApplication::quit();
}

void CommandLineConverter::finished(Running *running, bool ok)
{
    const QString name = running->entry->filePath();
    const bool stopped = running->entry->deleteWhenFinished();
    if (!ok && !stopped) {
        ++m_failed;
        const QString reason = running->errors.isEmpty() ? QStringLiteral("conversion failed")
                                                         : running->errors.join(QStringLiteral("; "));
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(reason));
    }
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it->get() == running) {
            m_running.erase(it);
            break;
        }
    }
    if (!m_quiet && !stopped) {
        clearLive();
        std::fprintf(stdout, "%s %s\n", ok ? "done  " : "failed", qPrintable(name));
    }
    std::fflush(stdout);
    startNext();
    redraw();
}

void CommandLineConverter::checkStop()
{
    if (m_stopped || !s_stopRequested.load())
        return;
    m_stopped = true;
    for (const auto &running : m_running)
        running->entry->update_deleteWhenFinished(true);
    if (m_running.empty())
        QCoreApplication::quit();
}

// On a terminal: one line per running file with its progress, redrawn in
// place.
void CommandLineConverter::clearLive()
{
    for (; m_linesShown > 0; --m_linesShown)
        std::fputs("\033[1A\033[2K", stdout);
}

void CommandLineConverter::redraw()
{
    if (!m_live)
        return;
    clearLive();
    for (const auto &running : m_running) {
        const int percent = int(running->entry->progress() * 100.0 + 0.5);
        std::fprintf(stdout, "%3d%% %s\n", percent, qPrintable(QFileInfo(running->entry->filePath()).fileName()));
        ++m_linesShown;
    }
    std::fflush(stdout);
}
