#include "engine/AudioInput.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

bool AudioInput::fail(const TranslatableText &message)
{
    m_error = message;
    return false;
}

bool AudioInput::open(const QString &path)
{
    m_path = path;
    const QString name = QFileInfo(path).fileName();
    {
        AVFormatContext *raw = nullptr;
        const int r = avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr);
        if (r < 0)
            return fail(tr("Cannot open “%1”: %2.").arg(name, ff::errorText(r)));
        m_input.reset(raw);
    }
    int r = avformat_find_stream_info(m_input.get(), nullptr);
    if (r < 0)
        return fail(tr("Cannot read “%1”: %2.").arg(name, ff::errorText(r)));
    const int index = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return fail(tr("“%1” contains no audio.").arg(name));
    m_stream = m_input->streams[index];

    const AVCodec *decoder = avcodec_find_decoder(m_stream->codecpar->codec_id);
    if (!decoder) {
        return fail(tr("“%1”: its audio (%2) cannot be decoded.")
                        .arg(name, QString::fromLatin1(avcodec_get_name(m_stream->codecpar->codec_id))));
    }
    m_decoder.reset(avcodec_alloc_context3(decoder));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_decoder || !m_packet || !m_frame)
        return fail(tr("“%1”: %2.").arg(name, ff::errorText(AVERROR(ENOMEM))));
    if ((r = avcodec_parameters_to_context(m_decoder.get(), m_stream->codecpar)) < 0)
        return fail(tr("“%1”: its audio cannot be decoded: %2.").arg(name, ff::errorText(r)));
    // Frames then carry timestamps in the stream's time base.
    m_decoder->pkt_timebase = m_stream->time_base;
    if ((r = avcodec_open2(m_decoder.get(), decoder, nullptr)) < 0)
        return fail(tr("“%1”: its audio cannot be decoded: %2.").arg(name, ff::errorText(r)));

    // The stream's own duration, else the container's.
    if (m_stream->duration != AV_NOPTS_VALUE && m_stream->duration > 0)
        m_duration = double(m_stream->duration) * av_q2d(m_stream->time_base);
    else if (m_input->duration != AV_NOPTS_VALUE && m_input->duration > 0)
        m_duration = double(m_input->duration) / AV_TIME_BASE;
    return true;
}

AudioInput::Read AudioInput::next()
{
    for (;;) {
        const int r = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (r >= 0) {
            if (m_frame->pts != AV_NOPTS_VALUE)
                m_seconds = double(m_frame->pts) * av_q2d(m_stream->time_base);
            return Read::Frame;
        }
        // After the end of the stream, anything but a frame is the end;
        // before it, an error is a damaged packet that yields no frame, and
        // decoding goes on with the next, as players do.
        if (r == AVERROR_EOF || m_drained)
            return Read::End;
        if (r == AVERROR(ENOMEM)) {
            fail(tr("Decoding “%1” failed: %2.").arg(QFileInfo(m_path).fileName(), ff::errorText(r)));
            return Read::Failed;
        }
        feed();
    }
}

void AudioInput::feed()
{
    while (!m_drained) {
        const int r = av_read_frame(m_input.get(), m_packet.get());
        if (r < 0) {
            // The end, or a source that cannot be read further: what was
            // decoded so far is the audio.
            m_drained = true;
            avcodec_send_packet(m_decoder.get(), nullptr);
            return;
        }
        if (m_packet->stream_index != m_stream->index) {
            av_packet_unref(m_packet.get());
            continue;
        }
        // A packet the decoder refuses is damaged and skipped.
        avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        return;
    }
}

double AudioInput::position() const
{
    if (m_duration > 0.0)
        return std::clamp(m_seconds / m_duration, 0.0, 1.0);
    AVIOContext *io = m_input ? m_input->pb : nullptr;
    const int64_t size = io ? avio_size(io) : -1;
    if (size <= 0)
        return 0.0;
    return std::clamp(double(avio_tell(io)) / double(size), 0.0, 1.0);
}
