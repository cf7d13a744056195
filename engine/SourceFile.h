#pragma once

#include "engine/FFmpegPointers.h"

#include "engine/TranslatableText.h"

#include <QDateTime>
#include <QString>

// A source as its container shows it: its streams, and its packets one by
// one.
class SourceFile
{
    TW_DECLARE_TRANSLATABLE_TEXTS(SourceFile)

public:
    // False when the file cannot be opened or read as media; error() says
    // why.
    bool open(const QString &path);

    AVFormatContext *container() const { return m_input.get(); }
    // The best audio stream's index, or -1 when there is none.
    int bestAudioStream() const { return m_bestAudio; }
    // Whether a moving picture is among the streams (cover art is not).
    bool hasVideo() const;

    // The next packet of any stream; false at the end, or where the source
    // cannot be read any further (error() then says why).
    bool read(AVPacket *packet);
    // Whether the file is no longer what was opened: shorter, longer or
    // written to since.
    bool changed() const;
    // Whether the source's own duration can be trusted (not a guess from
    // its bit rate).
    bool durationKnown() const;

    // How far the reading has come, from 0 to 1: by time where the source
    // says how long it is, else by bytes.
    double position() const;
    // Seconds of audio the source says it holds; 0 when it does not say.
    double durationSeconds() const { return m_duration; }
    // Goes to the key point at or before `seconds` (from the start).
    bool seek(double seconds);

    QString name() const { return m_name; }
    TranslatableText error() const { return m_error; }

private:
    bool fail(const TranslatableText &message);

    QString m_name;  // the file's name, for messages
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    ff::InputFormatPtr m_input;
    int m_bestAudio = -1;
    double m_duration = 0.0;  // seconds; 0 when the source does not say
    double m_seconds = 0.0;   // where the last packet of the best audio stream began
    TranslatableText m_error;
};
