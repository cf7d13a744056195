#include "support/TestSignals.h"

#include <cmath>

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

} // namespace TestSignals
