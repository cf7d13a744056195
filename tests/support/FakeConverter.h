#pragma once

#include "pipeline/ConversionRequest.h"
#include "pipeline/ConversionResult.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>

// Stands in for the engine's conversion in controller and scene tests: each
// job answers from a script kept by the source's file name (unscripted, it
// converts to TARGET/BASE.flac, 60 seconds of audio), and, while holding,
// stays running until the test releases it or the queue stops it. The test
// drives a running job's progress through report().
class FakeConverter
{
public:
    using Progress = std::function<void(double)>;

    // The results of the next jobs for that file name, in order.
    void script(const QString &name, const QList<ConversionResult> &results) { locked()->scripts[name] = results; }
    // Jobs begun from now on wait to be released (or stopped).
    void setHolding(bool hold) { locked()->holding = hold; }
    void release(const QString &name) { locked()->released << name; }
    // Called outside the lock, as the engine calls it.
    void report(const QString &name, double fraction)
    {
        const Progress progress = locked()->progress.value(name);
        if (progress)
            progress(fraction);
    }
    // The file names of the jobs running now, and all requests so far.
    QStringList running() const { return locked()->progress.keys(); }
    QList<ConversionRequest> requests() const { return locked()->requests; }

    // What the queue is given; it shares the script with this object.
    std::function<ConversionResult(const ConversionRequest &, const std::function<bool()> &, const Progress &)>
    function() const
    {
        return [state = m_state](const ConversionRequest &request, const std::function<bool()> &stop,
                                 const Progress &progress) {
            const QString name = QFileInfo(request.sourcePath).fileName();
            std::unique_lock<std::mutex> lock(state->mutex);
            state->requests << request;
            state->progress.insert(name, progress);
            ConversionResult result;
            result.status = ConversionResult::Converted;
            result.outputPath = QDir(request.targetDirectory)
                                    .filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".flac"));
            result.audioSeconds = 60.0;
            if (!state->scripts[name].isEmpty())
                result = state->scripts[name].takeFirst();
            bool stopped = false;
            while (state->holding && !state->released.contains(name) && !stopped) {
                lock.unlock();
                QThread::msleep(2);
                stopped = stop();
                lock.lock();
            }
            state->released.removeOne(name);
            state->progress.remove(name);
            if (stopped) {
                result = ConversionResult();
                result.status = ConversionResult::Stopped;
            }
            return result;
        };
    }

private:
    struct State
    {
        std::mutex mutex;
        QHash<QString, QList<ConversionResult>> scripts;
        QHash<QString, Progress> progress;
        QList<ConversionRequest> requests;
        QStringList released;
        bool holding = false;
    };
    // The state, locked until the end of the full expression.
    struct Locked
    {
        State *state;
        std::lock_guard<std::mutex> lock{state->mutex};
        State *operator->() const { return state; }
    };
    Locked locked() const { return Locked{m_state.get()}; }

    std::shared_ptr<State> m_state = std::make_shared<State>();
};
