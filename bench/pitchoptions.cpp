// The settings of the two pitch libraries side by side: for each setting its
// cost on real music and whether it still keeps the exactness the program
// promises. Prints a table (markdown).
//
//   pitchoptions MUSIC [ROUNDS] [--instructions FILE] [--only TEXT]
//   pitchoptions MUSIC --cost NAME SECONDS    (one setting alone, for callgrind)
//   pitchoptions --list                       (the settings' names)
//
// MUSIC: a piece of real music (bench/pitchoptions.sh makes five minutes of
// it). FILE: lines "NAME INSTRUCTIONS" from callgrind, for the cost column.
//
// The measures, each for A4 440 → 432 Hz:
// - pitch: a steady 440 Hz tone, 10 s, measured over seconds 2 to 8;
// - wobble: the largest deviation in cents of the same tone's pitch in
//   quarter-second windows over seconds 1 to 9;
// - length: frames missing after the start delay (0: exact);
// - lag on bursts: the envelope lag of tone bursts after dropping the start
//   delay (the processors' own test);
// - lag on music: the envelope lag of each 30-second segment of the music,
//   after dropping the start delay; median and range;
// - spectral difference: mean absolute difference, in dB, of the log
//   magnitude spectra of this setting's output and the library's reference
//   setting's output on the music; Hann windows of 2048 frames every 1024,
//   each channel, bins from 40 Hz to 16 kHz, each frame's bins floored at
//   60 dB below that frame's strongest bin in the reference, frames whose
//   reference level is below -60 dBFS left out;
// - wall: seconds of the library alone on the whole piece, median of ROUNDS,
//   the settings run in turn within each round.
#include "support/AudioAnalysis.h"
#include "PluginFeed.h"
#include "Spectra.h"
#include "support/AudioFiles.h"
#include "ProcessorRun.h"
#include "dsp/RealFft.h"
#include "dsp/RubberBandShifter.h"
#include "dsp/SoundTouchShifter.h"
#include "media/FFmpegLog.h"
#include "support/TestSignals.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Block = 1024;  // frames per call, as a decoder hands them over
const double SemiTones = 12.0 * std::log2(432.0 / 440.0);

struct Variant
{
    QString library;
    QString name;
    std::function<std::unique_ptr<PitchShifter>(int rate, int channels)> make;
    bool reference = false;  // the library's most expensive setting
    bool current = false;    // what the program uses
};

QString soundTouchName(const SoundTouchShifter::Settings &s)
{
    auto ms = [](int v) { return v == 0 ? QStringLiteral("auto") : QString::number(v); };
    QString name = QStringLiteral("seq %1, seek %2, overlap %3, %4")
                       .arg(ms(s.sequenceMs), ms(s.seekWindowMs))
                       .arg(s.overlapMs)
                       .arg(s.quickSeek ? QStringLiteral("quick seek") : QStringLiteral("full seek"));
    if (!s.antiAliasFilter)
        name += QStringLiteral(", AA off");
    else if (s.antiAliasTaps != 64)
        name += QStringLiteral(", AA %1 taps").arg(s.antiAliasTaps);
    return name;
}

void addSoundTouch(std::vector<Variant> &variants, const SoundTouchShifter::Settings &s, bool reference = false)
{
    const QString name = soundTouchName(s);
    for (const Variant &v : variants) {
        if (v.name == name)
            return;
    }
    const SoundTouchShifter::Settings chosen;
    Variant v{QStringLiteral("SoundTouch"), name,
              [s](int rate, int channels) { return std::make_unique<SoundTouchShifter>(rate, channels, SemiTones, s); }};
    v.reference = reference;
    v.current = soundTouchName(chosen) == name;
    variants.push_back(v);
}

void addRubberBand(std::vector<Variant> &variants, const RubberBandShifter::Settings &settings, bool reference = false)
{
    using R = RubberBandShifter::Settings;
    QString name;
    name += !settings.libraryResampling                ? QStringLiteral("time ratio, libswresample")
            : settings.pitch == R::Pitch::HighSpeed   ? QStringLiteral("pitch high speed")
            : settings.pitch == R::Pitch::HighQuality ? QStringLiteral("pitch high quality")
                                                      : QStringLiteral("pitch high consistency");
    name += settings.channelsTogether ? QStringLiteral(", channels together") : QStringLiteral(", channels apart");
    name += settings.window == R::Window::Short ? QStringLiteral(", short window") : QStringLiteral(", standard window");
    Variant v{QStringLiteral("Rubber Band R3"), name, [settings](int rate, int n) {
                  return std::make_unique<RubberBandShifter>(rate, n, SemiTones, settings);
              }};
    const R chosen;
    v.reference = reference;
    v.current = settings.window == chosen.window && settings.pitch == chosen.pitch
                && settings.channelsTogether == chosen.channelsTogether
                && settings.libraryResampling == chosen.libraryResampling;
    variants.push_back(v);
}

std::vector<Variant> allVariants()
{
    std::vector<Variant> variants;
    using S = SoundTouchShifter::Settings;
    // The most expensive: SoundTouch's own choice of sequence and seek
    // window, full seek, the longest anti-alias filter.
    addSoundTouch(variants, S{0, 0, 8, false, true, 128}, true);
    for (bool quick : {false, true}) {
        for (int sequence : {0, 100}) {
            for (int seek : {0, 40, 30, 20, 10, 3}) {
                for (int overlap : {12, 8, 4})
                    addSoundTouch(variants, S{sequence, seek, overlap, quick, true, 64});
            }
        }
    }
    // The anti-alias filter, with the program's time-stretch settings.
    for (int taps : {64, 32, 16}) {
        S s;
        s.antiAliasFilter = true;
        s.antiAliasTaps = taps;
        addSoundTouch(variants, s);
    }
    S off;
    off.antiAliasFilter = false;
    addSoundTouch(variants, off);

    using R = RubberBandShifter::Settings;
    auto rubberBand = [](R::Window window, R::Pitch pitch, bool together, bool library) {
        R settings;
        settings.window = window;
        settings.pitch = pitch;
        settings.channelsTogether = together;
        settings.libraryResampling = library;
        return settings;
    };
    addRubberBand(variants, rubberBand(R::Window::Standard, R::Pitch::HighQuality, true, true), true);
    addRubberBand(variants, rubberBand(R::Window::Standard, R::Pitch::HighQuality, false, true));
    for (R::Pitch pitch : {R::Pitch::HighSpeed, R::Pitch::HighQuality, R::Pitch::HighConsistency}) {
        for (bool together : {false, true})
            addRubberBand(variants, rubberBand(R::Window::Short, pitch, together, true));
    }
    for (bool together : {false, true})
        addRubberBand(variants, rubberBand(R::Window::Short, R::Pitch::HighQuality, together, false));
    return variants;
}

// Feeds the whole signal in blocks and takes out what is ready after each,
// keeping nothing: the cost of the library and its wrapper alone.
__attribute__((noinline)) void runAlone(PitchShifter &shifter, const AudioBuffer &audio)
{
    feedThrough(shifter, audio, Block);
}

ProcessorRun::Result convert(const Variant &variant, const AudioBuffer &input)
{
    auto shifter = variant.make(input.sampleRate, input.channels);
    return ProcessorRun::run(*shifter, input);
}

struct Row
{
    double pitch = 0.0;
    double wobble = 0.0;
    double bass = 0.0;  // the largest error on low notes, cents
    long long missing = 0;
    double burstLag = 0.0;
    std::vector<double> musicLags;
    double difference = 0.0;
    std::vector<double> wall;
    double instructions = 0.0;  // per second of audio; 0: not counted
};

double ms(double frames, int rate)
{
    return frames * 1000.0 / rate;
}

bool exact(const Row &r)
{
    return std::abs(r.pitch - 432.0) <= 0.05 && r.wobble <= 1.0 && r.bass <= 1.0 && r.missing == 0 && std::abs(r.burstLag) <= 1.0
           && std::abs(AudioAnalysis::median(r.musicLags)) <= 1.0;
}

std::map<QString, double> readInstructions(const QString &path)
{
    std::map<QString, double> counts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return counts;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const int tab = line.lastIndexOf(QLatin1Char('\t'));
        if (tab > 0)
            counts[line.left(tab)] = line.mid(tab + 1).toDouble();
    }
    return counts;
}

AudioBuffer head(const AudioBuffer &audio, double seconds)
{
    AudioBuffer out{audio.sampleRate, audio.channels, {}};
    const long long frames = std::min(audio.frames(), (long long)std::llround(seconds * audio.sampleRate));
    out.samples.assign(audio.samples.begin(), audio.samples.begin() + frames * audio.channels);
    return out;
}

// One setting alone on the start of the music, for callgrind. SoundTouch's
// start delay is measured once per setting and process, before the first
// conversion: not counted.
int costOf(const std::vector<Variant> &variants, const AudioBuffer &music, const QString &name, double seconds)
{
    const AudioBuffer excerpt = head(music, seconds);
    for (const Variant &v : variants) {
        if (v.library + QStringLiteral(": ") + v.name == name) {
            v.make(excerpt.sampleRate, excerpt.channels)->startDelay();
            auto shifter = v.make(excerpt.sampleRate, excerpt.channels);
            runAlone(*shifter, excerpt);
            return 0;
        }
    }
    std::fprintf(stderr, "pitchoptions: no setting '%s'\n", qPrintable(name));
    return 2;
}

struct Measured
{
    std::vector<Row> rows;
    std::map<QString, std::vector<Spectra>> references;
    // Two scales for the spectral differences, for each reference: its
    // output for the music started one frame later, and its output through
    // LAME at 192 kbit/s.
    std::map<QString, double> shiftedDifference;
    std::map<QString, double> encoderDifference;
};

// The measures of the reference of a library against itself.
void measureReference(const Variant &v, const AudioBuffer &music, const AudioBuffer &aligned, Measured &m)
{
    for (int c = 0; c < aligned.channels; ++c)
        m.references[v.library].push_back(spectraOf(aligned, c));
    AudioBuffer later = music;
    later.samples.insert(later.samples.begin(), size_t(music.channels), 0.0f);
    AudioBuffer laterOut = convert(v, later).aligned();
    laterOut.samples.erase(laterOut.samples.begin(), laterOut.samples.begin() + music.channels);
    m.shiftedDifference[v.library] = spectralDifference(m.references[v.library], laterOut);
    QTemporaryDir scratch;
    const QString mp3 = scratch.filePath(QStringLiteral("reference.mp3"));
    if (AudioFiles::write(mp3, aligned).isEmpty())
        m.encoderDifference[v.library] = spectralDifference(m.references[v.library], AudioFiles::decode(mp3));
}

void measureOne(const Variant &v, const AudioBuffer &music, Row &r, Measured &m)
{
    const int rate = music.sampleRate;
    const AudioBuffer toneOut = convert(v, TestSignals::sine(440.0, 10.0, rate, 2)).aligned();
    r.pitch = AudioAnalysis::pitch(toneOut, 2.0, 8.0);
    for (double f : AudioAnalysis::pitchTrack(toneOut, 0.25, 1.0, 9.0))
        r.wobble = std::max(r.wobble, std::abs(AudioAnalysis::cents(f, 432.0)));
    for (double low : {41.2, 55.0, 82.4}) {
        const double shifted =
            AudioAnalysis::pitch(convert(v, TestSignals::sine(low, 10.0, rate, 2)).aligned(), 2.0, 8.0);
        r.bass = std::max(r.bass, std::abs(AudioAnalysis::cents(shifted, low * 432.0 / 440.0)));
    }
    const AudioBuffer bursts = TestSignals::toneBursts(440.0, 6.0, rate, 2);
    r.burstLag = ms(AudioAnalysis::lagFrames(bursts, convert(v, bursts).aligned()), rate);
    const ProcessorRun::Result musicRun = convert(v, music);
    r.missing = std::max(0LL, musicRun.framesIn - (musicRun.output.frames() - musicRun.startDelay));
    const AudioBuffer aligned = musicRun.aligned();
    for (double lag : AudioAnalysis::segmentLags(music, aligned, 30.0, 0.02))
        r.musicLags.push_back(ms(lag, rate));
    if (v.reference)
        measureReference(v, music, aligned, m);
    else
        r.difference = spectralDifference(m.references[v.library], aligned);
}

// Every setting's measures, the references first: the others are compared
// with them. Then their wall times, the settings in turn within each round.
Measured measureAll(const std::vector<Variant> &variants, const AudioBuffer &music, int rounds,
                    const std::map<QString, double> &instructions)
{
    Measured m;
    m.rows.resize(variants.size());
    std::vector<size_t> order(variants.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](size_t i) { return variants[i].reference; });
    for (size_t i : order) {
        const Variant &v = variants[i];
        measureOne(v, music, m.rows[i], m);
        const auto count = instructions.find(v.library + QStringLiteral(": ") + v.name);
        if (count != instructions.end())
            m.rows[i].instructions = count->second;
        std::fprintf(stderr, "measured %s: %s\n", qPrintable(v.library), qPrintable(v.name));
    }
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < variants.size(); ++i) {
            auto shifter = variants[i].make(music.sampleRate, music.channels);
            const auto start = std::chrono::steady_clock::now();
            runAlone(*shifter, music);
            m.rows[i].wall.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    return m;
}

void printTable(const std::vector<Variant> &variants, const Measured &m, double seconds, int rounds)
{
    std::printf("A4 440 → 432 Hz; music: %.0f s, lag per 30-second segment; wall: the library alone on the "
                "music, median of %d rounds; instructions: 10⁶ per second of audio (callgrind).\n\n",
                seconds, rounds);
    std::printf("| library | setting | instr. 10⁶/s | wall s | pitch Hz | wobble cents | bass cents | frames missing "
                "| lag on bursts ms | lag on music ms, median (range) | spectral diff. dB | exact |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
    for (size_t i = 0; i < variants.size(); ++i) {
        const Variant &v = variants[i];
        const Row &r = m.rows[i];
        const auto range = std::minmax_element(r.musicLags.begin(), r.musicLags.end());
        QString label = v.name;
        if (v.reference)
            label += QStringLiteral(" (reference)");
        if (v.current)
            label = QStringLiteral("**%1**").arg(label);
        std::printf("| %s | %s | %s | %.2f | %.3f | %.2f | %.2f | %lld | %.2f | %.2f (%.2f to %.2f) | %s | %s |\n",
                    qPrintable(v.library), qPrintable(label),
                    r.instructions > 0 ? qPrintable(QString::number(r.instructions / 1e6, 'f', 1)) : "–",
                    AudioAnalysis::median(r.wall), r.pitch, r.wobble, r.bass, r.missing, r.burstLag,
                    AudioAnalysis::median(r.musicLags), *range.first, *range.second,
                    v.reference ? "–" : qPrintable(QString::number(r.difference, 'f', 2)), exact(r) ? "yes" : "no");
    }
    std::printf("\nScale of the spectral difference, for each library's reference: its output for the music "
                "started one frame later differs from it by");
    for (const auto &[library, difference] : m.shiftedDifference)
        std::printf(" %.2f dB (%s)", difference, qPrintable(library));
    std::printf("; its output through LAME at 192 kbit/s by");
    for (const auto &[library, difference] : m.encoderDifference)
        std::printf(" %.2f dB (%s)", difference, qPrintable(library));
    std::printf(".\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FFmpegLog::setVerbose(false);
    const QStringList args = app.arguments().mid(1);
    std::vector<Variant> variants = allVariants();
    if (args.value(0) == QLatin1String("--list")) {
        for (const Variant &v : variants)
            std::printf("%s: %s\n", qPrintable(v.library), qPrintable(v.name));
        return 0;
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: pitchoptions MUSIC [ROUNDS] [--instructions FILE] [--only TEXT]\n"
                             "       pitchoptions MUSIC --cost NAME SECONDS\n       pitchoptions --list\n");
        return 2;
    }
    QString error;
    const AudioBuffer music = AudioFiles::decode(args[0], &error);
    if (!error.isEmpty() || music.frames() == 0) {
        std::fprintf(stderr, "pitchoptions: %s\n", qPrintable(error));
        return 1;
    }
    const int costAt = int(args.indexOf(QStringLiteral("--cost")));
    if (costAt > 0)
        return costOf(variants, music, args.value(costAt + 1), args.value(costAt + 2).toDouble());

    int rounds = 3;
    std::map<QString, double> instructions;
    QString only;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--instructions"))
            instructions = readInstructions(args.value(++i));
        else if (args[i] == QLatin1String("--only"))
            only = args.value(++i);
        else
            rounds = std::max(1, args[i].toInt());
    }
    if (!only.isEmpty()) {
        variants.erase(std::remove_if(variants.begin(), variants.end(),
                                      [&](const Variant &v) {
                                          return !v.reference
                                                 && !(v.library + QStringLiteral(": ") + v.name).contains(only);
                                      }),
                       variants.end());
    }
    printTable(variants, measureAll(variants, music, rounds, instructions), music.seconds(), rounds);
    return 0;
}
