// Quality figures of a retuned file against its source, for bench/run.sh.
//
//   measure SOURCE OUTPUT [EXPECTED_HZ]
//
// Prints: length difference in frames (output at 44.1 kHz against the source
// brought to 44.1 kHz), lag in ms (envelope cross-correlation), and, with
// EXPECTED_HZ, the pitch of the steady tone in the middle of the output.
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "media/FFmpegLog.h"

#include <QCoreApplication>

#include <cmath>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The decoder's notes about mp3 padding would fill the benchmark's table.
    FFmpegLog::setVerbose(false);
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure SOURCE OUTPUT [EXPECTED_HZ]\n");
        return 2;
    }
    QString error;
    const AudioBuffer source = AudioFiles::decode(QString::fromLocal8Bit(argv[1]), &error);
    const AudioBuffer output = AudioFiles::decode(QString::fromLocal8Bit(argv[2]), &error);
    if (!error.isEmpty() || source.frames() == 0 || output.frames() == 0) {
        std::fprintf(stderr, "measure: %s\n", qPrintable(error));
        return 1;
    }
    const long long expected = std::llround(double(source.frames()) * output.sampleRate / source.sampleRate);
    // Lag against the source at the output's rate: compare envelopes only
    // when the rates agree (the bench sources are 44.1 kHz).
    const double lagMs = source.sampleRate == output.sampleRate
                             ? AudioAnalysis::lagFrames(source, output, 0.2) * 1000.0 / output.sampleRate
                             : std::nan("");
    std::printf("length_diff=%lld lag_ms=%.2f", output.frames() - expected, lagMs);
    if (argc > 3) {
        const double middle = output.seconds() / 2;
        std::printf(" pitch_hz=%.3f", AudioAnalysis::pitch(output, middle - 3.0, middle + 3.0));
    }
    std::printf("\n");
    return 0;
}
