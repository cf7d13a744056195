#include "cli/CommandLineConverter.h"

#include "cli/ConversionReport.h"
#include "engine/Conversion.h"
#include "engine/WorkerPool.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>

std::atomic<int> CommandLineConverter::s_stopSignal{0};

namespace {

// 0:07, 12:34, 1:02:03
QString duration(double seconds)
{
    const long long s = std::llround(seconds);
    const QLatin1Char zero('0');
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, zero).arg(s % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, zero);
}

} // namespace

// One conversion in flight. The pool thread writes `result` and
// `wallSeconds`; the main thread reads them in the task's completion.
struct CommandLineConverter::Running
{
    ConversionRequest request;
    std::atomic<bool> stop{false};
    std::atomic<double> progress{0.0};
    std::atomic<double> seconds{0.0};  // the source's length, once known
    ConversionResult result;
    double wallSeconds = 0.0;
};

CommandLineConverter::CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet,
                                           bool strict, QObject *parent)
    : QObject(parent)
    , m_requests(std::move(requests))
    , m_quiet(quiet)
    , m_strict(strict)
    , m_pool(std::make_unique<WorkerPool>(parallel))
    , m_timer(new QTimer(this))
    , m_status(stderr, !quiet)
{
    // The status line and stop requests are looked at a few times a second.
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

void CommandLineConverter::requestStop(int signal)
{
    int none = 0;
    s_stopSignal.compare_exchange_strong(none, signal);
}

void CommandLineConverter::addProblems(const QStringList &messages)
{
    for (const QString &message : messages) {
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(message));
        ++m_failed;
    }
}

int CommandLineConverter::exec()
{
    if (m_requests.isEmpty())
        return m_failed > 0 ? 1 : 0;
    m_clock.start();
    m_timer->start();
    startNext();
    QCoreApplication::exec();
    m_status.finish(summary());
    if (m_stopped)
        return 128 + s_stopSignal.load();
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
                QElapsedTimer clock;
                clock.start();
                Conversion conversion(raw->request);
                conversion.setStopCheck([raw] { return raw->stop.load(); });
                conversion.setProgressCallback([raw](double progress) { raw->progress = progress; });
                conversion.setDurationCallback([raw](double seconds) { raw->seconds = seconds; });
                raw->result = conversion.run();
                raw->wallSeconds = double(clock.nsecsElapsed()) / 1e9;
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
    const char *outcome = nullptr;
    // Strictly, a file with something to warn of is not converted as asked.
    const bool failedStrictly = m_strict && !result.warnings.isEmpty();
    switch (result.status) {
    case ConversionResult::Converted:
        ++(failedStrictly ? m_failed : m_converted);
        m_audioSeconds += result.audioSeconds;
        outcome = failedStrictly ? "failed" : "done";
        break;
    case ConversionResult::Skipped:
        ++m_skipped;
        outcome = "skipped";
        break;
    case ConversionResult::Failed:
        ++m_failed;
        outcome = "failed";
        break;
    case ConversionResult::Stopped:
        break;
    }
    m_status.clear();
    if (result.status == ConversionResult::Failed)
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(result.message));
    for (const QString &warning : result.warnings)
        std::fprintf(stderr, "%s: warning: %s\n", qPrintable(name), qPrintable(warning));
    if (!m_quiet && outcome) {
        if (result.measuredA4 > 0.0)
            std::fprintf(stdout, "%-7s %s (measured A4 = %.1f Hz)\n", outcome, qPrintable(name), result.measuredA4);
        else
            std::fprintf(stdout, "%-7s %s\n", outcome, qPrintable(name));
    }
    std::fflush(stdout);
    if (m_report && !m_report->add(running->request, result, running->wallSeconds)) {
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(m_report->error()));
        m_report = nullptr;  // said once
    }

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
    if (m_stopped || s_stopSignal.load() == 0)
        return;
    m_stopped = true;
    for (const auto &running : m_running)
        running->stop = true;
    if (m_running.empty())
        QCoreApplication::quit();
}

void CommandLineConverter::redraw()
{
    if (m_status.active() && !m_running.empty())
        m_status.show(statusText());
}

// "12/50 done, 1 failed, 3 skipped | 37% 12% | 2:31 left". The time left
// is the audio left over the audio converted per second so far; a file
// whose length is not known yet counts as long as the known ones on
// average.
QString CommandLineConverter::statusText() const
{
    const int done = m_converted + m_skipped + m_failed;
    QString text = QStringLiteral("%1/%2 done").arg(done).arg(m_requests.size());
    if (m_failed > 0)
        text += QStringLiteral(", %1 failed").arg(m_failed);
    if (m_skipped > 0)
        text += QStringLiteral(", %1 skipped").arg(m_skipped);
    text += QStringLiteral(" |");

    double known = m_audioSeconds;
    int knownCount = m_converted;
    for (const auto &running : m_running) {
        text += QStringLiteral(" %1%").arg(int(running->progress.load() * 100.0));
        if (running->seconds.load() > 0.0) {
            known += running->seconds.load();
            ++knownCount;
        }
    }
    if (knownCount == 0)
        return text;
    const double average = known / knownCount;
    double audioDone = m_audioSeconds;
    double audioLeft = double(m_requests.size() - m_next) * average;
    for (const auto &running : m_running) {
        const double seconds = running->seconds.load() > 0.0 ? running->seconds.load() : average;
        const double progress = running->progress.load();
        audioDone += progress * seconds;
        audioLeft += (1.0 - progress) * seconds;
    }
    const double elapsed = double(m_clock.elapsed()) / 1000.0;
    if (audioDone > 0.0 && elapsed >= 1.0)
        text += QStringLiteral(" | %1 left").arg(duration(audioLeft * elapsed / audioDone));
    return text;
}

QString CommandLineConverter::summary() const
{
    QString text = QStringLiteral("%1 converted, %2 skipped, %3 failed in %4")
                       .arg(m_converted)
                       .arg(m_skipped)
                       .arg(m_failed)
                       .arg(duration(double(m_clock.elapsed()) / 1000.0));
    if (m_stopped) {
        const int notConverted = m_requests.size() - m_converted - m_skipped - m_failed;
        text = QStringLiteral("Stopped: %1; %2 not converted").arg(text).arg(notConverted);
    }
    return text;
}
