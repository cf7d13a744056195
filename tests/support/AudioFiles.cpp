#include "support/AudioFiles.h"

#include "media/FFmpegPointers.h"
#include "media/OutputFormat.h"
#include "support/TestFiles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace AudioFiles {

namespace {

QString fail(const char *what, int code)
{
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), ff::errorText(code));
}

// "-c:v copy" as {"-c:v", "copy"}.
QStringList words(const char *line)
{
    return QString::fromLatin1(line).split(QLatin1Char(' '));
}

} // namespace

// Through the ffmpeg tool: the same libraries, and every container, stream
// and side input a test needs in a few options.
QString write(const QString &path, const AudioBuffer &audio, const WriteOptions &options)
{
    QDir().mkpath(QFileInfo(path).path());
    QTemporaryDir side;  // subtitles, chapters and a picture as files for the tool
    QStringList arguments = words("-v error -y -strict experimental");
    QStringList maps;
    int inputs = 0;
    const double seconds = options.withoutAudio ? 1.0 : audio.seconds();
    if (!options.withoutAudio) {
        arguments << words("-f f32le -ar") << QString::number(audio.sampleRate) << QStringLiteral("-ac")
                  << QString::number(audio.channels) << words("-i pipe:0");
        for (int k = 0; k < std::max(1, options.audioStreams); ++k)
            maps << words("-map 0:a");
        ++inputs;
    }
    if (options.withVideo) {
        // A counter that changes every picture.
        arguments << words("-f lavfi -i") << QStringLiteral("testsrc=size=64x48:rate=10:duration=%1").arg(seconds);
        maps << QStringLiteral("-map") << QStringLiteral("%1:v").arg(inputs++) << words("-c:v mpeg4 -g 10");
    }
    if (options.withSubtitles) {
        QByteArray lines;
        for (int i = 0; i < 3; ++i) {
            const auto time = [](double t) {
                return QTime(0, 0).addMSecs(int(t * 1000.0)).toString(QStringLiteral("hh:mm:ss,zzz")).toUtf8();
            };
            const double start = 0.1 + i * seconds / 3.0;
            lines += QByteArray::number(i + 1) + '\n' + time(start) + " --> " + time(start + 0.5) + "\nZeile "
                     + QByteArray::number(i + 1) + "\n\n";
        }
        const bool quickTime = path.endsWith(QLatin1String(".mp4")) || path.endsWith(QLatin1String(".mov"));
        arguments << QStringLiteral("-i") << TestFiles::write(side.filePath(QStringLiteral("lines.srt")), lines);
        maps << QStringLiteral("-map") << QStringLiteral("%1:s").arg(inputs++)
             << words(quickTime ? "-c:s mov_text" : "-c:s srt") << words("-metadata:s:s:0 language=deu");
    }
    if (options.chapters > 0) {
        QByteArray chapters = ";FFMETADATA1\n";
        const double length = seconds / options.chapters;
        for (int i = 0; i < options.chapters; ++i) {
            chapters += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\ntitle=Satz %3\n")
                            .arg(qint64(i * length * 1000.0)).arg(qint64((i + 1) * length * 1000.0)).arg(i + 1)
                            .toUtf8();
        }
        arguments << QStringLiteral("-i") << TestFiles::write(side.filePath(QStringLiteral("chapters.txt")), chapters);
        maps << QStringLiteral("-map_chapters") << QString::number(inputs++);
    }
    if (options.withPicture) {
        arguments << QStringLiteral("-i") << TestFiles::write(side.filePath(QStringLiteral("cover.png")), pngPicture());
        maps << QStringLiteral("-map") << QString::number(inputs++) << words("-c:v copy -disposition:v:0 attached_pic")
             << QStringLiteral("-metadata:s:v:0") << QStringLiteral("comment=Cover (front)");
    }
    arguments << maps;
    if (!options.withoutAudio) {
        // LAME for mp3, as the program picks it; each encoder's first sample
        // format unless one is asked for.
        const AVOutputFormat *format = av_guess_format(nullptr, QFile::encodeName(path).constData(), nullptr);
        const AVCodecID id = options.codec != AV_CODEC_ID_NONE ? options.codec
                             : format                           ? format->audio_codec
                                                                : AV_CODEC_ID_NONE;
        const AVCodec *codec = nullptr;
        for (const OutputFormat &output : OutputFormat::all()) {
            const AVCodecDescriptor *descriptor = avcodec_descriptor_get_by_name(output.codec);
            if (descriptor && descriptor->id == id && output.preferredEncoder)
                codec = avcodec_find_encoder_by_name(output.preferredEncoder);
        }
        if (!codec)
            codec = avcodec_find_encoder(id);
        if (!codec)
            return QStringLiteral("no encoder");
        const AVSampleFormat sampleFormat = options.sampleFormat != AV_SAMPLE_FMT_NONE ? options.sampleFormat
                                            : codec->sample_fmts ? codec->sample_fmts[0]
                                                                 : AV_SAMPLE_FMT_S16;
        arguments << QStringLiteral("-c:a") << QLatin1String(codec->name) << QStringLiteral("-sample_fmt")
                  << QLatin1String(av_get_sample_fmt_name(sampleFormat)) << QStringLiteral("-b:a")
                  << QString::number(options.bitRate);
        if (options.frameSize > 0)
            arguments << QStringLiteral("-frame_size") << QString::number(options.frameSize);
    }
    for (auto it = options.tags.cbegin(); it != options.tags.cend(); ++it)
        arguments << QStringLiteral("-metadata") << it.key() + QLatin1Char('=') + it.value();
    for (auto it = options.streamTags.cbegin(); it != options.streamTags.cend(); ++it)
        arguments << QStringLiteral("-metadata:s:a") << it.key() + QLatin1Char('=') + it.value();
    arguments << path;

    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    if (!ffmpeg.waitForStarted())
        return QStringLiteral("cannot start ffmpeg: ") + ffmpeg.errorString();
    if (!options.withoutAudio) {
        ffmpeg.write(reinterpret_cast<const char *>(audio.samples.data()),
                     qint64(audio.samples.size() * sizeof(float)));
    }
    ffmpeg.closeWriteChannel();
    ffmpeg.waitForFinished(-1);
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return QStringLiteral("ffmpeg %1: %2").arg(arguments.join(QLatin1Char(' ')),
                                                   QString::fromUtf8(ffmpeg.readAllStandardError()));
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

QList<QPair<long long, QByteArray>> packets(const QString &path, AVMediaType type)
{
    QList<QPair<long long, QByteArray>> result;
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
            result.append({std::llround(double(packet->pts) * av_q2d(stream->time_base) * 1000.0),
                           QCryptographicHash::hash(data, QCryptographicHash::Md5)});
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
        // Ogg keeps the tags on the stream.
        while ((tag = av_dict_get(input->streams[best]->metadata, "", tag, AV_DICT_IGNORE_SUFFIX))) {
            if (!description.tags.contains(QString::fromUtf8(tag->key)))
                description.tags.insert(QString::fromUtf8(tag->key), QString::fromUtf8(tag->value));
        }
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

QString run(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForStarted())
        return QStringLiteral("cannot start %1: %2").arg(program, tool.errorString());
    tool.closeWriteChannel();
    tool.waitForFinished(-1);
    if (output)
        *output = tool.readAllStandardOutput();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QStringLiteral("%1 %2: %3").arg(program, arguments.join(QLatin1Char(' ')),
                                               QString::fromUtf8(tool.readAllStandardError()));
    return {};
}

} // namespace AudioFiles
