#include "dsp/SoundTouchDelayProbe.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace {

constexpr double Pi = 3.14159265358979323846;

// The probe: 440 Hz bursts rising from a steady tone at a quarter of their
// level, one every 250 ms. The bursts mark the time; the tone keeps one
// phase, so SoundTouch splices it as it splices any steady note: in the
// middle of its seek window, where its own start-up skip expects it,
// whatever the sample rate.
constexpr double ProbeSeconds = 3.0;
// Lags are measured from here on, once the splices have settled.
constexpr double SettleSeconds = 0.5;

std::vector<float> toneProbe(int sampleRate)
{
    constexpr double Burst = 0.06;
    constexpr double Edge = 0.005;
    std::vector<float> signal(size_t(ProbeSeconds * sampleRate));
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

int SoundTouchDelayProbe::startDelay(int sampleRate, double semitones, const SoundTouchShifter::Settings &settings)
{
    static std::mutex mutex;
    static std::map<std::tuple<int, double, SoundTouchShifter::Settings>, int> measured;
    const auto key = std::make_tuple(sampleRate, semitones, settings);
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const auto known = measured.find(key);
        if (known != measured.end())
            return known->second;
    }
    const int delay = SoundTouchDelayProbe(sampleRate, semitones, settings).measure();
    const std::lock_guard<std::mutex> lock(mutex);
    measured.emplace(key, delay);
    return delay;
}

SoundTouchDelayProbe::SoundTouchDelayProbe(int sampleRate, double semitones,
                                           const SoundTouchShifter::Settings &settings)
    : m_sampleRate(sampleRate)
    , m_semitones(semitones)
    , m_settings(settings)
    , m_padFrames(SoundTouchShifter::padFrames(sampleRate))
{
}

int SoundTouchDelayProbe::measure() const
{
    soundtouch::SoundTouch probe;
    SoundTouchShifter::configure(probe, m_sampleRate, 1, m_settings);
    probe.setPitchSemiTones(m_semitones);
    const std::vector<float> signal = toneProbe(m_sampleRate);
    return std::max(0, int(std::lround(toneDelay(signal, shifted(probe, signal)) + musicOffset(probe))));
}

// The probe through `probe`, a SoundTouch set up like the shifter's, start
// pad included. In blocks, as a conversion feeds it: SoundTouch moves what it
// holds each time it takes a sequence, and the three seconds in one call
// made the probe three times as slow.
std::vector<float> SoundTouchDelayProbe::shifted(soundtouch::SoundTouch &probe,
                                                 const std::vector<float> &signal) const
{
    const std::vector<float> pad(size_t(m_padFrames), 0.0f);
    std::vector<float> output;
    output.reserve(signal.size() + 3 * pad.size());
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
    return output;
}

// The delay at which the output's envelope matches the input's best: first
// coarsely, then frame by frame around the best coarse lag, and between
// frames by a parabola through the best three.
double SoundTouchDelayProbe::toneDelay(const std::vector<float> &signal, const std::vector<float> &output) const
{
    const std::vector<float> in = envelopeOf(signal, m_sampleRate);
    const std::vector<float> out = envelopeOf(output, m_sampleRate);
    const long long first = (long long)(SettleSeconds * m_sampleRate);
    const long long last = (long long)signal.size() - m_sampleRate / 10;
    const double origin = m_padFrames;
    // Up to 25 ms either way, more than half of any sensible seek window, and
    // 1 ms more for each semitone of shift (which moves the output by 2.3 ms).
    const long long maxLag =
        std::min((long long)(m_sampleRate * (0.025 + 0.001 * std::abs(m_semitones))), (long long)origin);
    // Every Fine-th input frame and where it lands in the output at lag 0.
    constexpr long long Fine = 4;
    constexpr long long Coarse = 16;
    std::vector<std::pair<float, long long>> points;
    for (long long i = first; i < last; i += Fine)
        points.emplace_back(in[size_t(i)], std::llround(origin + double(i)));
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
    return origin + double(from) + double(peak) + offset;
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
double SoundTouchDelayProbe::musicOffset(const soundtouch::SoundTouch &probe) const
{
    const double stretch = 1.0 / std::exp2(m_semitones / 12.0);
    if (stretch == 1.0)
        return 0.0;
    // As SoundTouch applies them: a setting of 0 is its own choice.
    const double windowMs = probe.getSetting(SETTING_SEEKWINDOW_MS);
    const double driftMs =
        std::abs(stretch - 1.0) * (probe.getSetting(SETTING_SEQUENCE_MS) - probe.getSetting(SETTING_OVERLAP_MS));
    const double share = driftMs < windowMs / 2.0 ? 0.15 : 0.07;
    return (stretch > 1.0 ? 1.0 : -1.0) * share * windowMs * m_sampleRate / 1000.0;
}
