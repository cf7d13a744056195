#include "player/PreviewWorker.h"

#include "pipeline/FrameQueue.h"
#include "pipeline/Preview.h"

#include <vector>

namespace {

// Both sides' frames into the player's queue, waiting for room there.
class QueueSink : public Preview::Sink
{
public:
    explicit QueueSink(FrameQueue &queue)
        : m_queue(queue)
    {
    }

    bool write(const float *original, const float *retuned, int frames) override
    {
        m_frames.resize(size_t(frames) * PreviewWorker::QueueChannels);
        float *out = m_frames.data();
        for (int f = 0; f < frames; ++f, out += PreviewWorker::QueueChannels) {
            out[0] = original[2 * f];
            out[1] = original[2 * f + 1];
            out[2] = retuned[2 * f];
            out[3] = retuned[2 * f + 1];
        }
        // False once the queue is closed: the player wants other frames.
        return m_queue.push(m_frames.data(), frames);
    }

private:
    FrameQueue &m_queue;
    std::vector<float> m_frames;
};

} // namespace

PreviewWorker::PreviewWorker(Callbacks callbacks)
    : m_callbacks(std::move(callbacks))
{
    m_thread = std::thread([this] { work(); });
}

PreviewWorker::~PreviewWorker()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
        interrupt();
    }
    m_wake.notify_all();
    m_thread.join();
}

int PreviewWorker::load(const QString &path, const ConversionSettings &settings, double measuredA4)
{
    int number;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        interrupt();
        m_play.reset();
        number = ++m_loads;
        m_load = Load{path, settings, measuredA4, number};
    }
    m_wake.notify_all();
    return number;
}

void PreviewWorker::play(std::shared_ptr<FrameQueue> queue, double seconds, int sampleRate)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        interrupt();
        m_play = Play{std::move(queue), seconds, sampleRate};
    }
    m_wake.notify_all();
}

void PreviewWorker::stop()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    interrupt();
    m_play.reset();
}

void PreviewWorker::interrupt()
{
    ++m_requests;
    if (m_playing)
        m_playing->close();
    if (m_play)
        m_play->queue->close();
    m_playing.reset();
}

void PreviewWorker::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_load || m_play; });
        if (m_quit)
            return;
        if (m_load) {
            const Load load = std::move(*m_load);
            m_load.reset();
            lock.unlock();
            open(load);
            lock.lock();
            continue;
        }
        const Play play = std::move(*m_play);
        m_play.reset();
        m_playing = play.queue;
        const int request = m_requests;
        lock.unlock();
        render(play, request);
        lock.lock();
        if (m_playing == play.queue)
            m_playing.reset();
    }
}

// Only another load stops this one: a play asked for meanwhile waits for it.
void PreviewWorker::open(const Load &load)
{
    m_preview.reset();
    auto preview = std::make_unique<Preview>(load.path, load.settings, load.measuredA4);
    const auto stopRequested = [this, &load] { return m_quit || m_loads != load.number; };
    if (!preview->open(stopRequested)) {
        if (!stopRequested())
            m_callbacks.failed(load.number, preview->error());
        return;
    }
    if (stopRequested())
        return;
    m_preview = std::move(preview);
    m_loaded = load.number;
    m_callbacks.opened(load.number, m_preview->durationSeconds(), m_preview->settings().sourceFrequency);
}

void PreviewWorker::render(const Play &play, int request)
{
    // Where the source could not be opened, the failure was said.
    if (m_preview) {
        QueueSink sink(*play.queue);
        const auto stopRequested = [this, request] { return m_quit || m_requests != request; };
        if (!m_preview->play(play.seconds, play.sampleRate, sink, stopRequested))
            m_callbacks.failed(m_loaded, m_preview->error());
    }
    play.queue->finish();
}
