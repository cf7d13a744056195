// The measuring tools the audio tests rely on: if these drift, every pitch,
// length and alignment test becomes meaningless.
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestSignals.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class TestAudioAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void pitchOfSine_data();
    void pitchOfSine();
    void lagOfDelayedBursts_data();
    void lagOfDelayedBursts();
    void fileRoundTrip_data();
    void fileRoundTrip();
};

void TestAudioAnalysis::pitchOfSine_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("windowSeconds");
    QTest::addColumn<int>("sampleRate");

    QTest::newRow("432 Hz over 8 s") << 432.0 << 8.0 << 44100;
    QTest::newRow("440 Hz over 0.25 s") << 440.0 << 0.25 << 44100;
    QTest::newRow("431.87 Hz over 0.25 s") << 431.87 << 0.25 << 44100;
    QTest::newRow("1000.3 Hz over 1 s at 48 kHz") << 1000.3 << 1.0 << 48000;
    QTest::newRow("55 Hz over 2 s") << 55.0 << 2.0 << 44100;
}

void TestAudioAnalysis::pitchOfSine()
{
    QFETCH(double, frequency);
    QFETCH(double, windowSeconds);
    QFETCH(int, sampleRate);

    const AudioBuffer tone = TestSignals::sine(frequency, windowSeconds + 1.0, sampleRate);
    const double measured = AudioAnalysis::pitch(tone, 0.5, 0.5 + windowSeconds);
    QVERIFY2(std::abs(measured - frequency) < 0.005, qPrintable(QString::number(measured, 'f', 5)));

    const std::vector<double> track = AudioAnalysis::pitchTrack(tone, windowSeconds / 4, 0.5, 0.5 + windowSeconds);
    QCOMPARE(int(track.size()), 4);
    for (double f : track)
        QVERIFY2(std::abs(AudioAnalysis::cents(f, frequency)) < 0.05, qPrintable(QString::number(f, 'f', 5)));
}

void TestAudioAnalysis::lagOfDelayedBursts_data()
{
    QTest::addColumn<int>("delayFrames");
    QTest::addColumn<double>("frequency");

    QTest::newRow("none") << 0 << 440.0;
    QTest::newRow("1 ms") << 44 << 440.0;
    QTest::newRow("10 ms at another pitch") << 441 << 432.0;
    QTest::newRow("1304 frames") << 1304 << 440.0;
    QTest::newRow("early by 300 frames") << -300 << 440.0;
}

void TestAudioAnalysis::lagOfDelayedBursts()
{
    QFETCH(int, delayFrames);
    QFETCH(double, frequency);

    const AudioBuffer reference = TestSignals::toneBursts(440.0, 3.0);
    AudioBuffer shifted = TestSignals::toneBursts(frequency, 3.0);
    if (delayFrames >= 0) {
        shifted.samples.insert(shifted.samples.begin(), size_t(delayFrames) * 2, 0.0f);
    } else {
        shifted.samples.erase(shifted.samples.begin(), shifted.samples.begin() + size_t(-delayFrames) * 2);
    }
    const double lag = AudioAnalysis::lagFrames(reference, shifted);
    QVERIFY2(std::abs(lag - delayFrames) <= 4.0, qPrintable(QString::number(lag)));
}

void TestAudioAnalysis::fileRoundTrip_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("sampleFormat");
    QTest::addColumn<int>("bits");
    QTest::newRow("wav 16-bit") << "wav" << 44100 << int(AV_SAMPLE_FMT_NONE) << 16;
    QTest::newRow("flac 24-bit 96 kHz") << "flac" << 96000 << int(AV_SAMPLE_FMT_S32) << 24;
}

// Written and decoded, a lossless file gives back every frame, each sample
// within one step of its bits. (Lossy decoding is measured by the
// conversion tests' sources.)
void TestAudioAnalysis::fileRoundTrip()
{
    QFETCH(QString, extension);
    QFETCH(int, sampleRate);
    QFETCH(int, sampleFormat);
    QFETCH(int, bits);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tone.") + extension);
    const AudioBuffer tone = TestSignals::sine(440.0, 2.0, sampleRate);
    AudioFiles::WriteOptions options;
    options.sampleFormat = AVSampleFormat(sampleFormat);
    QCOMPARE(AudioFiles::write(path, tone, options), QString());

    QString error;
    const AudioBuffer decoded = AudioFiles::decode(path, &error);
    QCOMPARE(error, QString());
    QCOMPARE(decoded.sampleRate, sampleRate);
    QCOMPARE(decoded.channels, 2);
    QCOMPARE(decoded.frames(), tone.frames());
    double worst = 0.0;
    for (size_t i = 0; i < tone.samples.size(); ++i)
        worst = std::max(worst, double(std::abs(decoded.samples[i] - tone.samples[i])));
    QVERIFY2(worst <= std::ldexp(1.0, 1 - bits), qPrintable(QString::number(worst)));
}

QTEST_GUILESS_MAIN(TestAudioAnalysis)
#include "tst_audioanalysis.moc"
