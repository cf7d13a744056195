// The player through the real audio path: a sound server of the test's own
// plays what the player sends into a sink whose monitor the test records,
// and what was heard is measured. And what the player promises the window:
// its thread never waits, whatever the conversions or the device do.
#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "pipeline/Conversion.h"
#include "player/PreviewPlayer.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/SoundServer.h"
#include "support/TemporaryHome.h"
#include "support/TestSignals.h"

#include <QtTest>

#include <atomic>
#include <thread>

namespace {

const int Time = PitchAlgorithm::named(QStringLiteral("time"))->id;
const int Frequency = PitchAlgorithm::named(QStringLiteral("frequency"))->id;
const double To = 432.0;
const bool Child = qEnvironmentVariableIsSet("TW_PLAYER_CHILD");

ConversionSettings settingsFor(int algorithm)
{
    ConversionSettings settings;
    settings.algorithm = algorithm;
    settings.audioFormat = OutputFormat::named(QStringLiteral("flac"))->id;
    settings.targetFrequency = To;
    return settings;
}

// What a recording of the tone shows: where its sound begins and ends, and
// the first frame of the retuned side, told by its periods, two samples
// longer than the original's.
struct Heard
{
    long long begins = -1;
    long long switched = -1;
    long long ends = -1;
};

Heard listen(const AudioBuffer &recording, double originalHz)
{
    const std::vector<float> mono = recording.mono();
    Heard heard;
    std::vector<double> up;  // rising zero crossings, between samples
    for (size_t i = 1; i < mono.size(); ++i) {
        if (mono[i - 1] < 0.0f && mono[i] >= 0.0f)
            up.push_back(double(i - 1) + double(mono[i - 1] / (mono[i - 1] - mono[i])));
        if (std::abs(mono[i]) > 0.01f)
            heard.ends = (long long)i;
    }
    auto near = [&](size_t k, double hz) { return std::abs(recording.sampleRate / (up[k] - up[k - 1]) - hz) < 1.0; };
    for (size_t k = 2; k < up.size(); ++k) {
        if (heard.begins < 0 && near(k, originalHz) && near(k - 1, originalHz))
            heard.begins = std::llround(up[k - 2]);
        if (heard.begins >= 0 && near(k, To) && near(k - 1, To)) {
            heard.switched = std::llround(up[k - 2]);
            break;
        }
    }
    return heard;
}

// The bursts' beginnings in seconds: where 5 ms blocks rise above the tone
// they rise from.
std::vector<double> bursts(const AudioBuffer &recording)
{
    const std::vector<float> mono = recording.mono();
    const size_t block = size_t(recording.sampleRate / 200);
    std::vector<double> starts;
    bool loud = false;
    for (size_t b = 0; b + block <= mono.size(); b += block) {
        double sum = 0.0;
        for (size_t i = b; i < b + block; ++i)
            sum += double(mono[i]) * mono[i];
        const bool now = std::sqrt(sum / double(block)) > 0.2;
        // A burst that a gap cuts in two begins once.
        const double seconds = double(b) / recording.sampleRate;
        if (now && !loud && (starts.empty() || seconds - starts.back() > 0.1))
            starts.push_back(seconds);
        loud = now;
    }
    return starts;
}

// Seconds of digital silence in [from, to).
double silence(const AudioBuffer &recording, double from, double to)
{
    long long zeros = 0;
    for (long long f = std::llround(from * recording.sampleRate); f < std::llround(to * recording.sampleRate); ++f)
        zeros += recording.samples[size_t(f) * 2] == 0.0f && recording.samples[size_t(f) * 2 + 1] == 0.0f;
    return double(zeros) / recording.sampleRate;
}

// Takes the place of the audio output; where it hangs, it hangs for
// longer than the player waits.
class FailingDevice : public PlaybackDevice
{
public:
    explicit FailingDevice(bool hangs)
        : m_hangs(hangs)
    {
    }
    QString open(Format &format) override
    {
        format = Format{48000, true};
        return QString();
    }
    QString start(QIODevice *) override
    {
        if (!m_hangs)
            return QStringLiteral("The audio output is busy.");
        QThread::msleep(PreviewPlayer::DeviceTimeoutMilliseconds + 1000);
        return QString();
    }
    void stop() override {}
    int bufferFrames() const override { return 0; }

private:
    bool m_hangs;
};

// The longest this thread's event loop took to answer a 5 ms timer, in
// milliseconds, over `milliseconds`.
qint64 longestWait(int milliseconds)
{
    QElapsedTimer since;
    qint64 longest = 0;
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] { longest = std::max(longest, since.restart()); });
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    since.start();
    ticks.start();
    loop.exec();
    return longest;
}

} // namespace

class TestPlayer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void switchesSidesInTime_data();
    void switchesSidesInTime();
    void windowNeverWaits();
    void deviceFailuresAreSaid();

private:
    QTemporaryDir m_dir;
    QString m_tone;
    QString m_music;
    SoundServer m_server;
};

void TestPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_tone = m_dir.filePath(QStringLiteral("tone.wav"));
    QCOMPARE(AudioFiles::write(m_tone, TestSignals::burstsOverTone(440.0, 8.0)), QString());
    if (Child)
        return;
    const QString missing = SoundServer::unavailable();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    // The server's first recording starts late; one before the tests keeps
    // that out of their timings.
    QVERIFY(m_server.startRecording(44100));
    QTest::qWait(1000);
    m_server.stopRecording();
    m_music = m_dir.filePath(QStringLiteral("music.wav"));
    QCOMPARE(AudioFiles::write(m_music, TestSignals::tunedMusic(440.0, 30.0)), QString());
}

void TestPlayer::switchesSidesInTime_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::newRow("time based") << Time;
    QTest::newRow("frequency based") << Frequency;
}

// The tone at its own pitch, then a press of the switch: the listener hears
// the target within 100 ms, where the first side was.
void TestPlayer::switchesSidesInTime()
{
    QFETCH(int, algorithm);
    PreviewPlayer player;
    player.load(m_tone, settingsFor(algorithm), 0.0);
    QTRY_VERIFY(player.duration() > 0.0);
    QVERIFY(m_server.startRecording(44100));
    player.play();
    const auto heardFor = [this](double seconds) {
        const Heard heard = listen(m_server.recording(), 440.0);
        return heard.begins >= 0 && m_server.recording().frames() - heard.begins > seconds * 44100;
    };
    QTRY_VERIFY(heardFor(1.5));
    const SoundServer::Clock::time_point pressed = SoundServer::Clock::now();
    player.toggleSide();
    QTest::qWait(1500);
    player.pause();
    QTest::qWait(300);
    const AudioBuffer recording = m_server.stopRecording();
    QVERIFY2(player.message().isEmpty(), qPrintable(player.message()));

    const Heard heard = listen(recording, 440.0);
    QVERIFY(heard.begins >= 0 && heard.switched > heard.begins && heard.ends > heard.switched);
    const double begins = double(heard.begins) / recording.sampleRate;
    const double switched = double(heard.switched) / recording.sampleRate;
    const double ends = double(heard.ends) / recording.sampleRate;
    QVERIFY2(switched - begins > 1.2 && ends - switched > 1.2, qPrintable(QStringLiteral("%1 %2 %3").arg(begins).arg(switched).arg(ends)));
    const double original = AudioAnalysis::pitch(recording, begins + 0.1, switched - 0.1);
    const double retuned = AudioAnalysis::pitch(recording, switched + 0.1, ends - 0.1);
    QVERIFY2(std::abs(original - 440.0) <= 0.1, qPrintable(QString::number(original)));
    QVERIFY2(std::abs(retuned - To) <= 0.1, qPrintable(QString::number(retuned)));
    const auto landed = std::chrono::duration_cast<std::chrono::milliseconds>(m_server.arrivalOf(heard.switched) - pressed);
    QVERIFY2(landed.count() >= 0 && landed.count() < 100, qPrintable(QString::number(landed.count())));

    // The bursts go on a quarter of a second apart across the switch, but
    // for the silence while the device starts again: the place is kept to
    // within the sink's blocks (20 ms here) at either end, and a loaded
    // machine's late wake-ups, far within a bar. Not rewinding would skip
    // the 200 ms the device held.
    const std::vector<double> starts = bursts(recording);
    const auto after = std::find_if(starts.begin(), starts.end(), [&](double s) { return s > switched + 0.1; });
    QVERIFY(after != starts.begin() && after != starts.end());
    const double spacing = *after - *(after - 1) - silence(recording, *(after - 1), *after);
    qInfo("landed after %lld ms, %.3f s between bursts across the switch", (long long)landed.count(), spacing);
    QVERIFY2(std::abs(spacing - 0.25) < 0.1, qPrintable(QString::number(spacing)));
}

// While two conversions run and the player plays, switches, seeks and
// pauses, the GUI thread answers every 5 ms timer within 50 ms; and a device
// that hangs costs it nothing either.
void TestPlayer::windowNeverWaits()
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> conversions;
    for (int i = 0; i < 2; ++i) {
        conversions.emplace_back([&, i] {
            ConversionSettings settings = settingsFor(Frequency);
            settings.keepFormants = true;
            Conversion conversion({m_music, m_dir.filePath(QStringLiteral("out%1").arg(i)), settings});
            conversion.setStopCheck([&stop] { return stop.load(); });
            conversion.run();
        });
    }
    PreviewPlayer player;
    player.load(m_music, settingsFor(Time), 0.0);
    QTRY_VERIFY(player.duration() > 0.0);
    player.play();
    QTimer actions;
    int action = 0;
    QObject::connect(&actions, &QTimer::timeout, [&] {
        switch (action++ % 4) {
        case 0: player.toggleSide(); break;
        case 1: player.skip(PreviewPlayer::SkipSeconds); break;
        case 2: player.togglePlaying(); break;
        default: player.togglePlaying(); break;
        }
    });
    actions.start(300);
    const qint64 longest = longestWait(4000);
    actions.stop();
    QTRY_VERIFY(player.position() > 5.0);
    stop = true;
    for (std::thread &conversion : conversions)
        conversion.join();
    QVERIFY2(longest < 50, qPrintable(QString::number(longest)));
    QVERIFY2(player.message().isEmpty(), qPrintable(player.message()));
}

// A device that is missing, busy, or does not answer: the player says so,
// stops, and the GUI thread goes on.
void TestPlayer::deviceFailuresAreSaid()
{
    if (Child) {
        PreviewPlayer player;
        player.load(m_tone, settingsFor(Time), 0.0);
        player.play();
        QTRY_VERIFY(!player.playing());
        QCOMPARE(player.message(), QStringLiteral("No audio output was found."));
        return;
    }
    for (const bool hangs : {false, true}) {
        PreviewPlayer player;
        player.setDeviceFactory([hangs] { return std::make_unique<FailingDevice>(hangs); });
        player.load(m_tone, settingsFor(Time), 0.0);
        player.play();
        QVERIFY(longestWait(hangs ? PreviewPlayer::DeviceTimeoutMilliseconds + 200 : 300) < 50);
        QTRY_VERIFY(!player.playing());  // a loaded machine's audio thread may say it late
        QCOMPARE(player.message(), hangs ? QStringLiteral("The audio output does not answer.")
                                         : QStringLiteral("The audio output is busy."));
        QTest::qWait(1000);  // the hanging device's thread ends
    }
    // Without a sound server, in a process of its own: Qt's sound system
    // is set up once in a process.
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TW_PLAYER_CHILD"), QStringLiteral("1"));
    environment.insert(QStringLiteral("PULSE_SERVER"), m_dir.filePath(QStringLiteral("nothing")));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("deviceFailuresAreSaid")});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitCode() == 0, child.readAll().constData());
}

TW_TEST_MAIN_WITH_HOME(TestPlayer, QCoreApplication)
#include "tst_player.moc"
