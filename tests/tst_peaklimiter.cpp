// The peak limiter on its own: the ceiling holds, clean audio passes
// untouched, and the delay is what it says.
#include "support/AudioAnalysis.h"
#include "engine/PeakLimiter.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <cmath>

namespace {

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

} // namespace

class TestPeakLimiter : public QObject
{
    Q_OBJECT

private slots:
    void quietAudioPassesUnchanged();
    void loudAudioStaysUnderTheCeiling_data();
    void loudAudioStaysUnderTheCeiling();
    void gainRecoversAfterAPeak();
    void blockSizeDoesNotMatter();
};

void TestPeakLimiter::quietAudioPassesUnchanged()
{
    PeakLimiter limiter = PeakLimiter::forRate(44100, 2);
    QCOMPARE(limiter.latency(), 220);
    const AudioBuffer input = TestSignals::toneBursts(440.0, 2.0, 44100, 2, 0.98);
    const AudioBuffer output = limited(limiter, input, 1000);
    const size_t delay = size_t(limiter.latency()) * 2;
    for (size_t i = 0; i < delay; ++i)
        QCOMPARE(output.samples[i], 0.0f);
    for (size_t i = delay; i < input.samples.size(); ++i)
        QCOMPARE(output.samples[i], input.samples[i - delay]);  // bit for bit
    QCOMPARE(limiter.smallestGain(), 1.0);
}

void TestPeakLimiter::loudAudioStaysUnderTheCeiling_data()
{
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<int>("chunk");
    QTest::newRow("just over") << 1.0 << 4096;
    QTest::newRow("far over") << 3.0 << 1;
    QTest::newRow("over, in big blocks") << 1.5 << 96000;
}

void TestPeakLimiter::loudAudioStaysUnderTheCeiling()
{
    QFETCH(double, amplitude);
    QFETCH(int, chunk);
    PeakLimiter limiter = PeakLimiter::forRate(44100, 2);
    // A sine with a single-sample spike on one channel.
    AudioBuffer input = TestSignals::sine(440.0, 1.0, 44100, 2, amplitude);
    input.samples[2 * 30000 + 1] = float(amplitude * 1.1);
    const AudioBuffer output = limited(limiter, input, chunk);
    QVERIFY2(AudioAnalysis::peak(output.samples) <= limiter.ceiling() + 1e-6, qPrintable(QString::number(AudioAnalysis::peak(output.samples))));
    QVERIFY(std::abs(limiter.smallestGain() - limiter.ceiling() / (amplitude * 1.1)) < 1e-6);
    // Limited, not squashed: the loudest frames reach the ceiling.
    QVERIFY(AudioAnalysis::peak(output.samples) > limiter.ceiling() - 0.01);
}

// After a lone peak the gain comes back to exactly 1.0, smoothly.
void TestPeakLimiter::gainRecoversAfterAPeak()
{
    PeakLimiter limiter = PeakLimiter::forRate(44100, 1);
    // A steady level makes the gain readable at every frame.
    AudioBuffer input{44100, 1, std::vector<float>(88200, 0.5f)};
    input.samples[10000] = 2.0f;
    const AudioBuffer output = limited(limiter, input, 512);
    const int delay = limiter.latency();
    // At the peak the gain is ceiling / 2; two seconds on, the tone is whole again.
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
    AudioBuffer input = TestSignals::toneBursts(440.0, 4.0, 44100, 2, 0.9);
    for (const int at : {256, 511, 512, 5000, 5100, 20000, 20255, 90000, 150000})
        input.samples[2 * size_t(at)] = 1.4f;
    for (size_t i = 2 * 120000; i < 2 * 125000; ++i)  // a loud passage
        input.samples[i] *= 1.5f;
    PeakLimiter reference = PeakLimiter::forRate(44100, 2);
    const AudioBuffer expected = limited(reference, input, 1);
    QVERIFY(AudioAnalysis::peak(expected.samples) <= reference.ceiling() + 1e-6);
    for (const int chunk : {3, 255, 256, 257, 1000, 4096, 176400}) {
        PeakLimiter limiter = PeakLimiter::forRate(44100, 2);
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
