#include "media/ffmpeg/SampleConverter.h"

#include <QtGlobal>

int SampleConverter::configure(const AVChannelLayout &inLayout, AVSampleFormat inFormat, int inRate,
                               const AVChannelLayout &outLayout, AVSampleFormat outFormat, int outRate)
{
    release();
    SwrContext *raw = nullptr;
    // FFmpeg 5.1 takes the layouts by non-const pointer but only reads them.
    int r = swr_alloc_set_opts2(&raw, const_cast<AVChannelLayout *>(&outLayout), outFormat, outRate,
                                const_cast<AVChannelLayout *>(&inLayout), inFormat, inRate, 0, nullptr);
    ff::ResamplerPtr context(raw);
    if (r < 0)
        return r;
    // FFmpeg's default puts a mono source into stereo at -3 dB; keep its
    // level instead, as every player does.
    if (inLayout.nb_channels == 1 && outLayout.nb_channels == 2) {
        const double matrix[2] = {1.0, 1.0};
        if ((r = swr_set_matrix(context.get(), matrix, 1)) < 0)
            return r;
    }
    if ((r = swr_init(context.get())) < 0)
        return r;

    const int bytes = av_samples_get_buffer_size(nullptr, outLayout.nb_channels, CapacityFrames,
                                                 av_get_packed_sample_fmt(outFormat), 1);
    if (bytes < 0)
        return bytes;
    m_buffer.assign(size_t(bytes), 0);
    m_outPlanes[0] = m_buffer.data();
    m_context = std::move(context);
    av_channel_layout_copy(&m_inLayout, &inLayout);
    m_inFormat = inFormat;
    m_inRate = inRate;
    return 0;
}

bool SampleConverter::accepts(const AVChannelLayout &layout, AVSampleFormat format, int rate) const
{
    return m_context && format == m_inFormat && rate == m_inRate
           && av_channel_layout_compare(&layout, &m_inLayout) == 0;
}

void SampleConverter::release()
{
    m_context.reset();
    av_channel_layout_uninit(&m_inLayout);
    m_inFormat = AV_SAMPLE_FMT_NONE;
    m_inRate = 0;
}
