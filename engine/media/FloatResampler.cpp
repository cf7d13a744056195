#include "media/FloatResampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
#include <libswresample/swresample.h>
}

bool FloatResampler::configure(int channels, double speed)
{
    release();
    const AVRational fraction = av_d2q(speed, 1 << 20);
    if (fraction.num <= 0 || fraction.num == fraction.den)
        return false;
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    SwrContext *raw = nullptr;
    // Taken as recorded at num frames a second, and given out at den.
    int r = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLT, fraction.den, &layout, AV_SAMPLE_FMT_FLTP,
                                fraction.num, 0, nullptr);
    ff::ResamplerPtr context(raw);
    if (r >= 0)
        r = swr_init(context.get());
    if (r < 0) {
        m_error = ff::errorText(r);
        return false;
    }
    m_context = std::move(context);
    m_input.resize(size_t(channels));
    m_speed = double(fraction.num) / double(fraction.den);
    return true;
}

void FloatResampler::release()
{
    m_context.reset();
    m_speed = 1.0;
    m_error.clear();
}

int FloatResampler::room(int frames) const
{
    return swr_get_out_samples(m_context.get(), frames);
}

int FloatResampler::convert(const float *const *planes, int frames, float *output, int room)
{
    for (size_t c = 0; c < m_input.size(); ++c)
        m_input[c] = reinterpret_cast<const uint8_t *>(planes[c]);
    auto *target = reinterpret_cast<uint8_t *>(output);
    const int produced = swr_convert(m_context.get(), &target, room, m_input.data(), frames);
    if (produced < 0)
        m_error = ff::errorText(produced);
    return produced;
}
