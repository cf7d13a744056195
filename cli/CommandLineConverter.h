#pragma once

#include "batch/BatchRunner.h"
#include "cli/CommandLineOptions.h"
#include "cli/StatusLine.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <atomic>

class ConversionReport;
class QTimer;

// Converts the files of one command line on the batch runner, several at a
// time: a line on stdout for each file that ends, failures on stderr, and
// on a terminal a status line on stderr and a summary at the end.
class CommandLineConverter : public QObject
{
    Q_OBJECT

public:
    CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet, QObject *parent = nullptr);
    ~CommandLineConverter() override;

    // Where each file's outcome is recorded too; null for nowhere.
    void setReport(ConversionReport *report) { m_report = report; }

    // Converts everything; returns the exit status: 0 when no file failed
    // (converted or skipped), 1 when any failed, 128 + the signal's number
    // when one stopped a file or kept one from being converted.
    int exec();

    // Files and folders that could not even be read, each said now, reported
    // and counted as failed.
    void addProblems(const QList<CommandLineOptions::Problem> &problems);

    // Asks the running conversions to stop, for this signal; safe from a
    // signal handler.
    static void requestStop(int signal);
    // The signal that asked for a stop, or 0.
    static int stopSignal() { return s_stopSignal.load(); }

private:
    void finished(const BatchRunner::Outcome &outcome);
    void print(const BatchRunner::Outcome &outcome);
    void record(const BatchRunner::Outcome &outcome);
    void checkStop();
    void redraw();
    QString statusText() const;
    QString summary() const;

    QList<ConversionRequest> m_requests;
    bool m_quiet;
    int m_converted = 0;
    int m_skipped = 0;
    int m_failed = 0;
    bool m_stopped = false;  // a signal asked for a stop
    int m_interrupted = 0;   // files the stop kept from being converted
    BatchRunner m_runner;
    QTimer *m_timer;
    QElapsedTimer m_clock;
    StatusLine m_status;
    ConversionReport *m_report = nullptr;
    static std::atomic<int> s_stopSignal;
};
