#pragma once

#include "media/ffmpeg/SampleConverter.h"

extern "C" {
#include <libavutil/frame.h>
}

// Brings decoded frames of any sample format, layout and rate to the
// working format: interleaved float at one rate, stereo. Follows a stream
// whose format changes from one frame to the next.
class WorkingFormat
{
public:
    WorkingFormat(int sampleRate, int channels);

    // Converts one decoded frame and hands the result to
    // sink(const float *interleaved, int frames), which returns false to
    // stop. Returns a negative FFmpeg error code, 1 when the sink stopped,
    // 0 otherwise.
    template <typename Sink>
    int convert(const AVFrame *frame, Sink &&sink)
    {
        const int r = prepare(frame, sink);
        if (r != 0)
            return r;
        return m_converter.convert(frame->extended_data, frame->nb_samples, asFloat(sink));
    }

    // The end of the stream: hands out what the resampler still holds.
    template <typename Sink>
    int flush(Sink &&sink)
    {
        if (!m_converter.isConfigured())
            return 0;
        return m_converter.flush(asFloat(sink));
    }

    int sampleRate() const { return m_rate; }
    int channels() const { return m_layout.nb_channels; }

private:
    template <typename Sink>
    static auto asFloat(Sink &sink)
    {
        return [&sink](const uint8_t *samples, int frames) {
            return sink(reinterpret_cast<const float *>(samples), frames);
        };
    }

    // Sets the converter up for this frame's format; what a converter for
    // the previous format still held is handed out first, since it comes
    // before this frame.
    template <typename Sink>
    int prepare(const AVFrame *frame, Sink &sink)
    {
        AVChannelLayout layout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&layout, &frame->ch_layout);
        const AVSampleFormat format = AVSampleFormat(frame->format);
        int r = 0;
        if (m_converter.isConfigured() && !m_converter.accepts(layout, format, frame->sample_rate)) {
            r = m_converter.flush(asFloat(sink));
            m_converter.release();
        }
        if (r == 0 && !m_converter.isConfigured())
            r = m_converter.configure(layout, format, frame->sample_rate, m_layout, AV_SAMPLE_FMT_FLT, m_rate);
        av_channel_layout_uninit(&layout);
        return r;
    }

    int m_rate;
    AVChannelLayout m_layout{};
    SampleConverter m_converter;
};
