#include "player/PreviewStream.h"

#include "pipeline/FrameQueue.h"
#include "player/PreviewWorker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int Channels = PreviewWorker::QueueChannels;
constexpr int DeviceChannels = 2;

} // namespace

PreviewStream::PreviewStream(QObject *parent)
    : QIODevice(parent)
{
    // Unbuffered: QIODevice's own read-ahead would hold back a side switch
    // by as much as it reads.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    setFormat(m_rate, m_float);
}

void PreviewStream::setFormat(int sampleRate, bool floatSamples)
{
    m_rate = sampleRate;
    m_float = floatSamples;
    m_kept.assign(size_t(sampleRate) * Channels, 0.0f);
    m_head = m_filled = m_ahead = 0;
}

void PreviewStream::setQueue(std::shared_ptr<FrameQueue> queue, double seconds)
{
    m_queue = std::move(queue);
    m_startSeconds = seconds;
    m_position = 0;
    m_head = m_filled = m_ahead = 0;
}

void PreviewStream::rewind(int frames)
{
    const int back = std::clamp(frames, 0, m_filled - m_ahead);
    m_ahead += back;
    m_position -= back;
}

void PreviewStream::deviceStarted(int bufferFrames)
{
    m_deviceBuffer = bufferFrames;
    m_given = 0;
    m_playing.invalidate();
}

int PreviewStream::unplayedFrames() const
{
    if (!m_playing.isValid())
        return int(m_given);
    const long long played = m_playing.nsecsElapsed() * m_rate / 1000000000;
    return int(std::clamp<long long>(m_given - played, 0, m_deviceBuffer));
}

bool PreviewStream::ended() const
{
    return !m_queue || (m_ahead == 0 && m_queue->ended());
}

qint64 PreviewStream::readData(char *data, qint64 maxBytes)
{
    const int frameBytes = DeviceChannels * (m_float ? 4 : 2);
    const int wanted = int(std::min<qint64>(maxBytes / frameBytes, m_rate));
    const int ring = int(m_kept.size() / Channels);
    int done = 0;
    while (done < wanted) {
        if (m_ahead == 0 && fill(wanted - done) == 0)
            break;
        const int from = (m_head - m_ahead + ring) % ring;
        const int n = std::min({m_ahead, wanted - done, ring - from});
        put(m_kept.data() + size_t(from) * Channels, n, data + qint64(done) * frameBytes);
        m_ahead -= n;
        m_position += n;
        done += n;
    }
    // Nothing until the device holds what it begins with: it waits for it.
    // Once it plays, silence keeps it going while the worker is behind.
    if (done < wanted && m_playing.isValid() && !ended()) {
        std::memset(data + qint64(done) * frameBytes, 0, size_t(wanted - done) * size_t(frameBytes));
        m_starved += wanted - done;
        done = wanted;
    }
    m_given += done;
    if (!m_playing.isValid() && m_given > 0 && m_given >= m_deviceBuffer)
        m_playing.start();
    return qint64(done) * frameBytes;
}

// Takes up to `frames` frames from the queue into the ring, as ahead.
int PreviewStream::fill(int frames)
{
    if (!m_queue)
        return 0;
    const int ring = int(m_kept.size() / Channels);
    const int n = m_queue->tryPop(m_kept.data() + size_t(m_head) * Channels, std::min(frames, ring - m_head));
    m_head = (m_head + n) % ring;
    m_filled = std::min(ring, m_filled + n);
    m_ahead = n;
    return n;
}

void PreviewStream::put(const float *frames, int count, char *data) const
{
    const int side = m_retuned ? 2 : 0;
    if (m_float) {
        auto *out = reinterpret_cast<float *>(data);
        for (int f = 0; f < count; ++f) {
            out[2 * f] = frames[f * Channels + side];
            out[2 * f + 1] = frames[f * Channels + side + 1];
        }
        return;
    }
    auto *out = reinterpret_cast<qint16 *>(data);
    for (int f = 0; f < count; ++f) {
        for (int c = 0; c < DeviceChannels; ++c) {
            const float v = std::clamp(frames[f * Channels + side + c], -1.0f, 1.0f);
            out[2 * f + c] = qint16(std::lrint(v * 32767.0f));
        }
    }
}

qint64 PreviewStream::writeData(const char *, qint64)
{
    return -1;
}
