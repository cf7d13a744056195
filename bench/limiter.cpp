// Cost of the peak limiter on stereo audio at 44.1 kHz, for comparison with
// the time of a whole conversion (bench/run.sh), in three cases:
//   loud:   a chord peaking around 1.2, limited all the time;
//   clean:  the same chord at half the level, never near the ceiling;
//   bright: white noise over a quiet chord, sample peaks at -4.4 dBFS and
//           true peaks under the lossy ceiling: clean, but no cheap bound
//           clears it, so every true peak is worked out.
// Each case runs with the lossy and the lossless ceiling.
//
//   limiter [SECONDS] [CASE]   (default: 300 s, all cases; with CASE, only
//                               that one, lossy, for instruction counts)
#include "dsp/PeakLimiter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Rate = 44100;

std::vector<float> chord(size_t frames, double level)
{
    std::vector<float> audio(frames * 2);
    for (size_t f = 0; f < frames; ++f) {
        const double t = double(f) / Rate;
        const double v = level * 0.4 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.18 * t)
                                         + std::sin(2 * M_PI * 329.63 * t));
        audio[2 * f] = float(v);
        audio[2 * f + 1] = float(-v);
    }
    return audio;
}

std::vector<float> bright(size_t frames)
{
    std::vector<float> audio = chord(frames, 0.2);
    unsigned noise = 12345;
    for (float &s : audio) {
        noise = noise * 1664525u + 1013904223u;
        s += float(double(noise >> 8) / double(1 << 24) - 0.5);
    }
    float peak = 0.0f;
    for (float s : audio)
        peak = std::max(peak, std::abs(s));
    for (float &s : audio)
        s *= 0.6f / peak;
    return audio;
}

struct Result {
    double seconds;
    double smallestGain;
};

Result run(std::vector<float> samples, bool lossy)
{
    PeakLimiter limiter = PeakLimiter::forOutput(Rate, 2, lossy);
    const size_t frames = samples.size() / 2;
    const auto start = std::chrono::steady_clock::now();
    // Blocks of the size the conversion hands over.
    for (size_t done = 0; done < frames; done += 4096) {
        const int n = int(std::min<size_t>(4096, frames - done));
        limiter.process(samples.data() + 2 * done, samples.data() + 2 * done, n);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {elapsed, limiter.smallestGain()};
}

} // namespace

int main(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    const char *only = argc > 2 ? argv[2] : nullptr;
    const size_t frames = size_t(seconds * Rate);
    struct Case {
        const char *name;
        std::vector<float> audio;
    };
    std::vector<Case> cases;
    for (const char *name : {"loud", "clean", "bright"}) {
        if (only && std::strcmp(only, name) != 0)
            continue;
        const bool isLoud = std::strcmp(name, "loud") == 0;
        cases.push_back({name, std::strcmp(name, "bright") == 0 ? bright(frames) : chord(frames, isLoud ? 1.0 : 0.5)});
    }
    if (cases.empty()) {
        std::fprintf(stderr, "unknown case: %s\n", only);
        return 1;
    }
    std::printf("limiter on %.0f s of stereo at 44.1 kHz, ns per frame:\n", seconds);
    for (const Case &c : cases) {
        const Result lossy = run(c.audio, true);
        if (only) {
            std::printf("%-7s lossy %5.1f (down to %.2f dB)\n", c.name, lossy.seconds / frames * 1e9,
                        20 * std::log10(lossy.smallestGain));
            continue;
        }
        const Result lossless = run(c.audio, false);
        std::printf("%-7s lossy %5.1f (down to %.2f dB), lossless %5.1f (down to %.2f dB)\n", c.name,
                    lossy.seconds / frames * 1e9, 20 * std::log10(lossy.smallestGain),
                    lossless.seconds / frames * 1e9, 20 * std::log10(lossless.smallestGain));
    }
    return 0;
}
