// Both pitch processors in the processing chain, and the encoder thread's
// hand-over, without FFmpeg: frames in, frames out, counted and measured.
#include "engine/AudioSink.h"
#include "engine/ProcessingChain.h"
#include "engine/ThreadedSink.h"
#include "support/Alignment.h"
#include "support/AudioAnalysis.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <chrono>
#include <cmath>
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
const int Time = AppConstants::A_Time;
const int Frequency = AppConstants::A_Frequency;

AudioBuffer runChain(int algorithm, const AudioBuffer &input, bool limit, int chunk, bool *aheadOfInput = nullptr,
                     double semitones = To432)
{
    ProcessingChain chain(ProcessingChain::processorFor(AppConstants::Algorithm(algorithm), 44100, 2, semitones), 2,
                          limit ? std::optional<PeakLimiter>(PeakLimiter::forOutput(44100, 2, false)) : std::nullopt);
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
    return AudioBuffer{44100, 2, sink.samples_};
}

} // namespace

class TestChain : public QObject
{
    Q_OBJECT

private slots:
    void alignedAndExactInLength_data();
    void alignedAndExactInLength();
    void limiterOnlyActsOnPeaks_data();
    void limiterOnlyActsOnPeaks();
    void threadedSinkHandsOverEveryFrame();
    void threadedSinkEndsCleanly();
};

void TestChain::alignedAndExactInLength_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QString>("signal");  // "bursts", "music" or a steady tone's frequency
    QTest::addColumn<double>("semitones");

    QTest::newRow("SoundTouch, decoder-sized chunks") << Time << 1152 << "bursts" << To432;
    QTest::newRow("SoundTouch, one frame at a time") << Time << 1 << "bursts" << To432;
    QTest::newRow("SoundTouch, up a semitone") << Time << 4096 << "bursts" << 1.0;
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
}

// Exactly as many frames out as in, never more at any moment, at the target
// pitch, steady there, and in time with the input: bursts by their
// envelope, music by the median lag of its 5-second stretches (where the
// time-based library splices depends on the material: a delay that holds
// for tones alone leaves music several ms out).
void TestChain::alignedAndExactInLength()
{
    QFETCH(int, algorithm);
    QFETCH(int, chunk);
    QFETCH(QString, signal);
    QFETCH(double, semitones);
    static const AudioBuffer music = TestSignals::tunedMusic(440.0, 20.0, 44100, 2, false, true);
    const double tone = signal == QLatin1String("bursts") ? 440.0 : signal.toDouble();
    const AudioBuffer input = signal == QLatin1String("music")    ? music
                              : signal == QLatin1String("bursts") ? TestSignals::burstsOverTone(440.0, 6.0)
                                                                  : TestSignals::sine(tone, 6.0);
    bool ahead = true;
    const AudioBuffer output = runChain(algorithm, input, true, chunk, &ahead, semitones);
    QCOMPARE(output.frames(), input.frames());
    QVERIFY(!ahead);
    const double tolerance = alignmentTolerance(algorithm) * 44100.0;
    if (signal == QLatin1String("music")) {
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
    if (signal == QLatin1String("bursts")) {
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
// nothing before the limiter may cut that off.)
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
    QVERIFY2(unlimited > (algorithm == AppConstants::A_Frequency ? 1.0f : 0.98856f),
             qPrintable(QString::number(unlimited)));
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
