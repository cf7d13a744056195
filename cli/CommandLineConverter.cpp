#include "cli/CommandLineConverter.h"

#include "engine/Conversion.h"
#include "engine/WorkerPool.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

#include <cstdio>

std::atomic<bool> CommandLineConverter::s_stopRequested{false};

// One conversion in flight. The pool thread writes `result`; the main
// thread reads it in the task's completion.
struct CommandLineConverter::Running
{
    ConversionRequest request;
    std::atomic<bool> stop{false};
    std::atomic<double> progress{0.0};
    ConversionResult result;
};

CommandLineConverter::CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet,
                                           bool strict, QObject *parent)
    : QObject(parent)
    , m_requests(std::move(requests))
    , m_quiet(quiet)
    , m_strict(strict)
    , m_live(!quiet && isatty(STDOUT_FILENO))
    , m_pool(std::make_unique<WorkerPool>(parallel))
    , m_timer(new QTimer(this))
{
    // Progress lines and stop requests are looked at a few times a second.
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        checkStop();
        redraw();
    });
}

CommandLineConverter::~CommandLineConverter()
{
    for (const auto &running : m_running)
        running->stop = true;
    m_pool.reset();
}

void CommandLineConverter::requestStop()
{
    s_stopRequested.store(true);
}

int CommandLineConverter::exec()
{
    if (m_requests.isEmpty())
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
    while (!m_stopped && m_pool->pending() < m_pool->maxThreads() && m_next < m_requests.size()) {
        auto running = std::make_unique<Running>();
        running->request = m_requests.at(m_next++);
        Running *raw = running.get();
        m_pool->start(
            [raw] {
                Conversion conversion(raw->request);
                conversion.setStopCheck([raw] { return raw->stop.load(); });
                conversion.setProgressCallback([raw](double progress) { raw->progress = progress; });
                raw->result = conversion.run();
            },
            [this, raw] { finished(raw); });
        m_running.push_back(std::move(running));
    }
    if (m_running.empty())
        QCoreApplication::quit();
}

void CommandLineConverter::finished(Running *running)
{
    const ConversionResult &result = running->result;
    const QString name = running->request.sourcePath;
    if (result.status == ConversionResult::Failed) {
        ++m_failed;
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(result.message));
    }
    for (const QString &warning : result.warnings) {
        std::fprintf(stderr, "%s: warning: %s\n", qPrintable(name), qPrintable(warning));
        if (m_strict)
            ++m_failed;
    }
    if (!m_quiet && result.status != ConversionResult::Stopped) {
        clearLive();
        std::fprintf(stdout, "%s %s\n", result.converted() ? "done  " : "failed", qPrintable(name));
    }
    std::fflush(stdout);
    for (auto it = m_running.begin(); it != m_running.end(); ++it) {
        if (it->get() == running) {
            m_running.erase(it);
            break;
        }
    }
    startNext();
    redraw();
}

void CommandLineConverter::checkStop()
{
    if (m_stopped || !s_stopRequested.load())
        return;
    m_stopped = true;
    for (const auto &running : m_running)
        running->stop = true;
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
        const int percent = int(running->progress.load() * 100.0 + 0.5);
        std::fprintf(stdout, "%3d%% %s\n", percent, qPrintable(QFileInfo(running->request.sourcePath).fileName()));
        ++m_linesShown;
    }
    std::fflush(stdout);
}
