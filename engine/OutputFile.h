#pragma once

#include "engine/FFmpegPointers.h"

#include <QCoreApplication>
#include <QString>

#include <mutex>
#include <vector>

// One output file: claims a free name in the target folder, holds the
// container the encoders' packets go into, and either completes the file or
// removes it. Never opens an existing file for writing.
class OutputFile
{
    Q_DECLARE_TR_FUNCTIONS(OutputFile)

public:
    OutputFile() = default;
    // An output that was not finished is removed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the folder when missing and the first free one of
    // folder/base.ext, folder/base_0.ext, folder/base_1.ext, ... exclusively;
    // the extension chooses the container.
    bool create(const QString &folder, const QString &baseName, const QString &extension);

    // The container, for adding streams and tags before the header.
    AVFormatContext *container() const { return m_container.get(); }
    // Adds a copy of an attached picture (cover art) where the container
    // holds pictures; it is written right after the header.
    void addPicture(const AVStream *source);
    // Adds a stream whose packets are copied as they are (video, subtitles,
    // attachments), with its disposition and tags; null when the container
    // cannot hold it.
    AVStream *addCopyOf(const AVStream *source);
    // Takes over the source's chapters (before the header).
    void copyChapters(const AVFormatContext *source);
    bool writeHeader();
    // Writes a packet whose timestamps are in its stream's time base, in
    // order with the other streams' packets. Safe from several threads.
    bool writePacket(AVPacket *packet);
    // Trailer, then everything is on the disk and the file is closed.
    bool finish();
    // Closes and removes the file.
    void discard();

    QString path() const { return m_path; }
    QString error() const { return m_error; }

    // The first of folder/base.ext, folder/base_0.ext, ... that names
    // neither a file nor a folder. Reads the file system only.
    static QString freeName(const QString &folder, const QString &baseName, const QString &extension);

private:
    bool fail(const QString &what, int code);
    void close();

    static int writeData(void *opaque, uint8_t *data, int size);
    static int64_t seekData(void *opaque, int64_t offset, int whence);

    QString m_path;
    std::mutex m_writing;  // an encoder's thread and the copying thread share the muxer
    std::vector<ff::PacketPtr> m_pictures;  // stream_index set to their output stream
    int m_fd = -1;
    int m_errno = 0;  // the first failed write or seek
    bool m_created = false;
    bool m_finished = false;
    // The container goes before the I/O context it writes to.
    ff::CustomIoContextPtr m_io;
    ff::OutputFormatPtr m_container;
    QString m_error;
};
