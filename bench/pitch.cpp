// What the pitch libraries cost on their own, without decoding or encoding:
// the two shifters of the program, and Rubber Band with the options of
// ffmpeg's rubberband filter (its R2 engine, its own resampler), each
// retuning A4 440 → 432 Hz.
// The three run in turn, round after round, so that a drifting machine speed
// touches all of them alike.
//
//   pitch INPUT [ROUNDS]     (INPUT: any audio file; default 3 rounds)
#include "PluginFeed.h"
#include "support/AudioFiles.h"
#include "dsp/RubberBandShifter.h"
#include "dsp/SoundTouchShifter.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Block = 1024;  // frames per call, as a decoder hands them over
const double SemiTones = 12.0 * std::log2(432.0 / 440.0);

double timed(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Feeds the whole signal in blocks and takes out what is ready after each.
void runShifter(PitchShifter &shifter, const AudioBuffer &audio)
{
    feedThrough(shifter, audio, Block);
}

// As ffmpeg 5.1's filter sets it: real time, high-quality pitch, every other
// option at its default (the R2 engine, the standard window), the library's
// own resampler.
RubberBandShifter::Settings filterLike()
{
    RubberBandShifter::Settings settings;
    settings.engine = RubberBandShifter::Settings::Engine::Faster;
    settings.window = RubberBandShifter::Settings::Window::Standard;
    settings.libraryResampling = true;
    return settings;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: pitch INPUT [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QString error;
    const AudioBuffer audio = AudioFiles::decode(QString::fromLocal8Bit(argv[1]), &error);
    if (!error.isEmpty() || audio.frames() == 0) {
        std::fprintf(stderr, "pitch: %s\n", qPrintable(error));
        return 1;
    }

    std::vector<double> soundTouch, r3, r2, r3OverR2;
    for (int round = 0; round < rounds; ++round) {
        soundTouch.push_back(timed([&] {
            SoundTouchShifter shifter(audio.sampleRate, audio.channels, SemiTones);
            runShifter(shifter, audio);
        }));
        r3.push_back(timed([&] {
            RubberBandShifter shifter(audio.sampleRate, audio.channels, SemiTones);
            runShifter(shifter, audio);
        }));
        r2.push_back(timed([&] {
            RubberBandShifter shifter(audio.sampleRate, audio.channels, SemiTones, filterLike());
            runShifter(shifter, audio);
        }));
        r3OverR2.push_back(r3.back() / r2.back());
    }
    std::printf("| pitch library alone, %.0f s of audio | wall s (median of %d) |\n", double(audio.frames()) / audio.sampleRate,
                rounds);
    std::printf("|---|---:|\n");
    std::printf("| SoundTouch, as the time-based conversion runs it | %.2f |\n", median(soundTouch));
    std::printf("| Rubber Band R3, as the frequency-based conversion runs it | %.2f |\n", median(r3));
    std::printf("| Rubber Band R2, as ffmpeg's rubberband filter runs it | %.2f |\n", median(r2));
    std::printf("\nR3 against R2, paired within each round: %.2f ×\n", median(r3OverR2));
    return 0;
}
