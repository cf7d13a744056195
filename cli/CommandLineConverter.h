#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QueueEntry;
class QTimer;

// Converts the files of one command line with the desktop program's engine,
// several at a time, reporting on the terminal.
class CommandLineConverter : public QObject
{
    Q_OBJECT

public:
    struct Job
    {
        QString source;
        QString targetDirectory;
    };

    CommandLineConverter(QList<Job> jobs, int parallel, bool quiet, QObject *parent = nullptr);
    ~CommandLineConverter() override;

    // Converts everything; returns the exit status: 0 when every file was
    // converted, 1 when any failed, 130 when stopped by a signal.
    int exec();

    // Asks the running conversions to stop; safe from a signal handler.
    static void requestStop();

private:
    struct Running;

    void startNext();
    void finished(Running *running, bool ok);
    void redraw();
    void clearLive();
    void checkStop();

    QList<Job> m_jobs;
    int m_next = 0;
    int m_parallel;
    bool m_quiet;
    bool m_live;
    int m_failed = 0;
    int m_linesShown = 0;
    bool m_stopped = false;
    std::vector<std::unique_ptr<Running>> m_running;
    QTimer *m_timer;
    static std::atomic<bool> s_stopRequested;
};
