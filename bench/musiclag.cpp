// How far behind or ahead of its source retuned music comes out, at a range
// of shifts: the figures behind SoundTouchPlugin::musicOffset.
//
//   musiclag MUSIC... [--semitones S,S,...]
//
// For each shift and algorithm: the envelope lag, in ms, of each 30-second
// segment of each piece after dropping the start delay (the measure of
// bench/pitchoptions); prints the median of each piece's segments, the
// median of all segments, and the lag of tone bursts. The pieces must share
// one sample rate.
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestSignals.h"
#include "ProcessorRun.h"
#include "dsp/PitchAlgorithm.h"
#include "media/FFmpegLog.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

ProcessorRun::Result convert(const PitchAlgorithm &algorithm, const AudioBuffer &input, double semiTones)
{
    return ProcessorRun::run(*algorithm.make(input.sampleRate, input.channels, semiTones, {}), input);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FFmpegLog::setVerbose(false);
    QStringList files = app.arguments().mid(1);
    std::vector<double> shifts{12.0 * std::log2(432.0 / 440.0)};
    const int at = int(files.indexOf(QStringLiteral("--semitones")));
    if (at >= 0) {
        shifts.clear();
        for (const QString &s : files.value(at + 1).split(QLatin1Char(',')))
            shifts.push_back(s.toDouble());
        files.erase(files.begin() + at, files.begin() + std::min<int>(at + 2, int(files.size())));
    }
    std::vector<AudioBuffer> pieces;
    for (const QString &file : files) {
        QString error;
        pieces.push_back(AudioFiles::decode(file, &error));
        if (!error.isEmpty() || pieces.back().frames() == 0) {
            std::fprintf(stderr, "musiclag: %s: %s\n", qPrintable(file), qPrintable(error));
            return 1;
        }
    }
    if (pieces.empty()) {
        std::fprintf(stderr, "usage: musiclag MUSIC... [--semitones S,S,...]\n");
        return 2;
    }
    const int rate = pieces.front().sampleRate;
    const double msPerFrame = 1000.0 / rate;
    const AudioBuffer bursts = TestSignals::burstsOverTone(440.0, 6.0, rate, 2);

    std::printf("| algorithm | semitones |");
    for (const QString &file : files)
        std::printf(" %s |", qPrintable(file.section(QLatin1Char('/'), -1)));
    std::printf(" all segments | bursts |\n|---|---:|");
    for (int i = 0; i <= files.size(); ++i)
        std::printf("---:|");
    std::printf("---:|\n");
    for (const PitchAlgorithm &algorithm : PitchAlgorithm::all()) {
        for (const double shift : shifts) {
            std::printf("| %s | %+.2f |", algorithm.library, shift);
            std::vector<double> all;
            for (const AudioBuffer &piece : pieces) {
                const std::vector<double> lags =
                    AudioAnalysis::segmentLags(piece, convert(algorithm, piece, shift).aligned(), 30.0, 0.02);
                all.insert(all.end(), lags.begin(), lags.end());
                std::printf(" %.2f |", AudioAnalysis::median(lags) * msPerFrame);
            }
            const double burstLag = AudioAnalysis::lagFrames(bursts, convert(algorithm, bursts, shift).aligned());
            std::printf(" %.2f (%zu) | %.2f |\n", AudioAnalysis::median(all) * msPerFrame, all.size(),
                        burstLag * msPerFrame);
            std::fflush(stdout);
        }
    }
    return 0;
}
