#pragma once

#include "engine/ConversionRequest.h"
#include "engine/ConversionResult.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Stands in for the engine's conversion in controller and scene tests: each
// job answers from a script kept by the source's file name, and, while
// holding, stays "running" until the test releases it or the queue stops
// it. The test drives a running job's progress through report().
//
// Unscripted files convert: TARGET/BASE.flac, 60 seconds of audio.
class FakeConverter
{
public:
    using Function = std::function<ConversionResult(const ConversionRequest &, const std::function<bool()> &,
                                                    const std::function<void(double)> &)>;

    // The results of the next jobs for that file name, in order.
    void script(const QString &fileName, const QList<ConversionResult> &results)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->scripts[fileName] = results;
    }
    // Jobs begun from now on wait to be released (or stopped).
    void setHolding(bool hold)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->holding = hold;
    }
    void release(const QString &fileName)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->released << fileName;
        m_state->changed.notify_all();
    }
    // Progress of the running job of that file, as the engine would report it.
    void report(const QString &fileName, double fraction)
    {
        std::function<void(double)> progress;
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            progress = m_state->progress.value(fileName);
        }
        if (progress)
            progress(fraction);
    }
    // The file names of the jobs running now, and of all requests so far.
    QStringList running() const
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        return m_state->progress.keys();
    }
    QList<ConversionRequest> requests() const
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        return m_state->requests;
    }

    // What the queue is given; it shares the script with this object.
    Function function() const
    {
        return [state = m_state](const ConversionRequest &request, const std::function<bool()> &stop,
                                 const std::function<void(double)> &progress) {
            const QString name = QFileInfo(request.sourcePath).fileName();
            std::unique_lock<std::mutex> lock(state->mutex);
            state->requests << request;
            state->progress.insert(name, progress);
            ConversionResult result;
            result.status = ConversionResult::Converted;
            result.outputPath = QDir(request.targetDirectory).filePath(QFileInfo(name).completeBaseName() +
                                                                       QStringLiteral(".flac"));
            result.audioSeconds = 60.0;
            QList<ConversionResult> &script = state->scripts[name];
            if (!script.isEmpty())
                result = script.takeFirst();
            bool stopped = false;
            while (state->holding && !state->released.contains(name) && !stopped) {
                state->changed.wait_for(lock, std::chrono::milliseconds(2));
                lock.unlock();
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
        mutable std::mutex mutex;
        std::condition_variable changed;
        QHash<QString, QList<ConversionResult>> scripts;
        QHash<QString, std::function<void(double)>> progress;
        QList<ConversionRequest> requests;
        QStringList released;
        bool holding = false;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};
