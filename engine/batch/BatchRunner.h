#pragma once

#include "batch/ConversionPace.h"
#include "pipeline/ConversionRequest.h"
#include "pipeline/ConversionResult.h"

#include <QObject>

#include <deque>
#include <functional>
#include <map>
#include <memory>

class WorkerPool;

// The one scheduler of conversions, for the window's queue and the command
// line alike: files wait in the order they were added, each with the
// settings it was added with, and convert on worker threads, a few at a
// time; each can be stopped. Everything it says, it says on the thread that
// owns it: which file began, how far it has come, how it ended and how long
// that took, and how long the rest will take.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    using JobId = quint64;
    // Converts one file on a worker thread: polls `stop`, reports the
    // fraction done to `progress`.
    using Converter = std::function<ConversionResult(const ConversionRequest &request,
                                                     const std::function<bool()> &stop,
                                                     const std::function<void(double)> &progress)>;
    // How a file ended.
    struct Outcome
    {
        JobId id = 0;
        ConversionRequest request;
        ConversionResult result;
        double wallSeconds = 0.0;
    };

    // At most `parallel` at once (at least 1).
    explicit BatchRunner(int parallel, QObject *parent = nullptr);
    // Stops the running conversions and waits for them; their outcomes are
    // not told.
    ~BatchRunner() override;

    // What converts a file; the engine's Conversion unless set. Applies to
    // the files started afterwards.
    void setConverter(Converter converter);
    // Only while nothing runs: the running conversions keep their threads.
    void setParallel(int parallel);
    int parallel() const;
    // Milliseconds of a steady clock, for the time left.
    void setClock(std::function<qint64()> clock);

    // The file waits for its turn, after those added before; run() starts
    // the waiting files, as many as may run at once.
    JobId add(const ConversionRequest &request);
    void run();
    // A waiting file goes; a running one is stopped, and its outcome comes.
    void remove(JobId id);
    // Every file: the waiting ones go, the running ones are stopped.
    void stopAll();
    // Paused, no file begins; those running go on.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }

    int running() const { return int(m_running.size()); }
    int waiting() const { return int(m_waiting.size()); }
    bool isRunning(JobId id) const { return m_running.count(id) > 0; }
    // The fractions done of the running files, in the order they began.
    QList<double> runningProgress() const;
    // Seconds until the running and waiting files are converted, at the pace
    // of the last minute; negative while that is not known yet.
    double secondsLeft() const;

Q_SIGNALS:
    void started(BatchRunner::JobId id);
    void progressed(BatchRunner::JobId id, double fraction);
    void finished(const BatchRunner::Outcome &outcome);
    // Whether anything runs: false once nothing runs or waits any more, true
    // when a file begins after that.
    void busyChanged(bool busy);

private:
    struct Job;

    void startWaiting();
    void start(JobId id, const ConversionRequest &request);
    void deliverProgress(Job *job);
    void completed(JobId id);

    std::unique_ptr<WorkerPool> m_pool;
    Converter m_converter;
    std::function<qint64()> m_clock;
    ConversionPace m_pace;
    JobId m_nextId = 1;
    std::deque<std::pair<JobId, ConversionRequest>> m_waiting;
    std::map<JobId, std::unique_ptr<Job>> m_running;
    bool m_paused = false;
    bool m_busy = false;
};

