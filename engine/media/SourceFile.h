#pragma once

#include "base/FirstError.h"
#include "media/FFmpegPointers.h"

#include <QString>
#include <QStringList>

class Packet;

// A source as its container shows it: its streams and tags, and its packets
// one by one. Only regular files (or links to them) are read: a FIFO, a
// socket or a device would make a read wait for ever.
class SourceFile : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(SourceFile)

public:
    enum class Stream {
        Audio,
        Video,    // a moving picture
        Picture,  // an attached picture: cover art
        Subtitle,
        Attachment,
        Other
    };

    // False when the file cannot be opened or read as media; error() says
    // why.
    bool open(const QString &path);

    int streamCount() const;
    Stream stream(int index) const;
    // What a stream holds, in FFmpeg's words ("video", "h264"), for messages.
    QString streamTypeName(int index) const;
    QString codecName(int index) const;
    // The best audio stream's index, or -1 when there is none.
    int bestAudioStream() const { return m_bestAudio; }
    // Whether a moving picture is among the streams (cover art is not).
    bool hasVideo() const;
    // Whether the container is of the QuickTime family (mp4, mov, m4a).
    bool isQuickTime() const;
    // A tag's values: the container's, then the first stream's (where Ogg
    // keeps its tags).
    QStringList tagValues(const char *key) const;

    // The next packet of any stream; false at the end, or where the source
    // cannot be read any further (error() then says why).
    bool read(Packet &packet);
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
    // Where the start is on the timeline of the source's timestamps, in
    // seconds: what seek() counts from.
    double startSeconds() const;

    // The file's name, for messages.
    QString name() const { return m_name; }

    // For this library's own classes.
    AVFormatContext *container() const { return m_input.get(); }

private:
    bool openFile(const QString &path);
    static int readData(void *opaque, uint8_t *buffer, int size);
    static int64_t seekData(void *opaque, int64_t offset, int whence);

    struct Descriptor {
        int fd = -1;
        ~Descriptor();
    };

    QString m_name;
    QString m_path;
    qint64 m_size = -1;
    qint64 m_modifiedNs = -1;
    // Declared in the order they are made: the container goes first, then
    // the I/O context it reads through, then the file.
    Descriptor m_file;
    ff::CustomIoContextPtr m_io;
    ff::InputFormatPtr m_input;
    int m_bestAudio = -1;
    double m_duration = 0.0;  // seconds; 0 when the source does not say
    double m_seconds = 0.0;   // where the last packet of the best audio stream began
};
