#include "media/AudioEncoder.h"

#include "base/FirstError.h"
#include "media/OutputContainer.h"
#include "media/OutputFormat.h"
#include "media/SourceFile.h"
#include "media/ffmpeg/PacketPeak.h"
#include "media/ffmpeg/SampleConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Frames per encoder frame for encoders that take any frame size (PCM).
constexpr int VariableFrameSize = 10000;

// The format's encoder: the preferred one where this FFmpeg has it, else
// FFmpeg's for the codec; the high-resolution codec for 24-bit samples.
const AVCodec *findEncoder(const OutputFormat &format, bool highResolution)
{
    const char *codec = highResolution && format.highResolutionCodec ? format.highResolutionCodec : format.codec;
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get_by_name(codec);
    if (!descriptor)
        return nullptr;
    if (format.preferredEncoder) {
        const AVCodec *encoder = avcodec_find_encoder_by_name(format.preferredEncoder);
        if (encoder && encoder->id == descriptor->id)
            return encoder;
    }
    return avcodec_find_encoder(descriptor->id);
}

// The encoder's rate nearest to `wanted` (`wanted` itself for encoders that
// take any).
int supportedRate(const AVCodec *encoder, int wanted)
{
    if (!encoder->supported_samplerates)
        return wanted;
    int nearest = 0;
    for (const int *rate = encoder->supported_samplerates; *rate != 0; ++rate) {
        if (nearest == 0 || std::abs(*rate - wanted) < std::abs(nearest - wanted))
            nearest = *rate;
    }
    return nearest;
}

// The encoder's sample format: its first, but for a lossless format, whose
// depth follows the source's: 16-bit samples, or with highResolution 24 bits
// in 32-bit ones (flac, wav and ALAC take them so).
AVSampleFormat sampleFormatFor(const OutputFormat &format, const AVCodec *encoder, bool highResolution)
{
    if (!encoder->sample_fmts)
        return AV_SAMPLE_FMT_NONE;
    if (format.lossy())
        return encoder->sample_fmts[0];
    const int bytes = highResolution ? 4 : 2;
    for (const AVSampleFormat *sample = encoder->sample_fmts; *sample != AV_SAMPLE_FMT_NONE; ++sample) {
        if (av_get_bytes_per_sample(*sample) == bytes && *sample != AV_SAMPLE_FMT_FLT && *sample != AV_SAMPLE_FMT_FLTP)
            return *sample;
    }
    return encoder->sample_fmts[0];
}

// Sets the parameters every format shares on a fresh encoder context: its
// bit rate or quality, its sample format and depth, rate and channels.
void configure(AVCodecContext *context, const AVCodec *encoder, const OutputFormat &format, int bitrateKbps,
               const AVOutputFormat *container, int sampleRate, int channels, bool highResolution)
{
    context->bit_rate = int64_t(format.clampBitrate(bitrateKbps)) * 1000;
    const double quality = format.qualityFor(bitrateKbps);
    if (quality >= 0.0) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = int(std::lround(quality * FF_QP2LAMBDA));
    }
    context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    const AVSampleFormat sampleFormat = sampleFormatFor(format, encoder, highResolution);
    if (sampleFormat != AV_SAMPLE_FMT_NONE)
        context->sample_fmt = sampleFormat;
    if (highResolution && av_get_bytes_per_sample(sampleFormat) == 4)
        context->bits_per_raw_sample = 24;
    context->sample_rate = sampleRate;
    av_channel_layout_uninit(&context->ch_layout);
    av_channel_layout_default(&context->ch_layout, channels);
    context->time_base = AVRational{1, sampleRate};
    if (container && (container->flags & AVFMT_GLOBALHEADER))
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

int frameSizeOf(const AVCodecContext *context)
{
    if ((context->codec && (context->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
        || context->frame_size <= 0) {
        return VariableFrameSize;
    }
    return context->frame_size;
}

} // namespace

struct AudioEncoder::Private : FirstError
{
    explicit Private(OutputContainer &output)
        : output(output)
    {
    }

    bool cannotEncode(int code);
    bool openConverters(int sampleRate, int channels, int inputRate);
    bool queue(const float *samples, int frames);
    bool encodeQueued(bool last);
    bool sendFrame(int frames);
    bool writePackets();
    using FirstError::fail;
    using FirstError::failed;

    OutputContainer &output;
    AVStream *stream = nullptr;
    ff::CodecContextPtr encoder;
    SampleConverter resampler;   // from the input's rate, where it differs
    ff::ResamplerPtr converter;  // float to the encoder's format
    ff::FramePtr frame;
    ff::PacketPtr packet;
    ff::AudioFifoPtr fifo;
    std::vector<float> frameSamples;  // one encoder frame, interleaved
    int channels = 0;
    int frameSize = 0;
    bool smallLastFrame = false;
    long long pts = 0;  // samples sent to the encoder
    std::unique_ptr<PacketPeak> packetPeak;
    float decodedPeak = -1.0f;
};

bool AudioEncoder::Private::cannotEncode(int code)
{
    const QString name = QFileInfo(output.path()).fileName();
    return fail(AudioEncoder::tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(code)));
}

AudioEncoder::AudioEncoder(OutputContainer &output)
    : d(std::make_unique<Private>(output))
{
}

AudioEncoder::~AudioEncoder() = default;

int AudioEncoder::rateFor(const OutputFormat &format, bool highResolution, int wanted)
{
    const AVCodec *codec = findEncoder(format, highResolution);
    if (format.lowestRate > 0)
        wanted = std::max(wanted, format.lowestRate);
    if (format.highestRate > 0)
        wanted = std::min(wanted, format.highestRate);
    return codec ? supportedRate(codec, wanted) : 0;
}

bool AudioEncoder::open(const OutputFormat &format, int bitrateKbps, int sampleRate, int channels,
                        bool highResolution, int inputRate)
{
    const AVCodec *codec = findEncoder(format, highResolution);
    if (!codec)
        return d->fail(tr("This FFmpeg has no %1 encoder.").arg(format.extension()));
    AVFormatContext *container = d->output.container();
    d->stream = avformat_new_stream(container, nullptr);
    d->encoder.reset(avcodec_alloc_context3(codec));
    d->frame.reset(av_frame_alloc());
    d->packet.reset(av_packet_alloc());
    if (!d->stream || !d->encoder || !d->frame || !d->packet)
        return d->cannotEncode(AVERROR(ENOMEM));

    configure(d->encoder.get(), codec, format, bitrateKbps, container->oformat, sampleRate, channels, highResolution);
    int r = avcodec_open2(d->encoder.get(), codec, nullptr);
    if (r >= 0)
        r = avcodec_parameters_from_context(d->stream->codecpar, d->encoder.get());
    if (r < 0)
        return d->cannotEncode(r);
    d->stream->time_base = d->encoder->time_base;

    d->channels = channels;
    d->frameSize = frameSizeOf(d->encoder.get());
    d->smallLastFrame = codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    d->frame->nb_samples = d->frameSize;
    d->frame->format = d->encoder->sample_fmt;
    d->frame->sample_rate = d->encoder->sample_rate;
    av_channel_layout_copy(&d->frame->ch_layout, &d->encoder->ch_layout);
    if ((r = av_frame_get_buffer(d->frame.get(), 0)) < 0)
        return d->cannotEncode(r);
    return d->openConverters(sampleRate, channels, inputRate);
}

bool AudioEncoder::Private::openConverters(int sampleRate, int channelCount, int inputRate)
{
    SwrContext *raw = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channelCount);
    int r = swr_alloc_set_opts2(&raw, &encoder->ch_layout, encoder->sample_fmt, encoder->sample_rate, &layout,
                                AV_SAMPLE_FMT_FLT, sampleRate, 0, nullptr);
    converter.reset(raw);
    // The one requantisation to 16 bits on the way, with triangular dither:
    // noise instead of distortion for what lies below the last bit.
    if (r >= 0 && av_get_bytes_per_sample(encoder->sample_fmt) == 2)
        r = av_opt_set_int(converter.get(), "dither_method", SWR_DITHER_TRIANGULAR, 0);
    if (r >= 0)
        r = swr_init(converter.get());
    fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLT, channelCount, 2 * frameSize));
    if (r >= 0 && !fifo)
        r = AVERROR(ENOMEM);
    if (r < 0)
        return cannotEncode(r);
    frameSamples.resize(size_t(frameSize) * size_t(channelCount));
    if (inputRate > 0 && inputRate != sampleRate) {
        r = resampler.configure(layout, AV_SAMPLE_FMT_FLT, inputRate, layout, AV_SAMPLE_FMT_FLT, sampleRate);
        if (r < 0)
            return cannotEncode(r);
    }
    return true;
}

void AudioEncoder::describeAs(const SourceFile &source, int index)
{
    const AVStream *from = source.container()->streams[index];
    for (const char *key : {"language", "title"}) {
        if (const AVDictionaryEntry *entry = av_dict_get(from->metadata, key, nullptr, 0))
            av_dict_set(&d->stream->metadata, key, entry->value, 0);
    }
    d->stream->disposition = from->disposition;
}

bool AudioEncoder::measureDecodedPeak()
{
    d->packetPeak = std::make_unique<PacketPeak>();
    if (d->packetPeak->start(d->stream->codecpar, d->stream->time_base))
        return true;
    d->packetPeak.reset();
    return false;
}

void AudioEncoder::setStartTime(double seconds)
{
    d->pts = std::llround(seconds * d->encoder->sample_rate);
    // Matroska keeps Opus's pre-skip as the track's codec delay, which a
    // reader takes off every timestamp: the packets begin that much later,
    // or else the muxer moves every stream to make room for the first ones
    // and the audio comes early by as much.
    if (d->encoder->codec_id == AV_CODEC_ID_OPUS && std::strcmp(d->output.container()->oformat->name, "matroska") == 0)
        d->pts += d->encoder->initial_padding;
}

bool AudioEncoder::write(const float *samples, int frames)
{
    if (d->failed())
        return false;
    if (!d->resampler.isConfigured())
        return d->queue(samples, frames);
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(samples)};
    const int r = d->resampler.convert(in, frames, [this](const uint8_t *converted, int n) {
        return d->queue(reinterpret_cast<const float *>(converted), n);
    });
    return r == 0 || (r < 0 && d->cannotEncode(r));
}

bool AudioEncoder::Private::queue(const float *samples, int frames)
{
    // Whole encoder frames at a time, so that the FIFO never holds more
    // than one frame and a little.
    while (frames > 0) {
        const int n = std::min(frames, frameSize);
        void *planes[] = {const_cast<float *>(samples)};
        if (av_audio_fifo_write(fifo.get(), planes, n) < n)
            return cannotEncode(AVERROR(ENOMEM));
        if (!encodeQueued(false))
            return false;
        samples += size_t(n) * size_t(channels);
        frames -= n;
    }
    return true;
}

bool AudioEncoder::finish()
{
    if (d->failed())
        return false;
    if (d->resampler.isConfigured()) {
        const int r = d->resampler.flush([this](const uint8_t *converted, int n) {
            return d->queue(reinterpret_cast<const float *>(converted), n);
        });
        if (r != 0)
            return r > 0 || d->cannotEncode(r);
    }
    if (!d->encodeQueued(true))
        return false;
    avcodec_send_frame(d->encoder.get(), nullptr);
    if (!d->writePackets())
        return false;
    if (d->packetPeak)
        d->decodedPeak = d->packetPeak->finish();
    return true;
}

void AudioEncoder::discard()
{
    d->fail(tr("Stopped."));
}

TranslatableText AudioEncoder::error() const
{
    return d->error();
}

float AudioEncoder::decodedPeak() const
{
    return d->decodedPeak;
}

// Sends every whole encoder frame that is queued; at the end also the rest,
// as a short last frame where the encoder takes one, padded with silence
// where it does not.
bool AudioEncoder::Private::encodeQueued(bool last)
{
    while (av_audio_fifo_size(fifo.get()) >= frameSize || (last && av_audio_fifo_size(fifo.get()) > 0)) {
        const int n = std::min(av_audio_fifo_size(fifo.get()), frameSize);
        void *planes[] = {frameSamples.data()};
        av_audio_fifo_read(fifo.get(), planes, n);
        if (!sendFrame(n))
            return false;
    }
    return true;
}

bool AudioEncoder::Private::sendFrame(int frames)
{
    // The encoder may still hold a reference to the last frame's data.
    int r = av_frame_make_writable(frame.get());
    if (r < 0)
        return cannotEncode(r);
    const int samples = frames < frameSize && !smallLastFrame ? frameSize : frames;
    frame->nb_samples = samples;
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(frameSamples.data())};
    r = swr_convert(converter.get(), frame->data, frames, in, frames);
    if (r < 0)
        return cannotEncode(r);
    if (samples > frames) {
        av_samples_set_silence(frame->data, frames, samples - frames, frame->ch_layout.nb_channels,
                               AVSampleFormat(frame->format));
    }
    frame->pts = pts;
    pts += samples;
    r = avcodec_send_frame(encoder.get(), frame.get());
    if (r < 0)
        return cannotEncode(r);
    return writePackets();
}

bool AudioEncoder::Private::writePackets()
{
    for (;;) {
        const int r = avcodec_receive_packet(encoder.get(), packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return cannotEncode(r);
        if (packetPeak)
            packetPeak->push(packet.get());
        // The muxer may have chosen another time base for the stream.
        av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        const bool written = output.writePacket(packet.get());
        av_packet_unref(packet.get());
        if (!written)
            return fail(output.error());
    }
}
