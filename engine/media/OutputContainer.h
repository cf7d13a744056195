#pragma once

#include "base/FirstError.h"
#include "media/FFmpegPointers.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <vector>

class OutputFormat;
class Packet;
class SourceFile;
struct AVDictionary;
struct AVStream;

// The container of one output, written into a file descriptor that someone
// else owns (see files/OutputFile): its streams, tags, chapters and header,
// the packets of every stream in order, and the trailer.
class OutputContainer : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(OutputContainer)

public:
    OutputContainer() = default;
    ~OutputContainer();
    OutputContainer(const OutputContainer &) = delete;
    OutputContainer &operator=(const OutputContainer &) = delete;

    // The container a video keeps: the source's where it holds the format
    // (mp4 and mov hold AAC and mp3), else Matroska, which holds any; its
    // file name extension.
    static QString videoExtension(const SourceFile &source, const OutputFormat &format);

    // A container for `format`, or for a video (whose container the path's
    // extension chooses), written to `fd`; `path` is the name the output is
    // meant to get, for messages.
    bool open(int fd, const QString &path, const OutputFormat &format, bool video);

    // A copy of an attached picture (cover art) of the source, where the
    // format holds pictures; it is written right after the header, or with
    // the tags. False for a picture that cannot be kept: one so damaged that
    // its size cannot be read.
    bool addPicture(const SourceFile &source, int stream);
    // A stream whose packets are copied as they are (video, subtitles,
    // attachments), with its disposition and tags; false when the container
    // cannot hold it.
    bool addCopyOf(const SourceFile &source, int stream);
    // Whether a stream of the source is copied.
    bool copies(int stream) const
    {
        return stream >= 0 && size_t(stream) < m_copies.size() && m_copies[size_t(stream)];
    }
    // The source's tags (the container's and its audio stream's), less those
    // that only described its samples, and its chapters.
    void copyTags(const SourceFile &source, int audioStream);
    void copyChapters(const SourceFile &source);
    // The note of the retuning, where the format keeps it.
    void addTuningNote(const QString &note);
    bool writeHeader();

    // A packet of a stream added with addCopyOf, in its place on the
    // output's timeline.
    bool writeCopy(Packet &packet);
    // A packet whose timestamps are in its stream's time base, in order with
    // the other streams' packets. Safe from several threads.
    bool writePacket(AVPacket *packet);
    // What the muxer still holds, then the trailer: the file is whole (but
    // not yet on the disk).
    bool finish();
    // Lets go of the file descriptor, written or not.
    void close();

    QString path() const { return m_path; }

    // For this library's own classes.
    AVFormatContext *container() const { return m_container.get(); }

private:
    // Where the tags go: the container's, or the audio stream's.
    AVDictionary **tags() const;
    bool failWrite(int code);
    static int writeData(void *opaque, uint8_t *data, int size);
    static int64_t seekData(void *opaque, int64_t offset, int whence);

    QString m_path;
    const OutputFormat *m_format = nullptr;
    bool m_video = false;
    int m_fd = -1;
    int m_errno = 0;  // the first failed write or seek
    std::mutex m_writing;  // an encoder's thread and the copying thread share the muxer
    std::vector<ff::PacketPtr> m_pictures;  // stream_index set to their output stream
    std::vector<QByteArray> m_pictureComments;  // base64 picture blocks
    std::vector<AVStream *> m_copies;       // by the source's stream index
    const AVFormatContext *m_source = nullptr;  // of the copies
    // The container goes before the I/O context it writes to.
    ff::CustomIoContextPtr m_io;
    ff::OutputFormatPtr m_container;
};
