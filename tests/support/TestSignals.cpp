#include "TestSignals.h"

#include <cmath>
#include <cstdint>

namespace TestSignals {

namespace {
constexpr double Pi = 3.14159265358979323846;

AudioBuffer allocate(double seconds, int sampleRate, int channels)
{
    AudioBuffer audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    audio.samples.resize(size_t(std::llround(seconds * sampleRate)) * size_t(channels));
    return audio;
}

void fill(AudioBuffer &audio, long long frame, double value)
{
    for (int c = 0; c < audio.channels; ++c)
        audio.samples[size_t(frame) * size_t(audio.channels) + size_t(c)] = float(value);
}
} // namespace

AudioBuffer sine(double frequency, double seconds, int sampleRate, int channels, double amplitude)
{
    AudioBuffer audio = allocate(seconds, sampleRate, channels);
    for (long long f = 0; f < audio.frames(); ++f)
        fill(audio, f, amplitude * std::sin(2.0 * Pi * frequency * double(f) / sampleRate));
    return audio;
}

namespace {
AudioBuffer bursts(double frequency, double seconds, int sampleRate, int channels, double amplitude,
                   double burstSeconds, double periodSeconds, double floor)
{
    AudioBuffer audio = allocate(seconds, sampleRate, channels);
    const double edge = 0.005;
    for (long long f = 0; f < audio.frames(); ++f) {
        const double t = double(f) / sampleRate;
        const double inBurst = std::fmod(t, periodSeconds);
        double gain = 0.0;
        if (inBurst < burstSeconds) {
            const double fromEdge = std::min(inBurst, burstSeconds - inBurst);
            gain = fromEdge >= edge ? 1.0 : 0.5 - 0.5 * std::cos(Pi * fromEdge / edge);
        }
        fill(audio, f, (floor + (1.0 - floor) * gain) * amplitude * std::sin(2.0 * Pi * frequency * t));
    }
    return audio;
}
} // namespace

AudioBuffer toneBursts(double frequency, double seconds, int sampleRate, int channels,
                       double amplitude, double burstSeconds, double periodSeconds)
{
    return bursts(frequency, seconds, sampleRate, channels, amplitude, burstSeconds, periodSeconds, 0.0);
}

AudioBuffer burstsOverTone(double frequency, double seconds, int sampleRate, int channels)
{
    return bursts(frequency, seconds, sampleRate, channels, 0.5, 0.06, 0.25, 0.25);
}

namespace {
// A fixed pseudo-random sequence, so that the material never changes.
class Noise
{
public:
    explicit Noise(uint32_t seed) : m_state(seed) {}
    // Uniform in [-1, 1).
    double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return double(m_state) / 2147483648.0 - 1.0;
    }

private:
    uint32_t m_state;
};
} // namespace

AudioBuffer musicLike(double seconds, int sampleRate, int channels)
{
    AudioBuffer audio = allocate(seconds, sampleRate, channels);
    const double beat = 0.5;
    const double bar = 4 * beat;
    // Roots of the chords, one bar each; minor where the flag is set.
    const double roots[] = {220.0, 174.61, 261.63, 196.0, 146.83, 164.81, 233.08, 185.0};
    const bool minor[] = {true, false, false, false, true, true, false, true};
    Noise noise(12345);
    Noise bursts(987);
    double hiss = 0.0;
    double burstStart = -1.0;
    for (long long f = 0; f < audio.frames(); ++f) {
        const double t = double(f) / sampleRate;
        const int barIndex = int(t / bar) % 8;
        const double inBar = std::fmod(t, bar);
        const double inBeat = std::fmod(t, beat);
        const int beatInBar = int(inBar / beat);

        // The chord: three notes with four overtones, soft onset per bar.
        const double root = roots[barIndex];
        const double third = root * (minor[barIndex] ? 1.18921 : 1.25992);
        const double onset = std::min(1.0, inBar / 0.03) * (0.6 + 0.4 * std::exp(-2.0 * inBar));
        double chord = 0.0;
        for (double note : {root, third, root * 1.49831}) {
            for (int h = 1; h <= 4; ++h)
                chord += std::sin(2.0 * Pi * note * h * t) / h;
        }
        chord *= 0.05 * onset;

        const double bass = 0.2 * std::exp(-4.0 * inBeat)
                            * (std::sin(2.0 * Pi * root / 2 * t) + 0.3 * std::sin(2.0 * Pi * root * t));

        // Kick on beats one and three, a falling sine; snare on two and four.
        double kick = 0.0;
        double snare = 0.0;
        const double white = noise.next();
        if (beatInBar % 2 == 0) {
            const double sweep = 45.0 * inBeat + (120.0 - 45.0) * (1.0 - std::exp(-30.0 * inBeat)) / 30.0;
            kick = 0.3 * std::exp(-12.0 * inBeat) * std::sin(2.0 * Pi * sweep);
        } else {
            snare = std::exp(-25.0 * inBeat) * (0.25 * white + 0.1 * std::sin(2.0 * Pi * 180.0 * inBeat));
        }
        // Hi-hat: differenced noise (bright) on the off-beats.
        const double bright = white - hiss;
        hiss = white;
        const double offBeat = std::fmod(t + beat / 2, beat);
        const double hat = 0.06 * std::exp(-60.0 * offBeat) * bright;

        // A 50 ms burst of noise at random moments, about one a second.
        if (burstStart < 0.0 && bursts.next() > 1.0 - 2.0 / sampleRate)
            burstStart = t;
        double burst = 0.0;
        if (burstStart >= 0.0) {
            const double since = t - burstStart;
            burst = 0.2 * white * std::sin(Pi * since / 0.05);
            if (since >= 0.05)
                burstStart = -1.0;
        }

        const double centre = chord + bass + kick;
        for (int c = 0; c < channels; ++c) {
            const double pan = channels > 1 && c % 2 ? 0.7 : 1.0;
            audio.samples[size_t(f) * size_t(channels) + size_t(c)] =
                float(centre + pan * (snare + burst) + (1.7 - pan) * hat);
        }
    }
    return audio;
}

} // namespace TestSignals
