// Cost of the peak limiter on five minutes of loud stereo audio, for
// comparison with the time of a whole conversion (bench/run.sh).
//
//   limiter [SECONDS]
#include "engine/PeakLimiter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
    const int rate = 44100;
    const size_t frames = size_t(seconds * rate);
    // A loud chord that keeps the limiter busy: peaks around 1.2.
    std::vector<float> audio(frames * 2);
    for (size_t f = 0; f < frames; ++f) {
        const double t = double(f) / rate;
        const double v = 0.4 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277.18 * t)
                                + std::sin(2 * M_PI * 329.63 * t));
        audio[2 * f] = float(v);
        audio[2 * f + 1] = float(-v);
    }
    std::vector<float> quiet(audio);
    for (float &s : quiet)
        s *= 0.5f;

    auto time = [&](std::vector<float> samples) {
        PeakLimiter limiter = PeakLimiter::forRate(rate, 2);
        const auto start = std::chrono::steady_clock::now();
        // Blocks of the size the conversion hands over.
        for (size_t done = 0; done < frames; done += 4096) {
            const int n = int(std::min<size_t>(4096, frames - done));
            limiter.process(samples.data() + 2 * done, samples.data() + 2 * done, n);
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return std::make_pair(elapsed, limiter.smallestGain());
    };
    const auto loud = time(audio);
    const auto clean = time(quiet);
    std::printf("limiter on %.0f s of stereo at 44.1 kHz: %.3f s limiting (down to %.2f dB), %.3f s passing\n",
                seconds, loud.first, 20 * std::log10(loud.second), clean.first);
    std::printf("per frame: %.1f ns limiting, %.1f ns passing\n", loud.first / frames * 1e9,
                clean.first / frames * 1e9);
    return 0;
}
