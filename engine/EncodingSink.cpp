#include "engine/EncodingSink.h"

#include "engine/OutputFile.h"
#include "engine/OutputFormat.h"
#include "engine/PacketPeak.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <QFileInfo>

#include <algorithm>
#include <cmath>

void EncodingSink::FifoDeleter::operator()(AVAudioFifo *fifo) const
{
    av_audio_fifo_free(fifo);
}

EncodingSink::EncodingSink(OutputFile &file)
    : m_file(file)
{
}

EncodingSink::~EncodingSink() = default;

bool EncodingSink::fail(const TranslatableText &message)
{
    if (m_error.isEmpty())
        m_error = message;
    return false;
}

bool EncodingSink::open(const OutputFormat &format, int bitrateKbps, int sampleRate, int channels,
                        bool highResolution, int inputRate)
{
    const QString name = QFileInfo(m_file.path()).fileName();
    const AVCodec *codec = format.findEncoder(highResolution);
    if (!codec)
        return fail(tr("This FFmpeg has no %1 encoder.").arg(format.extension()));
    AVFormatContext *container = m_file.container();
    m_stream = avformat_new_stream(container, nullptr);
    m_encoder.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_stream || !m_encoder || !m_frame || !m_packet)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(AVERROR(ENOMEM))));

    OutputFormat::configureEncoder(m_encoder.get(), codec, format.clampBitrate(bitrateKbps), container->oformat,
                                   sampleRate, channels, highResolution);
    int r = avcodec_open2(m_encoder.get(), codec, nullptr);
    if (r >= 0)
        r = avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get());
    if (r < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    m_stream->time_base = m_encoder->time_base;

    m_channels = channels;
    m_frameSize = OutputFormat::exportFrameSize(m_encoder.get());
    m_smallLastFrame = codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    m_frame->nb_samples = m_frameSize;
    m_frame->format = m_encoder->sample_fmt;
    m_frame->sample_rate = m_encoder->sample_rate;
    av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout);
    if ((r = av_frame_get_buffer(m_frame.get(), 0)) < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));

    SwrContext *raw = nullptr;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    r = swr_alloc_set_opts2(&raw, &m_encoder->ch_layout, m_encoder->sample_fmt, m_encoder->sample_rate, &layout,
                            AV_SAMPLE_FMT_FLT, sampleRate, 0, nullptr);
    m_converter.reset(raw);
    // The one requantisation to 16 bits on the way, with triangular dither:
    // noise instead of distortion for what lies below the last bit.
    if (r >= 0 && av_get_bytes_per_sample(m_encoder->sample_fmt) == 2)
        r = av_opt_set_int(m_converter.get(), "dither_method", SWR_DITHER_TRIANGULAR, 0);
    if (r >= 0)
        r = swr_init(m_converter.get());
    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLT, channels, 2 * m_frameSize));
    if (r >= 0 && !m_fifo)
        r = AVERROR(ENOMEM);
    if (r < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    m_frameSamples.resize(size_t(m_frameSize) * size_t(channels));
    if (inputRate > 0 && inputRate != sampleRate) {
        if ((r = m_resampler.configure(layout, AV_SAMPLE_FMT_FLT, inputRate, layout, AV_SAMPLE_FMT_FLT, sampleRate)) < 0)
            return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    }
    return true;
}

void EncodingSink::setStartTime(double seconds)
{
    m_pts = std::llround(seconds * m_encoder->sample_rate);
}

bool EncodingSink::write(const float *samples, int frames)
{
    if (!m_error.isEmpty())
        return false;
    if (!m_resampler.isConfigured())
        return queue(samples, frames);
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(samples)};
    const int r = m_resampler.convert(in, frames, [this](const uint8_t *converted, int n) {
        return queue(reinterpret_cast<const float *>(converted), n);
    });
    return r == 0 || (r < 0 && fail(tr("Cannot encode “%1”: %2.")
                                        .arg(QFileInfo(m_file.path()).fileName(), ff::errorText(r))));
}

bool EncodingSink::queue(const float *samples, int frames)
{
    // Whole encoder frames at a time, so that the FIFO never holds more
    // than one frame and a little.
    while (frames > 0) {
        const int n = std::min(frames, m_frameSize);
        void *planes[] = {const_cast<float *>(samples)};
        if (av_audio_fifo_write(m_fifo.get(), planes, n) < n)
            return fail(tr("Cannot encode “%1”: %2.")
                            .arg(QFileInfo(m_file.path()).fileName(), ff::errorText(AVERROR(ENOMEM))));
        if (!encodeQueued(false))
            return false;
        samples += size_t(n) * size_t(m_channels);
        frames -= n;
    }
    return true;
}

bool EncodingSink::finish()
{
    if (!m_error.isEmpty())
        return false;
    if (m_resampler.isConfigured()) {
        const int r = m_resampler.flush([this](const uint8_t *converted, int n) {
            return queue(reinterpret_cast<const float *>(converted), n);
        });
        if (r != 0)
            return r > 0 || fail(tr("Cannot encode “%1”: %2.").arg(QFileInfo(m_file.path()).fileName(),
                                                                    ff::errorText(r)));
    }
    if (!encodeQueued(true))
        return false;
    avcodec_send_frame(m_encoder.get(), nullptr);
    return writePackets();
}

void EncodingSink::discard()
{
    m_error = tr("Stopped.");
}

// Sends every whole encoder frame that is queued; at the end also the rest,
// as a short last frame where the encoder takes one, padded with silence
// where it does not.
bool EncodingSink::encodeQueued(bool last)
{
    while (av_audio_fifo_size(m_fifo.get()) >= m_frameSize || (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
        const int n = std::min(av_audio_fifo_size(m_fifo.get()), m_frameSize);
        void *planes[] = {m_frameSamples.data()};
        av_audio_fifo_read(m_fifo.get(), planes, n);
        if (!sendFrame(n))
            return false;
    }
    return true;
}

bool EncodingSink::sendFrame(int frames)
{
    const QString name = QFileInfo(m_file.path()).fileName();
    // The encoder may still hold a reference to the last frame's data.
    int r = av_frame_make_writable(m_frame.get());
    if (r < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    const int samples = frames < m_frameSize && !m_smallLastFrame ? m_frameSize : frames;
    m_frame->nb_samples = samples;
    const uint8_t *in[] = {reinterpret_cast<const uint8_t *>(m_frameSamples.data())};
    r = swr_convert(m_converter.get(), m_frame->data, frames, in, frames);
    if (r < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    if (samples > frames) {
        av_samples_set_silence(m_frame->data, frames, samples - frames, m_frame->ch_layout.nb_channels,
                               AVSampleFormat(m_frame->format));
    }
    m_frame->pts = m_pts;
    m_pts += samples;
    r = avcodec_send_frame(m_encoder.get(), m_frame.get());
    if (r < 0)
        return fail(tr("Cannot encode “%1”: %2.").arg(name, ff::errorText(r)));
    return writePackets();
}

bool EncodingSink::writePackets()
{
    for (;;) {
        const int r = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return fail(tr("Cannot encode “%1”: %2.").arg(QFileInfo(m_file.path()).fileName(), ff::errorText(r)));
        if (m_packetPeak)
            m_packetPeak->push(m_packet.get());
        // The muxer may have chosen another time base for the stream.
        av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        const bool written = m_file.writePacket(m_packet.get());
        av_packet_unref(m_packet.get());
        if (!written)
            return fail(m_file.error());
    }
}
