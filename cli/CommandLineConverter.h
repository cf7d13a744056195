#pragma once

#include "cli/StatusLine.h"
#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class ConversionReport;
class QTimer;
class WorkerPool;

// Converts the files of one command line with the engine, several at a
// time: a line on stdout for each file that ends, failures on stderr, and
// on a terminal a status line on stderr and a summary at the end.
class CommandLineConverter : public QObject
{
    Q_OBJECT

public:
    // strict: a file converted with a warning counts as failed.
    CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet, bool strict = false,
                         QObject *parent = nullptr);
    ~CommandLineConverter() override;

    // Where each file's outcome is recorded too; null for nowhere.
    void setReport(ConversionReport *report) { m_report = report; }

    // Converts everything; returns the exit status: 0 when no file failed
    // (converted or skipped), 1 when any failed, 128 + the signal's number
    // when stopped by one.
    int exec();

    // Files that could not even be read, each said now and counted as failed.
    void addProblems(const QStringList &messages);

    // Asks the running conversions to stop, for this signal; safe from a
    // signal handler.
    static void requestStop(int signal);
    // The signal that asked for a stop, or 0.
    static int stopSignal() { return s_stopSignal.load(); }

private:
    struct Running;

    void startNext();
    void finished(Running *running);
    void checkStop();
    void redraw();
    QString statusText() const;
    QString summary() const;

    QList<ConversionRequest> m_requests;
    int m_next = 0;
    bool m_quiet;
    bool m_strict;
    int m_converted = 0;
    int m_skipped = 0;
    int m_failed = 0;
    double m_audioSeconds = 0.0;  // of the converted files
    bool m_stopped = false;
    std::vector<std::unique_ptr<Running>> m_running;
    std::unique_ptr<WorkerPool> m_pool;
    QTimer *m_timer;
    QElapsedTimer m_clock;
    StatusLine m_status;
    ConversionReport *m_report = nullptr;
    static std::atomic<int> s_stopSignal;
};
