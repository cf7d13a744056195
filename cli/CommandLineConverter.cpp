#include "cli/CommandLineConverter.h"

#include "cli/ConversionReport.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>

std::atomic<int> CommandLineConverter::s_stopSignal{0};

namespace {

// A name or message on a line of its own: control characters (a newline
// in a file name) written as escapes, so that each file keeps one line.
QByteArray printable(const QString &text)
{
    QByteArray out;
    for (const char byte : text.toLocal8Bit()) {
        const uchar c = uchar(byte);
        if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c < 0x20 || c == 0x7f)
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += byte;
    }
    return out;
}

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

CommandLineConverter::CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet,
                                           QObject *parent)
    : QObject(parent)
    , m_requests(std::move(requests))
    , m_quiet(quiet)
    , m_runner(parallel)
    , m_timer(new QTimer(this))
    , m_status(stderr, !quiet)
{
    // The status line and stop requests are looked at a few times a second.
    m_timer->setInterval(100);
    connect(m_timer, &QTimer::timeout, this, [this] {
        checkStop();
        redraw();
    });
    connect(&m_runner, &BatchRunner::finished, this, &CommandLineConverter::finished);
    connect(&m_runner, &BatchRunner::started, this, &CommandLineConverter::redraw);
    connect(&m_runner, &BatchRunner::busyChanged, this, [](bool busy) {
        if (!busy)
            QCoreApplication::quit();
    });
}

// The runner stops and awaits the running conversions as it goes.
CommandLineConverter::~CommandLineConverter() = default;

void CommandLineConverter::requestStop(int signal)
{
    int none = 0;
    s_stopSignal.compare_exchange_strong(none, signal);
}

void CommandLineConverter::addProblems(const QList<CommandLineOptions::Problem> &problems)
{
    for (const CommandLineOptions::Problem &problem : problems) {
        std::fprintf(stderr, "tunewise-cli: %s\n", printable(problem.message).constData());
        ++m_failed;
        BatchRunner::Outcome outcome;
        outcome.request = {problem.path, problem.targetDirectory, ConversionSettings()};
        outcome.result.message = TranslatableText(problem.message);
        record(outcome);
    }
}

int CommandLineConverter::exec()
{
    if (m_requests.isEmpty())
        return m_failed > 0 ? 1 : 0;
    m_clock.start();
    m_timer->start();
    for (const ConversionRequest &request : qAsConst(m_requests))
        m_runner.add(request);
    m_runner.run();
    QCoreApplication::exec();
    m_status.finish(summary());
    // A signal that came once every file had ended stopped nothing.
    if (m_stopped && m_interrupted > 0)
        return 128 + s_stopSignal.load();
    return m_failed > 0 ? 1 : 0;
}

void CommandLineConverter::finished(const BatchRunner::Outcome &outcome)
{
    switch (outcome.result.status) {
    case ConversionResult::Converted:
        ++m_converted;
        break;
    case ConversionResult::Skipped:
        ++m_skipped;
        break;
    case ConversionResult::Failed:
        ++m_failed;
        break;
    case ConversionResult::Stopped:
        ++m_interrupted;
        break;
    }
    m_status.clear();
    print(outcome);
    record(outcome);
}

void CommandLineConverter::record(const BatchRunner::Outcome &outcome)
{
    if (m_report && !m_report->add(outcome.request, outcome.result, outcome.wallSeconds)) {
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(m_report->error()));
        m_report = nullptr;  // said once
    }
}

// The file's line on stdout, its failure and warnings on stderr.
void CommandLineConverter::print(const BatchRunner::Outcome &outcome)
{
    const ConversionResult &result = outcome.result;
    const QByteArray name = printable(outcome.request.sourcePath);
    const char *line = nullptr;
    switch (result.status) {
    case ConversionResult::Converted:
        line = "done";
        break;
    case ConversionResult::Skipped:
        line = "skipped";
        // Why, for a person watching; scripts have the report.
        if (m_status.active())
            std::fprintf(stderr, "%s: %s\n", name.constData(), printable(result.message).constData());
        break;
    case ConversionResult::Failed:
        line = "failed";
        std::fprintf(stderr, "%s: %s\n", name.constData(), printable(result.message).constData());
        break;
    case ConversionResult::Stopped:
        break;
    }
    for (const QString &warning : result.warningTexts())
        std::fprintf(stderr, "%s: warning: %s\n", name.constData(), printable(warning).constData());
    if (!m_quiet && line) {
        if (result.measuredA4 > 0.0)
            std::fprintf(stdout, "%-7s %s (measured A4 = %.1f Hz)\n", line, name.constData(), result.measuredA4);
        else
            std::fprintf(stdout, "%-7s %s\n", line, name.constData());
    }
    std::fflush(stdout);
}

void CommandLineConverter::checkStop()
{
    if (m_stopped || s_stopSignal.load() == 0)
        return;
    m_stopped = true;
    m_interrupted += m_runner.waiting();
    m_runner.stopAll();
}

void CommandLineConverter::redraw()
{
    if (m_status.active() && m_runner.running() > 0)
        m_status.show(statusText());
}

// "12/50 done, 1 failed, 3 skipped | 37% 12% | 2:31 left"
QString CommandLineConverter::statusText() const
{
    QString text = QStringLiteral("%1/%2 done").arg(m_converted + m_skipped + m_failed).arg(m_requests.size());
    if (m_failed > 0)
        text += QStringLiteral(", %1 failed").arg(m_failed);
    if (m_skipped > 0)
        text += QStringLiteral(", %1 skipped").arg(m_skipped);
    text += QStringLiteral(" |");
    for (const double fraction : m_runner.runningProgress())
        text += QStringLiteral(" %1%").arg(int(fraction * 100.0));
    const double left = m_runner.secondsLeft();
    if (left >= 0.0)
        text += QStringLiteral(" | %1 left").arg(duration(left));
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
