// Both pitch processors, measured on generated audio: pitch, steadiness,
// length, delay and the edge behaviour of each library wrapper.
#include "engine/AppConstants.h"
#include "support/Alignment.h"
#include "support/AudioAnalysis.h"
#include "support/ProcessorRun.h"
#include "engine/RubberbandPlugin.h"
#include "engine/SoundTouchPlugin.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<TempoPitchProcessorPlugin> makeProcessor(int algorithm)
{
    if (algorithm == AppConstants::A_Frequency)
        return std::make_unique<RubberbandPlugin>(44100, 2);
    return std::make_unique<SoundTouchPlugin>(44100, 2);
}

const double To432 = 12.0 * std::log2(432.0 / 440.0);

// How far the output may lie from the input, in frames at 44.1 kHz.
double spliceJitter(int algorithm)
{
    return alignmentTolerance(algorithm) * 44100.0;
}

void addAlgorithmRows(const char *suffix, const std::function<void(QTestData &)> &rest)
{
    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        const char *name = algorithm == AppConstants::A_Time ? "SoundTouch" : "RubberBand";
        QTestData &row = QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(suffix))));
        row << algorithm;
        rest(row);
    }
}

// Rows that differ only by the algorithm.
void addAlgorithmColumnAndRows()
{
    QTest::addColumn<int>("algorithm");
    addAlgorithmRows("", [](QTestData &) {});
}

} // namespace

class TestProcessors : public QObject
{
    Q_OBJECT

private slots:
    void pitchShift_data();
    void pitchShift();
    void delayAndLength_data();
    void delayAndLength();
    void alignedOnMusic_data();
    void alignedOnMusic();
    void unityIsTransparent_data();
    void unityIsTransparent();
    void tempoChangesDuration_data();
    void tempoChangesDuration();
    void receiveNeverExceedsAvailable_data();
    void receiveNeverExceedsAvailable();
    void rubberbandChannelMismatch();
    void outOfRangeSamples();
};

void TestProcessors::pitchShift_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<double>("tone");
    QTest::addColumn<double>("semiTones");

    addAlgorithmRows("440 to 432", [](QTestData &row) { row << 440.0 << To432; });
    addAlgorithmRows("unshifted", [](QTestData &row) { row << 440.0 << 0.0; });
    addAlgorithmRows("up to 444", [](QTestData &row) { row << 440.0 << 12.0 * std::log2(444.0 / 440.0); });
    // A bass note whose period is longer than SoundTouch's seek window
    // would come out at its old pitch.
    addAlgorithmRows("low E of a bass", [](QTestData &row) { row << 41.2 << To432; });
    addAlgorithmRows("A1", [](QTestData &row) { row << 55.0 << To432; });
}

// The pitch lands on the target and stays there: every quarter second of the
// retuned tone is within a cent of it.
void TestProcessors::pitchShift()
{
    QFETCH(int, algorithm);
    QFETCH(double, tone);
    QFETCH(double, semiTones);

    auto processor = makeProcessor(algorithm);
    processor->setTempo(1.0);
    processor->setPitchSemiTones(semiTones);
    const AudioBuffer output = ProcessorRun::run(*processor, TestSignals::sine(tone, 10.0)).aligned();
    QCOMPARE(output.frames(), 441000LL);

    const double expected = tone * std::pow(2.0, semiTones / 12.0);
    const double measured = AudioAnalysis::pitch(output, 2.0, 8.0);
    // Bass notes get a cent: SoundTouch's splices pull a 41 Hz tone by 0.7.
    QVERIFY2(std::abs(AudioAnalysis::cents(measured, expected)) <= (tone < 200.0 ? 1.0 : 0.2),
             qPrintable(QStringLiteral("%1 Hz, expected %2").arg(measured, 0, 'f', 4).arg(expected, 0, 'f', 4)));
    if (tone < 200.0)
        return;  // a quarter second is too short to measure a bass note closely

    const std::vector<double> track = AudioAnalysis::pitchTrack(output, 0.25, 1.0, 9.0);
    QCOMPARE(int(track.size()), 32);
    for (size_t i = 0; i < track.size(); ++i) {
        const double deviation = AudioAnalysis::cents(track[i], expected);
        QVERIFY2(std::abs(deviation) <= 1.0,
                 qPrintable(QStringLiteral("window %1: %2 Hz, %3 cents")
                                .arg(i).arg(track[i], 0, 'f', 3).arg(deviation, 0, 'f', 2)));
    }
}

void TestProcessors::delayAndLength_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<double>("semiTones");
    QTest::addColumn<int>("chunkFrames");
    QTest::addColumn<int>("receiveFrames");

    addAlgorithmRows("small chunks", [](QTestData &row) { row << To432 << 512 << 1152; });
    addAlgorithmRows("mp3-like", [](QTestData &row) { row << To432 << 4608 << 1152; });
    addAlgorithmRows("wav-like", [](QTestData &row) { row << To432 << 4096 << 10000; });
    addAlgorithmRows("full buffers", [](QTestData &row) { row << To432 << 96000 << 1024; });
    addAlgorithmRows("unshifted", [](QTestData &row) { row << 0.0 << 4096 << 1024; });
    addAlgorithmRows("up a semitone", [](QTestData &row) { row << 1.0 << 4096 << 1024; });
}

// After the end of input nothing is held back, and the reported start delay
// is the delay one hears: dropping it aligns output and input within 1 ms.
void TestProcessors::delayAndLength()
{
    QFETCH(int, algorithm);
    QFETCH(double, semiTones);
    QFETCH(int, chunkFrames);
    QFETCH(int, receiveFrames);

    auto processor = makeProcessor(algorithm);
    processor->setTempo(1.0);
    processor->setPitchSemiTones(semiTones);
    const AudioBuffer input = TestSignals::toneBursts(440.0, 6.0);
    const ProcessorRun::Result result = ProcessorRun::run(*processor, input, chunkFrames, receiveFrames);

    QVERIFY(result.startDelay >= 0);
    QVERIFY2(result.output.frames() >= input.frames() + result.startDelay,
             qPrintable(QStringLiteral("%1 out for %2 in with delay %3")
                            .arg(result.output.frames()).arg(input.frames()).arg(result.startDelay)));
    QCOMPARE(processor->availableSamples(), 0);

    const double lag = AudioAnalysis::lagFrames(input, result.output);
    const double tolerance = spliceJitter(algorithm);
    QVERIFY2(std::abs(lag - result.startDelay) <= tolerance,
             qPrintable(QStringLiteral("measured %1, reported %2").arg(lag).arg(result.startDelay)));
    const AudioBuffer aligned = result.aligned();
    QCOMPARE(aligned.frames(), input.frames());
    QVERIFY(std::abs(AudioAnalysis::lagFrames(input, aligned)) <= tolerance);
}

void TestProcessors::alignedOnMusic_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<double>("semiTones");

    addAlgorithmRows("440 to 432", [](QTestData &row) { row << To432; });
    addAlgorithmRows("up to 444", [](QTestData &row) { row << 12.0 * std::log2(444.0 / 440.0); });
}

// Music, not only tones, lines up with its source once the start delay is
// dropped: the median lag of its 5-second stretches is within 1 ms. (Where
// the time-based library splices depends on the material; a delay that
// holds for tones alone leaves music several ms out.)
void TestProcessors::alignedOnMusic()
{
    QFETCH(int, algorithm);
    QFETCH(double, semiTones);

    auto processor = makeProcessor(algorithm);
    processor->setTempo(1.0);
    processor->setPitchSemiTones(semiTones);
    static const AudioBuffer input = TestSignals::musicLike(30.0);
    const AudioBuffer output = ProcessorRun::run(*processor, input).aligned();
    QCOMPARE(output.frames(), input.frames());

    const std::vector<double> lags = AudioAnalysis::segmentLags(input, output, 5.0, 0.02);
    QCOMPARE(int(lags.size()), 6);
    QString figures;
    for (double lag : lags)
        figures += QStringLiteral(" %1").arg(lag / 44.1, 0, 'f', 2);
    QVERIFY2(std::abs(AudioAnalysis::median(lags)) <= spliceJitter(algorithm),
             qPrintable(QStringLiteral("lags in ms:") + figures));
}

void TestProcessors::unityIsTransparent_data()
{
    addAlgorithmColumnAndRows();
}

// No shift and normal tempo change the audio only by the processing delay.
void TestProcessors::unityIsTransparent()
{
    QFETCH(int, algorithm);
    auto processor = makeProcessor(algorithm);
    processor->setTempo(1.0);
    processor->setPitchSemiTones(0.0);
    const AudioBuffer input = TestSignals::toneBursts(440.0, 3.0);
    const AudioBuffer output = ProcessorRun::run(*processor, input).aligned();
    QCOMPARE(output.frames(), input.frames());

    double signal = 0.0;
    double error = 0.0;
    for (size_t i = 0; i < input.samples.size(); ++i) {
        signal += double(input.samples[i]) * input.samples[i];
        const double d = double(output.samples[i]) - input.samples[i];
        error += d * d;
    }
    const double snr = 10.0 * std::log10(signal / std::max(error, 1e-30));
    QVERIFY2(snr > 20.0, qPrintable(QStringLiteral("%1 dB").arg(snr)));
}

void TestProcessors::tempoChangesDuration_data()
{
    addAlgorithmColumnAndRows();
}

// Tempo 2 halves the duration (a time ratio of 0.5 for Rubber Band).
void TestProcessors::tempoChangesDuration()
{
    QFETCH(int, algorithm);
    auto processor = makeProcessor(algorithm);
    processor->setTempo(2.0);
    processor->setPitchSemiTones(0.0);
    const ProcessorRun::Result result = ProcessorRun::run(*processor, TestSignals::sine(440.0, 4.0));
    const double seconds = double(result.output.frames() - result.startDelay) / 44100.0;
    QVERIFY2(std::abs(seconds - 2.0) < 0.1, qPrintable(QString::number(seconds)));
    QVERIFY(std::abs(AudioAnalysis::pitch(result.output, 0.5, 1.5) - 440.0) < 0.5);
}

void TestProcessors::receiveNeverExceedsAvailable_data()
{
    addAlgorithmColumnAndRows();
}

void TestProcessors::receiveNeverExceedsAvailable()
{
    QFETCH(int, algorithm);
    auto processor = makeProcessor(algorithm);
    processor->setPitchSemiTones(To432);
    const AudioBuffer input = TestSignals::sine(440.0, 1.0);
    processor->putSamples(input.samples.data(), int(input.frames()), 2);
    const int available = processor->availableSamples();
    QVERIFY(available > 0);
    QVERIFY(available < 96000);

    std::vector<float> out(2 * 96000, 7.0f);
    const int got = processor->receiveSamples(out.data(), 96000);
    QCOMPARE(got, available);
    // Nothing was written past what was returned.
    QCOMPARE(out[size_t(got) * 2], 7.0f);
    QCOMPARE(processor->availableSamples(), 0);
    QCOMPARE(processor->receiveSamples(out.data(), 96000), 0);
    QCOMPARE(processor->receiveSamples(out.data(), 0), 0);

    // reset drops what is buffered; the processor then starts afresh.
    processor->putSamples(input.samples.data(), int(input.frames()), 2);
    processor->reset();
    QCOMPARE(processor->availableSamples(), 0);
    const ProcessorRun::Result again = ProcessorRun::run(*processor, input);
    QCOMPARE(again.aligned().frames(), input.frames());
}

void TestProcessors::rubberbandChannelMismatch()
{
    RubberbandPlugin processor(44100, 2);
    const AudioBuffer input = TestSignals::sine(440.0, 1.0);
    QTest::ignoreMessage(QtWarningMsg, "Channel count does not match!");
    processor.putSamples(input.samples.data(), int(input.frames()), 1);
    // Still processed, with the plugin's own stride.
    QVERIFY(processor.availableSamples() > 0);
    std::vector<float> out(size_t(input.frames()) * 2);
    const int got = processor.receiveSamples(out.data(), int(input.frames()));
    QVERIFY(std::abs(AudioAnalysis::pitch(AudioBuffer{44100, 2, {out.begin(), out.begin() + got * 2}}, 0.1, 0.6)
                     - 440.0) < 0.1);
}

// Rubber Band gets its input within full scale but may give peaks above it
// (the conversion limits them); SoundTouch passes everything through.
void TestProcessors::outOfRangeSamples()
{
    const AudioBuffer loud = TestSignals::sine(440.0, 2.0, 44100, 2, 1.5);

    RubberbandPlugin rubberband(44100, 2);
    rubberband.setPitchSemiTones(0.0);
    const AudioBuffer clamped = ProcessorRun::run(rubberband, loud).aligned();
    // A 1.5 sine clamped to full scale on the way in, passed through.
    QVERIFY2(AudioAnalysis::peak(clamped.samples) < 1.1f, qPrintable(QString::number(AudioAnalysis::peak(clamped.samples))));
    QVERIFY(AudioAnalysis::peak(clamped.samples) > 0.95f);

    // Pitch shifting a square-ish wave overshoots: nothing cuts it off.
    RubberbandPlugin shifted(44100, 2);
    shifted.setPitchSemiTones(To432);
    QVERIFY(AudioAnalysis::peak(ProcessorRun::run(shifted, loud).aligned().samples) > 1.0f);

    SoundTouchPlugin soundTouch(44100, 2);
    soundTouch.setPitchSemiTones(0.0);
    const AudioBuffer passed = ProcessorRun::run(soundTouch, loud).aligned();
    QVERIFY2(AudioAnalysis::peak(passed.samples) > 1.4f, qPrintable(QString::number(AudioAnalysis::peak(passed.samples))));
}

QTEST_GUILESS_MAIN(TestProcessors)
#include "tst_processors.moc"
