// Measuring the concert pitch of a recording: generated music tuned to a
// known A4 must read as that A4, material without one must not be trusted,
// and how the audio arrives must not matter.
#include "support/AudioAnalysis.h"
#include "support/TestSignals.h"
#include "dsp/TuningEstimator.h"

#include <QtTest>

#include <cmath>
#include <thread>

namespace {

TuningEstimator::Result estimate(const AudioBuffer &audio, long long block, double nominal = 440.0)
{
    TuningEstimator estimator(audio.sampleRate, audio.channels, nominal);
    for (long long done = 0; done < audio.frames(); done += block) {
        const int n = int(std::min(block, audio.frames() - done));
        estimator.add(audio.samples.data() + done * audio.channels, n);
    }
    return estimator.result();
}

QString describe(const TuningEstimator::Result &r)
{
    return QString("A4 %1 Hz (%2 cents), confidence %3, %4 frames")
        .arg(r.a4Hz, 0, 'f', 3)
        .arg(r.cents, 0, 'f', 2)
        .arg(r.confidence, 0, 'f', 3)
        .arg(r.framesUsed);
}

} // namespace

class TestTuning : public QObject
{
    Q_OBJECT

private slots:
    void readsTheTuning_data();
    void readsTheTuning();
    void untunedAudioIsNotTrusted_data();
    void untunedAudioIsNotTrusted();
    void estimatorsOnSeveralThreads();
};

void TestTuning::readsTheTuning_data()
{
    QTest::addColumn<double>("a4");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<bool>("vibrato");
    QTest::addColumn<bool>("drums");
    QTest::addColumn<double>("expected");

    QTest::newRow("440") << 440.0 << 440.0 << 44100 << 2 << true << true << 440.0;
    QTest::newRow("435, plain") << 435.0 << 440.0 << 44100 << 2 << false << false << 435.0;
    QTest::newRow("442, 48 kHz mono") << 442.0 << 440.0 << 48000 << 1 << true << true << 442.0;
    QTest::newRow("446, 22.05 kHz") << 446.0 << 440.0 << 22050 << 2 << true << true << 446.0;
    QTest::newRow("440 against a nominal 432") << 440.0 << 432.0 << 44100 << 2 << true << true << 440.0;
    // Only the grid shows, within a quarter tone of the nominal A4: a
    // semitone down is the same grid, 52 cents flat reads as 48 sharp.
    QTest::newRow("415.3 reads as 440") << 415.305 << 440.0 << 44100 << 2 << true << true << 440.0;
    QTest::newRow("428.5, 46 cents flat") << 428.5 << 440.0 << 44100 << 2 << true << true << 428.5;
    QTest::newRow("427, 52 cents flat, reads as 452.4") << 427.0 << 440.0 << 44100 << 2 << true << true
                                                        << 427.0 * std::pow(2.0, 1.0 / 12.0);
}

void TestTuning::readsTheTuning()
{
    QFETCH(double, a4);
    QFETCH(double, nominal);
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    QFETCH(bool, vibrato);
    QFETCH(bool, drums);
    QFETCH(double, expected);

    const AudioBuffer music = TestSignals::tunedMusic(a4, 12.0, sampleRate, channels, vibrato, drums);
    const TuningEstimator::Result r = estimate(music, 4096, nominal);
    QVERIFY2(std::abs(AudioAnalysis::cents(r.a4Hz, expected)) < 1.0, qPrintable(describe(r)));
    QVERIFY2(r.cents > -50.0 && r.cents <= 50.0, qPrintable(describe(r)));
    QVERIFY2(r.confidence >= TuningEstimator::MinimumConfidence, qPrintable(describe(r)));
}

void TestTuning::untunedAudioIsNotTrusted_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("white noise") << "noise";
    QTest::newRow("silence") << "silence";
    QTest::newRow("two tunings a quarter tone apart at once") << "two tunings";
}

void TestTuning::untunedAudioIsNotTrusted()
{
    QFETCH(QString, kind);
    AudioBuffer audio = TestSignals::noise(8.0);
    if (kind == "silence") {
        std::fill(audio.samples.begin(), audio.samples.end(), 0.0f);
    } else if (kind == "two tunings") {
        // Each clearly tuned, but to grids 50 cents apart; the second
        // starts half a second in, so their notes do not line up either.
        audio = TestSignals::tunedMusic(440.0, 8.0);
        const AudioBuffer other = TestSignals::tunedMusic(440.0 * std::pow(2.0, 0.5 / 12.0), 8.5);
        for (size_t i = 0; i < audio.samples.size(); ++i)
            audio.samples[i] = 0.5f * (audio.samples[i] + other.samples[i + 2 * 22050]);
    }
    const TuningEstimator::Result r = estimate(audio, 4096);
    QVERIFY2(r.confidence < TuningEstimator::MinimumConfidence, qPrintable(describe(r)));
}

// FFTW's planner is not safe to call from several threads at once; the
// estimators of conversions running side by side must not trip over each
// other making and dropping their plans.
void TestTuning::estimatorsOnSeveralThreads()
{
    const AudioBuffer music = TestSignals::tunedMusic(438.0, 1.0);
    const TuningEstimator::Result expected = estimate(music, 4096);
    std::vector<TuningEstimator::Result> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&music, &results, t] {
            // Two window sizes: 44.1 kHz analyses at 22.05 kHz, 32 kHz at its own rate.
            for (int i = 0; i < 1000; ++i)
                TuningEstimator(i % 2 ? 44100 : 32000, 2);
            results[t] = estimate(music, 4096);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (const TuningEstimator::Result &r : results)
        QVERIFY2(r.a4Hz == expected.a4Hz, qPrintable(describe(r)));
}

QTEST_GUILESS_MAIN(TestTuning)
#include "tst_tuning.moc"
