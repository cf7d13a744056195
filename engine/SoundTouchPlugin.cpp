#include "engine/SoundTouchPlugin.h"

#include <soundtouch/SoundTouch.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>

namespace {

constexpr double Pi = 3.14159265358979323846;

void configure(soundtouch::SoundTouch &soundTouch, int sampleRate, int channels)
{
    soundTouch.setSampleRate(uint(sampleRate));
    soundTouch.setChannels(uint(channels));
    soundTouch.setTempo(1.0);
    soundTouch.setPitchSemiTones(0.0);
    soundTouch.setRate(1.0);
    soundTouch.setSetting(SETTING_USE_QUICKSEEK, 0);
    soundTouch.setSetting(SETTING_USE_AA_FILTER, 1);
}

// Tone bursts of several pitches with soft 5 ms edges, 100 ms long and
// 250 ms apart, starting 100 ms in.
struct BurstTrain
{
    static constexpr double Frequencies[] = {220.0, 440.0, 880.0, 330.0, 660.0, 1320.0};
    static constexpr double First = 0.1;
    static constexpr double Length = 0.1;
    static constexpr double Period = 0.25;
    static constexpr double Edge = 0.005;
    static constexpr double Amplitude = 0.5;

    static int count() { return int(std::size(Frequencies)); }
    static double seconds() { return First + count() * Period; }

    // The centre of burst k, in seconds.
    static double centre(int k) { return First + k * Period + Length / 2; }

    static std::vector<float> mono(int sampleRate)
    {
        std::vector<float> signal(size_t(seconds() * sampleRate));
        for (int k = 0; k < count(); ++k) {
            const size_t begin = size_t((First + k * Period) * sampleRate);
            const size_t length = size_t(Length * sampleRate);
            for (size_t i = 0; i < length && begin + i < signal.size(); ++i) {
                const double t = double(i) / sampleRate;
                const double fromEdge = std::min(t, Length - t);
                const double gain = fromEdge >= Edge ? 1.0 : 0.5 - 0.5 * std::cos(Pi * fromEdge / Edge);
                signal[begin + i] = float(Amplitude * gain * std::sin(2.0 * Pi * Frequencies[k] * t));
            }
        }
        return signal;
    }
};

// Where the burst around `expected` (in frames of `envelope`) has its centre:
// halfway between the points where its envelope rises above and falls below
// half the burst's level, found with sub-frame interpolation.
double burstCentre(const std::vector<float> &envelope, double expected, double searchFrames, float threshold)
{
    const long long from = std::max(1LL, (long long)(expected - searchFrames));
    const long long to = std::min((long long)envelope.size() - 1, (long long)(expected + searchFrames));
    double rise = -1.0;
    for (long long i = from; i <= to; ++i) {
        const float a = envelope[size_t(i - 1)];
        const float b = envelope[size_t(i)];
        if (rise < 0.0 && a < threshold && b >= threshold) {
            rise = double(i - 1) + (threshold - a) / (b - a);
        } else if (rise >= 0.0 && a >= threshold && b < threshold) {
            return (rise + double(i - 1) + (a - threshold) / (a - b)) / 2.0;
        }
    }
    return -1.0;
}

// Short-time RMS (1.5 ms window) of channel 0 of interleaved audio.
std::vector<float> envelopeOf(const std::vector<float> &interleaved, int channels, int window)
{
    const size_t frames = interleaved.size() / size_t(channels);
    std::vector<float> envelope(frames, 0.0f);
    double sum = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        const double v = interleaved[i * size_t(channels)];
        sum += v * v;
        if (i >= size_t(window)) {
            const double old = interleaved[(i - size_t(window)) * size_t(channels)];
            sum -= old * old;
        }
        envelope[i] = float(std::sqrt(std::max(0.0, sum) / window));
    }
    return envelope;
}

} // namespace

SoundTouchPlugin::SoundTouchPlugin(int sampleRate, int channels)
    : m_sampleRate(std::max(1, sampleRate))
    , m_channels(std::max(1, channels))
    , m_silence(size_t(StartPadFrames) * size_t(m_channels), 0.0f)
    , m_soundTouch(std::make_unique<soundtouch::SoundTouch>())
{
    configure(*m_soundTouch, m_sampleRate, m_channels);
}

SoundTouchPlugin::~SoundTouchPlugin() = default;

void SoundTouchPlugin::putSamples(const float *samples, int frames, int /*channels*/)
{
    if (frames <= 0 || m_finished)
        return;
    padStart();
    m_soundTouch->putSamples(samples, uint(frames));
}

int SoundTouchPlugin::receiveSamples(float *output, int maxFrames)
{
    if (maxFrames <= 0)
        return 0;
    return int(m_soundTouch->receiveSamples(output, uint(maxFrames)));
}

int SoundTouchPlugin::latency() const
{
    return int(m_soundTouch->numSamples() + m_soundTouch->numUnprocessedSamples());
}

int SoundTouchPlugin::availableSamples() const
{
    return int(m_soundTouch->numSamples());
}

void SoundTouchPlugin::reset()
{
    m_soundTouch->clear();
    m_started = false;
    m_finished = false;
}

void SoundTouchPlugin::finish()
{
    if (m_finished)
        return;
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
    // The delay depends on nothing but these settings, and measuring it
    // takes about as long as converting a quarter of a second of music: a
    // queue of files at one pitch measures it once.
    static std::mutex mutex;
    static std::map<std::tuple<int, double, double>, int> measured;
    const auto settings = std::make_tuple(m_sampleRate, m_tempo, m_semiTones);
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
    m_soundTouch->setPitchSemiTones(semiTones);
}

void SoundTouchPlugin::padStart()
{
    if (m_started)
        return;
    m_started = true;
    putSilence(StartPadFrames);
}

void SoundTouchPlugin::putSilence(int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, StartPadFrames);
        m_soundTouch->putSamples(m_silence.data(), uint(n));
        frames -= n;
    }
}

// Runs the burst train through a SoundTouch set up like ours, start pad
// included, and compares where the bursts come out with where they went in.
int SoundTouchPlugin::measureStartDelay() const
{
    soundtouch::SoundTouch probe;
    configure(probe, m_sampleRate, 1);
    probe.setTempo(m_tempo);
    probe.setPitchSemiTones(m_semiTones);

    const std::vector<float> pad(size_t(StartPadFrames), 0.0f);
    const std::vector<float> signal = BurstTrain::mono(m_sampleRate);
    probe.putSamples(pad.data(), uint(pad.size()));
    probe.putSamples(signal.data(), uint(signal.size()));
    probe.putSamples(pad.data(), uint(pad.size()));
    probe.flush();
    std::vector<float> output(probe.numSamples());
    output.resize(probe.receiveSamples(output.data(), uint(output.size())));

    const int window = std::max(8, m_sampleRate * 3 / 2000);
    const std::vector<float> envelope = envelopeOf(output, 1, window);
    // The envelope of a steady burst is Amplitude / sqrt(2); window/2 is the
    // envelope's own delay.
    const float threshold = float(BurstTrain::Amplitude / std::sqrt(2.0) / 2.0);
    const double timeScale = 1.0 / (m_tempo > 0.0 ? m_tempo : 1.0);
    double sum = 0.0;
    int found = 0;
    for (int k = 0; k < BurstTrain::count(); ++k) {
        const double in = BurstTrain::centre(k) * m_sampleRate;
        const double expected = (StartPadFrames + in) * timeScale + window / 2.0;
        const double out = burstCentre(envelope, expected, 0.08 * m_sampleRate, threshold);
        if (out < 0.0)
            continue;
        sum += out - window / 2.0 - in * timeScale;
        ++found;
    }
    if (found == 0)
        return StartPadFrames;
    return std::max(0, int(std::lround(sum / found)));
}
