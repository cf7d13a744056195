#include "engine/RubberbandPlugin.h"

#include "engine/LogCategories.h"

#include <QtGlobal>

#include <rubberband/RubberBandStretcher.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

using RubberBand::RubberBandStretcher;

namespace {

// The R2 engine in real-time mode lets a steady tone wander by ±15 cents
// around the target pitch; R3 with the short window holds it within a
// hundredth of a cent at about the same cost (the standard window costs 2.7
// times as much and lets music drift by several ms). High-speed pitch would
// save 1.8 % of the work, and is as exact on a steady tone, but on music its
// partials land a cent or more off where high quality keeps them within a
// third of one. Channels apart is the cheaper channel mode. (With the
// resampler of our own, the pitch option only matters for the benchmark's
// comparison with the library's way.)
constexpr RubberBandStretcher::Options ChosenOptions =
    RubberBandStretcher::OptionProcessRealTime
    | RubberBandStretcher::OptionPitchHighQuality
    | RubberBandStretcher::OptionChannelsApart
    | RubberBandStretcher::OptionEngineFiner
    | RubberBandStretcher::OptionWindowShort;

float clampSample(float v)
{
    return std::clamp(v, -1.0f, 1.0f);
}

} // namespace

const int RubberbandPlugin::DefaultOptions = ChosenOptions;

RubberbandPlugin::RubberbandPlugin(int sampleRate, int channels)
    : RubberbandPlugin(sampleRate, channels, DefaultOptions)
{
}

RubberbandPlugin::RubberbandPlugin(int sampleRate, int channels, int options, Resampling resampling)
    : m_channels(std::max(1, channels))
    , m_resampling(resampling)
    , m_maxProcessFrames(192000 / (2 * m_channels))
    , m_stretcher(std::make_unique<RubberBandStretcher>(
          size_t(std::max(1, sampleRate)), size_t(m_channels), RubberBandStretcher::Options(options), 1.0, 1.0))
{
    m_stretcher->setMaxProcessSize(size_t(m_maxProcessFrames));

    m_channelBuffers.assign(size_t(m_channels), std::vector<float>(ChannelBufferFrames));
    for (auto &buffer : m_channelBuffers)
        m_channelPointers.push_back(buffer.data());
    m_resamplerInput.resize(size_t(m_channels));
    // Room for the output of a full channel buffer plus what may already be
    // waiting and the stretcher's delay; it only grows if a caller stops
    // taking output.
    m_output.resize(size_t(3 * ChannelBufferFrames) * size_t(m_channels));
    configure();
}

RubberbandPlugin::~RubberbandPlugin() = default;

void RubberbandPlugin::putSamples(const float *samples, int frames, int channels)
{
    if (channels != m_channels)
        qCWarning(lcEngine, "Channel count does not match!");
    if (frames <= 0 || m_finished)
        return;
    padStart();

    // Feed small blocks and take the output after each: R3 in real-time mode
    // overruns its output buffer when handed several large blocks in a row,
    // and even single blocks of 16k frames shift its timing by a millisecond.
    const int blockFrames = std::min(m_maxProcessFrames, ProcessBlockFrames);
    for (int done = 0; done < frames; done += blockFrames) {
        const int n = std::min(blockFrames, frames - done);
        const float *in = samples + size_t(done) * size_t(m_channels);
        for (int f = 0; f < n; ++f)
            for (int c = 0; c < m_channels; ++c)
                m_channelBuffers[size_t(c)][size_t(f)] = clampSample(in[size_t(f) * size_t(m_channels) + size_t(c)]);
        process(n, false);
    }
    m_framesIn += frames;
}

int RubberbandPlugin::receiveSamples(float *output, int maxFrames)
{
    const int n = std::min(std::max(0, maxFrames), availableSamples());
    const size_t count = size_t(n) * size_t(m_channels);
    std::memcpy(output, m_output.data() + m_outputBegin, count * sizeof(float));
    m_outputBegin += count;
    if (m_outputBegin == m_outputEnd)
        m_outputBegin = m_outputEnd = 0;
    return n;
}

int RubberbandPlugin::latency() const
{
    return int(m_stretcher->getStartDelay());
}

int RubberbandPlugin::availableSamples() const
{
    return int((m_outputEnd - m_outputBegin) / size_t(m_channels));
}

void RubberbandPlugin::reset()
{
    m_stretcher->reset();
    if (m_resampler) {
        swr_close(m_resampler.get());
        swr_init(m_resampler.get());
    }
    m_outputBegin = m_outputEnd = 0;
    m_framesIn = m_framesOut = 0;
    m_started = false;
    m_finished = false;
}

void RubberbandPlugin::finish()
{
    if (m_finished)
        return;
    padStart();
    // In real-time mode the final flag does not push out what the stretcher
    // still holds (a window and more). Feed silence until everything that
    // was put in has come out behind the start delay, then end the stream.
    const long long wanted = std::llround(double(m_framesIn) / m_tempo) + startDelay();
    const long long silenceLimit = m_framesIn + 10LL * ChannelBufferFrames;
    for (long long fed = 0; m_framesOut < wanted && fed < silenceLimit; fed += ProcessBlockFrames)
        processSilence(ProcessBlockFrames);
    process(0, true);
    m_finished = true;
}

// The stretcher's own delay is dropped before the resampler, which has
// none of its own: its filter is centred on the frame it computes.
int RubberbandPlugin::startDelay() const
{
    return 0;
}

void RubberbandPlugin::setTempo(double tempo)
{
    m_tempo = tempo > 0.0 ? tempo : 1.0;
    configure();
}

void RubberbandPlugin::setPitchSemiTones(double semiTones)
{
    m_pitchScale = std::pow(2.0, semiTones / 12.0);
    configure();
}

// To move the pitch by p, the stretcher makes the audio p times as long and
// the resampler plays it back p times as fast. The library would resample
// inside the stretcher the same way, but its resampler is 44 % of its work;
// libswresample does the same for a small part of that. The ratio is taken
// as a fraction (432/440 is 54/55) so that both steps use exactly the same
// one.
void RubberbandPlugin::configure()
{
    const AVRational ratio = av_d2q(m_pitchScale, 1 << 20);
    m_resampler.reset();
    if (m_resampling == Resampling::Separate && ratio.num > 0 && ratio.num != ratio.den) {
        AVChannelLayout layout;
        av_channel_layout_default(&layout, m_channels);
        SwrContext *raw = nullptr;
        int r = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLT, ratio.den, &layout, AV_SAMPLE_FMT_FLTP,
                                    ratio.num, 0, nullptr);
        ff::ResamplerPtr resampler(raw);
        if (r >= 0)
            r = swr_init(resampler.get());
        if (r >= 0) {
            m_resampler = std::move(resampler);
            m_stretcher->setPitchScale(1.0);
            m_stretcher->setTimeRatio(double(ratio.num) / double(ratio.den) / m_tempo);
            return;
        }
        qCWarning(lcEngine, "Cannot set up the resampler (%s); Rubber Band resamples instead.",
                  qPrintable(ff::errorText(r)));
    }
    m_stretcher->setPitchScale(m_pitchScale);
    m_stretcher->setTimeRatio(1.0 / m_tempo);
}

// Real-time mode does no compensation of its own: it wants this much silence
// before the first real frame, and then reports startDelay() frames of delay
// at the start of its output.
void RubberbandPlugin::padStart()
{
    if (m_started)
        return;
    m_started = true;
    m_delayLeft = (long long)m_stretcher->getStartDelay();
    processSilence(int(m_stretcher->getPreferredStartPad()));
}

void RubberbandPlugin::processSilence(int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, ProcessBlockFrames);
        // Refilled every block: collecting the output reuses these buffers.
        for (auto &buffer : m_channelBuffers)
            std::fill_n(buffer.begin(), n, 0.0f);
        process(n, false);
        frames -= n;
    }
}

void RubberbandPlugin::process(int frames, bool final)
{
    m_stretcher->process(m_channelPointers.data(), size_t(frames), final);
    collectOutput();
}

void RubberbandPlugin::collectOutput()
{
    // Keep what is waiting at the front so the buffer never wraps.
    if (m_outputBegin > 0) {
        std::memmove(m_output.data(), m_output.data() + m_outputBegin,
                     (m_outputEnd - m_outputBegin) * sizeof(float));
        m_outputEnd -= m_outputBegin;
        m_outputBegin = 0;
    }
    int available;
    while ((available = m_stretcher->available()) > 0) {
        // The channel buffers' input has been consumed by now, so they can
        // take the output.
        const int n = int(m_stretcher->retrieve(m_channelPointers.data(),
                                                size_t(std::min(available, ChannelBufferFrames))));
        if (n <= 0)
            break;
        const int skip = int(std::min<long long>(n, m_delayLeft));
        m_delayLeft -= skip;
        if (n > skip)
            appendOutput(skip, n - skip);
    }
}

// Appends frames [skip, skip + frames) of the channel buffers, interleaved.
// Not clamped: pitch shifting lifts peaks over full scale, and the
// conversion's limiter brings them down without distortion.
void RubberbandPlugin::appendOutput(int skip, int frames)
{
    const size_t channels = size_t(m_channels);
    const int room = m_resampler ? swr_get_out_samples(m_resampler.get(), frames) : frames;
    if (m_output.size() < m_outputEnd + size_t(room) * channels)
        m_output.resize(m_outputEnd + size_t(room) * channels);
    float *out = m_output.data() + m_outputEnd;
    int produced = frames;
    if (m_resampler) {
        for (size_t c = 0; c < channels; ++c)
            m_resamplerInput[c] = reinterpret_cast<const uint8_t *>(m_channelBuffers[c].data() + skip);
        auto *target = reinterpret_cast<uint8_t *>(out);
        produced = swr_convert(m_resampler.get(), &target, room, m_resamplerInput.data(), frames);
        if (produced < 0) {
            qCWarning(lcEngine, "Resampling failed: %s", qPrintable(ff::errorText(produced)));
            produced = 0;
        }
    } else {
        for (int f = 0; f < frames; ++f)
            for (size_t c = 0; c < channels; ++c)
                out[size_t(f) * channels + c] = m_channelBuffers[c][size_t(skip + f)];
    }
    m_outputEnd += size_t(produced) * channels;
    m_framesOut += produced;
}
