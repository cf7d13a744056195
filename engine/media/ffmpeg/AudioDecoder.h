#pragma once

#include "base/FirstError.h"
#include "media/FFmpegPointers.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QString>

#include <functional>

// Decodes one audio stream. A damaged packet is skipped, as players do, and
// counted; where the timestamps show that audio was lost with it, the next
// frame says how much.
class AudioDecoder : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioDecoder)

public:
    // Takes a decoded frame and the seconds of audio missing before it;
    // returns false to stop.
    using FrameSink = std::function<bool(const AVFrame *frame, double gapSeconds)>;

    // False when the stream cannot be decoded; error() says why.
    bool open(const AVStream *stream, const QString &sourceName);

    // Decodes a packet of the stream (null: the end of the stream, and the
    // decoder gives out what it holds) and hands on every frame. False when
    // the sink stopped or decoding failed (error() then says why).
    bool decode(const AVPacket *packet, const FrameSink &sink);
    // Forgets what it holds, after a seek.
    void flush();

    int damagedPackets() const { return m_damaged; }
    double damagedSeconds() const { return m_damagedSeconds; }
    // The rate the stream declares.
    int sampleRate() const;
    // Whether the stream holds more than 16 bits a sample: lossless audio of
    // 24 or 32 bits, or floating point.
    bool highResolution() const;
    // Where the first frame begins, in seconds on the source's timeline; 0
    // before one came.
    double firstSeconds() const { return m_first < 0.0 ? 0.0 : m_first; }

private:
    bool receive(const FrameSink &sink, bool draining);
    void countDamage();

    QString m_sourceName;
    const AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_decoder;
    ff::FramePtr m_frame;
    double m_first = -1.0;
    double m_expected = -1.0;      // where the next frame should begin, from the last
    double m_frameSeconds = 0.0;   // the last frame's duration
    double m_packetSeconds = 0.0;  // the last packet's duration
    int m_damaged = 0;
    int m_damagedBeforeFrame = 0;  // m_damaged when the last frame came
    double m_damagedSeconds = 0.0;
};
