#include "media/ffmpeg/AudioDecoder.h"

#include <algorithm>

namespace {

// No sound is sampled slower or faster (the fastest is DSD1024, which FFmpeg
// decodes at 5.6448 MHz). Other rates come from damaged headers, and would
// make hours of audio of a few bytes, or resampling filters of gigabytes.
constexpr int LowestRate = 1000;
constexpr int HighestRate = 6000000;

bool soundRate(int rate)
{
    return rate >= LowestRate && rate <= HighestRate;
}

} // namespace

bool AudioDecoder::open(const AVStream *stream, const QString &sourceName, long long containerBitRate)
{
    m_stream = stream;
    m_lost.emplace(stream->time_base, containerBitRate);
    m_sourceName = sourceName;
    const int rate = stream->codecpar->sample_rate;
    if (rate != 0 && !soundRate(rate)) {
        return fail(tr("“%1”: its audio claims a sample rate of %2 Hz, which no sound has.")
                        .arg(sourceName, QString::number(rate)));
    }
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        return fail(tr("“%1”: its audio (%2) cannot be decoded.")
                        .arg(sourceName, QString::fromLatin1(avcodec_get_name(stream->codecpar->codec_id))));
    }
    m_decoder.reset(avcodec_alloc_context3(decoder));
    m_frame.reset(av_frame_alloc());
    int r = m_decoder && m_frame ? avcodec_parameters_to_context(m_decoder.get(), stream->codecpar)
                                 : AVERROR(ENOMEM);
    // Frames then carry timestamps in the stream's time base.
    if (r >= 0)
        m_decoder->pkt_timebase = stream->time_base;
    if (r >= 0)
        r = avcodec_open2(m_decoder.get(), decoder, nullptr);
    return r >= 0 || fail(tr("“%1”: its audio cannot be decoded: %2.").arg(sourceName, ff::errorText(r)));
}

bool AudioDecoder::decode(const AVPacket *packet, const FrameSink &sink)
{
    // A packet the decoder refuses is damaged, and skipped.
    const bool refused = avcodec_send_packet(m_decoder.get(), packet) < 0;
    if (packet)
        m_lost->sent(packet, refused);
    return receive(sink, !packet);
}

bool AudioDecoder::receive(const FrameSink &sink, bool draining)
{
    for (;;) {
        const int r = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r == AVERROR(ENOMEM))
            return fail(tr("Decoding “%1” failed: %2.").arg(m_sourceName, ff::errorText(r)));
        if (r < 0) {
            // The packet just sent was damaged. (At the end, whatever the
            // decoder still says is the end.)
            if (draining)
                return true;
            m_lost->frameRefused();
            continue;
        }
        // So is a frame whose rate is no sound's.
        if (!soundRate(m_frame->sample_rate)) {
            av_frame_unref(m_frame.get());
            m_lost->frameRefused();
            continue;
        }
        double seconds = -1.0;
        if (m_frame->pts != AV_NOPTS_VALUE) {
            seconds = double(m_frame->pts) * av_q2d(m_stream->time_base);
            if (m_first < 0.0)
                m_first = seconds;
        }
        const double gap = m_lost->before(seconds, m_frame->nb_samples, m_frame->sample_rate);
        const bool go = sink(m_frame.get(), gap);
        av_frame_unref(m_frame.get());
        if (!go)
            return false;
    }
}

void AudioDecoder::flush()
{
    avcodec_flush_buffers(m_decoder.get());
    m_lost->restart();
}

int AudioDecoder::sampleRate() const
{
    return m_stream ? m_stream->codecpar->sample_rate : 0;
}

bool AudioDecoder::highResolution() const
{
    if (!m_stream)
        return false;
    const AVCodecParameters *parameters = m_stream->codecpar;
    const AVCodecDescriptor *codec = avcodec_descriptor_get(parameters->codec_id);
    // Lossy codecs decode to floats too, but carry no more than a CD does.
    if (!codec || !(codec->props & AV_CODEC_PROP_LOSSLESS))
        return false;
    if (parameters->bits_per_raw_sample > 0)
        return parameters->bits_per_raw_sample > 16;
    const AVSampleFormat format = m_decoder ? m_decoder->sample_fmt : AV_SAMPLE_FMT_NONE;
    return av_get_bytes_per_sample(format) > 2;
}
