#include "media/OutputContainer.h"

#include "media/OutputFormat.h"
#include "media/Packet.h"
#include "media/SourceFile.h"
#include "media/ffmpeg/PictureBlock.h"
#include "media/ffmpeg/Tags.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr int IoBufferBytes = 64 * 1024;
}

OutputContainer::~OutputContainer()
{
    close();
}

QString OutputContainer::videoExtension(const SourceFile &source, const OutputFormat &format)
{
    if (source.isQuickTime() && format.quickTimeVideo) {
        const bool mov = QFileInfo(source.name()).suffix().toLower() == QLatin1String("mov");
        return mov ? QStringLiteral("mov") : QStringLiteral("mp4");
    }
    return QStringLiteral("mkv");
}

bool OutputContainer::open(int fd, const QString &path, const OutputFormat &format, bool video)
{
    m_fd = fd;
    m_path = path;
    m_format = &format;
    m_video = video;
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

bool OutputContainer::addPicture(const SourceFile &source, int index)
{
    if (m_video || m_format->pictures == OutputFormat::Pictures::None)
        return true;
    const AVStream *from = source.container()->streams[index];
    if (!(from->disposition & AV_DISPOSITION_ATTACHED_PIC) || from->attached_pic.size <= 0)
        return true;
    // The muxers refuse a picture whose size they cannot tell, and with it
    // the whole file.
    if (from->codecpar->width <= 0 || from->codecpar->height <= 0)
        return false;
    if (m_format->pictures == OutputFormat::Pictures::VorbisComment) {
        const QByteArray block = PictureBlock::of(from);
        if (!block.isEmpty())
            m_pictureComments.push_back(block);
        return true;
    }
    AVStream *stream = avformat_new_stream(m_container.get(), nullptr);
    ff::PacketPtr picture(av_packet_clone(&from->attached_pic));
    if (!stream || !picture || avcodec_parameters_copy(stream->codecpar, from->codecpar) < 0)
        return false;
    stream->codecpar->codec_tag = 0;  // the source container's tag means nothing here
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    stream->time_base = AVRational{1, 90000};
    av_dict_copy(&stream->metadata, from->metadata, 0);
    picture->stream_index = stream->index;
    picture->pts = picture->dts = 0;
    m_pictures.push_back(std::move(picture));
    return true;
}

bool OutputContainer::addCopyOf(const SourceFile &source, int index)
{
    const AVStream *from = source.container()->streams[index];
    if (avformat_query_codec(m_container->oformat, from->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1)
        return false;
    AVStream *stream = avformat_new_stream(m_container.get(), nullptr);
    if (!stream || avcodec_parameters_copy(stream->codecpar, from->codecpar) < 0)
        return false;
    // The source container's tag for the codec means nothing in another.
    stream->codecpar->codec_tag = 0;
    stream->time_base = from->time_base;
    stream->avg_frame_rate = from->avg_frame_rate;
    stream->r_frame_rate = from->r_frame_rate;
    stream->sample_aspect_ratio = from->sample_aspect_ratio;
    stream->disposition = from->disposition;
    av_dict_copy(&stream->metadata, from->metadata, 0);
    m_source = source.container();
    if (m_copies.size() < m_source->nb_streams)
        m_copies.resize(m_source->nb_streams, nullptr);
    m_copies[size_t(index)] = stream;
    return true;
}

// The Ogg muxer writes each stream's Vorbis comments from the stream's
// tags, into which it copies the container's without replacing any: a tag
// that is there several times (a picture each) has to be on the stream.
AVDictionary **OutputContainer::tags() const
{
    if (!m_video && m_format->pictures == OutputFormat::Pictures::VorbisComment) {
        for (unsigned i = 0; i < m_container->nb_streams; ++i) {
            if (m_container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                return &m_container->streams[i]->metadata;
        }
    }
    return &m_container->metadata;
}

void OutputContainer::copyTags(const SourceFile &source, int audioStream)
{
    const AVFormatContext *input = source.container();
    Tags::copy(input, audioStream >= 0 ? input->streams[audioStream] : nullptr, tags(), m_format->gains);
}

void OutputContainer::copyChapters(const SourceFile &source)
{
    const AVFormatContext *input = source.container();
    if (input->nb_chapters == 0)
        return;
    auto *chapters = static_cast<AVChapter **>(av_calloc(input->nb_chapters, sizeof(AVChapter *)));
    if (!chapters)
        return;
    m_container->chapters = chapters;
    for (unsigned i = 0; i < input->nb_chapters; ++i) {
        const AVChapter *from = input->chapters[i];
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

void OutputContainer::addTuningNote(const QString &note)
{
    // A video's container decides: Matroska takes tags of any name, mp4
    // and mov do not.
    const bool ownTag = m_video ? std::strcmp(m_container->oformat->name, "matroska") == 0
                                : m_format->note == OutputFormat::Note::Tag;
    Tags::addNote(tags(), note, ownTag);
}

bool OutputContainer::writeHeader()
{
    for (const QByteArray &block : m_pictureComments)
        av_dict_set(tags(), PictureBlock::Key, block.constData(), AV_DICT_MULTIKEY);
    m_pictureComments.clear();
    int r = avformat_write_header(m_container.get(), nullptr);
    // The muxers hold the audio back until they have every picture.
    for (ff::PacketPtr &picture : m_pictures) {
        if (r >= 0)
            r = av_write_frame(m_container.get(), picture.get());
    }
    m_pictures.clear();
    return r >= 0 || failWrite(r);
}

bool OutputContainer::writeCopy(Packet &copied)
{
    AVPacket *packet = copied.get();
    const int index = packet->stream_index;
    AVStream *copy = m_copies.at(size_t(index));
    av_packet_rescale_ts(packet, m_source->streams[index]->time_base, copy->time_base);
    packet->stream_index = copy->index;
    packet->pos = -1;
    return writePacket(packet);
}

bool OutputContainer::writePacket(AVPacket *packet)
{
    const std::lock_guard<std::mutex> lock(m_writing);
    const int r = av_interleaved_write_frame(m_container.get(), packet);
    return r >= 0 || failWrite(r);
}

bool OutputContainer::finish()
{
    // What the muxer still holds back for interleaving goes out first.
    int r = av_interleaved_write_frame(m_container.get(), nullptr);
    if (r >= 0)
        r = av_write_trailer(m_container.get());
    if (r >= 0) {
        avio_flush(m_io.get());
        r = m_io->error;
    }
    return r >= 0 || failWrite(r);
}

void OutputContainer::close()
{
    m_container.reset();
    m_io.reset();
    m_fd = -1;
}

bool OutputContainer::failWrite(int code)
{
    // A failed write tells its cause better than the muxer's code for it.
    if (m_errno != 0)
        code = AVERROR(m_errno);
    return fail(tr("%1 while writing “%2”.").arg(ff::errorText(code), m_path));
}

int OutputContainer::writeData(void *opaque, uint8_t *data, int size)
{
    auto *output = static_cast<OutputContainer *>(opaque);
    for (int done = 0; done < size;) {
        const ssize_t n = ::write(output->m_fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (output->m_errno == 0)
                output->m_errno = n < 0 ? errno : EIO;
            return AVERROR(output->m_errno);
        }
        done += int(n);
    }
    return size;
}

int64_t OutputContainer::seekData(void *opaque, int64_t offset, int whence)
{
    auto *output = static_cast<OutputContainer *>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ::lseek(output->m_fd, 0, SEEK_CUR);
        const off_t end = ::lseek(output->m_fd, 0, SEEK_END);
        ::lseek(output->m_fd, here, SEEK_SET);
        return end < 0 ? AVERROR(errno) : int64_t(end);
    }
    const off_t position = ::lseek(output->m_fd, off_t(offset), whence & ~AVSEEK_FORCE);
    if (position < 0) {
        if (output->m_errno == 0)
            output->m_errno = errno;
        return AVERROR(errno);
    }
    return int64_t(position);
}
