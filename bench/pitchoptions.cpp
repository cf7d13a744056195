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
#include "support/AudioFiles.h"
#include "ProcessorRun.h"
#include "engine/RealFft.h"
#include "engine/RubberbandPlugin.h"
#include "engine/SoundTouchPlugin.h"
#include "support/TestSignals.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

extern "C" {
#include <libavutil/log.h>
}

#include <rubberband/RubberBandStretcher.h>

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

using RubberBand::RubberBandStretcher;

constexpr double Pi = 3.14159265358979323846;
constexpr int Block = 1024;  // frames per call, as a decoder hands them over
const double SemiTones = 12.0 * std::log2(432.0 / 440.0);

struct Variant
{
    QString library;
    QString name;
    std::function<std::unique_ptr<TempoPitchProcessorPlugin>(int rate, int channels)> make;
    bool reference = false;  // the library's most expensive setting
    bool current = false;    // what the program uses
};

QString soundTouchName(const SoundTouchPlugin::Settings &s)
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

void addSoundTouch(std::vector<Variant> &variants, const SoundTouchPlugin::Settings &s, bool reference = false)
{
    const QString name = soundTouchName(s);
    for (const Variant &v : variants) {
        if (v.name == name)
            return;
    }
    const SoundTouchPlugin::Settings chosen;
    Variant v{QStringLiteral("SoundTouch"), name,
              [s](int rate, int channels) { return std::make_unique<SoundTouchPlugin>(rate, channels, s); }};
    v.reference = reference;
    v.current = soundTouchName(chosen) == name;
    variants.push_back(v);
}

void addRubberBand(std::vector<Variant> &variants, int pitch, int channels, int window,
                   RubberbandPlugin::Resampling resampling = RubberbandPlugin::Resampling::Library,
                   bool reference = false)
{
    const int options = RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFiner
                        | pitch | channels | window;
    const bool separate = resampling == RubberbandPlugin::Resampling::Separate;
    QString name;
    name += separate                                               ? QStringLiteral("time ratio, libswresample")
            : pitch == RubberBandStretcher::OptionPitchHighSpeed   ? QStringLiteral("pitch high speed")
            : pitch == RubberBandStretcher::OptionPitchHighQuality ? QStringLiteral("pitch high quality")
                                                                   : QStringLiteral("pitch high consistency");
    name += channels == RubberBandStretcher::OptionChannelsTogether ? QStringLiteral(", channels together")
                                                                    : QStringLiteral(", channels apart");
    name += window == RubberBandStretcher::OptionWindowShort ? QStringLiteral(", short window")
                                                             : QStringLiteral(", standard window");
    Variant v{QStringLiteral("Rubber Band R3"), name,
              [options, resampling](int rate, int n) {
                  return std::make_unique<RubberbandPlugin>(rate, n, options, resampling);
              }};
    v.reference = reference;
    v.current = RubberbandPlugin::DefaultOptions == options && separate;
    variants.push_back(v);
}

std::vector<Variant> allVariants()
{
    std::vector<Variant> variants;
    using S = SoundTouchPlugin::Settings;
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

    using RB = RubberBandStretcher;
    using R = RubberbandPlugin::Resampling;
    addRubberBand(variants, RB::OptionPitchHighQuality, RB::OptionChannelsTogether, RB::OptionWindowStandard,
                  R::Library, true);
    addRubberBand(variants, RB::OptionPitchHighQuality, RB::OptionChannelsApart, RB::OptionWindowStandard);
    for (int pitch : {RB::OptionPitchHighSpeed, RB::OptionPitchHighQuality, RB::OptionPitchHighConsistency}) {
        for (int channels : {RB::OptionChannelsApart, RB::OptionChannelsTogether})
            addRubberBand(variants, pitch, channels, RB::OptionWindowShort);
    }
    for (int channels : {RB::OptionChannelsApart, RB::OptionChannelsTogether})
        addRubberBand(variants, RB::OptionPitchHighQuality, channels, RB::OptionWindowShort, R::Separate);
    return variants;
}

// Feeds the whole signal in blocks and takes out what is ready after each,
// keeping nothing: the cost of the library and its wrapper alone.
__attribute__((noinline)) void runAlone(TempoPitchProcessorPlugin &plugin, const AudioBuffer &audio)
{
    feedThrough(plugin, audio, SemiTones, Block);
}

ProcessorRun::Result convert(const Variant &variant, const AudioBuffer &input)
{
    auto plugin = variant.make(input.sampleRate, input.channels);
    plugin->setTempo(1.0);
    plugin->setPitchSemiTones(SemiTones);
    return ProcessorRun::run(*plugin, input);
}

// Log-magnitude spectra (dB) of one channel: frames × bins in [40 Hz, 16 kHz).
struct Spectra
{
    size_t firstBin = 0;
    size_t bins = 0;
    std::vector<std::vector<float>> frames;
};

constexpr size_t FrameSize = 2048;
constexpr size_t Hop = 1024;

Spectra spectraOf(const AudioBuffer &audio, int channel)
{
    Spectra s;
    s.firstBin = size_t(std::ceil(40.0 * FrameSize / audio.sampleRate));
    s.bins = size_t(16000.0 * FrameSize / audio.sampleRate) - s.firstBin;
    std::vector<float> window(FrameSize);
    for (size_t i = 0; i < FrameSize; ++i)
        window[i] = float(0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(FrameSize)));
    RealFft fft{int(FrameSize)};
    for (long long start = 0; start + (long long)FrameSize <= audio.frames(); start += Hop) {
        for (size_t i = 0; i < FrameSize; ++i)
            fft.input()[i] = audio.samples[size_t(start + (long long)i) * size_t(audio.channels) + size_t(channel)] * window[i];
        fft.transform();
        std::vector<float> db(s.bins);
        for (size_t k = 0; k < s.bins; ++k)
            db[k] = float(10.0 * std::log10(std::norm(fft.output()[s.firstBin + k]) + 1e-20));
        s.frames.push_back(std::move(db));
    }
    return s;
}

// Full scale sine in a Hann window of FrameSize: |X| = FrameSize / 4.
const float FullScaleDb = float(20.0 * std::log10(FrameSize / 4.0));

double spectralDifference(const std::vector<Spectra> &reference, const AudioBuffer &audio)
{
    double sum = 0.0;
    long long count = 0;
    for (int c = 0; c < audio.channels; ++c) {
        const Spectra other = spectraOf(audio, c);
        const Spectra &ref = reference[size_t(c)];
        const size_t frames = std::min(ref.frames.size(), other.frames.size());
        for (size_t f = 0; f < frames; ++f) {
            const std::vector<float> &a = ref.frames[f];
            const std::vector<float> &b = other.frames[f];
            const float top = *std::max_element(a.begin(), a.end());
            if (top < FullScaleDb - 60.0f)
                continue;
            const float floor = top - 60.0f;
            for (size_t k = 0; k < a.size(); ++k) {
                sum += std::abs(std::max(a[k], floor) - std::max(b[k], floor));
                ++count;
            }
        }
    }
    return count ? sum / double(count) : 0.0;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
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
    if (costAt > 0) {
        const QString name = args.value(costAt + 1);
        const AudioBuffer excerpt = head(music, args.value(costAt + 2).toDouble());
        for (const Variant &v : variants) {
            if (v.library + QStringLiteral(": ") + v.name == name) {
                // SoundTouch's start delay is measured once per setting and
                // process, before the first conversion: not counted here.
                auto first = v.make(excerpt.sampleRate, excerpt.channels);
                first->setTempo(1.0);
                first->setPitchSemiTones(SemiTones);
                first->startDelay();
                auto plugin = v.make(excerpt.sampleRate, excerpt.channels);
                runAlone(*plugin, excerpt);
                return 0;
            }
        }
        std::fprintf(stderr, "pitchoptions: no setting '%s'\n", qPrintable(name));
        return 2;
    }

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

    const int rate = music.sampleRate;
    const AudioBuffer tone = TestSignals::sine(440.0, 10.0, rate, 2);
    const AudioBuffer bursts = TestSignals::toneBursts(440.0, 6.0, rate, 2);
    std::map<QString, std::vector<Spectra>> references;
    // What LAME at 192 kbit/s changes in each reference's output, as a scale
    // for the spectral differences.
    std::map<QString, double> encoderDifference;
    std::map<QString, double> shiftedDifference;
    QTemporaryDir scratch;
    std::vector<Row> rows(variants.size());
    // The references first: every other setting is compared with them.
    std::vector<size_t> order(variants.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_partition(order.begin(), order.end(), [&](size_t i) { return variants[i].reference; });
    for (size_t i : order) {
        const Variant &v = variants[i];
        Row &r = rows[i];
        const AudioBuffer toneOut = convert(v, tone).aligned();
        r.pitch = AudioAnalysis::pitch(toneOut, 2.0, 8.0);
        for (double f : AudioAnalysis::pitchTrack(toneOut, 0.25, 1.0, 9.0))
            r.wobble = std::max(r.wobble, std::abs(AudioAnalysis::cents(f, 432.0)));
        for (double low : {41.2, 55.0, 82.4}) {
            const double shifted = AudioAnalysis::pitch(convert(v, TestSignals::sine(low, 10.0, rate, 2)).aligned(), 2.0, 8.0);
            r.bass = std::max(r.bass, std::abs(AudioAnalysis::cents(shifted, low * 432.0 / 440.0)));
        }
        const ProcessorRun::Result burstRun = convert(v, bursts);
        r.burstLag = ms(AudioAnalysis::lagFrames(bursts, burstRun.aligned()), rate);
        const ProcessorRun::Result musicRun = convert(v, music);
        r.missing = std::max(0LL, musicRun.framesIn - (musicRun.output.frames() - musicRun.startDelay));
        const AudioBuffer aligned = musicRun.aligned();
        for (double lag : AudioAnalysis::segmentLags(music, aligned, 30.0, 0.02))
            r.musicLags.push_back(ms(lag, rate));
        if (v.reference) {
            for (int c = 0; c < aligned.channels; ++c)
                references[v.library].push_back(spectraOf(aligned, c));
            // The same setting on the same music started one frame later: how
            // far apart two equally good outputs are by this measure.
            AudioBuffer later = music;
            later.samples.insert(later.samples.begin(), size_t(music.channels), 0.0f);
            AudioBuffer laterOut = convert(v, later).aligned();
            laterOut.samples.erase(laterOut.samples.begin(), laterOut.samples.begin() + music.channels);
            shiftedDifference[v.library] = spectralDifference(references[v.library], laterOut);
            const QString mp3 = scratch.filePath(QStringLiteral("reference.mp3"));
            if (AudioFiles::write(mp3, aligned).isEmpty())
                encoderDifference[v.library] = spectralDifference(references[v.library], AudioFiles::decode(mp3));
        } else {
            r.difference = spectralDifference(references[v.library], aligned);
        }
        const auto count = instructions.find(v.library + QStringLiteral(": ") + v.name);
        if (count != instructions.end())
            r.instructions = count->second;
        std::fprintf(stderr, "measured %s: %s\n", qPrintable(v.library), qPrintable(v.name));
    }
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < variants.size(); ++i) {
            auto plugin = variants[i].make(rate, music.channels);
            const auto start = std::chrono::steady_clock::now();
            runAlone(*plugin, music);
            rows[i].wall.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }

    std::printf("A4 440 → 432 Hz; music: %.0f s, lag per 30-second segment; wall: the library alone on the "
                "music, median of %d rounds; instructions: 10⁶ per second of audio (callgrind).\n\n",
                music.seconds(), rounds);
    std::printf("| library | setting | instr. 10⁶/s | wall s | pitch Hz | wobble cents | bass cents | frames missing "
                "| lag on bursts ms | lag on music ms, median (range) | spectral diff. dB | exact |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
    for (size_t i = 0; i < variants.size(); ++i) {
        const Variant &v = variants[i];
        const Row &r = rows[i];
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
                    v.reference ? "–" : qPrintable(QString::number(r.difference, 'f', 2)),
                    exact(r) ? "yes" : "no");
    }
    std::printf("\nScale of the spectral difference, for each library's reference: its output for the music "
                "started one frame later differs from it by");
    for (const auto &[library, difference] : shiftedDifference)
        std::printf(" %.2f dB (%s)", difference, qPrintable(library));
    std::printf("; its output through LAME at 192 kbit/s by");
    for (const auto &[library, difference] : encoderDifference)
        std::printf(" %.2f dB (%s)", difference, qPrintable(library));
    std::printf(".\n");
    return 0;
}
