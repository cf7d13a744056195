#pragma once

#include "engine/FFmpegPointers.h"

#include "engine/TranslatableText.h"

#include <QString>

#include <mutex>
#include <vector>

// One output file. It is written under a hidden temporary name in the
// target folder (".Song.mp3.part-Xy12Ab"), locked while it is written, and
// takes its final name only once it is complete and on the disk, never in
// place of an existing file: a killed process leaves no file that looks
// finished. A temporary that is not finished is removed, and those that
// killed processes left behind are removed by the next output into their
// folder.
class OutputFile
{
    TW_DECLARE_TRANSLATABLE_TEXTS(OutputFile)

public:
    OutputFile() = default;
    // An output that was not finished is removed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the folder when missing, clears it of stale temporaries,
    // picks the first free one of folder/base.ext, folder/base_0.ext, ...
    // as the output's name and creates the temporary exclusively; the
    // extension chooses the container.
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
    // Trailer, then everything is on the disk, and the file takes its name
    // (the next free one when another file took it meanwhile).
    bool finish();
    // The two halves of finish(): the file complete on the disk under its
    // temporary name (it can be read there), then its final name.
    bool complete();
    bool publish();
    // Closes and removes the temporary.
    void discard();

    // The output's name: the one it is meant to get while it is written,
    // the one it got once finished.
    QString path() const { return m_path; }
    QString temporaryPath() const { return m_temporaryPath; }
    TranslatableText error() const { return m_error; }

    // The first of folder/base.ext, folder/base_0.ext, ... that names
    // neither a file nor a folder. Reads the file system only.
    static QString freeName(const QString &folder, const QString &baseName, const QString &extension);
    // folder/base.ext when a file has that name, else an empty string.
    static QString existing(const QString &folder, const QString &baseName, const QString &extension);

private:
    bool fail(const TranslatableText &message);
    bool failWrite(int code);
    bool pickName();
    bool createTemporary();
    bool takeFinalName();
    void close();
    void forgetTemporary();

    static int writeData(void *opaque, uint8_t *data, int size);
    static int64_t seekData(void *opaque, int64_t offset, int whence);

    QString m_folder;
    QString m_baseName;
    QString m_extension;
    int m_nameMax = 255;  // bytes in a name, in this folder's file system
    QString m_path;
    QString m_temporaryPath;
    QByteArray m_liveKey;  // the temporary's entry among this process's live ones
    std::mutex m_writing;  // an encoder's thread and the copying thread share the muxer
    std::vector<ff::PacketPtr> m_pictures;  // stream_index set to their output stream
    int m_fd = -1;
    int m_errno = 0;  // the first failed write or seek
    bool m_finished = false;
    // The container goes before the I/O context it writes to.
    ff::CustomIoContextPtr m_io;
    ff::OutputFormatPtr m_container;
    TranslatableText m_error;
};
