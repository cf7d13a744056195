// The true-peak limiter on its own: the ceiling holds between the samples as
// well as on them, clean audio passes untouched, and the delay is what it
// says.
#include "support/AudioAnalysis.h"
#include "engine/PeakLimiter.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <cmath>
#include <functional>

namespace {

constexpr double Pi = 3.14159265358979323846;

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

// The signal on both channels, the second inverted, faded in over 10 ms so
// that the onset adds no peaks of its own.
AudioBuffer generated(int sampleRate, double seconds, const std::function<double(long long)> &signal)
{
    AudioBuffer audio{sampleRate, 2, std::vector<float>(size_t(seconds * sampleRate) * 2)};
    const double fade = sampleRate / 100.0;
    for (long long f = 0; f < audio.frames(); ++f) {
        const double v = signal(f) * (f < fade ? 0.5 - 0.5 * std::cos(Pi * double(f) / fade) : 1.0);
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
        kernel[i] = (x == 0.0 ? 1.0 : std::sin(Pi * x) / (Pi * x)) * window;
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

double dB(double ratio)
{
    return 20.0 * std::log10(ratio);
}

} // namespace

class TestPeakLimiter : public QObject
{
    Q_OBJECT

private slots:
    void ceilingHoldsBetweenSamples_data();
    void ceilingHoldsBetweenSamples();
    void cleanAudioPassesUnchanged_data();
    void cleanAudioPassesUnchanged();
    void gainRecoversAfterAPeak();
    void blockSizeDoesNotMatter();
};

using Signal = std::function<double(long long)>;
Q_DECLARE_METATYPE(Signal)

void TestPeakLimiter::ceilingHoldsBetweenSamples_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("lossy");
    QTest::addColumn<Signal>("signal");
    QTest::addColumn<int>("chunk");
    // A sine at a quarter of the sampling rate with every crest (1.0) the
    // same way between two samples.
    auto quarterRate = [](double crestOffset) {
        return Signal([crestOffset](long long f) { return std::cos(Pi / 2 * (double(f) - crestOffset)); });
    };
    QTest::newRow("fs/4, crests half way, lossy") << 44100 << true << quarterRate(0.5) << 4096;
    QTest::newRow("fs/4, crests a quarter of the way, lossless, 96 kHz")
        << 96000 << false << quarterRate(0.25) << 1;
    // A square wave made of its odd harmonics below 20 kHz: crests of 1.18
    // that fall anywhere between the samples.
    auto square = [](int rate) {
        return Signal([rate](long long f) {
            double v = 0.0;
            for (int k = 1; 997.3 * k < 20000.0; k += 2)
                v += 4.0 / Pi / k * std::sin(2.0 * Pi * 997.3 * k * double(f) / rate);
            return v;
        });
    };
    QTest::newRow("square, lossy, 48 kHz") << 48000 << true << square(48000) << 1000;
    // A master clipped at full scale: no sample above 1.0, the signal between
    // them well above it.
    const Signal clipped = [](long long f) { return std::clamp(2.0 * std::sin(2.0 * Pi * 441.7 * double(f) / 44100.0), -1.0, 1.0); };
    QTest::newRow("clipped, lossless") << 44100 << false << clipped << 44100;
    // A lone full-scale spike on a loud tone: the peak is the sample itself.
    const Signal spike = [](long long f) { return f == 20000 ? 3.0 : 0.9 * std::sin(2.0 * Pi * 440.0 * double(f) / 44100.0); };
    QTest::newRow("spike, lossy") << 44100 << true << spike << 1;
}

void TestPeakLimiter::ceilingHoldsBetweenSamples()
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
    const QString figures = QStringLiteral("true peak %1 dB, sample peak %2 dB, ceiling %3 dB")
                                .arg(dB(peak))
                                .arg(dB(samplePeak))
                                .arg(dB(limiter.ceiling()));
    QVERIFY2(samplePeak <= limiter.ceiling() + 1e-6, qPrintable(figures));
    QVERIFY2(peak <= limiter.ceiling() * 1.0001, qPrintable(figures));
    // Limited, not squashed: the loudest crests reach the ceiling.
    QVERIFY2(peak >= limiter.ceiling() * 0.99, qPrintable(figures));
}

void TestPeakLimiter::cleanAudioPassesUnchanged_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("lossy");
    QTest::newRow("44.1 kHz, lossy") << 44100 << true;
    QTest::newRow("48 kHz, lossless") << 48000 << false;
    QTest::newRow("96 kHz, lossy") << 96000 << true;
}

// Right under the ceiling, between the samples as well as on them, nothing
// changes: the output is the input, later by latency(), bit for bit.
void TestPeakLimiter::cleanAudioPassesUnchanged()
{
    QFETCH(int, rate);
    QFETCH(bool, lossy);
    PeakLimiter limiter = PeakLimiter::forOutput(rate, 2, lossy);
    // Bursts of a tone, the later ones over a tone at fs/4 with its crests on
    // the samples, so sharp that only interpolating tells it is clean.
    const double level = limiter.ceiling() * 0.999;
    AudioBuffer input = TestSignals::toneBursts(440.0, 1.0, rate, 2, level / 2.0);
    for (long long f = input.frames() / 2; f < input.frames(); ++f) {
        for (size_t c = 0; c < 2; ++c)
            input.samples[size_t(f) * 2 + c] += float(level / 2.0 * std::cos(Pi / 2 * double(f)));
    }
    const AudioBuffer output = limited(limiter, input, 1000);
    const size_t delay = size_t(limiter.latency()) * 2;
    for (size_t i = 0; i < delay; ++i)
        QCOMPARE(output.samples[i], 0.0f);
    for (size_t i = delay; i < input.samples.size(); ++i)
        QCOMPARE(output.samples[i], input.samples[i - delay]);  // bit for bit
    QCOMPARE(limiter.smallestGain(), 1.0);
}

// After a lone peak the gain comes back to exactly 1.0, smoothly.
void TestPeakLimiter::gainRecoversAfterAPeak()
{
    PeakLimiter limiter = PeakLimiter::forOutput(44100, 1, false);
    // A steady level makes the gain readable at every frame.
    AudioBuffer input{44100, 1, std::vector<float>(88200, 0.5f)};
    input.samples[10000] = 2.0f;
    const AudioBuffer output = limited(limiter, input, 512);
    const int delay = limiter.latency();
    // At the peak the gain is ceiling / 2; two seconds on, the level is whole again.
    QVERIFY(std::abs(output.samples[10000 + delay] - limiter.ceiling()) < 1e-6);
    for (size_t i = 80000; i < output.samples.size(); ++i)
        QCOMPARE(output.samples[i], input.samples[i - size_t(delay)]);
    // No step on the way back: neighbouring gains differ little.
    double previous = output.samples[10001 + size_t(delay)] / 0.5;
    QVERIFY(previous < 0.6);
    for (size_t i = 10002 + size_t(delay); i < 80000; ++i) {
        const double gain = output.samples[i] / 0.5;
        QVERIFY(gain >= previous - 1e-6);  // only ever rising
        QVERIFY(gain - previous < 0.001);  // and smoothly
        previous = gain;
    }
    QCOMPARE(previous, 1.0);
}

// Clean stretches take a shortcut; where audio is cut into blocks must not
// change a single sample, whether a peak falls inside a block, right after
// one, or while the gain is still recovering.
void TestPeakLimiter::blockSizeDoesNotMatter()
{
    AudioBuffer input = TestSignals::toneBursts(440.0, 4.0, 44100, 2, 0.8);
    for (const int at : {256, 511, 512, 5000, 5100, 20000, 20255, 90000, 150000})
        input.samples[2 * size_t(at)] = 1.4f;
    for (size_t i = 2 * 120000; i < 2 * 125000; ++i)  // a loud passage
        input.samples[i] *= 1.5f;
    // Peaks between the samples only, and a clean stretch the cheap bound
    // cannot clear.
    for (long long f = 60000; f < 70000; ++f)
        input.samples[size_t(f) * 2 + 1] = float(0.8 * std::sin(Pi / 2 * double(f) + Pi / 4) * (f < 65000 ? 1.2 : 1.0));
    PeakLimiter reference = PeakLimiter::forOutput(44100, 2, true);
    const AudioBuffer expected = limited(reference, input, 1);
    QVERIFY(AudioAnalysis::peak(expected.samples) <= reference.ceiling() + 1e-6);
    for (const int chunk : {3, 255, 256, 257, 1000, 4096, 176400}) {
        PeakLimiter limiter = PeakLimiter::forOutput(44100, 2, true);
        const AudioBuffer output = limited(limiter, input, chunk);
        for (size_t i = 0; i < output.samples.size(); ++i) {
            if (output.samples[i] != expected.samples[i])
                QFAIL(qPrintable(QString("blocks of %1: sample %2 differs").arg(chunk).arg(i)));
        }
        QCOMPARE(limiter.smallestGain(), reference.smallestGain());
    }
}

QTEST_GUILESS_MAIN(TestPeakLimiter)
#include "tst_peaklimiter.moc"
