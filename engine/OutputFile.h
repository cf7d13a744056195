#pragma once

#include "engine/FFmpegPointers.h"
#include "engine/TranslatableText.h"

#include <QString>

// One output file: claims a free name in the target folder, holds the
// container the encoders' packets go into, and either completes the file or
// removes it. Never opens an existing file for writing.
class OutputFile
{
    TW_DECLARE_TRANSLATABLE_TEXTS(OutputFile)

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
    bool writeHeader();
    // Writes a packet whose timestamps are in its stream's time base.
    bool writePacket(AVPacket *packet);
    // Trailer, then everything is on the disk and the file is closed.
    bool finish();
    // Closes and removes the file.
    void discard();

    QString path() const { return m_path; }
    TranslatableText error() const { return m_error; }

    // The first of folder/base.ext, folder/base_0.ext, ... that names
    // neither a file nor a folder. Reads the file system only.
    static QString freeName(const QString &folder, const QString &baseName, const QString &extension);

private:
    bool fail(const TranslatableText &what, int code);
    void close();

    static int writeData(void *opaque, uint8_t *data, int size);
    static int64_t seekData(void *opaque, int64_t offset, int whence);

    QString m_path;
    int m_fd = -1;
    int m_errno = 0;  // the first failed write or seek
    bool m_created = false;
    bool m_finished = false;
    // The container goes before the I/O context it writes to.
    ff::CustomIoContextPtr m_io;
    ff::OutputFormatPtr m_container;
    TranslatableText m_error;
};
