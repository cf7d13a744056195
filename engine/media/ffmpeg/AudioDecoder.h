#pragma once

#include "base/FirstError.h"
#include "media/FFmpegPointers.h"
#include "media/ffmpeg/LostAudio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QString>

#include <functional>
#include <optional>

// Decodes one audio stream. A damaged packet is skipped, as players do, and
// counted; where audio was lost (see LostAudio), the next frame says how
// much.
class AudioDecoder : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioDecoder)

public:
    // Takes a decoded frame and the seconds of audio missing before it;
    // returns false to stop.
    using FrameSink = std::function<bool(const AVFrame *frame, double gapSeconds)>;

    // False when the stream cannot be decoded; error() says why.
    // containerBitRate: of the whole file, bits a second (0: unknown).
    bool open(const AVStream *stream, const QString &sourceName, long long containerBitRate = 0);

    // Decodes a packet of the stream (null: the end of the stream, and the
    // decoder gives out what it holds) and hands on every frame. False when
    // the sink stopped or decoding failed (error() then says why).
    bool decode(const AVPacket *packet, const FrameSink &sink);
    // Forgets what it holds, after a seek.
    void flush();

    int damagedPackets() const { return m_lost ? m_lost->refusedPackets() : 0; }
    // The audio lost to damage, and made up with silence.
    double lostSeconds() const { return m_lost ? m_lost->lostSeconds() : 0.0; }
    // The rate the stream declares.
    int sampleRate() const;
    // Whether the stream holds more than 16 bits a sample: lossless audio of
    // 24 or 32 bits, or floating point.
    bool highResolution() const;
    // Where the first frame begins, in seconds on the source's timeline; 0
    // before one came.
    double firstSeconds() const { return m_first < 0.0 ? 0.0 : m_first; }
    // How far the frames have come on the source's timeline, from the first
    // one's start, in seconds.
    double timelineSeconds() const
    {
        return m_lost && m_lost->reached() >= 0.0 ? m_lost->reached() - firstSeconds() : 0.0;
    }

private:
    bool receive(const FrameSink &sink, bool draining);

    QString m_sourceName;
    const AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_decoder;
    ff::FramePtr m_frame;
    double m_first = -1.0;
    std::optional<LostAudio> m_lost;
};
