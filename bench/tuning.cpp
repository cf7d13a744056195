// The tuning estimator: its cost on generated music at 44.1 kHz stereo, fed
// in the blocks a decoder hands over, and what it reads on music of known
// tunings and on material that has none, from which its MinimumConfidence
// is chosen.
//
//   tuning [SECONDS] [--cost-only]     (default: a five-minute piece)
//   tuning --file FILE...              what it reads on each file
//
// For instruction counts, run the cost part under callgrind:
//   valgrind --tool=callgrind --toggle-collect='TuningEstimator::add*' tuning 60 --cost-only
#include "support/AudioFiles.h"
#include "support/TestSignals.h"
#include "dsp/TuningEstimator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Block = 1024;

TuningEstimator::Result estimate(const AudioBuffer &audio)
{
    TuningEstimator estimator(audio.sampleRate, audio.channels);
    for (long long done = 0; done < audio.frames(); done += Block) {
        const int n = int(std::min<long long>(Block, audio.frames() - done));
        estimator.add(audio.samples.data() + done * audio.channels, n);
    }
    return estimator.result();
}

// truth 0: the material has no tuning.
void report(const char *name, double truth, const AudioBuffer &audio)
{
    const TuningEstimator::Result r = estimate(audio);
    char error[32] = "";
    if (truth > 0.0) {
        const double cents = 1200.0 * std::log2(r.a4Hz / truth);
        std::snprintf(error, sizeof error, "%+.2f", cents - 100.0 * std::round(cents / 100.0));
    }
    std::printf("| %s | %s | %.3f | %s | %.3f | %d |\n", name, truth > 0.0 ? std::to_string(truth).substr(0, 5).c_str() : "–",
                r.a4Hz, error, r.confidence, r.framesUsed);
}

AudioBuffer music(double a4, double seconds, bool vibrato = true, bool drums = true)
{
    return TestSignals::tunedMusic(a4, seconds, 44100, 2, vibrato, drums);
}

// A sine from 200 Hz up three octaves and back.
AudioBuffer glide(double seconds)
{
    AudioBuffer audio = TestSignals::sine(0.0, seconds);
    double phase = 0.0;
    for (long long f = 0; f < audio.frames(); ++f) {
        const double t = double(f) / audio.sampleRate / seconds;
        phase += 2.0 * Pi * 200.0 * std::pow(8.0, 1.0 - std::abs(2.0 * t - 1.0)) / audio.sampleRate;
        audio.samples[size_t(2 * f)] = audio.samples[size_t(2 * f + 1)] = float(0.3 * std::sin(phase));
    }
    return audio;
}

// Three voices of harmonic tones, each a quarter of a second at a pitch
// drawn from 150 to 1500 Hz, on no grid.
AudioBuffer untuned(double seconds)
{
    AudioBuffer audio = TestSignals::sine(0.0, seconds);
    unsigned seed = 12345u;
    auto uniform = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return double(seed >> 8) / double(1u << 24);
    };
    const long long noteFrames = audio.sampleRate / 4;
    for (int voice = 0; voice < 3; ++voice) {
        for (long long begin = 0; begin < audio.frames(); begin += noteFrames) {
            const double hz = 150.0 * std::pow(10.0, uniform());
            for (long long f = begin; f < std::min(audio.frames(), begin + noteFrames); ++f) {
                const double t = double(f - begin) / audio.sampleRate;
                double v = 0.0;
                for (int k = 1; k <= 4; ++k)
                    v += std::sin(2.0 * Pi * k * hz * t) / k;
                audio.samples[size_t(2 * f)] += float(0.1 * v);
                audio.samples[size_t(2 * f + 1)] += float(0.1 * v);
            }
        }
    }
    return audio;
}

AudioBuffer mixed(const AudioBuffer &a, const AudioBuffer &b, float gainB = 1.0f)
{
    AudioBuffer out = a;
    for (size_t i = 0; i < out.samples.size() && i < b.samples.size(); ++i)
        out.samples[i] = 0.5f * (out.samples[i] + gainB * b.samples[i]);
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 2 && std::strcmp(argv[1], "--file") == 0) {
        for (int i = 2; i < argc; ++i) {
            QString error;
            const AudioBuffer audio = AudioFiles::decode(QString::fromLocal8Bit(argv[i]), &error);
            if (!error.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", argv[i], qPrintable(error));
                return 1;
            }
            const TuningEstimator::Result r = estimate(audio);
            std::printf("%s: A4 = %.3f Hz (%+.2f cents), confidence %.3f, %d frames\n", argv[i], r.a4Hz, r.cents,
                        r.confidence, r.framesUsed);
        }
        return 0;
    }

    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    const bool costOnly = argc > 2 && std::strcmp(argv[2], "--cost-only") == 0;

    const AudioBuffer piece = music(442.0, seconds);
    const auto start = std::chrono::steady_clock::now();
    const TuningEstimator::Result r = estimate(piece);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.0f s of stereo at 44.1 kHz: %.3f s, %.4f s per minute of audio (A4 = %.3f Hz, confidence %.3f)\n",
                seconds, elapsed, elapsed / seconds * 60.0, r.a4Hz, r.confidence);
    if (costOnly)
        return 0;

    std::printf("\n20 s of generated music (vibrato and drums unless said otherwise) and other material;\n"
                "error in cents against the true A4 folded into a quarter tone of 440 Hz.\n\n"
                "| material | A4 | measured | error | confidence | frames |\n|---|---:|---:|---:|---:|---:|\n");
    for (double a4 : {415.305, 427.0, 432.0, 435.0, 438.0, 440.0, 441.0, 442.0, 443.0, 446.0, 452.0})
        report("music", a4, music(a4, 20.0));
    report("music without vibrato or drums", 440.0, music(440.0, 20.0, false, false));
    report("music without vibrato", 440.0, music(440.0, 20.0, false, true));
    report("music at 48 kHz, mono", 443.0, TestSignals::tunedMusic(443.0, 20.0, 48000, 1));
    report("music at 22.05 kHz", 438.0, TestSignals::tunedMusic(438.0, 20.0, 22050));
    report("music, 3 s", 446.0, music(446.0, 3.0));
    report("music, 2 s", 446.0, music(446.0, 2.0));
    report("music under white noise at the same level", 441.0, mixed(music(441.0, 20.0), TestSignals::noise(20.0)));
    report("a sine", 445.0, TestSignals::sine(445.0, 20.0));
    report("white noise", 0.0, TestSignals::noise(20.0));
    // The same music with and without drums: the same notes, so the
    // difference is the drums alone.
    report("the drums alone", 0.0, mixed(music(440.0, 20.0), music(440.0, 20.0, true, false), -1.0f));
    report("a sine gliding over three octaves", 0.0, glide(20.0));
    report("tones at random pitches", 0.0, untuned(20.0));
    report("two tunings a quarter tone apart at once", 0.0,
           mixed(music(440.0, 20.0, true, false), music(440.0 * std::pow(2.0, 0.5 / 12.0), 20.0, true, false)));
    report("two tunings 30 cents apart at once", 0.0,
           mixed(music(440.0, 20.0, true, false), music(440.0 * std::pow(2.0, 0.3 / 12.0), 20.0, true, false)));
    return 0;
}
