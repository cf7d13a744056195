#pragma once

#include "engine/FFmpegPointers.h"
#include "engine/TranslatableText.h"

#include <QString>

// The input stage: opens a source, picks its best audio stream and decodes
// it frame by frame, to the end, the decoder's held frames included.
class AudioInput
{
    TW_DECLARE_TRANSLATABLE_TEXTS(AudioInput)

public:
    enum class Read { Frame, End, Failed };

    // False when the source cannot be opened or has no audio that can be
    // decoded; error() says why.
    bool open(const QString &path);

    // Decodes the next frame, which frame() then holds until the next call.
    Read next();
    const AVFrame *frame() const { return m_frame.get(); }

    // Seconds of audio the source says it holds; 0 when it does not say.
    double durationSeconds() const { return m_duration; }
    // How far the decoding has come, from 0 to 1: by time where the
    // duration is known, else by bytes read.
    double position() const;

    AVFormatContext *container() const { return m_input.get(); }
    AVStream *stream() const { return m_stream; }
    TranslatableText error() const { return m_error; }

private:
    bool fail(const TranslatableText &message);
    // Feeds the decoder the next packet of our stream, or the end of the
    // stream once the source has no more.
    void feed();

    QString m_path;
    ff::InputFormatPtr m_input;
    AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_decoder;
    ff::PacketPtr m_packet;
    ff::FramePtr m_frame;
    double m_duration = 0.0;
    double m_seconds = 0.0;  // where the last frame began
    bool m_drained = false;  // the decoder was told the stream ended
    TranslatableText m_error;
};
