#include "engine/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

namespace {

constexpr int IoBufferBytes = 64 * 1024;
// A temporary's name: "." + the output's name (shortened where it would be
// too long) + ".part-" + six random letters and digits.
constexpr char TemporaryMarker[] = ".part-";
constexpr int MarkerLength = sizeof TemporaryMarker - 1;
constexpr int RandomLength = 6;
constexpr char RandomLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

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

bool isTemporaryName(const char *name)
{
    const size_t length = std::strlen(name);
    const size_t tail = MarkerLength + RandomLength;
    if (name[0] != '.' || length < tail + 1 || std::strncmp(name + length - tail, TemporaryMarker, MarkerLength) != 0)
        return false;
    for (size_t i = length - RandomLength; i < length; ++i) {
        if (!std::strchr(RandomLetters, name[i]) || name[i] == '\0')
            return false;
    }
    return true;
}

// The temporaries this process is writing. Another process's are told by
// their lock; ours must be told apart without it, because where locks are
// emulated with POSIX record locks (NFS), a process's lock does not keep
// the process itself out.
struct LiveTemporaries
{
    // Held while a name is added, and while a stale one is checked and
    // removed, so that no name of ours is removed in between.
    std::mutex mutex;
    std::set<QByteArray> keys;  // see liveKey
};

LiveTemporaries &liveTemporaries()
{
    static LiveTemporaries live;
    return live;
}

// A temporary by its folder's device and inode, and its name.
QByteArray liveKey(const struct stat &folder, const QByteArray &name)
{
    return QByteArray::number(qulonglong(folder.st_dev)) + ':' + QByteArray::number(qulonglong(folder.st_ino)) + '/'
        + name;
}

// Removes the temporaries in a folder that no process holds: left by a
// process that was killed, or by a power cut.
void removeStaleTemporaries(const QByteArray &folder)
{
    const int directory = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return;
    struct stat folderStatus;
    std::unique_ptr<DIR, int (*)(DIR *)> listing(::fdopendir(directory), ::closedir);
    if (!listing || ::fstat(directory, &folderStatus) != 0) {
        if (!listing)
            ::close(directory);
        return;
    }
    LiveTemporaries &live = liveTemporaries();
    while (const dirent *entry = ::readdir(listing.get())) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const std::lock_guard<std::mutex> lock(live.mutex);
        if (live.keys.count(liveKey(folderStatus, QByteArray(entry->d_name))))
            continue;
        // Read-write: a lock emulated with record locks needs it.
        const int fd = ::openat(directory, entry->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened;
        struct stat named;
        // Locked by its writer: alive. Unlocked and still under that name:
        // stale (the lock is held while it is removed, so that a writer that
        // created it a moment ago sees it gone and makes another).
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(directory, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            ::unlinkat(directory, entry->d_name, 0);
        ::close(fd);
    }
}

} // namespace

OutputFile::~OutputFile()
{
    if (!m_finished)
        discard();
}

bool OutputFile::fail(const TranslatableText &message)
{
    m_error = message;
    return false;
}

bool OutputFile::failWrite(int code)
{
    // A failed write tells its cause better than the muxer's code for it.
    if (m_errno != 0)
        code = AVERROR(m_errno);
    return fail(tr("%1 while writing “%2”.").arg(ff::errorText(code), m_path));
}

QString OutputFile::freeName(const QString &folder, const QString &baseName, const QString &extension)
{
    QString directory = folder;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    const QString base = baseName.trimmed();

    // The multi-argument arg() substitutes in one pass, so a "%1" inside a
    // folder or file name is copied literally.
    // Any entry takes a name, a link to nothing included: the publishing
    // link() would fail on it.
    auto taken = [](const QString &path) {
        struct stat status;
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
    };
    QString candidate = QStringLiteral("%1%2.%3").arg(directory, base, extension);
    for (qint64 counter = 0; taken(candidate); ++counter)
        candidate = QStringLiteral("%1%2_%3.%4").arg(directory, base, QString::number(counter), extension);
    return candidate;
}

QString OutputFile::existing(const QString &folder, const QString &baseName, const QString &extension)
{
    const QString plain = QDir(folder).filePath(baseName.trimmed() + QLatin1Char('.') + extension);
    return QFileInfo(plain).isFile() ? plain : QString();
}

bool OutputFile::create(const QString &folder, const QString &baseName, const QString &extension)
{
    m_folder = folder;
    m_baseName = baseName;
    m_extension = extension;
    if (const int error = makeFolder(folder)) {
        m_path = folder;
        return fail(tr("Cannot create the folder “%1”: %2.").arg(folder, ff::errorText(AVERROR(error))));
    }
    const QByteArray encodedFolder = QFile::encodeName(folder);
    const long nameMax = ::pathconf(encodedFolder.constData(), _PC_NAME_MAX);
    m_nameMax = nameMax > 0 ? int(std::min(nameMax, 4096L)) : 255;
    removeStaleTemporaries(encodedFolder);
    if (!pickName() || !createTemporary())
        return false;

    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferBytes));
    m_io.reset(avio_alloc_context(buffer, IoBufferBytes, 1, this, nullptr, writeData, seekData));
    if (!m_io) {
        av_free(buffer);
        return fail(tr("Cannot create “%1”: %2.").arg(m_path, ff::errorText(AVERROR(ENOMEM))));
    }
    AVFormatContext *raw = nullptr;
    // The final name's extension chooses the container.
    const int r = avformat_alloc_output_context2(&raw, nullptr, nullptr, QFile::encodeName(m_path).constData());
    m_container.reset(raw);
    if (r < 0 || !raw) {
        return fail(
            tr("No container for “%1”: %2.").arg(m_path, ff::errorText(r < 0 ? r : AVERROR_MUXER_NOT_FOUND)));
    }
    m_container->pb = m_io.get();
    return true;
}

// The first free name, which must fit the file system as it is: a name cut
// short would be a different name.
bool OutputFile::pickName()
{
    const QString plain = m_baseName.trimmed() + QLatin1Char('.') + m_extension;
    m_path = freeName(m_folder, m_baseName, m_extension);
    const QString name = QFileInfo(m_path).fileName();
    const int bytes = QFile::encodeName(name).size();
    if (bytes <= m_nameMax)
        return true;
    if (name == plain) {
        return fail(tr("The output name “%1” is too long: %2 bytes, of the %3 a name may have here.")
                        .arg(name, QString::number(bytes), QString::number(m_nameMax)));
    }
    return fail(
        tr("“%1” exists, and the next free name, “%2”, is too long: %3 bytes, of the %4 a name may have here.")
            .arg(plain, name, QString::number(bytes), QString::number(m_nameMax)));
}

bool OutputFile::createTemporary()
{
    // The output's name, its start kept where the whole would be too long.
    QByteArray prefix = '.' + QFile::encodeName(QFileInfo(m_path).fileName());
    const int room = m_nameMax - MarkerLength - RandomLength;
    if (prefix.size() > room) {
        int cut = room;
        while (cut > 1 && (uchar(prefix.at(cut)) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 sequence
        prefix.truncate(cut);
    }
    const QByteArray folder = QFile::encodeName(m_folder) + '/';
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(tr("Cannot create “%1”: %2.").arg(m_path, ff::errorText(AVERROR(errno))));

    LiveTemporaries &live = liveTemporaries();
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = prefix + TemporaryMarker;
        for (int i = 0; i < RandomLength; ++i)
            name += RandomLetters[QRandomGenerator::global()->bounded(int(sizeof RandomLetters - 1))];
        const QByteArray key = liveKey(folderStatus, name);
        {
            const std::lock_guard<std::mutex> lock(live.mutex);
            if (!live.keys.insert(key).second)
                continue;
        }
        const QByteArray path = folder + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int error = errno;
        if (fd >= 0) {
            // Held until the file has its final name or is gone; a stale
            // temporary is one whose lock nobody holds. Where the file
            // system has no locks, nothing is ever taken for stale.
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
            struct stat status;
            if (::fstat(fd, &status) == 0 && status.st_nlink > 0) {
                m_fd = fd;
                m_temporaryPath = QFile::decodeName(path);
                m_liveKey = key;
                return true;
            }
            ::close(fd);  // taken for stale by another process before the lock
        }
        {
            const std::lock_guard<std::mutex> lock(live.mutex);
            live.keys.erase(key);
        }
        if (fd < 0 && error != EEXIST)
            return fail(tr("Cannot create “%1”: %2.").arg(m_path, ff::errorText(AVERROR(error))));
    }
    return fail(tr("Cannot create “%1”: %2.").arg(m_path, ff::errorText(AVERROR(EEXIST))));
}

void OutputFile::addPicture(const AVStream *source)
{
    // ID3v2 (APIC), FLAC (picture blocks) and iTunes MP4 (covr) hold
    // pictures; RIFF wave does not.
    const char *name = m_container->oformat->name;
    if (std::strcmp(name, "mp3") != 0 && std::strcmp(name, "flac") != 0 && std::strcmp(name, "ipod") != 0)
        return;
    if (!(source->disposition & AV_DISPOSITION_ATTACHED_PIC) || source->attached_pic.size <= 0)
        return;
    AVStream *stream = avformat_new_stream(m_container.get(), nullptr);
    ff::PacketPtr picture(av_packet_clone(&source->attached_pic));
    if (!stream || !picture || avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0)
        return;
    stream->codecpar->codec_tag = 0;  // the source container's tag means nothing here
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    stream->time_base = AVRational{1, 90000};
    av_dict_copy(&stream->metadata, source->metadata, 0);
    picture->stream_index = stream->index;
    picture->pts = picture->dts = 0;
    m_pictures.push_back(std::move(picture));
}

AVStream *OutputFile::addCopyOf(const AVStream *source)
{
    if (avformat_query_codec(m_container->oformat, source->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1)
        return nullptr;
    AVStream *stream = avformat_new_stream(m_container.get(), nullptr);
    if (!stream || avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0)
        return nullptr;
    // The source container's tag for the codec means nothing in another.
    stream->codecpar->codec_tag = 0;
    stream->time_base = source->time_base;
    stream->avg_frame_rate = source->avg_frame_rate;
    stream->r_frame_rate = source->r_frame_rate;
    stream->sample_aspect_ratio = source->sample_aspect_ratio;
    stream->disposition = source->disposition;
    av_dict_copy(&stream->metadata, source->metadata, 0);
    return stream;
}

void OutputFile::copyChapters(const AVFormatContext *source)
{
    if (source->nb_chapters == 0)
        return;
    auto *chapters = static_cast<AVChapter **>(av_calloc(source->nb_chapters, sizeof(AVChapter *)));
    if (!chapters)
        return;
    m_container->chapters = chapters;
    for (unsigned i = 0; i < source->nb_chapters; ++i) {
        const AVChapter *from = source->chapters[i];
        auto *chapter = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return;
        chapter->id = from->id;
        chapter->time_base = from->time_base;
        chapter->start = from->start;
        chapter->end = from->end;
        av_dict_copy(&chapter->metadata, from->metadata, 0);
        m_container->chapters[m_container->nb_chapters++] = chapter;
    }
}

bool OutputFile::writeHeader()
{
    int r = avformat_write_header(m_container.get(), nullptr);
    // The muxers hold the audio back until they have every picture.
    for (ff::PacketPtr &picture : m_pictures) {
        if (r >= 0)
            r = av_write_frame(m_container.get(), picture.get());
    }
    m_pictures.clear();
    return r >= 0 || failWrite(r);
}

bool OutputFile::writePacket(AVPacket *packet)
{
    const std::lock_guard<std::mutex> lock(m_writing);
    const int r = av_interleaved_write_frame(m_container.get(), packet);
    return r >= 0 || failWrite(r);
}

bool OutputFile::finish()
{
    return complete() && publish();
}

bool OutputFile::complete()
{
    // What the muxer still holds back for interleaving goes out first.
    int r = av_interleaved_write_frame(m_container.get(), nullptr);
    if (r >= 0)
        r = av_write_trailer(m_container.get());
    if (r >= 0) {
        avio_flush(m_io.get());
        r = m_io->error;
    }
    if (r >= 0 && ::fsync(m_fd) != 0)
        r = AVERROR(errno);
    return r >= 0 || failWrite(r);
}

bool OutputFile::publish()
{
    if (!takeFinalName())
        return false;
    m_finished = true;
    close();
    forgetTemporary();
    return true;
}

// Gives the complete temporary its name without ever replacing a file:
// renameat2 where the file system can refuse to replace, else a second
// link, else (no hard links either) a rename once the name was seen free.
bool OutputFile::takeFinalName()
{
    const QByteArray from = QFile::encodeName(m_temporaryPath);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray to = QFile::encodeName(m_path);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return true;
        int error = errno;
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            if (::link(from.constData(), to.constData()) == 0) {
                ::unlink(from.constData());
                return true;
            }
            error = errno;
            struct stat status;
            if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP) {
                if (::lstat(to.constData(), &status) != 0 && errno == ENOENT) {
                    if (::rename(from.constData(), to.constData()) == 0)
                        return true;
                    error = errno;
                } else {
                    error = EEXIST;
                }
            }
        }
        if (error != EEXIST) {
            return fail(tr("Cannot give the finished output its name “%1”: %2.")
                            .arg(m_path, ff::errorText(AVERROR(error))));
        }
        if (!pickName())
            return false;
    }
    return fail(tr("Cannot give the finished output its name “%1”: %2.")
                    .arg(m_path, ff::errorText(AVERROR(EEXIST))));
}

void OutputFile::discard()
{
    m_container.reset();
    m_io.reset();
    // Only ever the temporary this object created, removed while it is
    // still locked.
    if (!m_finished && m_fd >= 0)
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
    close();
    forgetTemporary();
}

void OutputFile::close()
{
    m_container.reset();
    m_io.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void OutputFile::forgetTemporary()
{
    if (m_liveKey.isEmpty())
        return;
    LiveTemporaries &live = liveTemporaries();
    const std::lock_guard<std::mutex> lock(live.mutex);
    live.keys.erase(m_liveKey);
    m_liveKey.clear();
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
