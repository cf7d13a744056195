#include "media/ffmpeg/LostAudio.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <algorithm>

namespace {

// Without a refused packet, a jump of up to a frame and a half is the
// timestamps' own rounding or oddity (Vorbis's frames of two sizes, chained
// Ogg streams): a frame lost alone goes unnoticed, a run of them is made up.
constexpr double LeastJumpFrames = 1.5;
constexpr double LeastGapSeconds = 0.001;
// The bytes between two frames may have held this much more than the
// container's average says.
constexpr double ByteRateMargin = 1.5;

} // namespace

LostAudio::LostAudio(AVRational timeBase, long long containerBitRate)
    : m_timeBase(timeBase)
    , m_containerBytesPerSecond(containerBitRate > 0 ? double(containerBitRate) / 8.0 : 0.0)
{
}

double LostAudio::bytesToSeconds(long long bytes, double bytesPerSecond) const
{
    return bytesPerSecond > 0.0 ? double(bytes) / bytesPerSecond : 0.0;
}

void LostAudio::sent(const AVPacket *packet, bool refused)
{
    const double seconds = packet->duration > 0 ? double(packet->duration) * av_q2d(m_timeBase) : 0.0;
    m_lastPacketSeconds = seconds;
    m_lastPacketSize = packet->size;
    if (packet->pos >= 0)
        m_lastPacketEnd = packet->pos + packet->size;
    if (!refused) {
        m_goodBytes += packet->size;
        m_goodSeconds += seconds;
        return;
    }
    ++m_refused;
    m_refusedSeconds += seconds;
    m_refusedBytesSeconds +=
        std::max(seconds, bytesToSeconds(packet->size, m_goodSeconds > 0.0 ? m_goodBytes / m_goodSeconds : 0.0));
}

void LostAudio::frameRefused()
{
    // The packet was taken, but what it held is lost all the same.
    ++m_refused;
    m_refusedSeconds += m_lastPacketSeconds;
    m_refusedBytesSeconds += m_lastPacketSeconds;
    m_goodBytes -= std::min<long long>(m_goodBytes, m_lastPacketSize);
    m_goodSeconds = std::max(0.0, m_goodSeconds - m_lastPacketSeconds);
}

double LostAudio::before(double seconds, int frames, int sampleRate)
{
    const double length = double(frames) / sampleRate;
    if (sampleRate != m_sampleRate)
        m_expected = -1.0;
    m_sampleRate = sampleRate;
    double lost = 0.0;
    if (seconds >= 0.0 && m_expected >= 0.0) {
        lost = std::max(0.0, seconds - m_expected);
        if (lost < LeastJumpFrames * length && m_refused == m_refusedAtFrame)
            lost = 0.0;
        // The refused packets' bytes tell more than their timestamps.
        if (m_refusedBytesSeconds > ByteRateMargin * std::max(lost, m_refusedSeconds) + length)
            lost = m_refusedBytesSeconds;
        // The faster of the two byte rates: the container's counts the other
        // streams' bytes too, but comes from a duration that may be wrong.
        const double bytesPerSecond =
            std::max(m_containerBytesPerSecond, m_goodSeconds > 0.0 ? m_goodBytes / m_goodSeconds : 0.0);
        if (m_lastPacketEnd >= 0 && m_endAtFrame >= 0 && bytesPerSecond > 0.0) {
            const long long bytes = std::max(0LL, m_lastPacketEnd - m_endAtFrame);
            lost = std::min(lost, ByteRateMargin * bytesToSeconds(bytes, bytesPerSecond));
        } else {
            // Without the bytes to go by, only what refused packets held.
            lost = std::min(lost, m_refusedBytesSeconds);
        }
        if (lost < LeastGapSeconds)
            lost = 0.0;
    }
    if (seconds >= 0.0) {
        m_expected = seconds + length;
        m_reached = std::max(m_reached, m_expected);
    }
    m_endAtFrame = m_lastPacketEnd;
    m_refusedAtFrame = m_refused;
    m_refusedSeconds = m_refusedBytesSeconds = 0.0;
    m_lostSeconds += lost;
    return lost;
}

void LostAudio::restart()
{
    m_expected = -1.0;
    m_reached = -1.0;
    m_endAtFrame = -1;
    m_refusedSeconds = m_refusedBytesSeconds = 0.0;
}
