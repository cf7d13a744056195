#pragma once

#include "base/TranslatableText.h"
#include "pipeline/ConversionSettings.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class FrameQueue;
class Preview;

// The player's worker: a thread of its own that opens the source (and
// measures its tuning where asked) and plays it through the pipeline's
// Preview into a bounded queue, as far ahead as the queue holds. Frames go
// in four channels: the original's two, then the retuned side's.
//
// Its calls return at once, from any thread: each one takes the place of
// what was asked before, which stops. What it has to say comes through
// the callbacks, on its own thread, with the number of the load it
// concerns.
class PreviewWorker
{
public:
    static constexpr int QueueChannels = 4;

    struct Callbacks
    {
        // The source is open: its length (0: unknown) and the A4 it is
        // taken to be at.
        std::function<void(int load, double seconds, double sourceA4)> opened;
        std::function<void(int load, const TranslatableText &message)> failed;
    };

    explicit PreviewWorker(Callbacks callbacks);
    ~PreviewWorker();
    PreviewWorker(const PreviewWorker &) = delete;
    PreviewWorker &operator=(const PreviewWorker &) = delete;

    // Opens a source, in place of the one before; returns the load's
    // number.
    int load(const QString &path, const ConversionSettings &settings, double measuredA4);
    // Plays the source open now from `seconds` at `sampleRate` into
    // `queue` (of QueueChannels), which is finished at the end.
    void play(std::shared_ptr<FrameQueue> queue, double seconds, int sampleRate);
    // Stops what it plays.
    void stop();

private:
    struct Load
    {
        QString path;
        ConversionSettings settings;
        double measuredA4;
        int number;
    };
    struct Play
    {
        std::shared_ptr<FrameQueue> queue;
        double seconds;
        int sampleRate;
    };

    void work();
    void open(const Load &load);
    void render(const Play &play, int request);
    // What was asked before stops: its queue is closed, and whatever polls
    // the request count sees a new one.
    void interrupt();

    Callbacks m_callbacks;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Load> m_load;
    std::optional<Play> m_play;
    std::shared_ptr<FrameQueue> m_playing;
    // Set under the mutex, polled without it.
    std::atomic<bool> m_quit{false};
    std::atomic<int> m_loads{0};
    std::atomic<int> m_requests{0};
    // The worker thread's own.
    std::unique_ptr<Preview> m_preview;
    int m_loaded = 0;
    std::thread m_thread;
};
