#include "batch/BatchRunner.h"

#include "batch/WorkerPool.h"
#include "pipeline/Conversion.h"

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>

namespace {

ConversionResult convertWithEngine(const ConversionRequest &request, const std::function<bool()> &stop,
                                   const std::function<void(double)> &progress)
{
    Conversion conversion(request);
    conversion.setStopCheck(stop);
    conversion.setProgressCallback(progress);
    return conversion.run();
}

} // namespace

// A running file. The worker thread writes `result` and `wallSeconds` and
// reports progress through `reported`; the owner's thread reads them in the
// completion, or on the posted call that delivers the progress.
struct BatchRunner::Job
{
    JobId id;
    ConversionRequest request;
    std::atomic<bool> stop{false};
    std::atomic<double> reported{0.0};
    std::atomic<bool> progressPosted{false};
    double fraction = 0.0;  // the owner's
    ConversionResult result;
    double wallSeconds = 0.0;
};

BatchRunner::BatchRunner(int parallel, QObject *parent)
    : QObject(parent)
    , m_pool(std::make_unique<WorkerPool>(parallel))
    , m_converter(&convertWithEngine)
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] { return timer->elapsed(); };
}

BatchRunner::~BatchRunner()
{
    for (const auto &running : m_running)
        running.second->stop = true;
    // Waits for the running tasks, which use the jobs.
    m_pool.reset();
}

void BatchRunner::setConverter(Converter converter)
{
    m_converter = std::move(converter);
}

void BatchRunner::setParallel(int parallel)
{
    if (m_running.empty())
        m_pool = std::make_unique<WorkerPool>(parallel);
}

int BatchRunner::parallel() const
{
    return m_pool->maxThreads();
}

void BatchRunner::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

BatchRunner::JobId BatchRunner::add(const ConversionRequest &request)
{
    const JobId id = m_nextId++;
    m_waiting.emplace_back(id, request);
    return id;
}

void BatchRunner::run()
{
    startWaiting();
}

void BatchRunner::remove(JobId id)
{
    const auto running = m_running.find(id);
    if (running != m_running.end()) {
        running->second->stop = true;
        return;
    }
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(),
                                   [id](const auto &waiting) { return waiting.first == id; }),
                    m_waiting.end());
    startWaiting();
}

void BatchRunner::stopAll()
{
    m_waiting.clear();
    for (const auto &running : m_running)
        running.second->stop = true;
    startWaiting();
}

void BatchRunner::setPaused(bool paused)
{
    m_paused = paused;
    startWaiting();
}

QList<double> BatchRunner::runningProgress() const
{
    QList<double> fractions;
    for (const auto &running : m_running)
        fractions << running.second->fraction;
    return fractions;
}

double BatchRunner::secondsLeft() const
{
    return m_pace.secondsLeft(waiting(), m_clock());
}

void BatchRunner::startWaiting()
{
    while (!m_paused && !m_waiting.empty() && int(m_running.size()) < m_pool->maxThreads()) {
        auto [id, request] = std::move(m_waiting.front());
        m_waiting.pop_front();
        start(id, request);
    }
    if (m_busy && m_running.empty() && (m_waiting.empty() || m_paused)) {
        m_busy = false;
        Q_EMIT busyChanged(false);
    }
}

void BatchRunner::start(JobId id, const ConversionRequest &request)
{
    if (!m_busy) {
        m_busy = true;
        m_pace.restart(m_clock());
        Q_EMIT busyChanged(true);
    }
    auto job = std::make_unique<Job>();
    job->id = id;
    job->request = request;
    Job *raw = job.get();
    m_running.emplace(id, std::move(job));
    m_pace.started(raw);
    Q_EMIT started(id);
    // The job outlives the task: it goes only once the task's completion
    // has run, or with the runner, which waits for the task first.
    m_pool->start(
        [this, converter = m_converter, raw] {
            QElapsedTimer clock;
            clock.start();
            raw->result = converter(
                raw->request, [raw] { return raw->stop.load(); },
                [this, raw](double fraction) {
                    raw->reported = fraction;
                    if (!raw->progressPosted.exchange(true))
                        m_pool->post([this, raw] { deliverProgress(raw); });
                });
            raw->wallSeconds = double(clock.nsecsElapsed()) / 1e9;
        },
        [this, id] { completed(id); });
}

// Reports that come faster than this thread takes them are merged; the
// last one always arrives, before the completion.
void BatchRunner::deliverProgress(Job *job)
{
    job->progressPosted = false;
    const double fraction = job->reported.load();
    if (fraction <= job->fraction)
        return;
    job->fraction = fraction;
    m_pace.progressed(job, fraction, m_clock());
    Q_EMIT progressed(job->id, fraction);
}

void BatchRunner::completed(JobId id)
{
    const auto found = m_running.find(id);
    std::unique_ptr<Job> job = std::move(found->second);
    m_running.erase(found);
    if (job->result.converted())
        m_pace.converted(job.get(), job->result.audioSeconds, m_clock());
    else
        m_pace.dropped(job.get());
    Outcome outcome{id, job->request, job->result, job->wallSeconds};
    Q_EMIT finished(outcome);
    startWaiting();
}
