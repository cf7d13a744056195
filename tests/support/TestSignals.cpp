#include "support/TestSignals.h"

#include <algorithm>
#include <cmath>
#include <random>

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

// Uniform in [-1, 1), the same from every standard library.
double bipolar(std::mt19937 &random)
{
    return double(random()) / 2147483648.0 - 1.0;
}

struct Instrument
{
    std::vector<double> partials;  // amplitude of each harmonic, from the 1st
    double decay;                  // per second, of the 1st harmonic ...
    double decayGrowth;            // ... and this much faster for each one up
    double attack;                 // seconds
    double release;
    double vibratoCents;
    double vibratoHz;
    double level;
};

struct Note
{
    double start;  // seconds
    double length;
    int key;  // MIDI note number: A4 = 69
    const Instrument *instrument;
};

void play(std::vector<double> &out, int sampleRate, double a4Hz, const Note &note, bool vibrato,
          double vibratoPhase)
{
    const Instrument &in = *note.instrument;
    const double f0 = a4Hz * std::pow(2.0, (note.key - 69) / 12.0);
    const double depth = vibrato ? in.vibratoCents : 0.0;
    const long long begin = std::llround(note.start * sampleRate);
    const long long length = std::llround(note.length * sampleRate);
    const long long total = std::min<long long>(length + std::llround(in.release * sampleRate),
                                                (long long)out.size() - begin);
    // Harmonics that stay below the Nyquist frequency even at the top of the vibrato.
    size_t count = 0;
    while (count < in.partials.size() && (count + 1) * f0 * std::pow(2.0, depth / 1200.0) < 0.45 * sampleRate)
        ++count;
    std::vector<double> level(in.partials.begin(), in.partials.begin() + long(count));
    std::vector<double> fade(count);
    for (size_t k = 0; k < count; ++k)
        fade[k] = std::exp(-in.decay * (1.0 + in.decayGrowth * double(k)) / sampleRate);

    double phase = 0.0;
    for (long long i = 0; i < total; ++i) {
        const double t = double(i) / sampleRate;
        const double cents = depth * std::sin(2.0 * Pi * in.vibratoHz * t + vibratoPhase);
        phase += 2.0 * Pi * f0 * std::exp2(cents / 1200.0) / sampleRate;
        if (phase > 2.0 * Pi)
            phase -= 2.0 * Pi;
        double gain = std::min(1.0, t / in.attack);
        if (i >= length)
            gain *= 1.0 - double(i - length) / (in.release * sampleRate);
        // sin(k x) from sin((k - 1) x) and sin((k - 2) x).
        const double twiceCos = 2.0 * std::cos(phase);
        double previous = 0.0;
        double current = std::sin(phase);
        double sum = 0.0;
        for (size_t k = 0; k < count; ++k) {
            sum += level[k] * current;
            level[k] *= fade[k];
            const double next = twiceCos * current - previous;
            previous = current;
            current = next;
        }
        out[size_t(begin + i)] += in.level * gain * sum;
    }
}

// Bursts of noise through first-order filters, fading by `decay` per second.
void hit(std::vector<double> &out, int sampleRate, double start, double seconds, double decay, double lowHz,
         double highHz, double level, std::mt19937 &random)
{
    const long long begin = std::llround(start * sampleRate);
    const long long total = std::min<long long>(std::llround(seconds * sampleRate), (long long)out.size() - begin);
    const double low = 1.0 - std::exp(-2.0 * Pi * lowHz / sampleRate);
    const double high = 1.0 - std::exp(-2.0 * Pi * highHz / sampleRate);
    double belowHigh = 0.0;
    double belowLow = 0.0;
    for (long long i = 0; i < total; ++i) {
        const double x = bipolar(random);
        belowHigh += high * (x - belowHigh);
        belowLow += low * (x - belowLow);
        out[size_t(begin + i)] += level * std::exp(-decay * double(i) / sampleRate) * (belowHigh - belowLow);
    }
}

void kick(std::vector<double> &out, int sampleRate, double start)
{
    const long long begin = std::llround(start * sampleRate);
    const long long total = std::min<long long>(std::llround(0.3 * sampleRate), (long long)out.size() - begin);
    double phase = 0.0;
    for (long long i = 0; i < total; ++i) {
        const double t = double(i) / sampleRate;
        phase += 2.0 * Pi * (45.0 + 75.0 * std::exp(-t / 0.03)) / sampleRate;
        out[size_t(begin + i)] += 0.5 * std::exp(-t / 0.08) * std::sin(phase);
    }
}

} // namespace

AudioBuffer tunedMusic(double a4Hz, double seconds, int sampleRate, int channels, bool vibrato, bool withDrums)
{
    static const Instrument pad{{1.0, 1 / 2.0, 1 / 3.0, 1 / 4.0, 1 / 5.0, 1 / 6.0, 1 / 7.0, 1 / 8.0},
                                0.0, 0.0, 0.08, 0.15, 20.0, 5.5, 0.05};
    static const Instrument melody{{1.0, 0.0, 0.45, 0.0, 0.3, 0.0, 0.18, 0.0, 0.1}, 0.0, 0.0, 0.03, 0.06, 25.0, 5.8,
                                   0.14};
    static const Instrument bass{{1.0, 1 / 4.0, 1 / 9.0, 1 / 16.0, 1 / 25.0, 1 / 36.0}, 2.5, 0.4, 0.005, 0.05,
                                 0.0, 0.0, 0.22};
    static const Instrument keys{{1.0, 0.35, 0.19, 0.125, 0.09, 0.068, 0.054, 0.044, 0.037, 0.032}, 3.0, 0.5,
                                 0.003, 0.3, 0.0, 0.0, 0.08};
    // Eight bars, each a bass root and a chord; accidentals bring in all
    // the white keys and two black ones.
    struct Bar
    {
        int root;
        std::vector<int> chord;
    };
    static const std::vector<Bar> bars = {
        {48, {60, 64, 67}}, {45, {57, 60, 64}},     {41, {57, 60, 65}}, {43, {55, 59, 62, 65}},
        {40, {55, 59, 64}}, {45, {57, 61, 64, 67}}, {38, {57, 62, 65}}, {40, {56, 59, 62, 64}},
    };
    constexpr double Beat = 0.5;
    constexpr double BarSeconds = 4 * Beat;

    // Drums draw from their own numbers, so the notes stay the same
    // without them.
    std::mt19937 random(20240601u);
    std::mt19937 drumRandom(5u);
    std::vector<double> mix(size_t(std::llround(seconds * sampleRate)), 0.0);
    for (int b = 0; b * BarSeconds < seconds; ++b) {
        const Bar &bar = bars[size_t(b) % bars.size()];
        const double start = b * BarSeconds;
        for (int key : bar.chord)
            play(mix, sampleRate, a4Hz, {start, BarSeconds, key, &pad}, vibrato, Pi * (1.0 + bipolar(random)));
        for (int beat = 0; beat < 4; ++beat) {
            const double at = start + beat * Beat;
            const int bassKey = bar.root + (beat == 2 ? 7 : beat == 3 ? 12 : 0);
            play(mix, sampleRate, a4Hz, {at, Beat * 0.9, bassKey, &bass}, vibrato, 0.0);
            // The melody: one or two notes a beat, chord notes an octave or
            // two up.
            const int notes = bipolar(random) < 0.0 ? 1 : 2;
            for (int n = 0; n < notes; ++n) {
                const size_t pick = size_t(random() % bar.chord.size());
                const int key = bar.chord[pick] + (bar.chord[pick] < 60 ? 24 : 12);
                play(mix, sampleRate, a4Hz, {at + n * Beat / notes, Beat / notes * 0.9, key, &melody}, vibrato,
                     Pi * (1.0 + bipolar(random)));
            }
            // The arpeggio, in eighths.
            for (int half = 0; half < 2; ++half) {
                const int key = bar.chord[size_t(2 * beat + half) % bar.chord.size()] + 12;
                play(mix, sampleRate, a4Hz, {at + half * Beat / 2, Beat / 2, key, &keys}, vibrato, 0.0);
            }
            if (withDrums) {
                if (beat % 2 == 0)
                    kick(mix, sampleRate, at);
                else
                    hit(mix, sampleRate, at, 0.25, 25.0, 200.0, 4000.0, 0.5, drumRandom);
                hit(mix, sampleRate, at + Beat / 2, 0.08, 80.0, 6000.0, 16000.0, 0.15, drumRandom);
            }
        }
    }

    AudioBuffer audio = allocate(seconds, sampleRate, channels);
    for (long long f = 0; f < audio.frames(); ++f)
        fill(audio, f, 0.7 * mix[size_t(f)]);  // not normalised: the drums only add to the rest
    return audio;
}

namespace {

// A small room (four feedback combs, then two all-passes) whose delays are
// stretched by `spread` (a channel's room is a little larger than the
// other's); rt60: seconds to fall by 60 dB.
std::vector<double> room(const std::vector<double> &dry, int sampleRate, double rt60, double spread)
{
    std::vector<double> wet(dry.size(), 0.0);
    for (const double ms : {29.7, 37.1, 41.1, 43.7}) {
        const size_t delay = size_t(ms * spread * sampleRate / 1000.0);
        const double feedback = std::pow(10.0, -3.0 * ms * spread / 1000.0 / rt60);
        std::vector<double> comb(dry.size(), 0.0);
        for (size_t i = 0; i < dry.size(); ++i)
            comb[i] = dry[i] + (i >= delay ? feedback * comb[i - delay] : 0.0);
        for (size_t i = 0; i < dry.size(); ++i)
            wet[i] += 0.25 * comb[i];
    }
    for (const double ms : {5.0, 1.7}) {
        const size_t delay = size_t(ms * spread * sampleRate / 1000.0);
        std::vector<double> passed(wet.size(), 0.0);
        for (size_t i = 0; i < wet.size(); ++i) {
            const double before = i >= delay ? passed[i - delay] : 0.0;
            passed[i] = -0.7 * wet[i] + (i >= delay ? wet[i - delay] : 0.0) + 0.7 * before;
        }
        wet.swap(passed);
    }
    return wet;
}

} // namespace

AudioBuffer stereoVoices(double seconds, int sampleRate)
{
    static const Instrument singer{{1.0, 0.0, 0.45, 0.0, 0.3, 0.0, 0.18, 0.0, 0.1}, 0.0, 0.0, 0.03, 0.06, 25.0,
                                   5.8, 0.3};
    static const Instrument lower{{1.0, 0.6, 0.5, 0.4, 0.3, 0.25, 0.2, 0.15}, 0.0, 0.0, 0.04, 0.1, 18.0, 5.2, 0.2};
    static const int scale[] = {0, 2, 4, 7, 9, 12, 9, 7, 4, 2};
    const size_t frames = size_t(std::llround(seconds * sampleRate));
    std::vector<double> first(frames, 0.0), second(frames, 0.0);
    for (int n = 0; n * 0.5 < seconds; ++n)
        play(first, sampleRate, 440.0, {n * 0.5, 0.45, 64 + scale[n % 10], &singer}, true, n);
    for (int n = 0; n * 0.75 < seconds; ++n)
        play(second, sampleRate, 440.0, {n * 0.75, 0.7, 52 + scale[(3 * n) % 10], &lower}, true, n);
    const std::vector<double> rooms[2][2] = {
        {room(first, sampleRate, 0.5, 1.0), room(first, sampleRate, 0.5, 1.07)},
        {room(second, sampleRate, 1.2, 1.13), room(second, sampleRate, 1.2, 1.0)}};
    AudioBuffer audio = allocate(seconds, sampleRate, 2);
    for (size_t f = 0; f < frames; ++f) {
        audio.samples[2 * f] = float(0.8 * first[f] + 0.35 * second[f] + 0.5 * (rooms[0][0][f] + rooms[1][0][f]));
        audio.samples[2 * f + 1] =
            float(0.35 * first[f] + 0.8 * second[f] + 0.5 * (rooms[0][1][f] + rooms[1][1][f]));
    }
    return audio;
}

AudioBuffer noise(double seconds, int sampleRate, int channels)
{
    std::mt19937 random(7u);
    AudioBuffer audio = allocate(seconds, sampleRate, channels);
    for (long long f = 0; f < audio.frames(); ++f)
        fill(audio, f, 0.3 * bipolar(random));
    return audio;
}

} // namespace TestSignals
