#include "StereoProcessors.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
}

#include <cmath>
#include <cstdio>

MidSideProcessor::MidSideProcessor(std::unique_ptr<TempoPitchProcessorPlugin> inner)
    : m_inner(std::move(inner))
{
}

void MidSideProcessor::putSamples(const float *samples, int frames, int channels)
{
    m_channels = channels;
    if (channels != 2) {
        m_inner->putSamples(samples, frames, channels);
        return;
    }
    m_encoded.resize(size_t(frames) * 2);
    for (size_t i = 0; i < m_encoded.size(); i += 2) {
        m_encoded[i] = 0.5f * (samples[i] + samples[i + 1]);
        m_encoded[i + 1] = 0.5f * (samples[i] - samples[i + 1]);
    }
    m_inner->putSamples(m_encoded.data(), frames, channels);
}

int MidSideProcessor::receiveSamples(float *output, int maxFrames)
{
    const int n = m_inner->receiveSamples(output, maxFrames);
    if (m_channels == 2) {
        for (size_t i = 0; i < size_t(n) * 2; i += 2) {
            const float mid = output[i], side = output[i + 1];
            output[i] = mid + side;
            output[i + 1] = mid - side;
        }
    }
    return n;
}

int MidSideProcessor::latency() const
{
    return m_inner->latency();
}

int MidSideProcessor::availableSamples() const
{
    return m_inner->availableSamples();
}

void MidSideProcessor::reset()
{
    m_inner->reset();
}

void MidSideProcessor::finish()
{
    m_inner->finish();
}

int MidSideProcessor::startDelay() const
{
    return m_inner->startDelay();
}

void MidSideProcessor::setTempo(double tempo)
{
    m_inner->setTempo(tempo);
}

void MidSideProcessor::setPitchSemiTones(double semiTones)
{
    m_inner->setPitchSemiTones(semiTones);
}

ResampleFirstProcessor::ResampleFirstProcessor(int channels, std::unique_ptr<TempoPitchProcessorPlugin> stretcher)
    : m_channels(channels)
    , m_inner(std::move(stretcher))
{
    configure();
}

void ResampleFirstProcessor::putSamples(const float *samples, int frames, int channels)
{
    if (channels != m_channels || frames <= 0)
        return;
    resampleAndPut(samples, frames);
}

int ResampleFirstProcessor::receiveSamples(float *output, int maxFrames)
{
    return m_inner->receiveSamples(output, maxFrames);
}

int ResampleFirstProcessor::latency() const
{
    return m_inner->latency();
}

int ResampleFirstProcessor::availableSamples() const
{
    return m_inner->availableSamples();
}

int ResampleFirstProcessor::startDelay() const
{
    return m_inner->startDelay();
}

void ResampleFirstProcessor::reset()
{
    if (m_resampler) {
        swr_close(m_resampler.get());
        swr_init(m_resampler.get());
    }
    m_inner->reset();
}

void ResampleFirstProcessor::finish()
{
    if (m_resampler)
        resampleAndPut(nullptr, 0);
    m_inner->finish();
}

void ResampleFirstProcessor::setTempo(double tempo)
{
    m_tempo = tempo > 0.0 ? tempo : 1.0;
    configure();
}

void ResampleFirstProcessor::setPitchSemiTones(double semiTones)
{
    m_semiTones = semiTones;
    configure();
}

// To move the pitch by p, the resampler makes the audio 1/p times as long
// (played at the same rate, its pitch moves by p) and the stretcher makes
// it p times as long again. The ratio is a fraction, as in the program's
// own resampler, so that both steps use exactly the same one.
void ResampleFirstProcessor::configure()
{
    const AVRational ratio = av_d2q(std::pow(2.0, m_semiTones / 12.0), 1 << 20);
    m_resampler.reset();
    m_inner->setPitchSemiTones(0.0);
    m_inner->setTempo(m_tempo);
    if (ratio.num <= 0 || ratio.num == ratio.den)
        return;
    AVChannelLayout layout;
    av_channel_layout_default(&layout, m_channels);
    SwrContext *raw = nullptr;
    int r = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLT, ratio.den, &layout, AV_SAMPLE_FMT_FLT,
                                ratio.num, 0, nullptr);
    ff::ResamplerPtr resampler(raw);
    if (r >= 0)
        r = swr_init(resampler.get());
    if (r < 0) {
        std::fprintf(stderr, "ResampleFirstProcessor: %s\n", qPrintable(ff::errorText(r)));
        return;
    }
    m_resampler = std::move(resampler);
    m_inner->setTempo(m_tempo * double(ratio.den) / double(ratio.num));
}

void ResampleFirstProcessor::resampleAndPut(const float *samples, int frames)
{
    if (!m_resampler) {
        if (frames > 0)
            m_inner->putSamples(samples, frames, m_channels);
        return;
    }
    const int room = swr_get_out_samples(m_resampler.get(), frames);
    m_resampled.resize(size_t(std::max(0, room)) * size_t(m_channels));
    auto *out = reinterpret_cast<uint8_t *>(m_resampled.data());
    const auto *in = reinterpret_cast<const uint8_t *>(samples);
    const int produced = swr_convert(m_resampler.get(), &out, room, samples ? &in : nullptr, frames);
    if (produced > 0)
        m_inner->putSamples(m_resampled.data(), produced, m_channels);
}
