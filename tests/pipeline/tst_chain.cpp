// The processing chain without FFmpeg: the measures the audio tests rely on,
// both pitch processors, the true-peak limiter, and the encoder thread's
// hand-over; frames in, frames out, counted and measured.
#include "base/AudioSink.h"
#include "dsp/PeakLimiter.h"
#include "dsp/PitchAlgorithm.h"
#include "pipeline/ProcessingChain.h"
#include "pipeline/ThreadedSink.h"
#include "support/Alignment.h"
#include "support/AudioAnalysis.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace {

// Keeps what it is given; fails after `failAfter` frames when asked to; can
// be slowed down to let a producer fill the queue.
class CollectingSink : public AudioSink
{
public:
    bool write(const float *samples, int frames) override
    {
        if (failAfter >= 0 && received + frames > failAfter) {
            m_error = QStringLiteral("disk full");
            return false;
        }
        if (slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        samples_.insert(samples_.end(), samples, samples + size_t(frames) * 2);
        received += frames;
        // The chain never passes on more than went into it.
        if (chain && received > chain->framesIn())
            aheadOfInput = true;
        return true;
    }
    bool finish() override { return m_error.isEmpty() && (finished = true); }
    void discard() override { discarded = true; }
    TranslatableText error() const override { return m_error; }

    std::vector<float> samples_;
    long long received = 0;
    long long failAfter = -1;
    bool slow = false;
    bool finished = false;
    bool discarded = false;
    bool aheadOfInput = false;
    const ProcessingChain *chain = nullptr;

private:
    QString m_error;
};

const double To432 = 12.0 * std::log2(432.0 / 440.0);
const double To444 = 12.0 * std::log2(444.0 / 440.0);
const int Time = PitchAlgorithm::named(QStringLiteral("time"))->id;
const int Frequency = PitchAlgorithm::named(QStringLiteral("frequency"))->id;

AudioBuffer runChain(int algorithm, const AudioBuffer &input, bool limit, int chunk, bool *aheadOfInput = nullptr,
                     double semitones = To432)
{
    const int rate = input.sampleRate;
    ProcessingChain chain(PitchAlgorithm::find(algorithm)->make(rate, 2, semitones, {}), 2,
                          limit ? std::optional<PeakLimiter>(PeakLimiter::forOutput(rate, 2, false)) : std::nullopt);
    CollectingSink sink;
    sink.chain = &chain;
    for (long long done = 0; done < input.frames(); done += chunk) {
        const int n = int(std::min<long long>(chunk, input.frames() - done));
        if (!chain.put(input.samples.data() + done * 2, n, sink))
            return {};
    }
    chain.finish(sink);
    if (aheadOfInput)
        *aheadOfInput = sink.aheadOfInput;
    return AudioBuffer{rate, 2, sink.samples_};
}

AudioBuffer limited(PeakLimiter &limiter, const AudioBuffer &input, int chunk)
{
    AudioBuffer output = input;
    for (long long done = 0; done < input.frames(); done += chunk) {
        const int n = int(std::min<long long>(chunk, input.frames() - done));
        limiter.process(input.samples.data() + done * input.channels, output.samples.data() + done * input.channels,
                        n);
    }
    return output;
}

using Signal = std::function<double(long long)>;

// The signal on both channels, the second inverted, faded in over 10 ms so
// that the onset adds no peaks of its own.
AudioBuffer generated(int sampleRate, double seconds, const Signal &signal)
{
    AudioBuffer audio{sampleRate, 2, std::vector<float>(size_t(seconds * sampleRate) * 2)};
    const double fade = sampleRate / 100.0;
    for (long long f = 0; f < audio.frames(); ++f) {
        const double v = signal(f) * (f < fade ? 0.5 - 0.5 * std::cos(M_PI * double(f) / fade) : 1.0);
        audio.samples[size_t(f) * 2] = float(v);
        audio.samples[size_t(f) * 2 + 1] = float(-v);
    }
    return audio;
}

// The peak of the continuous signal, independently of the limiter: 32 points
// per sample, each from a Kaiser-windowed sinc reaching 40 samples either
// side, which is flat far beyond what the limiter's short interpolator
// covers. The edges, where the sinc runs out of samples, are left out.
double truePeak(const AudioBuffer &audio)
{
    constexpr int Oversampling = 32;
    constexpr int Half = 40;
    constexpr double Beta = 10.0;
    std::vector<double> kernel(size_t(2 * Half * Oversampling + 1));
    for (size_t i = 0; i < kernel.size(); ++i) {
        const double x = double(int(i) - Half * Oversampling) / Oversampling;
        const double r = x / Half;
        const double window = std::cyl_bessel_i(0.0, Beta * std::sqrt(std::max(0.0, 1.0 - r * r)))
                              / std::cyl_bessel_i(0.0, Beta);
        kernel[i] = (x == 0.0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x)) * window;
    }
    double peak = 0.0;
    for (int c = 0; c < audio.channels; ++c) {
        auto at = [&](long long f) { return double(audio.samples[size_t(f) * size_t(audio.channels) + size_t(c)]); };
        for (long long f = Half; f + Half < audio.frames(); ++f) {
            for (int p = 0; p < Oversampling; ++p) {
                double v = 0.0;
                for (int j = -Half + 1; j <= Half; ++j)
                    v += at(f + j) * kernel[size_t((Half - j) * Oversampling + p)];
                peak = std::max(peak, std::abs(v));
            }
        }
    }
    return peak;
}

} // namespace

Q_DECLARE_METATYPE(Signal)

class TestChain : public QObject
{
    Q_OBJECT

private slots:
    void measuresHoldOnKnownSignals();
    void alignedAndExactInLength_data();
    void alignedAndExactInLength();
    void limiterOnlyActsOnPeaks_data();
    void limiterOnlyActsOnPeaks();
    void limiterCeilingHoldsBetweenSamples_data();
    void limiterCeilingHoldsBetweenSamples();
    void limiterLeavesCleanAudioAndReleasesSmoothly();
    void threadedSinkHandsOverEveryFrame();
    void threadedSinkEndsCleanly();
};

// Every pitch, length and alignment test stands on these measures: on
// signals whose answers are known, they must give them.
void TestChain::measuresHoldOnKnownSignals()
{
    for (const double frequency : {55.0, 431.87, 1000.3}) {
        const AudioBuffer tone = TestSignals::sine(frequency, 3.0, 48000);
        const double measured = AudioAnalysis::pitch(tone, 0.5, 2.5);
        QVERIFY2(std::abs(measured - frequency) < 0.005, qPrintable(QString::number(measured, 'f', 5)));
        for (double f : AudioAnalysis::pitchTrack(tone, frequency < 100.0 ? 0.5 : 0.25, 0.5, 2.5))
            QVERIFY2(std::abs(AudioAnalysis::cents(f, frequency)) < 0.05, qPrintable(QString::number(f, 'f', 5)));
    }
    const AudioBuffer reference = TestSignals::toneBursts(440.0, 3.0);
    for (const int delay : {-300, 0, 44, 1304}) {
        AudioBuffer shifted = TestSignals::toneBursts(432.0, 3.0);
        if (delay >= 0)
            shifted.samples.insert(shifted.samples.begin(), size_t(delay) * 2, 0.0f);
        else
            shifted.samples.erase(shifted.samples.begin(), shifted.samples.begin() + size_t(-delay) * 2);
        const double lag = AudioAnalysis::lagFrames(reference, shifted);
        QVERIFY2(std::abs(lag - delay) <= 4.0, qPrintable(QStringLiteral("%1 for %2").arg(lag).arg(delay)));
    }
}

void TestChain::alignedAndExactInLength_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("chunk");
    // "bursts" (at 44.1 kHz, or "bursts@RATE"), "music", "voices" or a steady
    // tone's frequency
    QTest::addColumn<QString>("signal");
    QTest::addColumn<double>("semitones");

    QTest::newRow("SoundTouch, decoder-sized chunks") << Time << 1152 << "bursts" << To432;
    QTest::newRow("SoundTouch, one frame at a time") << Time << 1 << "bursts" << To432;
    // As long a start pad in time at any rate: up an octave, the output
    // comes 27 ms early.
    QTest::newRow("SoundTouch, 192 kHz, up an octave") << Time << 4096 << "bursts@192000" << 12.0;
    QTest::newRow("RubberBand, decoder-sized chunks") << Frequency << 4096 << "bursts" << To432;
    QTest::newRow("RubberBand, large chunks, unshifted") << Frequency << 96000 << "bursts" << 0.0;
    QTest::newRow("SoundTouch, steady A4") << Time << 4096 << "440" << To432;
    QTest::newRow("RubberBand, steady A4") << Frequency << 4096 << "440" << To432;
    // A bass note whose period is longer than SoundTouch's seek window
    // would come out at its old pitch.
    QTest::newRow("SoundTouch, low E of a bass") << Time << 4096 << "41.2" << To432;
    QTest::newRow("RubberBand, low E of a bass") << Frequency << 4096 << "41.2" << To432;
    // SoundTouch splices towards one end of its window shifting down, the
    // other shifting up.
    QTest::newRow("SoundTouch, music to 432") << Time << 4096 << "music" << To432;
    QTest::newRow("SoundTouch, music up to 444") << Time << 4096 << "music" << To444;
    QTest::newRow("RubberBand, music to 432") << Frequency << 4096 << "music" << To432;
    // Stretched apart, or with the short window, the channels drift apart
    // and the image widens.
    QTest::newRow("SoundTouch, stereo voices") << Time << 4096 << "voices" << To432;
    QTest::newRow("RubberBand, stereo voices") << Frequency << 4096 << "voices" << To432;
}

// Exactly as many frames out as in, never more at any moment, at the target
// pitch, steady there, and in time with the input: bursts by their
// envelope, music by the median lag of its 5-second stretches (where the
// time-based library splices depends on the material: a delay that holds
// for tones alone leaves music several ms out). Two voices in rooms of their
// own, panned apart, keep their stereo image: the channels as related as
// before (correlation within 0.05) and the image as wide (side against mid
// within 1 dB).
void TestChain::alignedAndExactInLength()
{
    QFETCH(int, algorithm);
    QFETCH(int, chunk);
    QFETCH(QString, signal);
    QFETCH(double, semitones);
    static const AudioBuffer music = TestSignals::tunedMusic(440.0, 20.0, 44100, 2, false, true);
    const bool bursts = signal.startsWith(QLatin1String("bursts"));
    const int rate = bursts && signal.contains(QLatin1Char('@')) ? signal.section(QLatin1Char('@'), 1).toInt() : 44100;
    const double tone = bursts ? 440.0 : signal.toDouble();
    static const AudioBuffer voices = TestSignals::stereoVoices(8.0);
    const AudioBuffer input = signal == QLatin1String("music")    ? music
                              : signal == QLatin1String("voices") ? voices
                              : bursts                            ? TestSignals::burstsOverTone(440.0, 6.0, rate)
                                                                  : TestSignals::sine(tone, 6.0);
    bool ahead = true;
    const AudioBuffer output = runChain(algorithm, input, true, chunk, &ahead, semitones);
    QCOMPARE(output.frames(), input.frames());
    QVERIFY(!ahead);
    if (signal == QLatin1String("voices")) {
        const double correlation = AudioAnalysis::channelCorrelation(output);
        const double sideMid = AudioAnalysis::sideToMidDb(output);
        const QString figures = QStringLiteral("correlation %1 (source %2), side/mid %3 dB (source %4)")
                                    .arg(correlation, 0, 'f', 3)
                                    .arg(AudioAnalysis::channelCorrelation(input), 0, 'f', 3)
                                    .arg(sideMid, 0, 'f', 2)
                                    .arg(AudioAnalysis::sideToMidDb(input), 0, 'f', 2);
        QVERIFY2(std::abs(correlation - AudioAnalysis::channelCorrelation(input)) <= 0.05, qPrintable(figures));
        QVERIFY2(std::abs(sideMid - AudioAnalysis::sideToMidDb(input)) <= 1.0, qPrintable(figures));
        return;
    }
    const bool isMusic = signal == QLatin1String("music");
    const double tolerance = alignmentTolerance(algorithm, isMusic) * rate;
    if (isMusic) {
        const std::vector<double> lags = AudioAnalysis::segmentLags(input, output, 5.0, 0.02);
        QCOMPARE(int(lags.size()), 4);
        QString figures;
        for (double lag : lags)
            figures += QStringLiteral(" %1").arg(lag / 44.1, 0, 'f', 2);
        QVERIFY2(std::abs(AudioAnalysis::median(lags)) <= tolerance,
                 qPrintable(QStringLiteral("lags in ms:") + figures));
        return;
    }

    const double expected = tone * std::exp2(semitones / 12.0);
    const double pitch = AudioAnalysis::pitch(output, 1.0, 5.0);
    // Bass notes get a cent: SoundTouch's splices pull a 41 Hz tone by 0.7.
    QVERIFY2(std::abs(AudioAnalysis::cents(pitch, expected)) <= (tone < 200.0 ? 1.0 : 0.2),
             qPrintable(QStringLiteral("%1 Hz, expected %2").arg(pitch, 0, 'f', 4).arg(expected, 0, 'f', 4)));
    if (bursts) {
        const double lag = AudioAnalysis::lagFrames(input, output);
        QVERIFY2(std::abs(lag) <= tolerance, qPrintable(QString::number(lag)));
    } else if (tone >= 200.0) {
        // Every quarter second within a cent of the target: no wobble.
        const std::vector<double> track = AudioAnalysis::pitchTrack(output, 0.25, 1.0, 5.0);
        QCOMPARE(int(track.size()), 16);
        for (size_t i = 0; i < track.size(); ++i)
            QVERIFY2(std::abs(AudioAnalysis::cents(track[i], expected)) <= 1.0,
                     qPrintable(QStringLiteral("window %1: %2 Hz").arg(i).arg(track[i], 0, 'f', 3)));
    }
}

void TestChain::limiterOnlyActsOnPeaks_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::newRow("SoundTouch") << Time;
    QTest::newRow("RubberBand") << Frequency;
}

// Clean audio passes the limiter bit for bit; a loud master, which the
// pitch shift lifts over full scale, comes out under the ceiling, where
// without the limiter it would clip. (Rubber Band lifts it over 1.0:
// nothing before the limiter may cut that off.) A source that is over full
// scale already (floating point at +4 dBFS) reaches the limiter as it is:
// no clip before it adds harmonics.
void TestChain::limiterOnlyActsOnPeaks()
{
    QFETCH(int, algorithm);
    const AudioBuffer quiet = TestSignals::burstsOverTone(440.0, 4.0);  // peaks at -6 dBFS
    QVERIFY(runChain(algorithm, quiet, true, 4096).samples == runChain(algorithm, quiet, false, 4096).samples);

    // A dense chord with spread phases, normalised to 0.9999.
    AudioBuffer loud = TestSignals::sine(220.0, 4.0, 44100, 2, 0.0);
    const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37, 659.25, 880.0};
    for (size_t n = 0; n < std::size(notes); ++n) {
        for (long long f = 0; f < loud.frames(); ++f) {
            const double v = std::sin(2.0 * M_PI * notes[n] * double(f) / 44100.0 + 1.7 * double(n));
            loud.samples[size_t(f) * 2] += float(v);
            loud.samples[size_t(f) * 2 + 1] += float(n % 2 ? v : -v);
        }
    }
    const float peak = AudioAnalysis::peak(loud.samples);
    for (float &s : loud.samples)
        s *= 0.9999f / peak;
    const float limited = AudioAnalysis::peak(runChain(algorithm, loud, true, 4096).samples);
    const float unlimited = AudioAnalysis::peak(runChain(algorithm, loud, false, 4096).samples);
    QVERIFY2(limited <= 0.98856f, qPrintable(QString::number(limited)));
    QVERIFY2(unlimited > (algorithm == Frequency ? 1.0f : 0.98856f),
             qPrintable(QString::number(unlimited)));

    const AudioBuffer over = runChain(algorithm, TestSignals::sine(220.0, 4.0, 44100, 2, std::pow(10.0, 4.0 / 20.0)),
                                      true, 4096);
    QVERIFY2(truePeak(over) <= 0.98856, qPrintable(QString::number(truePeak(over))));
    const double fundamental = 220.0 * 432.0 / 440.0;
    const double level = AudioAnalysis::levelDb(over, fundamental, 1.0, 3.5);
    for (int harmonic = 2; harmonic <= 5; ++harmonic) {
        const double distortion = AudioAnalysis::levelDb(over, harmonic * fundamental, 1.0, 3.5) - level;
        QVERIFY2(distortion <= -50.0, qPrintable(QStringLiteral("harmonic %1 at %2 dB").arg(harmonic).arg(distortion)));
    }
}

void TestChain::limiterCeilingHoldsBetweenSamples_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("lossy");
    QTest::addColumn<Signal>("signal");
    QTest::addColumn<int>("chunk");
    // A sine at a quarter of the sampling rate with every crest (1.0) the
    // same way between two samples.
    auto quarterRate = [](double crestOffset) {
        return Signal([crestOffset](long long f) { return std::cos(M_PI / 2 * (double(f) - crestOffset)); });
    };
    QTest::newRow("fs/4, crests half way, lossy") << 44100 << true << quarterRate(0.5) << 4096;
    QTest::newRow("fs/4, crests a quarter of the way, lossless, 96 kHz")
        << 96000 << false << quarterRate(0.25) << 1;
    // A square wave made of its odd harmonics below 20 kHz: crests of 1.18
    // that fall anywhere between the samples.
    const Signal square = [](long long f) {
        double v = 0.0;
        for (int k = 1; 997.3 * k < 20000.0; k += 2)
            v += 4.0 / M_PI / k * std::sin(2.0 * M_PI * 997.3 * k * double(f) / 48000);
        return v;
    };
    QTest::newRow("square, lossy, 48 kHz") << 48000 << true << square << 1000;
    // A master clipped at full scale: no sample above 1.0, the signal between
    // them well above it.
    const Signal clipped = [](long long f) { return std::clamp(2.0 * std::sin(2.0 * M_PI * 441.7 * double(f) / 44100.0), -1.0, 1.0); };
    QTest::newRow("clipped, lossless") << 44100 << false << clipped << 44100;
    // A lone full-scale spike on a loud tone: the peak is the sample itself.
    const Signal spike = [](long long f) { return f == 20000 ? 3.0 : 0.9 * std::sin(2.0 * M_PI * 440.0 * double(f) / 44100.0); };
    QTest::newRow("spike, lossy") << 44100 << true << spike << 1;
}

// The limiter alone: its ceiling holds between the samples as well as on
// them, and the loudest crests reach it (limited, not squashed).
void TestChain::limiterCeilingHoldsBetweenSamples()
{
    QFETCH(int, rate);
    QFETCH(bool, lossy);
    QFETCH(Signal, signal);
    QFETCH(int, chunk);
    PeakLimiter limiter = PeakLimiter::forOutput(rate, 2, lossy);
    QCOMPARE(limiter.ceiling(), std::pow(10.0, (lossy ? -1.0 : -0.1) / 20.0));
    const AudioBuffer output = limited(limiter, generated(rate, 0.3, signal), chunk);
    const double samplePeak = AudioAnalysis::peak(output.samples);
    const double peak = truePeak(output);
    const QString figures = QStringLiteral("true peak %1, sample peak %2, ceiling %3")
                                .arg(peak)
                                .arg(samplePeak)
                                .arg(limiter.ceiling());
    QVERIFY2(samplePeak <= limiter.ceiling() + 1e-6, qPrintable(figures));
    QVERIFY2(peak <= limiter.ceiling() * 1.0001 && peak >= limiter.ceiling() * 0.99, qPrintable(figures));
}

// Right under the ceiling, between the samples as well as on them, audio
// passes bit for bit, later by latency(). After a lone peak the gain comes
// back to exactly 1.0, smoothly. Where the audio is cut into blocks changes
// not a sample (clean stretches take a shortcut), whether a peak falls
// inside a block, right after one, or while the gain is still recovering.
void TestChain::limiterLeavesCleanAudioAndReleasesSmoothly()
{
    // Bursts over a tone at fs/4 with its crests on the samples, so sharp
    // that only interpolating tells it is clean.
    PeakLimiter clean = PeakLimiter::forOutput(96000, 2, true);
    const double level = clean.ceiling() * 0.999 / 2.0;
    AudioBuffer under = TestSignals::toneBursts(440.0, 1.0, 96000, 2, level);
    for (size_t i = 0; i < under.samples.size(); ++i)
        under.samples[i] += float(level * std::cos(M_PI / 2 * double(i / 2)));
    const AudioBuffer passed = limited(clean, under, 1000);
    const size_t lag = size_t(clean.latency()) * 2;
    QVERIFY(std::equal(under.samples.begin(), under.samples.end() - std::ptrdiff_t(lag), passed.samples.begin() + std::ptrdiff_t(lag)));
    QCOMPARE(clean.smallestGain(), 1.0);

    PeakLimiter single = PeakLimiter::forOutput(44100, 1, false);
    // A steady level makes the gain readable at every frame.
    AudioBuffer steady{44100, 1, std::vector<float>(88200, 0.5f)};
    steady.samples[10000] = 2.0f;
    const AudioBuffer released = limited(single, steady, 512);
    const int delay = single.latency();
    QVERIFY(std::abs(released.samples[10000 + delay] - single.ceiling()) < 1e-6);
    double previous = released.samples[10001 + size_t(delay)] / 0.5;
    QVERIFY(previous < 0.6);
    for (size_t i = 10002 + size_t(delay); i < released.samples.size(); ++i) {
        const double gain = released.samples[i] / 0.5;
        QVERIFY(gain >= previous - 1e-6 && gain - previous < 0.001);  // only rising, and smoothly
        previous = gain;
    }
    QCOMPARE(previous, 1.0);

    AudioBuffer input = TestSignals::toneBursts(440.0, 4.0, 44100, 2, 0.8);
    for (const int at : {256, 511, 512, 5000, 5100, 20000, 20255, 90000, 150000})
        input.samples[2 * size_t(at)] = 1.4f;
    for (size_t i = 2 * 120000; i < 2 * 125000; ++i)  // a loud passage
        input.samples[i] *= 1.5f;
    // Peaks between the samples only, and a clean stretch the cheap bound
    // cannot clear.
    for (long long f = 60000; f < 70000; ++f)
        input.samples[size_t(f) * 2 + 1] = float(0.8 * std::sin(M_PI / 2 * double(f) + M_PI / 4) * (f < 65000 ? 1.2 : 1.0));
    PeakLimiter reference = PeakLimiter::forOutput(44100, 2, true);
    const AudioBuffer expected = limited(reference, input, 1);
    QVERIFY(AudioAnalysis::peak(expected.samples) <= reference.ceiling() + 1e-6);
    for (const int chunk : {3, 255, 256, 257, 1000, 4096, 176400}) {
        PeakLimiter limiter = PeakLimiter::forOutput(44100, 2, true);
        QVERIFY2(limited(limiter, input, chunk).samples == expected.samples, qPrintable(QString::number(chunk)));
        QCOMPARE(limiter.smallestGain(), reference.smallestGain());
    }
}

// Whatever the chunking on either side, the sink behind the thread gets
// every frame in order, and its finish comes after the last.
void TestChain::threadedSinkHandsOverEveryFrame()
{
    std::vector<float> input(size_t(200000) * 2);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = float(i % 9973) / 9973.0f;
    CollectingSink inner;
    {
        ThreadedSink sink(inner, 2, 1000);
        size_t done = 0;
        for (int n = 1; done < input.size() / 2; n = n * 7 % 5003 + 1) {
            const int frames = int(std::min<size_t>(size_t(n), input.size() / 2 - done));
            QVERIFY(sink.write(input.data() + done * 2, frames));
            done += size_t(frames);
        }
        QVERIFY(sink.finish());
    }
    QVERIFY(inner.finished);
    QVERIFY(inner.samples_ == input);
}

// A sink that fails on the encoder thread, and a stop while the encoder
// thread is behind: the writer learns of the failure instead of waiting for
// room forever, and a stop tells the inner sink to throw its output away.
void TestChain::threadedSinkEndsCleanly()
{
    const std::vector<float> block(size_t(4096) * 2, 0.25f);
    {
        CollectingSink inner;
        inner.failAfter = 50000;
        ThreadedSink sink(inner, 2, 1024);
        bool refused = false;
        for (int i = 0; i < 1000 && !refused; ++i)
            refused = !sink.write(block.data(), 4096);
        QVERIFY(refused);
        QCOMPARE(sink.error().toString(), QStringLiteral("disk full"));
        QVERIFY(!sink.finish());
        QVERIFY(!inner.finished);
    }
    {
        CollectingSink inner;
        inner.slow = true;
        ThreadedSink sink(inner, 2, 1024);
        for (int i = 0; i < 20; ++i)
            QVERIFY(sink.write(block.data(), 4096));  // waits while the queue is full
        sink.discard();
        QVERIFY(inner.discarded);
        QVERIFY(!inner.finished);
    }
}

QTEST_GUILESS_MAIN(TestChain)
#include "tst_chain.moc"
