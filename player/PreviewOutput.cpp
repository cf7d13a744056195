#include "player/PreviewOutput.h"

#include "pipeline/FrameQueue.h"
#include "player/PreviewStream.h"
#include "player/PreviewWorker.h"

#include <algorithm>

namespace {

constexpr int ReportMilliseconds = 50;

} // namespace

PreviewOutput::PreviewOutput(PreviewWorker &worker, DeviceFactory factory)
    : m_worker(worker)
    , m_factory(std::move(factory))
    , m_stream(new PreviewStream(this))
    , m_ticks(this)
{
    m_ticks.setInterval(ReportMilliseconds);
    connect(&m_ticks, &QTimer::timeout, this, &PreviewOutput::report);
}

// The device goes first: it reads the stream until it stops.
PreviewOutput::~PreviewOutput()
{
    if (m_device)
        m_device->stop();
    m_device.reset();
}

void PreviewOutput::play(double seconds, bool retuned, int sequence)
{
    m_sequence = sequence;
    stopDevice();
    if (!openDevice())
        return;

    const int rate = m_stream->sampleRate();
    auto queue = std::make_shared<FrameQueue>(PreviewWorker::QueueChannels, QueueSeconds * rate);
    m_worker.play(queue, seconds, rate);
    m_stream->setQueue(std::move(queue), seconds);
    m_stream->setRetuned(retuned);
    startDevice();
}

void PreviewOutput::resume(bool retuned)
{
    if (!m_device || !m_stream->hasQueue() || m_playing)
        return;
    m_stream->setRetuned(retuned);
    startDevice();
}

void PreviewOutput::pause()
{
    stopDevice();
    report();
}

void PreviewOutput::setRetuned(bool retuned)
{
    const bool playing = m_playing;
    stopDevice();
    m_stream->setRetuned(retuned);
    if (playing)
        startDevice();
}

void PreviewOutput::stop()
{
    stopDevice();
    m_worker.stop();
    m_stream->setQueue(nullptr, 0.0);
}

bool PreviewOutput::openDevice()
{
    if (m_device)
        return true;
    std::unique_ptr<PlaybackDevice> device = m_factory();
    PlaybackDevice::Format format;
    const QString problem = device->open(format);
    if (!problem.isEmpty()) {
        fail(problem);
        return false;
    }
    m_device = std::move(device);
    connect(m_device.get(), &PlaybackDevice::failed, this, &PreviewOutput::fail);
    m_stream->setFormat(format.sampleRate, format.floatSamples);
    return true;
}

bool PreviewOutput::startDevice()
{
    const QString problem = m_device->start(m_stream);
    if (!problem.isEmpty()) {
        fail(problem);
        return false;
    }
    m_stream->deviceStarted(m_device->bufferFrames());
    m_playing = true;
    m_ticks.start();
    Q_EMIT started();
    return true;
}

// What the device held and did not play goes back to the stream.
void PreviewOutput::stopDevice()
{
    if (!m_playing)
        return;
    const int buffered = m_stream->unplayedFrames();
    m_device->stop();
    m_stream->rewind(buffered);
    m_playing = false;
    m_ticks.stop();
}

void PreviewOutput::report()
{
    const int buffered = m_playing ? m_stream->unplayedFrames() : 0;
    const int rate = m_stream->sampleRate();
    Q_EMIT positionChanged(std::max(0.0, m_stream->seconds() - double(buffered) / rate), m_sequence);
    // Played out: what the device still holds is less than a period of it.
    if (m_playing && m_stream->ended() && buffered < rate / 50) {
        stopDevice();
        Q_EMIT ended();
    }
}

// A device that failed is made anew at the next play: it may be back.
void PreviewOutput::fail(const QString &message)
{
    m_playing = false;
    m_ticks.stop();
    m_worker.stop();
    if (m_device) {
        m_device->stop();
        m_device.release()->deleteLater();
    }
    Q_EMIT failed(message);
}
