#include "support/AudioFiles.h"

#include "engine/FFmpegPointers.h"
#include "engine/OutputFormat.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace AudioFiles {

namespace {

QString fail(const char *what, int code)
{
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), ff::errorText(code));
}

const AVCodec *encoderFor(AVCodecID id)
{
    // Pick LAME for mp3 the way the program does.
    for (int format = 0; const OutputFormat *entry = OutputFormat::find(format); ++format) {
        if (entry->codecId == id)
            return entry->findEncoder();
    }
    return avcodec_find_encoder(id);
}

int writePackets(AVCodecContext *encoder, AVFormatContext *container, AVStream *stream, AVPacket *packet)
{
    int r;
    while ((r = avcodec_receive_packet(encoder, packet)) >= 0) {
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        r = av_interleaved_write_frame(container, packet);
        if (r < 0)
            return r;
    }
    return r == AVERROR(EAGAIN) || r == AVERROR_EOF ? 0 : r;
}

// Encodes a grey picture sequence into the video stream.
QString writeVideo(AVFormatContext *container, AVStream *stream, AVCodecContext *encoder, double seconds)
{
    ff::FramePtr frame(av_frame_alloc());
    ff::PacketPtr packet(av_packet_alloc());
    if (!frame || !packet)
        return QStringLiteral("out of memory");
    frame->format = encoder->pix_fmt;
    frame->width = encoder->width;
    frame->height = encoder->height;
    int r = av_frame_get_buffer(frame.get(), 0);
    if (r < 0)
        return fail("no video frame buffer", r);
    const int frames = std::max(1, int(seconds * encoder->time_base.den));
    for (int i = 0; i <= frames; ++i) {
        const bool end = i == frames;
        if (!end) {
            if ((r = av_frame_make_writable(frame.get())) < 0)
                return fail("video frame not writable", r);
            for (int plane = 0; plane < 3; ++plane) {
                const int rows = plane == 0 ? frame->height : frame->height / 2;
                for (int y = 0; y < rows; ++y)
                    std::fill_n(frame->data[plane] + y * frame->linesize[plane], frame->linesize[plane], uint8_t(128));
            }
            // A bar that moves one step a picture: the frame counter.
            for (int y = 0; y < frame->height; ++y)
                frame->data[0][y * frame->linesize[0] + i % frame->width] = 235;
            frame->pts = i;
        }
        if ((r = avcodec_send_frame(encoder, end ? nullptr : frame.get())) < 0)
            return fail("video encoder refused a frame", r);
        if ((r = writePackets(encoder, container, stream, packet.get())) < 0)
            return fail("cannot write a video packet", r);
    }
    return {};
}

} // namespace

QString write(const QString &path, const AudioBuffer &audio, const WriteOptions &options)
{
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray fileName = path.toLocal8Bit();
    AVFormatContext *rawContainer = nullptr;
    int r = avformat_alloc_output_context2(&rawContainer, nullptr, nullptr, fileName.constData());
    if (r < 0)
        return fail("no container for the file name", r);
    ff::OutputFormatPtr container(rawContainer);
    const bool globalHeader = container->oformat->flags & AVFMT_GLOBALHEADER;

    std::vector<AVStream *> streams;
    std::vector<ff::CodecContextPtr> encoders;
    const AVCodec *codec = nullptr;
    for (int k = 0; k < (options.withoutAudio ? 0 : std::max(1, options.audioStreams)); ++k) {
        const AVCodecID codecId = options.codec != AV_CODEC_ID_NONE ? options.codec : container->oformat->audio_codec;
        codec = encoderFor(codecId);
        if (!codec)
            return QStringLiteral("no encoder");
        AVStream *stream = avformat_new_stream(container.get(), nullptr);
        ff::CodecContextPtr encoder(avcodec_alloc_context3(codec));
        if (!stream || !encoder)
            return QStringLiteral("out of memory");
        encoder->sample_fmt = options.sampleFormat != AV_SAMPLE_FMT_NONE ? options.sampleFormat
                              : codec->sample_fmts                       ? codec->sample_fmts[0]
                                                                         : AV_SAMPLE_FMT_S16;
        encoder->bits_per_raw_sample = options.bitsPerRawSample;
        encoder->sample_rate = audio.sampleRate;
        av_channel_layout_default(&encoder->ch_layout, audio.channels);
        encoder->bit_rate = options.bitRate;
        encoder->time_base = AVRational{1, audio.sampleRate};
        encoder->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
        if (options.frameSize > 0)
            encoder->frame_size = options.frameSize;
        if (globalHeader)
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(encoder.get(), codec, nullptr)) < 0)
            return fail("cannot open the encoder", r);
        if ((r = avcodec_parameters_from_context(stream->codecpar, encoder.get())) < 0)
            return fail("cannot describe the stream", r);
        stream->time_base = encoder->time_base;
        streams.push_back(stream);
        encoders.push_back(std::move(encoder));
    }

    AVStream *videoStream = nullptr;
    ff::CodecContextPtr videoEncoder;
    if (options.withVideo) {
        const AVCodec *videoCodec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        videoStream = avformat_new_stream(container.get(), nullptr);
        videoEncoder.reset(videoCodec ? avcodec_alloc_context3(videoCodec) : nullptr);
        if (!videoStream || !videoEncoder)
            return QStringLiteral("no video encoder");
        videoEncoder->width = 64;
        videoEncoder->height = 48;
        videoEncoder->pix_fmt = AV_PIX_FMT_YUV420P;
        videoEncoder->time_base = AVRational{1, 10};
        videoEncoder->framerate = AVRational{10, 1};
        videoEncoder->gop_size = 10;
        if (globalHeader)
            videoEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((r = avcodec_open2(videoEncoder.get(), videoCodec, nullptr)) < 0)
            return fail("cannot open the video encoder", r);
        if ((r = avcodec_parameters_from_context(videoStream->codecpar, videoEncoder.get())) < 0)
            return fail("cannot describe the video stream", r);
        videoStream->time_base = videoEncoder->time_base;
    }

    for (auto it = options.tags.cbegin(); it != options.tags.cend(); ++it)
        av_dict_set(&container->metadata, it.key().toUtf8().constData(), it.value().toUtf8().constData(), 0);
    if (options.chapters > 0) {
        container->chapters = static_cast<AVChapter **>(av_calloc(size_t(options.chapters), sizeof(AVChapter *)));
        const double length = (encoders.empty() ? 1.0 : audio.seconds()) / options.chapters;
        for (int i = 0; container->chapters && i < options.chapters; ++i) {
            auto *chapter = static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter)));
            if (!chapter)
                break;
            chapter->id = i;
            chapter->time_base = AVRational{1, 1000};
            chapter->start = int64_t(i * length * 1000.0);
            chapter->end = int64_t((i + 1) * length * 1000.0);
            av_dict_set(&chapter->metadata, "title", QStringLiteral("Satz %1").arg(i + 1).toUtf8().constData(), 0);
            container->chapters[container->nb_chapters++] = chapter;
        }
    }
    for (AVStream *stream : streams) {
        for (auto it = options.streamTags.cbegin(); it != options.streamTags.cend(); ++it)
            av_dict_set(&stream->metadata, it.key().toUtf8().constData(), it.value().toUtf8().constData(), 0);
    }
    AVStream *subtitleStream = nullptr;
    if (options.withSubtitles) {
        subtitleStream = avformat_new_stream(container.get(), nullptr);
        if (!subtitleStream)
            return QStringLiteral("out of memory");
        subtitleStream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        const bool quickTime = std::strcmp(container->oformat->name, "mp4") == 0
                               || std::strcmp(container->oformat->name, "mov") == 0;
        subtitleStream->codecpar->codec_id = quickTime ? AV_CODEC_ID_MOV_TEXT : AV_CODEC_ID_SUBRIP;
        subtitleStream->time_base = AVRational{1, 1000};
        av_dict_set(&subtitleStream->metadata, "language", "deu", 0);
    }

    AVStream *pictureStream = nullptr;
    const QByteArray picture = options.withPicture ? pngPicture() : QByteArray();
    if (options.withPicture) {
        pictureStream = avformat_new_stream(container.get(), nullptr);
        if (!pictureStream)
            return QStringLiteral("out of memory");
        pictureStream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        pictureStream->codecpar->codec_id = AV_CODEC_ID_PNG;
        pictureStream->codecpar->width = 8;
        pictureStream->codecpar->height = 6;
        pictureStream->disposition = AV_DISPOSITION_ATTACHED_PIC;
        pictureStream->time_base = AVRational{1, 90000};
        av_dict_set(&pictureStream->metadata, "comment", "Cover (front)", 0);
    }

    ff::IoContextPtr io;
    {
        AVIOContext *rawIo = nullptr;
        if ((r = avio_open(&rawIo, fileName.constData(), AVIO_FLAG_WRITE)) < 0)
            return fail("cannot create the file", r);
        io.reset(rawIo);
    }
    container->pb = io.get();
    if ((r = avformat_write_header(container.get(), nullptr)) < 0)
        return fail("cannot write the header", r);
    if (pictureStream) {
        ff::PacketPtr packet(av_packet_alloc());
        if (!packet || (r = av_new_packet(packet.get(), int(picture.size()))) < 0)
            return QStringLiteral("out of memory");
        std::copy(picture.cbegin(), picture.cend(), packet->data);
        packet->stream_index = pictureStream->index;
        packet->flags |= AV_PKT_FLAG_KEY;
        if ((r = av_write_frame(container.get(), packet.get())) < 0)
            return fail("cannot write the picture", r);
    }

    for (size_t k = 0; k < encoders.size(); ++k) {
        AVCodecContext *encoder = encoders[k].get();
        AVStream *stream = streams[k];
        SwrContext *rawSwr = nullptr;
        r = swr_alloc_set_opts2(&rawSwr, &encoder->ch_layout, encoder->sample_fmt, encoder->sample_rate,
                                &encoder->ch_layout, AV_SAMPLE_FMT_FLT, audio.sampleRate, 0, nullptr);
        ff::ResamplerPtr swr(rawSwr);
        if (r < 0 || (r = swr_init(swr.get())) < 0)
            return fail("cannot set up the converter", r);

        const bool anySize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || encoder->frame_size <= 0;
        const bool smallLast = anySize || (codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
        const int frameSize = anySize ? 4096 : encoder->frame_size;
        ff::FramePtr frame(av_frame_alloc());
        ff::PacketPtr packet(av_packet_alloc());
        if (!frame || !packet)
            return QStringLiteral("out of memory");

        const long long total = audio.frames();
        for (long long done = 0; done < total; done += frameSize) {
            const int n = int(std::min<long long>(frameSize, total - done));
            av_frame_unref(frame.get());
            frame->nb_samples = smallLast ? n : frameSize;
            frame->format = encoder->sample_fmt;
            frame->sample_rate = encoder->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout);
            if ((r = av_frame_get_buffer(frame.get(), 0)) < 0)
                return fail("no frame buffer", r);
            av_samples_set_silence(frame->data, 0, frame->nb_samples, audio.channels, encoder->sample_fmt);
            const uint8_t *in = reinterpret_cast<const uint8_t *>(audio.samples.data() + done * audio.channels);
            if ((r = swr_convert(swr.get(), frame->data, n, &in, n)) < 0)
                return fail("conversion failed", r);
            frame->pts = done;
            if ((r = avcodec_send_frame(encoder, frame.get())) < 0)
                return fail("encoder refused a frame", r);
            if ((r = writePackets(encoder, container.get(), stream, packet.get())) < 0)
                return fail("cannot write a packet", r);
        }
        avcodec_send_frame(encoder, nullptr);
        if ((r = writePackets(encoder, container.get(), stream, packet.get())) < 0)
            return fail("cannot write a packet", r);
    }
    if (subtitleStream) {
        ff::PacketPtr line(av_packet_alloc());
        const double seconds = encoders.empty() ? 1.0 : audio.seconds();
        for (int i = 0; line && i < 3; ++i) {
            QByteArray text = QStringLiteral("Zeile %1").arg(i + 1).toUtf8();
            // Timed text starts with its length.
            if (subtitleStream->codecpar->codec_id == AV_CODEC_ID_MOV_TEXT)
                text.prepend(char(text.size() & 0xff)).prepend(char(text.size() >> 8));
            if ((r = av_new_packet(line.get(), int(text.size()))) < 0)
                return fail("out of memory", r);
            std::copy(text.cbegin(), text.cend(), line->data);
            line->pts = line->dts = int64_t((0.1 + i * seconds / 3.0) * 1000.0);
            line->duration = 500;
            line->stream_index = subtitleStream->index;
            line->flags |= AV_PKT_FLAG_KEY;
            if ((r = av_interleaved_write_frame(container.get(), line.get())) < 0)
                return fail("cannot write a subtitle", r);
        }
    }
    if (videoEncoder) {
        const QString error = writeVideo(container.get(), videoStream, videoEncoder.get(),
                                         encoders.empty() ? 1.0 : audio.seconds());
        if (!error.isEmpty())
            return error;
    }
    if ((r = av_write_trailer(container.get())) < 0)
        return fail("cannot write the trailer", r);
    container->pb = nullptr;
    return {};
}

AudioBuffer decode(const QString &path, QString *error, int audioStream)
{
    AudioBuffer audio;
    auto failWith = [&](const char *what, int code) {
        if (error)
            *error = fail(what, code);
        return AudioBuffer{};
    };
    if (error)
        error->clear();

    AVFormatContext *rawInput = nullptr;
    int r = avformat_open_input(&rawInput, path.toLocal8Bit().constData(), nullptr, nullptr);
    if (r < 0)
        return failWith("cannot open", r);
    ff::InputFormatPtr input(rawInput);
    if ((r = avformat_find_stream_info(input.get(), nullptr)) < 0)
        return failWith("no stream information", r);
    int streamIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    for (unsigned i = 0, audioSeen = 0; audioStream >= 0 && i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && int(audioSeen++) == audioStream)
            streamIndex = int(i);
    }
    if (streamIndex < 0)
        return failWith("no audio stream", streamIndex);
    const AVStream *stream = input->streams[streamIndex];
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return failWith("no decoder", AVERROR_DECODER_NOT_FOUND);
    ff::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (decoder)
        decoder->pkt_timebase = stream->time_base;
    if ((r = avcodec_parameters_to_context(decoder.get(), stream->codecpar)) < 0
        || (r = avcodec_open2(decoder.get(), codec, nullptr)) < 0) {
        return failWith("cannot open the decoder", r);
    }

    ff::FramePtr frame(av_frame_alloc());
    ff::PacketPtr packet(av_packet_alloc());
    ff::ResamplerPtr swr;
    std::vector<float> chunk;

    auto receiveFrames = [&]() -> int {
        int result;
        while ((result = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            if (!swr) {
                if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
                    audio.startSeconds = double(frame->best_effort_timestamp) * av_q2d(stream->time_base);
                audio.sampleRate = frame->sample_rate;
                audio.channels = frame->ch_layout.nb_channels;
                SwrContext *rawSwr = nullptr;
                result = swr_alloc_set_opts2(&rawSwr, &frame->ch_layout, AV_SAMPLE_FMT_FLT, frame->sample_rate,
                                             &frame->ch_layout, AVSampleFormat(frame->format),
                                             frame->sample_rate, 0, nullptr);
                swr.reset(rawSwr);
                if (result < 0 || (result = swr_init(swr.get())) < 0)
                    return result;
            }
            chunk.resize(size_t(frame->nb_samples + 256) * size_t(audio.channels));
            uint8_t *out = reinterpret_cast<uint8_t *>(chunk.data());
            const int n = swr_convert(swr.get(), &out, frame->nb_samples + 256,
                                      const_cast<const uint8_t **>(frame->extended_data), frame->nb_samples);
            if (n < 0)
                return n;
            audio.samples.insert(audio.samples.end(), chunk.begin(), chunk.begin() + n * audio.channels);
            av_frame_unref(frame.get());
        }
        return result == AVERROR(EAGAIN) || result == AVERROR_EOF ? 0 : result;
    };

    while ((r = av_read_frame(input.get(), packet.get())) >= 0) {
        if (packet->stream_index == streamIndex) {
            r = avcodec_send_packet(decoder.get(), packet.get());
            av_packet_unref(packet.get());
            if (r < 0 && r != AVERROR_INVALIDDATA)
                return failWith("decoder refused a packet", r);
            if ((r = receiveFrames()) < 0)
                return failWith("decoding failed", r);
        } else {
            av_packet_unref(packet.get());
        }
    }
    avcodec_send_packet(decoder.get(), nullptr);
    if ((r = receiveFrames()) < 0)
        return failWith("decoding failed", r);
    return audio;
}

QStringList packets(const QString &path, AVMediaType type)
{
    QStringList result;
    AVFormatContext *rawInput = nullptr;
    if (avformat_open_input(&rawInput, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return result;
    ff::InputFormatPtr input(rawInput);
    avformat_find_stream_info(input.get(), nullptr);
    ff::PacketPtr packet(av_packet_alloc());
    while (packet && av_read_frame(input.get(), packet.get()) >= 0) {
        const AVStream *stream = input->streams[packet->stream_index];
        if (stream->codecpar->codec_type == type && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            const QByteArray data(reinterpret_cast<const char *>(packet->data), packet->size);
            result << QStringLiteral("%1 ms %2")
                          .arg(std::llround(double(packet->pts) * av_q2d(stream->time_base) * 1000.0))
                          .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex()));
        }
        av_packet_unref(packet.get());
    }
    return result;
}

Description describe(const QString &path)
{
    Description description;
    AVFormatContext *rawInput = nullptr;
    if (avformat_open_input(&rawInput, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return description;
    ff::InputFormatPtr input(rawInput);
    avformat_find_stream_info(input.get(), nullptr);
    const AVDictionaryEntry *tag = nullptr;
    while ((tag = av_dict_get(input->metadata, "", tag, AV_DICT_IGNORE_SUFFIX)))
        description.tags.insert(QString::fromUtf8(tag->key), QString::fromUtf8(tag->value));
    description.streams = int(input->nb_streams);
    description.chapters = int(input->nb_chapters);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream *stream = input->streams[i];
        if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) {
            description.pictures << QByteArray(reinterpret_cast<const char *>(stream->attached_pic.data),
                                               stream->attached_pic.size);
        }
    }
    const int best = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (best >= 0) {
        const AVCodecParameters *audio = input->streams[best]->codecpar;
        description.bits = audio->bits_per_raw_sample > 0 ? audio->bits_per_raw_sample
                                                          : audio->bits_per_coded_sample;
    }
    return description;
}

QByteArray pngPicture()
{
    return QByteArray::fromBase64(
        "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAGCAIAAABxZ0isAAAAoUlEQVR42gGWAGn/AAAHDhUcIyoxOD9GTVRbYmlwd36FjJOaoQANFBsiKTA3PkVMU1phaG92fYSLkpmgp64AGiEoLzY9REtSWW"
        "BnbnV8g4qRmJ+mrbS7ACcuNTxDSlFYX2ZtdHuCiZCXnqWss7rByAA0O0JJUFdeZWxzeoGIj5adpKuyucDHztUAQUhPVl1ka3J5gIeOlZyjqrG4v8bN1Nvizsc/kVGdWF0AAAAASUVORK5CYII=");
}

} // namespace AudioFiles
