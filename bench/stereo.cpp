// How the settings of the pitch processors keep the stereo image, the timbre
// and the attacks of real music, what they cost, and whether they stay
// exact. Prints markdown tables, one pair per shift.
//
//   stereo MUSIC... [--semitones S,S,...] [--only TEXT] [--rounds N]
//   stereo MUSIC... --cost SECONDS [--semitones S] [--only TEXT]
//
// MUSIC: pieces of real music at one sample rate, stereo, taken one after
// the other (bench/stereo.sh makes 30-second excerpts). Each setting's
// output, its start delay dropped, is measured against the source with
// StereoMeasures: channel correlation, side against mid, band distance to
// the exactly shifted source, correlation above 1 kHz; pre-echo and attack
// on isolated hits: the music's sharpest onsets, each cut out and put after
// silence (StereoMeasures::isolatedHits), measured at the same times in the
// output, moved by its lag. CPU: seconds of processor time per second of audio
// for the whole run through the processor, median of N rounds (default 1),
// the settings in turn within each round. The second table: the pitch of a
// steady 440 Hz tone (seconds 2 to 8) and its largest wobble in quarter
// seconds, frames missing at the end of the music, and the envelope lag of
// tone bursts and of each 30-second segment of the music (the measure of
// bench/musiclag.cpp). --only keeps the settings whose name begins with TEXT
// (or one of several, separated by '|'). --cost runs each setting on the
// first SECONDS of the music through runAlone and measures nothing, for
// callgrind.
#include "StereoMeasures.h"
#include "MidSideShifter.h"
#include "ProcessorRun.h"
#include "dsp/PitchAlgorithm.h"
#include "dsp/RubberBandShifter.h"
#include "media/FFmpegLog.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestSignals.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Maker = std::function<std::unique_ptr<PitchShifter>(int rate, int channels, double semitones)>;

struct Candidate
{
    QString name;
    Maker make;
};

using Settings = RubberBandShifter::Settings;

QString nameOf(const Settings &settings, bool midSide)
{
    QString name = midSide ? QStringLiteral("mid/side, ") : QString();
    if (settings.engine == Settings::Engine::Faster)
        return name + (settings.channelsTogether ? QStringLiteral("R2, together, library's pitch")
                                                 : QStringLiteral("R2, apart, library's pitch"));
    name += settings.window == Settings::Window::Short ? QStringLiteral("R3 short") : QStringLiteral("R3 standard");
    name += settings.channelsTogether ? QStringLiteral(", together") : QStringLiteral(", apart");
    return name + (settings.libraryResampling ? QStringLiteral(", library's pitch") : QStringLiteral(", our resampler"));
}

Candidate rubberBand(const Settings &settings, bool midSide = false)
{
    Maker make = [=](int rate, int channels, double semitones) -> std::unique_ptr<PitchShifter> {
        auto shifter = std::make_unique<RubberBandShifter>(rate, channels, semitones, settings);
        if (midSide && channels == 2)
            return std::make_unique<MidSideShifter>(std::move(shifter));
        return shifter;
    };
    return {nameOf(settings, midSide), make};
}

std::vector<Candidate> candidates()
{
    std::vector<Candidate> all;
    // The program's algorithms as a conversion makes them.
    const PitchAlgorithm *time = PitchAlgorithm::named(QStringLiteral("time"));
    const PitchAlgorithm *frequency = PitchAlgorithm::named(QStringLiteral("frequency"));
    all.push_back({QStringLiteral("time based (the program's)"), [time](int rate, int channels, double semitones) {
                       return time->make(rate, channels, semitones, {});
                   }});
    all.push_back({QStringLiteral("frequency based (the program's)"), [frequency](int rate, int channels, double semitones) {
                       return frequency->make(rate, channels, semitones, {});
                   }});
    for (bool midSide : {false, true}) {
        for (bool library : {false, true}) {
            if (midSide && library)
                continue;
            for (Settings::Window window : {Settings::Window::Short, Settings::Window::Standard}) {
                for (bool together : {false, true}) {
                    Settings settings;
                    settings.window = window;
                    settings.channelsTogether = together;
                    settings.libraryResampling = library;
                    all.push_back(rubberBand(settings, midSide));
                }
            }
        }
    }
    for (bool together : {false, true}) {
        Settings r2;
        r2.engine = Settings::Engine::Faster;
        r2.channelsTogether = together;
        r2.libraryResampling = true;
        all.push_back(rubberBand(r2));
    }
    return all;
}

struct Row
{
    double correlation = 0.0;
    double sideMid = 0.0;
    double bandDistance = 0.0;
    double highCorrelation = 0.0;
    StereoMeasures::Transients transients;  // on the music's hits
    StereoMeasures::Transients sharp;       // on generated ones
    std::vector<double> cpu;  // seconds per second of audio, per round
    double pitch = 0.0;
    double wobble = 0.0;
    long long missing = 0;
    double burstLag = 0.0;
    std::vector<double> musicLags;  // ms
};

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

ProcessorRun::Result convert(const Candidate &candidate, const AudioBuffer &input, double semiTones)
{
    return ProcessorRun::run(*candidate.make(input.sampleRate, input.channels, semiTones), input);
}

struct Source
{
    AudioBuffer music;
    AudioBuffer hits;  // the music's sharpest onsets, each alone
    std::vector<long long> hitOnsets;
    AudioBuffer sharp;  // generated hits
    std::vector<long long> sharpOnsets;
    Row figures;  // the source against itself
};

void measureMusic(Row &row, const Source &source, const ProcessorRun::Result &run, double semiTones)
{
    const AudioBuffer out = run.aligned();
    const int rate = out.sampleRate;
    row.correlation = AudioAnalysis::channelCorrelation(out);
    row.sideMid = AudioAnalysis::sideToMidDb(out);
    row.bandDistance = StereoMeasures::bandDistanceDb(source.music.samples, out.samples, rate,
                                                      std::pow(2.0, semiTones / 12.0));
    row.highCorrelation = StereoMeasures::channelCorrelationAbove(out.samples, rate, 1000.0);
    const std::vector<double> lags = AudioAnalysis::segmentLags(source.music, out, 30.0, 0.02);
    for (double lag : lags)
        row.musicLags.push_back(lag * 1000.0 / rate);
    row.missing = std::max(0LL, run.framesIn - (run.output.frames() - run.startDelay));
}

StereoMeasures::Transients measureHits(const Candidate &candidate, const AudioBuffer &hits,
                                       std::vector<long long> onsets, double semiTones)
{
    const AudioBuffer out = convert(candidate, hits, semiTones).aligned();
    // Far from 440 → 432 Hz the output runs a few ms early or late, which
    // would move a hit into the 40 ms measured before it.
    const long long lag = std::llround(AudioAnalysis::lagFrames(hits, out, 0.02));
    for (long long &onset : onsets)
        onset += lag;
    return StereoMeasures::transientsAt(out.samples, out.sampleRate, onsets);
}

void measureTones(Row &row, const Candidate &candidate, int rate, double semiTones)
{
    const double target = 440.0 * std::pow(2.0, semiTones / 12.0);
    const AudioBuffer tone = convert(candidate, TestSignals::sine(440.0, 10.0, rate, 2), semiTones).aligned();
    row.pitch = AudioAnalysis::pitch(tone, 2.0, 8.0);
    for (double f : AudioAnalysis::pitchTrack(tone, 0.25, 1.0, 9.0))
        row.wobble = std::max(row.wobble, std::abs(AudioAnalysis::cents(f, target)));
    const AudioBuffer bursts = TestSignals::toneBursts(440.0, 6.0, rate, 2);
    row.burstLag = AudioAnalysis::lagFrames(bursts, convert(candidate, bursts, semiTones).aligned()) * 1000.0 / rate;
}

// What the settings are held to at 440 → 432 Hz, against the source: the
// names of the figures that miss.
QString targetsMet(const Row &row, const Row &source)
{
    QStringList missed;
    if (std::abs(row.correlation - source.correlation) > 0.05)
        missed << QStringLiteral("corr.");
    if (std::abs(row.sideMid - source.sideMid) > 1.0)
        missed << QStringLiteral("side/mid");
    if (row.bandDistance > 0.65)
        missed << QStringLiteral("bands");
    for (const auto &[hits, sourceHits] : {std::pair{row.transients, source.transients}, {row.sharp, source.sharp}}) {
        if (hits.preEchoDb > -35.0)
            missed << QStringLiteral("pre-echo");
        if (std::abs(hits.attackMs - sourceHits.attackMs) > 2.0)
            missed << QStringLiteral("attack");
    }
    missed.removeDuplicates();
    return missed.join(QStringLiteral(", "));
}

void printImage(const std::vector<Candidate> &all, const std::vector<Row> &rows, const Row &source)
{
    std::printf("| setting | correlation | side/mid dB | band distance dB | correlation > 1 kHz "
                "| pre-echo dB, music's hits | attack ms, music's hits | pre-echo dB, sharp hits "
                "| attack ms, sharp hits | CPU s/s | misses |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
    const auto print = [](const QString &name, const Row &r, const QString &cpu, const QString &misses) {
        std::printf("| %s | %.3f | %.2f | %.2f | %.3f | %.1f | %.2f | %.1f | %.2f | %s | %s |\n", qPrintable(name),
                    r.correlation, r.sideMid, r.bandDistance, r.highCorrelation, r.transients.preEchoDb,
                    r.transients.attackMs, r.sharp.preEchoDb, r.sharp.attackMs, qPrintable(cpu), qPrintable(misses));
    };
    print(QStringLiteral("source"), source, QStringLiteral("–"), QStringLiteral("–"));
    for (size_t i = 0; i < all.size(); ++i) {
        const QString misses = targetsMet(rows[i], source);
        print(all[i].name, rows[i], QString::number(AudioAnalysis::median(rows[i].cpu), 'f', 4),
              misses.isEmpty() ? QStringLiteral("none") : misses);
    }
}

void printExactness(const std::vector<Candidate> &all, const std::vector<Row> &rows, double semiTones)
{
    std::printf("\n| setting | pitch of 440 Hz → %.3f | wobble cents | frames missing | lag on bursts ms "
                "| lag on music ms, median (range) |\n|---|---:|---:|---:|---:|---:|\n",
                440.0 * std::pow(2.0, semiTones / 12.0));
    for (size_t i = 0; i < all.size(); ++i) {
        const Row &r = rows[i];
        const auto range = std::minmax_element(r.musicLags.begin(), r.musicLags.end());
        std::printf("| %s | %.3f | %.2f | %lld | %.2f | %.2f (%.2f to %.2f) |\n", qPrintable(all[i].name), r.pitch,
                    r.wobble, r.missing, r.burstLag, AudioAnalysis::median(r.musicLags), *range.first,
                    *range.second);
    }
}

// The whole run through the processor alone, for callgrind (--cost).
__attribute__((noinline)) void runAlone(const Candidate &candidate, const AudioBuffer &music, double semiTones)
{
    convert(candidate, music, semiTones);
}

void runShift(const std::vector<Candidate> &all, const Source &source, double semiTones, int rounds)
{
    std::vector<Row> rows(all.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < all.size(); ++i) {
            const double start = cpuSeconds();
            const ProcessorRun::Result run = convert(all[i], source.music, semiTones);
            rows[i].cpu.push_back((cpuSeconds() - start) / source.music.seconds());
            if (round == 0) {
                measureMusic(rows[i], source, run, semiTones);
                rows[i].transients = measureHits(all[i], source.hits, source.hitOnsets, semiTones);
                rows[i].sharp = measureHits(all[i], source.sharp, source.sharpOnsets, semiTones);
                measureTones(rows[i], all[i], source.music.sampleRate, semiTones);
                std::fprintf(stderr, "measured %+.2f: %s\n", semiTones, qPrintable(all[i].name));
            }
        }
    }
    Row reference = source.figures;
    reference.bandDistance = StereoMeasures::bandDistanceDb(source.music.samples, source.music.samples,
                                                            source.music.sampleRate, std::pow(2.0, semiTones / 12.0));
    std::printf("\n### %+.2f semitones (440 → %.2f Hz)\n\n", semiTones, 440.0 * std::pow(2.0, semiTones / 12.0));
    printImage(all, rows, reference);
    printExactness(all, rows, semiTones);
    std::fflush(stdout);
}

} // namespace

namespace {

// The peak of each 30-second segment and its samples beyond full scale,
// which pass through the shifters unclipped.
void printClipping(const AudioBuffer &piece, const QString &file)
{
    const long long segment = 30LL * piece.sampleRate * piece.channels;
    for (long long begin = 0; begin < (long long)piece.samples.size(); begin += segment) {
        const long long end = std::min<long long>(begin + segment, (long long)piece.samples.size());
        const auto first = piece.samples.begin() + begin, last = piece.samples.begin() + end;
        const long long over = std::count_if(first, last, [](float v) { return std::abs(v) > 1.0f; });
        const float peak = AudioAnalysis::peak(std::vector<float>(first, last));
        std::printf("- %s, segment %lld: peak %.3f (%+.2f dBFS), %lld samples beyond full scale\n",
                    qPrintable(file.section(QLatin1Char('/'), -1)), begin / segment + 1, double(peak),
                    20.0 * std::log10(std::max(double(peak), 1e-9)), over);
    }
}

bool load(const QStringList &files, AudioBuffer &music)
{
    for (const QString &file : files) {
        QString error;
        const AudioBuffer piece = AudioFiles::decode(file, &error);
        if (!error.isEmpty() || piece.frames() == 0 || piece.channels != 2
            || (!music.samples.empty() && piece.sampleRate != music.sampleRate)) {
            std::fprintf(stderr, "stereo: %s: %s\n", qPrintable(file),
                         error.isEmpty() ? "not stereo, or another sample rate" : qPrintable(error));
            return false;
        }
        printClipping(piece, file);
        music.sampleRate = piece.sampleRate;
        music.channels = 2;
        music.samples.insert(music.samples.end(), piece.samples.begin(), piece.samples.end());
    }
    return !music.samples.empty();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FFmpegLog::setVerbose(false);
    QStringList files;
    std::vector<double> shifts{12.0 * std::log2(432.0 / 440.0), -1.0, 7.0, -12.0};
    QString only;
    int rounds = 1;
    double costSeconds = 0.0;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--semitones")) {
            shifts.clear();
            for (const QString &s : args.value(++i).split(QLatin1Char(',')))
                shifts.push_back(s.toDouble());
        } else if (args[i] == QLatin1String("--only")) {
            only = args.value(++i);
        } else if (args[i] == QLatin1String("--cost")) {
            costSeconds = args.value(++i).toDouble();
        } else if (args[i] == QLatin1String("--rounds")) {
            rounds = std::max(1, args.value(++i).toInt());
        } else {
            files << args[i];
        }
    }
    std::vector<Candidate> all = candidates();
    const QStringList wanted = only.split(QLatin1Char('|'));
    all.erase(std::remove_if(all.begin(), all.end(),
                             [&](const Candidate &c) {
                                 return std::none_of(wanted.begin(), wanted.end(),
                                                     [&](const QString &w) { return c.name.startsWith(w); });
                             }),
              all.end());
    Source source;
    std::printf("Levels of the input, per 30-second segment:\n\n");
    if (files.isEmpty() || !load(files, source.music)) {
        std::fprintf(stderr, "usage: stereo MUSIC... [--semitones S,S,...] [--only TEXT] [--rounds N]\n");
        return 2;
    }
    const AudioBuffer &music = source.music;
    if (costSeconds > 0.0) {
        AudioBuffer excerpt = music;
        excerpt.samples.resize(std::min(excerpt.samples.size(), size_t(costSeconds * music.sampleRate) * 2));
        for (const Candidate &candidate : all) {
            // SoundTouch measures its start delay once per setting and
            // process: not counted.
            convert(candidate, TestSignals::sine(440.0, 0.1, music.sampleRate, 2), shifts.front());
            runAlone(candidate, excerpt, shifts.front());
        }
        return 0;
    }
    Row &figures = source.figures;
    figures.correlation = AudioAnalysis::channelCorrelation(music);
    figures.sideMid = AudioAnalysis::sideToMidDb(music);
    figures.highCorrelation = StereoMeasures::channelCorrelationAbove(music.samples, music.sampleRate, 1000.0);
    source.hits = AudioBuffer{music.sampleRate, 2, {}};
    source.hits.samples =
        StereoMeasures::isolatedHits(music.samples, music.sampleRate,
                                     StereoMeasures::sharpOnsets(music.samples, music.sampleRate), &source.hitOnsets);
    figures.transients = StereoMeasures::transientsAt(source.hits.samples, music.sampleRate, source.hitOnsets);
    source.sharp = AudioBuffer{music.sampleRate, 2, {}};
    source.sharp.samples = StereoMeasures::sharpHits(music.sampleRate, 48, &source.sharpOnsets);
    figures.sharp = StereoMeasures::transientsAt(source.sharp.samples, music.sampleRate, source.sharpOnsets);
    std::printf("\n%.0f s of music at %d Hz, %zu sharp onsets made into isolated hits; CPU: median of %d "
                "round(s).\n", music.seconds(), music.sampleRate, source.hitOnsets.size(), rounds);
    for (double shift : shifts)
        runShift(all, source, shift, rounds);
    return 0;
}
