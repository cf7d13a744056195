#include "dsp/RubberBandShifter.h"

#include <QLoggingCategory>

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using RubberBand::RubberBandStretcher;

namespace {

Q_LOGGING_CATEGORY(lcEngine, "tunewise.engine", QtInfoMsg)

// The R2 engine in real-time mode lets a steady tone wander by ±15 cents
// around the target pitch; R3 holds it within a hundredth of a cent. R3's
// short window with the channels apart costs a quarter of the standard
// window's work, but narrows the correlation of the channels (0.40 against
// the source's 0.55 on real music), widens the image by 3 dB, smears the
// timbre and slows attacks by 12 ms; the standard window with the channels
// together keeps the image and the timbre and brings the attacks within
// 2-4 ms (bench/RESULTS.md, "Stereo image and timbre of the
// frequency-based algorithm"). High-speed pitch would save 1.8 % of the
// work, and is as exact on a steady tone, but on music its partials land a
// cent or more off where high quality keeps them within a third of one.
// (With the resampler of our own, the pitch option only matters for the
// benchmark's comparison with the library's way.)
RubberBandStretcher::Options optionsOf(const RubberBandShifter::Settings &settings)
{
    using Settings = RubberBandShifter::Settings;
    RubberBandStretcher::Options options = RubberBandStretcher::OptionProcessRealTime;
    options |= settings.engine == Settings::Engine::Finer ? RubberBandStretcher::OptionEngineFiner
                                                          : RubberBandStretcher::OptionEngineFaster;
    options |= settings.window == Settings::Window::Short ? RubberBandStretcher::OptionWindowShort
                                                          : RubberBandStretcher::OptionWindowStandard;
    options |= settings.channelsTogether ? RubberBandStretcher::OptionChannelsTogether
                                         : RubberBandStretcher::OptionChannelsApart;
    if (settings.keepFormants)
        options |= RubberBandStretcher::OptionFormantPreserved;
    switch (settings.pitch) {
    case Settings::Pitch::HighSpeed:
        return options | RubberBandStretcher::OptionPitchHighSpeed;
    case Settings::Pitch::HighQuality:
        return options | RubberBandStretcher::OptionPitchHighQuality;
    case Settings::Pitch::HighConsistency:
        break;
    }
    return options | RubberBandStretcher::OptionPitchHighConsistency;
}

// The standard window's music comes out late when shifting down, by more
// than its tone bursts: 0.97 ms at 440 -> 432 Hz, 2.5 ms two semitones down,
// growing as the stretch shortens (bench/RESULTS.md, "Alignment of the
// standard window"). This much more of the stretcher's output is dropped, in
// seconds of output for a time ratio below 1, leaving music about a third of
// a ms late and tone bursts half a ms early. It stops growing at two
// semitones: an octave down, music comes out no later (1.8 ms) than two
// semitones down. Shifting up, music stays within a ms as it is.
double musicLead(double timeRatio)
{
    if (timeRatio >= 1.0)
        return 0.0;
    return std::min(0.00035 + 0.0169 * (1.0 - timeRatio), 0.0022);
}

} // namespace

RubberBandShifter::RubberBandShifter(int sampleRate, int channels, double semitones)
    : RubberBandShifter(sampleRate, channels, semitones, Settings())
{
}

RubberBandShifter::RubberBandShifter(int sampleRate, int channels, double semitones, const Settings &settings)
    : m_channels(std::max(1, channels))
    , m_sampleRate(std::max(1, sampleRate))
    , m_maxProcessFrames(192000 / (2 * m_channels))
    , m_stretcher(std::make_unique<RubberBandStretcher>(size_t(std::max(1, sampleRate)), size_t(m_channels),
                                                        optionsOf(settings), 1.0, 1.0))
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
    configure(std::pow(2.0, semitones / 12.0), settings);
}

RubberBandShifter::~RubberBandShifter() = default;

// To move the pitch by p, the stretcher makes the audio p times as long and
// the resampler plays it back p times as fast. The library would resample
// inside the stretcher the same way, but its resampler is 44 % of its work;
// libswresample does the same for a small part of that. Both steps use
// exactly the same ratio, the resampler's fraction (432/440 is 54/55).
//
// Kept formants: the resampler moves the spectral envelope with the pitch,
// so the stretcher moves it the other way first (R3 takes a formant scale of
// its own; the library's pitch scale would do the same, but runs early when
// shifting down, 14 ms at an octave, and costs more).
void RubberBandShifter::configure(double pitchScale, const Settings &settings)
{
    const bool formantScale = settings.keepFormants && settings.engine == Settings::Engine::Finer;
    if ((!settings.libraryResampling || formantScale) && m_resampler.configure(m_channels, pitchScale)) {
        m_stretcher->setPitchScale(1.0);
        m_stretcher->setTimeRatio(m_resampler.speed());
        if (settings.engine == Settings::Engine::Finer && settings.window == Settings::Window::Standard)
            m_musicLeadFrames = std::lround(musicLead(m_resampler.speed()) * m_sampleRate * m_resampler.speed());
        if (formantScale)
            m_stretcher->setFormantScale(1.0 / m_resampler.speed());
        return;
    }
    if (!m_resampler.error().isEmpty()) {
        qCWarning(lcEngine, "Cannot set up the resampler (%s); Rubber Band resamples instead.",
                  qPrintable(m_resampler.error()));
    }
    m_stretcher->setPitchScale(pitchScale);
    m_stretcher->setTimeRatio(1.0);
}

void RubberBandShifter::put(const float *samples, int frames)
{
    if (frames <= 0 || m_finished || !m_failure.isEmpty())
        return;
    padStart();

    // Feed small blocks and take the output after each: R3 in real-time mode
    // overruns its output buffer when handed several large blocks in a row,
    // and even single blocks of 16k frames shift its timing by a millisecond.
    // Samples over full scale pass as they are: the limiter after the
    // shifter brings them down without the distortion a clip would make.
    const int blockFrames = std::min(m_maxProcessFrames, ProcessBlockFrames);
    for (int done = 0; done < frames; done += blockFrames) {
        const int n = std::min(blockFrames, frames - done);
        const float *in = samples + size_t(done) * size_t(m_channels);
        for (int f = 0; f < n; ++f)
            for (int c = 0; c < m_channels; ++c)
                m_channelBuffers[size_t(c)][size_t(f)] = in[size_t(f) * size_t(m_channels) + size_t(c)];
        process(n, false);
    }
    m_framesIn += frames;
}

int RubberBandShifter::receive(float *output, int maxFrames)
{
    const int n = std::min(std::max(0, maxFrames), available());
    const size_t count = size_t(n) * size_t(m_channels);
    std::memcpy(output, m_output.data() + m_outputBegin, count * sizeof(float));
    m_outputBegin += count;
    if (m_outputBegin == m_outputEnd)
        m_outputBegin = m_outputEnd = 0;
    return n;
}

int RubberBandShifter::available() const
{
    return int((m_outputEnd - m_outputBegin) / size_t(m_channels));
}

void RubberBandShifter::finish()
{
    if (m_finished)
        return;
    padStart();
    // In real-time mode the final flag does not push out what the stretcher
    // still holds (a window and more). Feed silence until everything that
    // was put in has come out, then end the stream.
    const long long wanted = m_framesIn + startDelay();
    const long long silenceLimit = m_framesIn + 10LL * ChannelBufferFrames;
    for (long long fed = 0; m_framesOut < wanted && fed < silenceLimit; fed += ProcessBlockFrames)
        processSilence(ProcessBlockFrames);
    process(0, true);
    m_finished = true;
}

// The stretcher's own delay is dropped before the resampler, which has
// none of its own: its filter is centred on the frame it computes.
int RubberBandShifter::startDelay() const
{
    return 0;
}

// Real-time mode does no compensation of its own: it wants this much silence
// before the first real frame, and then reports its start delay at the
// start of its output.
void RubberBandShifter::padStart()
{
    if (m_started)
        return;
    m_started = true;
    m_delayLeft = (long long)m_stretcher->getStartDelay();
    m_delayLeft += m_musicLeadFrames;
    processSilence(int(m_stretcher->getPreferredStartPad()));
}

void RubberBandShifter::processSilence(int frames)
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

void RubberBandShifter::process(int frames, bool final)
{
    m_stretcher->process(m_channelPointers.data(), size_t(frames), final);
    collectOutput();
}

void RubberBandShifter::collectOutput()
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
void RubberBandShifter::appendOutput(int skip, int frames)
{
    const size_t channels = size_t(m_channels);
    const int room = m_resampler.active() ? m_resampler.room(frames) : frames;
    if (m_output.size() < m_outputEnd + size_t(room) * channels)
        m_output.resize(m_outputEnd + size_t(room) * channels);
    float *out = m_output.data() + m_outputEnd;
    int produced = frames;
    if (m_resampler.active()) {
        for (size_t c = 0; c < channels; ++c)
            m_resamplerInput[c] = m_channelBuffers[c].data() + skip;
        produced = m_resampler.convert(m_resamplerInput.data(), frames, out, room);
        if (produced < 0) {
            m_failure = tr("Resampling the retuned audio failed: %1.").arg(m_resampler.error());
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
