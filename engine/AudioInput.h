#pragma once

#include "engine/FFmpegPointers.h"

#include <QCoreApplication>
#include <QString>

// The input stage: opens a source, picks its best audio stream and decodes
// it frame by frame, to the end, the decoder's held frames included.
class AudioInput
{
    Q_DECLARE_TR_FUNCTIONS(AudioInput)

public:
    enum class Read { Frame, End, Failed };

    // False when the source cannot be opened or has no audio that can be
    // decoded; error() says why.
    bool open(const QString &path);

    // Decodes the next frame, which frame() then holds until the next call.
    // A damaged packet is skipped, as players do, and counted.
    Read next();
    const AVFrame *frame() const { return m_frame.get(); }
    // Seconds of audio missing before frame() because damaged packets were
    // skipped there; 0 where nothing is missing.
    double gapBefore() const { return m_gap; }

    // Packets the decoder refused as damaged, and the audio lost with them.
    int damagedPackets() const { return m_damaged; }
    double damagedSeconds() const { return m_damagedSeconds; }

    // The audio's sample rate as the source declares it.
    int sampleRate() const;
    // Whether the source holds more than 16 bits a sample: lossless audio of
    // 24 or 32 bits, or floating point.
    bool highResolution() const;

    // Seconds of audio the source says it holds; 0 when it does not say.
    double durationSeconds() const { return m_duration; }
    // How far the decoding has come, from 0 to 1: by time where the
    // duration is known, else by bytes read.
    double position() const;

    AVFormatContext *container() const { return m_input.get(); }
    AVStream *stream() const { return m_stream; }
    QString error() const { return m_error; }

private:
    bool fail(const QString &message);
    // Feeds the decoder the next packet of our stream, or the end of the
    // stream once the source has no more.
    void feed();
    void countDamage(double seconds);

    QString m_path;
    ff::InputFormatPtr m_input;
    AVStream *m_stream = nullptr;
    ff::CodecContextPtr m_decoder;
    ff::PacketPtr m_packet;
    ff::FramePtr m_frame;
    double m_duration = 0.0;
    double m_seconds = 0.0;  // where the last frame began
    double m_expected = -1.0;  // where the next frame should begin, from the last
    double m_packetSeconds = 0.0;  // the last packet's duration
    double m_gap = 0.0;
    int m_damaged = 0;
    int m_damagedBeforeFrame = 0;  // m_damaged when the last frame came
    double m_damagedSeconds = 0.0;
    bool m_drained = false;  // the decoder was told the stream ended
    QString m_error;
};
