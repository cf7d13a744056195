#include "media/SourceFile.h"

#include "media/Packet.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Nanoseconds since the epoch, or -1. Read with stat(), not as a local date:
// the time zone is not this thread's to load while other files convert.
qint64 modifiedNs(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

constexpr int IoBufferBytes = 64 * 1024;

} // namespace

SourceFile::Descriptor::~Descriptor()
{
    if (fd >= 0)
        ::close(fd);
}

// Opens the file itself, never waiting: what is not a regular file is
// refused before anything reads from it.
bool SourceFile::openFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        const QString kind = S_ISDIR(status.st_mode)    ? tr("a folder")
                             : S_ISFIFO(status.st_mode) ? tr("a FIFO (named pipe)")
                             : S_ISSOCK(status.st_mode) ? tr("a socket")
                                                        : tr("a device");
        return fail(tr("“%1” is %2, not a file: only files are read.").arg(m_name, kind));
    }
    m_file.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_file.fd < 0)
        return fail(tr("Cannot open “%1”: %2.").arg(m_name, QString::fromLocal8Bit(std::strerror(errno))));
    // Replaced by something else between the look and the open.
    if (::fstat(m_file.fd, &status) != 0 || !S_ISREG(status.st_mode))
        return fail(tr("“%1” is not a file: only files are read.").arg(m_name));
    m_size = qint64(status.st_size);
    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferBytes));
    m_io.reset(avio_alloc_context(buffer, IoBufferBytes, 0, this, readData, nullptr, seekData));
    if (!m_io) {
        av_free(buffer);
        return fail(tr("Cannot open “%1”: %2.").arg(m_name, ff::errorText(AVERROR(ENOMEM))));
    }
    return true;
}

int SourceFile::readData(void *opaque, uint8_t *buffer, int size)
{
    const int fd = static_cast<SourceFile *>(opaque)->m_file.fd;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return AVERROR(errno);
        return n == 0 ? AVERROR_EOF : int(n);
    }
}

int64_t SourceFile::seekData(void *opaque, int64_t offset, int whence)
{
    const int fd = static_cast<SourceFile *>(opaque)->m_file.fd;
    if (whence & AVSEEK_SIZE) {
        struct stat status;
        return ::fstat(fd, &status) == 0 ? int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return position < 0 ? AVERROR(errno) : int64_t(position);
}

bool SourceFile::open(const QString &path)
{
    const QFileInfo info(path);
    m_name = info.fileName();
    m_path = path;
    m_modifiedNs = modifiedNs(path);
    if (!openFile(path))
        return false;
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return fail(tr("Cannot open “%1”: %2.").arg(m_name, ff::errorText(AVERROR(ENOMEM))));
    raw->pb = m_io.get();
    // The name still helps FFmpeg tell formats apart by their extension.
    int r = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
    // FFmpeg's word for a file it cannot make sense of is "invalid data" or,
    // from some demuxers, "invalid argument": neither tells a user why.
    if (r == AVERROR_INVALIDDATA || r == AVERROR(EINVAL)) {
        return fail(tr("Cannot open “%1”: it is not an audio or video file that can be read (%2).")
                        .arg(m_name, ff::errorText(r)));
    }
    // A damaged index can ask for more memory than any machine has.
    if (r == AVERROR(ENOMEM))
        return fail(tr("Cannot open “%1”: it seems damaged (reading it asks for more memory than there is).")
                        .arg(m_name));
    if (r < 0)
        return fail(tr("Cannot open “%1”: %2.").arg(m_name, ff::errorText(r)));
    m_input.reset(raw);
    if ((r = avformat_find_stream_info(m_input.get(), nullptr)) == AVERROR(ENOMEM))
        return fail(tr("Cannot read “%1”: it seems damaged (reading it asks for more memory than there is).")
                        .arg(m_name));
    if (r < 0)
        return fail(tr("Cannot read “%1”: %2.").arg(m_name, ff::errorText(r)));
    m_bestAudio = std::max(-1, av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0));

    // The audio's own duration, else the container's.
    const AVStream *audio = m_bestAudio >= 0 ? m_input->streams[m_bestAudio] : nullptr;
    if (audio && audio->duration != AV_NOPTS_VALUE && audio->duration > 0)
        m_duration = double(audio->duration) * av_q2d(audio->time_base);
    else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        m_duration = double(m_input->duration) / AV_TIME_BASE;
    return true;
}

int SourceFile::streamCount() const
{
    return m_input ? int(m_input->nb_streams) : 0;
}

SourceFile::Stream SourceFile::stream(int index) const
{
    const AVStream *stream = m_input->streams[index];
    switch (stream->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
        return Stream::Audio;
    case AVMEDIA_TYPE_VIDEO:
        return stream->disposition & AV_DISPOSITION_ATTACHED_PIC ? Stream::Picture : Stream::Video;
    case AVMEDIA_TYPE_SUBTITLE:
        return Stream::Subtitle;
    case AVMEDIA_TYPE_ATTACHMENT:
        return Stream::Attachment;
    default:
        return Stream::Other;
    }
}

QString SourceFile::streamTypeName(int index) const
{
    const char *name = av_get_media_type_string(m_input->streams[index]->codecpar->codec_type);
    return QString::fromLatin1(name ? name : "unknown");
}

QString SourceFile::codecName(int index) const
{
    return QString::fromLatin1(avcodec_get_name(m_input->streams[index]->codecpar->codec_id));
}

bool SourceFile::hasVideo() const
{
    for (int i = 0; i < streamCount(); ++i) {
        if (stream(i) == Stream::Video)
            return true;
    }
    return false;
}

bool SourceFile::isQuickTime() const
{
    return std::strstr(m_input->iformat->name, "mp4") != nullptr;
}

QStringList SourceFile::tagValues(const char *key) const
{
    QStringList values;
    const AVDictionary *streamTags = m_input->nb_streams > 0 ? m_input->streams[0]->metadata : nullptr;
    for (const AVDictionary *tags : {const_cast<const AVDictionary *>(m_input->metadata), streamTags}) {
        if (const AVDictionaryEntry *entry = av_dict_get(tags, key, nullptr, 0))
            values << QString::fromUtf8(entry->value);
    }
    return values;
}

bool SourceFile::read(Packet &next)
{
    AVPacket *packet = next.get();
    av_packet_unref(packet);
    const int r = av_read_frame(m_input.get(), packet);
    if (r < 0) {
        if (r != AVERROR_EOF)
            fail(tr("Reading “%1” failed: %2.").arg(m_name, ff::errorText(r)));
        return false;
    }
    if (packet->stream_index == m_bestAudio && packet->pts != AV_NOPTS_VALUE) {
        const AVStream *audio = m_input->streams[m_bestAudio];
        m_seconds = double(packet->pts - std::max<int64_t>(0, audio->start_time == AV_NOPTS_VALUE ? 0
                                                                                                 : audio->start_time))
                    * av_q2d(audio->time_base);
    }
    return true;
}

bool SourceFile::changed() const
{
    const QFileInfo now(m_path);
    return !now.exists() || now.size() != m_size || modifiedNs(m_path) != m_modifiedNs;
}

bool SourceFile::durationKnown() const
{
    return m_duration > 0.0 && m_input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
}

bool SourceFile::seek(double seconds)
{
    const int64_t start = m_input->start_time == AV_NOPTS_VALUE ? 0 : m_input->start_time;
    return av_seek_frame(m_input.get(), -1, start + int64_t(seconds * AV_TIME_BASE), AVSEEK_FLAG_BACKWARD) >= 0;
}

double SourceFile::startSeconds() const
{
    return m_input->start_time == AV_NOPTS_VALUE ? 0.0 : double(m_input->start_time) / AV_TIME_BASE;
}

double SourceFile::position() const
{
    if (m_duration > 0.0)
        return std::clamp(m_seconds / m_duration, 0.0, 1.0);
    AVIOContext *io = m_input ? m_input->pb : nullptr;
    const int64_t size = io ? avio_size(io) : -1;
    if (size <= 0)
        return 0.0;
    return std::clamp(double(avio_tell(io)) / double(size), 0.0, 1.0);
}
