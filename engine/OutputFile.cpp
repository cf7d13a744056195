#include "engine/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr int IoBufferBytes = 64 * 1024;

// Makes the folder and its missing parents; returns 0 or the errno of the
// step that failed, which QDir::mkpath would not tell.
int makeFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    for (int i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path.at(i) != '/')
            continue;
        if (::mkdir(path.left(i).constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat status;
    if (::stat(path.constData(), &status) != 0)
        return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

} // namespace

OutputFile::~OutputFile()
{
    if (!m_finished)
        discard();
}

bool OutputFile::fail(const TranslatableText &what, int code)
{
    // A failed write tells its cause better than the muxer's code for it.
    if (m_errno != 0)
        code = AVERROR(m_errno);
    m_error = tr("%1 “%2”: %3.").arg(what, m_path, ff::errorText(code));
    return false;
}

QString OutputFile::freeName(const QString &folder, const QString &baseName, const QString &extension)
{
    QString directory = folder;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    const QString base = baseName.trimmed();

    // The multi-argument arg() substitutes in one pass, so a "%1" inside a
    // folder or file name is copied literally.
    QString candidate = QStringLiteral("%1%2.%3").arg(directory, base, extension);
    for (qint64 counter = 0; QFileInfo::exists(candidate); ++counter)
        candidate = QStringLiteral("%1%2_%3.%4").arg(directory, base, QString::number(counter), extension);
    return candidate;
}

bool OutputFile::create(const QString &folder, const QString &baseName, const QString &extension)
{
    if (const int error = makeFolder(folder)) {
        m_path = folder;
        return fail(tr("Cannot create the folder"), AVERROR(error));
    }
    // The exclusive create claims the name: one taken in the meantime, by
    // another conversion or anyone, is skipped, never opened.
    for (int attempt = 0; m_fd < 0; ++attempt) {
        m_path = freeName(folder, baseName, extension);
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && (errno != EEXIST || attempt == 1000))
            return fail(tr("Cannot create"), AVERROR(errno));
    }
    m_created = true;

    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferBytes));
    m_io.reset(avio_alloc_context(buffer, IoBufferBytes, 1, this, nullptr, writeData, seekData));
    if (!m_io) {
        av_free(buffer);
        return fail(tr("Cannot create"), AVERROR(ENOMEM));
    }
    AVFormatContext *raw = nullptr;
    const int r = avformat_alloc_output_context2(&raw, nullptr, nullptr, QFile::encodeName(m_path).constData());
    m_container.reset(raw);
    if (r < 0 || !raw)
        return fail(tr("No container for"), r < 0 ? r : AVERROR_MUXER_NOT_FOUND);
    m_container->pb = m_io.get();
    return true;
}

bool OutputFile::writeHeader()
{
    const int r = avformat_write_header(m_container.get(), nullptr);
    return r >= 0 || fail(tr("Cannot write"), r);
}

bool OutputFile::writePacket(AVPacket *packet)
{
    const int r = av_write_frame(m_container.get(), packet);
    return r >= 0 || fail(tr("Cannot write"), r);
}

bool OutputFile::finish()
{
    int r = av_write_trailer(m_container.get());
    if (r >= 0) {
        avio_flush(m_io.get());
        r = m_io->error;
    }
    if (r >= 0 && ::fsync(m_fd) != 0)
        r = AVERROR(errno);
    if (r < 0)
        return fail(tr("Cannot write"), r);
    close();
    m_finished = true;
    return true;
}

void OutputFile::discard()
{
    close();
    // Only ever the file this object created.
    if (m_created && !m_finished)
        QFile::remove(m_path);
    m_created = false;
}

void OutputFile::close()
{
    m_container.reset();
    m_io.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int OutputFile::writeData(void *opaque, uint8_t *data, int size)
{
    auto *file = static_cast<OutputFile *>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t n = ::write(file->m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (file->m_errno == 0)
                file->m_errno = n < 0 ? errno : EIO;
            return AVERROR(file->m_errno);
        }
        done += int(n);
    }
    return size;
}

int64_t OutputFile::seekData(void *opaque, int64_t offset, int whence)
{
    auto *file = static_cast<OutputFile *>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ::lseek(file->m_fd, 0, SEEK_CUR);
        const off_t end = ::lseek(file->m_fd, 0, SEEK_END);
        ::lseek(file->m_fd, here, SEEK_SET);
        return end < 0 ? AVERROR(errno) : int64_t(end);
    }
    const off_t position = ::lseek(file->m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    if (position < 0) {
        if (file->m_errno == 0)
            file->m_errno = errno;
        return AVERROR(errno);
    }
    return int64_t(position);
}
