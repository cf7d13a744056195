#pragma once

#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class QTimer;
class WorkerPool;

// Converts the files of one command line with the engine, several at a
// time, reporting on the terminal.
class CommandLineConverter : public QObject
{
    Q_OBJECT

public:
    // strict: a file converted with a warning counts as failed.
    CommandLineConverter(QList<ConversionRequest> requests, int parallel, bool quiet, bool strict,
                         QObject *parent = nullptr);
    ~CommandLineConverter() override;

    // Converts everything; returns the exit status: 0 when every file was
    // converted, 1 when any failed (or, when strict, had a warning), 130
    // when stopped by a signal.
    int exec();

    // Asks the running conversions to stop; safe from a signal handler.
    static void requestStop();

private:
    struct Running;

    void startNext();
    void finished(Running *running);
    void redraw();
    void clearLive();
    void checkStop();

    QList<ConversionRequest> m_requests;
    int m_next = 0;
    bool m_quiet;
    bool m_strict;
    bool m_live;
    int m_failed = 0;
    int m_linesShown = 0;
    bool m_stopped = false;
    std::vector<std::unique_ptr<Running>> m_running;
    std::unique_ptr<WorkerPool> m_pool;
    QTimer *m_timer;
    static std::atomic<bool> s_stopRequested;
};
