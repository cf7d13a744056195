#include "engine/SoundTouchPlugin.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace {

constexpr double Pi = 3.14159265358979323846;

void configure(soundtouch::SoundTouch &soundTouch, int sampleRate, int channels,
               const SoundTouchPlugin::Settings &settings)
{
    soundTouch.setSampleRate(uint(sampleRate));
    soundTouch.setChannels(uint(channels));
    soundTouch.setTempo(1.0);
    soundTouch.setPitchSemiTones(0.0);
    soundTouch.setRate(1.0);
    soundTouch.setSetting(SETTING_SEQUENCE_MS, settings.sequenceMs);
    soundTouch.setSetting(SETTING_SEEKWINDOW_MS, settings.seekWindowMs);
    soundTouch.setSetting(SETTING_OVERLAP_MS, settings.overlapMs);
    soundTouch.setSetting(SETTING_USE_QUICKSEEK, settings.quickSeek ? 1 : 0);
    soundTouch.setSetting(SETTING_USE_AA_FILTER, settings.antiAliasFilter ? 1 : 0);
    soundTouch.setSetting(SETTING_AA_FILTER_LENGTH, settings.antiAliasTaps);
}

// The probe for the start delay: 440 Hz bursts rising from a steady tone at
// a quarter of their level, one every 250 ms. The bursts mark the time; the
// tone keeps one phase, so SoundTouch splices it as it splices any steady
// note: in the middle of its seek window, where its own start-up skip expects
// it, whatever the sample rate.
struct ToneProbe
{
    static constexpr double Seconds = 3.0;
    // Lags are measured from here on, once the splices have settled.
    static constexpr double Settle = 0.5;

    static std::vector<float> mono(int sampleRate)
    {
        constexpr double Burst = 0.06;
        constexpr double Edge = 0.005;
        std::vector<float> signal(size_t(Seconds * sampleRate));
        for (size_t i = 0; i < signal.size(); ++i) {
            const double t = double(i) / sampleRate;
            const double inBurst = std::fmod(t, 0.25);
            double gain = 0.0;
            if (inBurst < Burst) {
                const double edge = std::min(inBurst, Burst - inBurst);
                gain = edge < Edge ? 0.5 - 0.5 * std::cos(Pi * edge / Edge) : 1.0;
            }
            signal[i] = float(0.5 * (0.25 + 0.75 * gain) * std::sin(2.0 * Pi * 440.0 * t));
        }
        return signal;
    }
};

// RMS over a centred 5 ms window, for every frame.
std::vector<float> envelopeOf(const std::vector<float> &mono, int sampleRate)
{
    std::vector<double> sums(mono.size() + 1, 0.0);
    for (size_t i = 0; i < mono.size(); ++i)
        sums[i + 1] = sums[i] + double(mono[i]) * mono[i];
    const long long half = std::max(1, sampleRate / 400);
    const long long size = (long long)mono.size();
    std::vector<float> envelope(mono.size());
    for (long long i = 0; i < size; ++i) {
        const long long a = std::max(0LL, i - half);
        const long long b = std::min(size, i + half);
        envelope[size_t(i)] = float(std::sqrt(std::max(0.0, sums[size_t(b)] - sums[size_t(a)]) / double(b - a)));
    }
    return envelope;
}

} // namespace

bool SoundTouchPlugin::Settings::operator<(const Settings &other) const
{
    return std::tie(sequenceMs, seekWindowMs, overlapMs, quickSeek, antiAliasFilter, antiAliasTaps)
           < std::tie(other.sequenceMs, other.seekWindowMs, other.overlapMs, other.quickSeek,
                      other.antiAliasFilter, other.antiAliasTaps);
}

SoundTouchPlugin::SoundTouchPlugin(int sampleRate, int channels)
    : SoundTouchPlugin(sampleRate, channels, Settings())
{
}

SoundTouchPlugin::SoundTouchPlugin(int sampleRate, int channels, const Settings &settings)
    : m_sampleRate(std::max(1, sampleRate))
    , m_channels(std::max(1, channels))
    , m_settings(settings)
    // The same time at every rate: shifting up an octave moves the output
    // 27 ms earlier.
    , m_padFrames(std::max(StartPadFrames, int((long long)StartPadFrames * m_sampleRate / 44100)))
    , m_silence(size_t(m_padFrames) * size_t(m_channels), 0.0f)
    , m_soundTouch(std::make_unique<soundtouch::SoundTouch>())
{
    configure(*m_soundTouch, m_sampleRate, m_channels, m_settings);
}

SoundTouchPlugin::~SoundTouchPlugin() = default;

void SoundTouchPlugin::putSamples(const float *samples, int frames, int /*channels*/)
{
    if (frames <= 0 || m_finished)
        return;
    if (bypassed()) {
        m_passed.insert(m_passed.end(), samples, samples + size_t(frames) * size_t(m_channels));
        return;
    }
    padStart();
    m_soundTouch->putSamples(samples, uint(frames));
}

int SoundTouchPlugin::receiveSamples(float *output, int maxFrames)
{
    if (maxFrames <= 0)
        return 0;
    if (bypassed()) {
        const int frames = std::min(maxFrames, availableSamples());
        const size_t count = size_t(frames) * size_t(m_channels);
        std::copy_n(m_passed.begin() + std::ptrdiff_t(m_passedRead), count, output);
        m_passedRead += count;
        if (m_passedRead == m_passed.size()) {
            m_passed.clear();
            m_passedRead = 0;
        }
        return frames;
    }
    return int(m_soundTouch->receiveSamples(output, uint(maxFrames)));
}

int SoundTouchPlugin::latency() const
{
    if (bypassed())
        return availableSamples();
    return int(m_soundTouch->numSamples() + m_soundTouch->numUnprocessedSamples());
}

int SoundTouchPlugin::availableSamples() const
{
    if (bypassed())
        return int((m_passed.size() - m_passedRead) / size_t(m_channels));
    return int(m_soundTouch->numSamples());
}

void SoundTouchPlugin::reset()
{
    m_soundTouch->clear();
    m_passed.clear();
    m_passedRead = 0;
    m_started = false;
    m_finished = false;
}

void SoundTouchPlugin::finish()
{
    if (m_finished)
        return;
    if (bypassed()) {
        m_finished = true;
        return;
    }
    padStart();
    // flush() delivers exactly as much as went in (times the tempo); the
    // silence makes that reach the last input frame behind the delay.
    putSilence(startDelay());
    m_soundTouch->flush();
    m_finished = true;
}

int SoundTouchPlugin::startDelay() const
{
    if (m_startDelay >= 0)
        return m_startDelay;
    if (bypassed())
        return m_startDelay = 0;
    // The delay depends on nothing but these settings, and measuring it
    // costs about 20 ms, as much as SoundTouch's own work on 15 seconds of
    // music: a queue of files at one pitch measures it once.
    static std::mutex mutex;
    static std::map<std::tuple<int, double, double, Settings>, int> measured;
    const auto settings = std::make_tuple(m_sampleRate, m_tempo, m_semiTones, effectiveSettings());
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto known = measured.find(settings);
        if (known != measured.end())
            return m_startDelay = known->second;
    }
    m_startDelay = measureStartDelay();
    const std::lock_guard<std::mutex> lock(mutex);
    measured.emplace(settings, m_startDelay);
    return m_startDelay;
}

void SoundTouchPlugin::setTempo(double tempo)
{
    m_tempo = tempo;
    m_startDelay = -1;
    m_soundTouch->setTempo(tempo);
}

void SoundTouchPlugin::setPitchSemiTones(double semiTones)
{
    m_semiTones = semiTones;
    m_startDelay = -1;
    m_soundTouch->setSetting(SETTING_USE_AA_FILTER, effectiveSettings().antiAliasFilter ? 1 : 0);
    m_soundTouch->setPitchSemiTones(semiTones);
}

SoundTouchPlugin::Settings SoundTouchPlugin::effectiveSettings() const
{
    // Beyond a semitone the filter guards more than the top of the audible
    // range: shifting up folds content over, shifting down leaves images.
    Settings settings = m_settings;
    settings.antiAliasFilter = settings.antiAliasFilter || std::abs(m_semiTones) > 1.0;
    return settings;
}

bool SoundTouchPlugin::bypassed() const
{
    // Even at a ratio of 1 SoundTouch splices, which blurs transients.
    return m_tempo == 1.0 && m_semiTones == 0.0;
}

void SoundTouchPlugin::padStart()
{
    if (m_started)
        return;
    m_started = true;
    putSilence(m_padFrames);
}

void SoundTouchPlugin::putSilence(int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, m_padFrames);
        m_soundTouch->putSamples(m_silence.data(), uint(n));
        frames -= n;
    }
}

// Runs the probe through a SoundTouch set up like ours, start pad included,
// and finds the delay at which the output's envelope matches the input's
// best: first coarsely, then frame by frame around the best coarse lag.
int SoundTouchPlugin::measureStartDelay() const
{
    soundtouch::SoundTouch probe;
    configure(probe, m_sampleRate, 1, effectiveSettings());
    probe.setTempo(m_tempo);
    probe.setPitchSemiTones(m_semiTones);

    const std::vector<float> pad(size_t(m_padFrames), 0.0f);
    const std::vector<float> signal = ToneProbe::mono(m_sampleRate);
    // In blocks, as a conversion feeds it: SoundTouch moves what it holds
    // each time it takes a sequence: the three seconds in one call made the
    // probe three times as slow.
    std::vector<float> output;
    output.reserve(size_t(double(signal.size() + 3 * pad.size()) / (m_tempo > 0.0 ? m_tempo : 1.0)));
    auto take = [&] {
        const size_t have = output.size();
        output.resize(have + probe.numSamples());
        output.resize(have + probe.receiveSamples(output.data() + have, uint(output.size() - have)));
    };
    probe.putSamples(pad.data(), uint(pad.size()));
    for (size_t i = 0; i < signal.size(); i += pad.size()) {
        probe.putSamples(signal.data() + i, uint(std::min(pad.size(), signal.size() - i)));
        take();
    }
    probe.putSamples(pad.data(), uint(pad.size()));
    probe.flush();
    take();

    const std::vector<float> in = envelopeOf(signal, m_sampleRate);
    const std::vector<float> out = envelopeOf(output, m_sampleRate);
    const double timeScale = 1.0 / (m_tempo > 0.0 ? m_tempo : 1.0);
    const long long first = (long long)(ToneProbe::Settle * m_sampleRate);
    const long long last = (long long)signal.size() - m_sampleRate / 10;
    const double origin = m_padFrames * timeScale;
    // Up to 25 ms either way, more than half of any sensible seek window, and
    // 1 ms more for each semitone of shift (which moves the output by 2.3 ms).
    const long long maxLag =
        std::min((long long)(m_sampleRate * (0.025 + 0.001 * std::abs(m_semiTones))), (long long)origin);
    // Every Fine-th input frame and where it lands in the output at lag 0.
    constexpr long long Fine = 4;
    constexpr long long Coarse = 16;
    std::vector<std::pair<float, long long>> points;
    for (long long i = first; i < last; i += Fine)
        points.emplace_back(in[size_t(i)], std::llround(origin + double(i) * timeScale));
    auto correlation = [&](long long lag, long long step) {
        double sum = 0.0;
        double energy = 0.0;
        for (size_t k = 0; k < points.size(); k += size_t(step / Fine)) {
            const long long j = points[k].second + lag;
            const double o = j >= 0 && j < (long long)out.size() ? out[size_t(j)] : 0.0;
            sum += points[k].first * o;
            energy += o * o;
        }
        return energy > 0.0 ? sum / std::sqrt(energy) : 0.0;
    };
    long long best = 0;
    double bestValue = -1.0;
    for (long long lag = -maxLag; lag <= maxLag; lag += Coarse) {
        const double value = correlation(lag, Coarse);
        if (value > bestValue) {
            bestValue = value;
            best = lag;
        }
    }
    const long long from = best - Coarse;
    std::vector<double> values;
    for (long long lag = from; lag <= best + Coarse; ++lag)
        values.push_back(correlation(lag, Fine));
    const size_t peak = size_t(std::max_element(values.begin(), values.end()) - values.begin());
    double offset = 0.0;
    if (peak > 0 && peak + 1 < values.size()) {
        const double denominator = values[peak - 1] - 2.0 * values[peak] + values[peak + 1];
        if (denominator < 0.0)
            offset = 0.5 * (values[peak - 1] - values[peak + 1]) / denominator;
    }
    const double toneDelay = origin + double(from) + double(peak) + offset;
    return std::max(0, int(std::lround(toneDelay + musicOffset(probe))));
}

// How much later than a tone music comes out of SoundTouch, in output frames
// (negative: earlier). On music the best splice is the plain continuation of
// the previous sequence, which the stretch moves by (its tempo - 1) x the
// sequence at every splice, so the splices gather towards one end of the
// seek window: its start when the stretch runs fast (shifting down), its end
// when it runs slow. How far from the middle they settle depends on the
// material; the shares were measured on excerpts of real music with the
// program's 30 ms window, at shifts from -12 to +12 semitones, and
// bench/musiclag.sh checks them. Once the drift at each splice is half the
// window or more, the continuation leaves the window at once, and music
// settles nearer the middle.
double SoundTouchPlugin::musicOffset(const soundtouch::SoundTouch &soundTouch) const
{
    const double stretch = m_tempo / std::exp2(m_semiTones / 12.0);
    if (stretch == 1.0)
        return 0.0;
    const double windowMs = soundTouch.getSetting(SETTING_SEEKWINDOW_MS);
    const double driftMs = std::abs(stretch - 1.0)
                           * (soundTouch.getSetting(SETTING_SEQUENCE_MS) - soundTouch.getSetting(SETTING_OVERLAP_MS));
    const double share = driftMs < windowMs / 2.0 ? 0.15 : 0.07;
    return (stretch > 1.0 ? 1.0 : -1.0) * share * windowMs * m_sampleRate / 1000.0 / m_tempo;
}
