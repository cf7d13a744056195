// The conversion job end to end: real files in, real files out, measured.
#include "AppConstants.h"
#include "AudioAnalysis.h"
#include "AudioFiles.h"
#include "GlobalSettings.h"
#include "ProcessingJob.h"
#include "QueueEntry.h"
#include "TemporaryHome.h"
#include "TestSignals.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

const double To432 = 12.0 * std::log2(432.0 / 440.0);

struct Conversion
{
    bool ok = false;
    QStringList errors;
    QList<double> progress;
    QString output;  // the one file in the target folder, if any
};

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

Conversion convert(const QString &source, const QString &targetFolder, bool peakLimiting = true)
{
    Conversion result;
    QueueEntry entry(source, targetFolder);
    ProcessingJob job(&entry);
    job.setPeakLimiting(peakLimiting);
    QObject::connect(&job, &ProcessingJob::fileProcessingError,
                     [&](const QString &message) { result.errors << message; });
    QObject::connect(&job, &ProcessingJob::progressUpdate, [&](double value) { result.progress << value; });
    const QStringList before = filesIn(targetFolder);
    result.ok = job.run();
    for (const QString &name : filesIn(targetFolder)) {
        if (!before.contains(name))
            result.output = QDir(targetFolder).filePath(name);
    }
    return result;
}

void configure(int algorithm, int format, int bitrate = 192, double source = 440.0, double target = 432.0)
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_algorithm(AppConstants::Algorithm(algorithm));
    settings->set_audioFormat(AppConstants::AudioFormat(format));
    settings->set_audioBitrate(bitrate);
    settings->set_sourceFrequency(source);
    settings->set_targetFrequency(target);
}

const char *algorithmName(int algorithm)
{
    return algorithm == AppConstants::A_Time ? "SoundTouch" : "RubberBand";
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void retuneExactly_data();
    void retuneExactly();
    void largeDecodedFrames();
    void formatChangeWithinStream();
    void noteValues_data();
    void noteValues();
    void progressReports_data();
    void progressReports();
    void containerTags_data();
    void containerTags();
    void failures_data();
    void failures();
    void outOfRangeBitrates_data();
    void outOfRangeBitrates();
    void parallelJobsNeverOverwrite();
    void loudSourceNeverClips_data();
    void loudSourceNeverClips();
    void quietSourceUntouchedByTheLimiter_data();
    void quietSourceUntouchedByTheLimiter();
    void stopRequests();

private:
    // A generated source of the given kind, written once per test run.
    QString source(const QString &kind);
    QString freshFolder();

    QTemporaryDir m_dir;
    int m_folders = 0;
};

void TestJob::initTestCase()
{
    QVERIFY(m_dir.isValid());
    GlobalSettings::instance();  // built here, on the main thread
}

void TestJob::init()
{
    configure(AppConstants::A_Time, AppConstants::F_Wav);
}

QString TestJob::freshFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

QString TestJob::source(const QString &kind)
{
    struct Kind
    {
        const char *name;
        const char *file;
        int rate;
        int channels;
        AudioFiles::WriteOptions options;
    };
    AudioFiles::WriteOptions flac24;
    flac24.sampleFormat = AV_SAMPLE_FMT_S32;
    flac24.bitsPerRawSample = 24;
    AudioFiles::WriteOptions video;
    video.withVideo = true;
    AudioFiles::WriteOptions aviMp3 = video;
    aviMp3.codec = AV_CODEC_ID_MP3;
    const Kind kinds[] = {
        {"wav", "bursts.wav", 44100, 2, {}},
        {"mono wav", "mono.wav", 44100, 1, {}},
        {"flac 48k 24-bit", "bursts48.flac", 48000, 2, flac24},
        {"flac 96k 24-bit", "bursts96.flac", 96000, 2, flac24},
        {"mp3", "bursts.mp3", 44100, 2, {}},
        {"m4a", "bursts.m4a", 44100, 2, {}},
        {"mp4 with video", "film.mp4", 44100, 2, video},
        {"avi with mp3", "film.avi", 44100, 2, aviMp3},
        {"5.1 aac", "surround.m4a", 48000, 6, {}},
        {"7.1 wav at 384k", "octo.wav", 384000, 8, {}},
    };
    for (const Kind &k : kinds) {
        if (kind != QLatin1String(k.name))
            continue;
        const QString path = m_dir.filePath(QLatin1String(k.file));
        if (!QFileInfo::exists(path)) {
            const QString error =
                AudioFiles::write(path, TestSignals::burstsOverTone(440.0, 10.0, k.rate, k.channels), k.options);
            if (!error.isEmpty())
                qWarning() << "Cannot write" << path << error;
        }
        return path;
    }
    return {};
}

void TestJob::retuneExactly_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("kind");

    const int formats[] = {AppConstants::F_Mp3, AppConstants::F_Wav, AppConstants::F_Flac, AppConstants::F_M4a};
    const char *formatNames[] = {"mp3", "wav", "flac", "m4a"};
    const char *sources[] = {"mono wav",       "flac 48k 24-bit", "flac 96k 24-bit", "mp3",
                             "m4a",            "mp4 with video",  "avi with mp3",    "5.1 aac",
                             "7.1 wav at 384k"};
    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        for (int i = 0; i < 4; ++i) {
            QTest::addRow("%s, wav to %s", algorithmName(algorithm), formatNames[i])
                << algorithm << formats[i] << "wav";
        }
        for (const char *kind : sources)
            QTest::addRow("%s, %s to flac", algorithmName(algorithm), kind) << algorithm << int(AppConstants::F_Flac)
                                                                           << kind;
    }
}

// The output is at the target pitch, has the source's length, and lines up
// with the source in time.
void TestJob::retuneExactly()
{
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(QString, kind);

    const QString input = source(kind);
    QString error;
    const AudioBuffer original = AudioFiles::decode(input, &error);
    QCOMPARE(error, QString());
    configure(algorithm, format);

    const Conversion conversion = convert(input, freshFolder());
    QVERIFY(conversion.ok);
    QCOMPARE(conversion.errors, QStringList());
    QVERIFY(!conversion.output.isEmpty());
    const AudioBuffer output = AudioFiles::decode(conversion.output, &error);
    QCOMPARE(error, QString());
    QCOMPARE(output.sampleRate, 44100);
    QCOMPARE(output.channels, 2);

    const double pitch = AudioAnalysis::pitch(output, 2.0, 8.0);
    QVERIFY2(std::abs(pitch - 432.0) <= 0.05, qPrintable(QString::number(pitch, 'f', 3)));

    const long long expected = std::llround(double(original.frames()) * 44100.0 / original.sampleRate);
    const bool lossless = format == AppConstants::F_Wav || format == AppConstants::F_Flac;
    const long long tolerance = lossless ? 1 : format == AppConstants::F_Mp3 ? 1152 : 1024;
    QVERIFY2(std::llabs(output.frames() - expected) <= tolerance,
             qPrintable(QStringLiteral("%1 frames, expected %2").arg(output.frames()).arg(expected)));

    // Aligned with the source as it decodes: a container that cannot tell
    // the decoder its encoder delay (mp3 in AVI) makes the source itself late.
    const double sourceLag =
        AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, 10.0, original.sampleRate), original)
        * 44100.0 / original.sampleRate;
    const double lag = AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, 10.0), output);
    QVERIFY2(std::abs(lag - sourceLag) <= 44.1,
             qPrintable(QStringLiteral("lag %1 frames, the source's %2").arg(lag).arg(sourceLag)));
    QCOMPARE(conversion.progress.last(), 1.0);
}

// A FLAC frame of 65535 samples at 8 kHz becomes far more than one buffer
// at 44.1 kHz; the rest must come out of the resampler, not be dropped.
void TestJob::largeDecodedFrames()
{
    const QString input = m_dir.filePath(QStringLiteral("long-frames.flac"));
    AudioFiles::WriteOptions options;
    options.frameSize = 65535;
    QCOMPARE(AudioFiles::write(input, TestSignals::burstsOverTone(440.0, 20.0, 8000, 1), options), QString());

    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        configure(algorithm, AppConstants::F_Wav);
        const Conversion conversion = convert(input, freshFolder());
        QVERIFY(conversion.ok);
        const AudioBuffer output = AudioFiles::decode(conversion.output);
        QVERIFY2(std::llabs(output.frames() - 20LL * 44100) <= 1, qPrintable(QString::number(output.frames())));
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 3.0, 17.0) - 432.0) <= 0.05);
        QVERIFY(std::abs(AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, 20.0), output)) <= 44.1);
    }
}

// Two Ogg streams chained in one file, 44.1 kHz stereo then 22.05 kHz mono:
// the input converter must follow the decoded frames, not the first ones.
void TestJob::formatChangeWithinStream()
{
    AudioFiles::WriteOptions options;
    options.codec = AV_CODEC_ID_VORBIS;
    options.bitRate = 48000;
    const QString first = m_dir.filePath(QStringLiteral("first.ogg"));
    const QString second = m_dir.filePath(QStringLiteral("second.ogg"));
    QCOMPARE(AudioFiles::write(first, TestSignals::burstsOverTone(440.0, 3.0, 44100, 2), options), QString());
    QCOMPARE(AudioFiles::write(second, TestSignals::burstsOverTone(440.0, 3.0, 22050, 1), options), QString());
    const QString input = m_dir.filePath(QStringLiteral("chained.ogg"));
    {
        QFile chained(input);
        QVERIFY(chained.open(QIODevice::WriteOnly));
        for (const QString &part : {first, second}) {
            QFile file(part);
            QVERIFY(file.open(QIODevice::ReadOnly));
            chained.write(file.readAll());
        }
    }

    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        configure(algorithm, AppConstants::F_Wav);
        const Conversion conversion = convert(input, freshFolder());
        QVERIFY(conversion.ok);
        const AudioBuffer output = AudioFiles::decode(conversion.output);
        QVERIFY2(std::abs(output.seconds() - 6.0) < 0.05, qPrintable(QString::number(output.seconds())));
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 0.5, 2.5) - 432.0) <= 0.05);
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 3.5, 5.5) - 432.0) <= 0.05);
    }
}

void TestJob::noteValues_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("note");

    QTest::newRow("A4") << 440.0 << 0.0;
    QTest::newRow("432 Hz") << 432.0 << -0.3177;
    QTest::newRow("444 Hz") << 444.0 << 0.1567;
    QTest::newRow("415 Hz") << 415.0 << 0.9873;
    QTest::newRow("A5, octaves do not count") << 880.0 << 0.0;
    QTest::newRow("A3") << 220.0 << 0.0;
    QTest::newRow("A#4") << 466.1637615 << -1.0;
    QTest::newRow("G#4") << 415.3046976 << 1.0;
    QTest::newRow("C4") << 261.6255653 << 9.0;
    QTest::newRow("below C2") << 55.0 << 0.0;
    QTest::newRow("very low") << 0.5 << 8.6237;
}

void TestJob::noteValues()
{
    QFETCH(double, frequency);
    QFETCH(double, note);
    QVERIFY2(std::abs(ProcessingJob::frequencyToNote(frequency) - note) < 0.00005,
             qPrintable(QString::number(ProcessingJob::frequencyToNote(frequency), 'f', 6)));

    // Shifts used by the job.
    auto shift = [](double source, double target) {
        return ProcessingJob::frequencyToNote(target) - ProcessingJob::frequencyToNote(source);
    };
    QVERIFY(std::abs(shift(415.0, 432.0) - -1.3050) < 0.0001);
    QVERIFY(std::abs(shift(440.0, 444.0) - 0.1567) < 0.0001);
    QVERIFY(std::abs(shift(440.0, 432.0) - To432) < 0.0001);
    QCOMPARE(shift(432.0, 432.0), 0.0);
    for (double invalid : {0.0, -440.0, std::nan(""), double(INFINITY)})
        QVERIFY(std::isnan(ProcessingJob::frequencyToNote(invalid)));
}

void TestJob::progressReports_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QList<double>>("expected");  // empty: zeros, then the final 1.0

    QList<double> long95;
    for (int mark = 9; mark <= 90; mark += 9)
        long95 << mark / 95.5;
    long95 << 1.0 << 1.0;  // 99 / 95.5 is capped, then the end
    QTest::newRow("95.5 seconds") << 95.5 << long95;
    QTest::newRow("5 seconds") << 5.0 << QList<double>();
}

void TestJob::progressReports()
{
    QFETCH(double, seconds);
    QFETCH(QList<double>, expected);

    const QString input = m_dir.filePath(QStringLiteral("progress%1.wav").arg(seconds));
    QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, seconds, 44100, 1)), QString());
    const Conversion conversion = convert(input, freshFolder());
    QVERIFY(conversion.ok);
    if (!expected.isEmpty()) {
        QCOMPARE(conversion.progress.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(std::abs(conversion.progress[i] - expected[i]) < 1e-12, qPrintable(QString::number(i)));
    } else {
        QVERIFY(conversion.progress.size() > 2);
        for (int i = 0; i + 1 < conversion.progress.size(); ++i)
            QCOMPARE(conversion.progress[i], 0.0);
        QCOMPARE(conversion.progress.last(), 1.0);
    }
}

void TestJob::containerTags_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("mp3") << int(AppConstants::F_Mp3);
    QTest::newRow("m4a") << int(AppConstants::F_M4a);
    QTest::newRow("flac") << int(AppConstants::F_Flac);
}

void TestJob::containerTags()
{
    QFETCH(int, format);
    const QString input = m_dir.filePath(QStringLiteral("tagged.flac"));
    if (!QFileInfo::exists(input)) {
        AudioFiles::WriteOptions options;
        options.tags = {{QStringLiteral("title"), QStringLiteral("Abendlied")},
                        {QStringLiteral("artist"), QStringLiteral("Chor der Stille")},
                        {QStringLiteral("album"), QStringLiteral("Nachtmusik")}};
        QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 2.0), options), QString());
    }
    configure(AppConstants::A_Time, format);
    const Conversion conversion = convert(input, freshFolder());
    QVERIFY(conversion.ok);
    const QMap<QString, QString> tags = AudioFiles::tags(conversion.output);
    QCOMPARE(tags.value(QStringLiteral("title")), QStringLiteral("Abendlied"));
    QCOMPARE(tags.value(QStringLiteral("artist")), QStringLiteral("Chor der Stille"));
    QCOMPARE(tags.value(QStringLiteral("album")), QStringLiteral("Nachtmusik"));
}

void TestJob::failures_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");  // a pattern; empty: no message at all

    QTest::newRow("missing file") << "missing" << "^Error open source file: -2, '.*/nothing-here\\.mp3'\\.$";
    QTest::newRow("text named .mp3") << "text" << "^(Error open source file|Error finding stream information|"
                                                  "The file does not contain audio data)";
    QTest::newRow("video without audio") << "silent film" << "^The file does not contain audio data\\.$";
    QTest::newRow("folder cannot be made") << "file in the way" << "";
    QTest::newRow("file cannot be written") << "proc" << "^Error opening audio write codec: -\\d+\\.$";
    QTest::newRow("unknown algorithm") << "algorithm" << "^Unknown pitch-shifting algorithm: 7\\.$";
    QTest::newRow("unknown format") << "format" << "^Export codec not found\\.$";
    QTest::newRow("invalid frequency") << "frequency" << "^Invalid concert pitch: source 0 Hz, target 432 Hz\\.$";
}

// Every failure ends the run with false, says what went wrong where a set-up
// step failed, and leaves nothing behind.
void TestJob::failures()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);

    QString input = source(QStringLiteral("wav"));
    QString target = freshFolder();
    QString leftover;  // a path that must not exist afterwards
    if (situation == QLatin1String("missing")) {
        input = m_dir.filePath(QStringLiteral("nothing-here.mp3"));
    } else if (situation == QLatin1String("text")) {
        input = m_dir.filePath(QStringLiteral("notes.mp3"));
        QFile text(input);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("These are not the sounds you are looking for.\n");
    } else if (situation == QLatin1String("silent film")) {
        input = m_dir.filePath(QStringLiteral("silent.mp4"));
        AudioFiles::WriteOptions options;
        options.withVideo = true;
        options.withoutAudio = true;
        QCOMPARE(AudioFiles::write(input, AudioBuffer{}, options), QString());
    } else if (situation == QLatin1String("file in the way")) {
        QFile blocker(QDir(target).filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        leftover = blocker.fileName() + QStringLiteral("/sub");
        target = leftover;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Error creating target folder: ")));
    } else if (situation == QLatin1String("proc")) {
        target = QStringLiteral("/proc");
        leftover = QStringLiteral("/proc/bursts.wav");
    } else if (situation == QLatin1String("algorithm")) {
        configure(7, AppConstants::F_Wav);
    } else if (situation == QLatin1String("format")) {
        configure(AppConstants::A_Time, 9);
    } else if (situation == QLatin1String("frequency")) {
        configure(AppConstants::A_Time, AppConstants::F_Wav, 192, 0.0);
    }

    const QStringList before = QFileInfo(target).isDir() ? filesIn(target) : QStringList();
    if (!message.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    const Conversion conversion = convert(input, target);
    QVERIFY(!conversion.ok);
    if (message.isEmpty()) {
        QCOMPARE(conversion.errors, QStringList());
    } else {
        QCOMPARE(conversion.errors.size(), 1);
        QVERIFY2(QRegularExpression(message).match(conversion.errors.at(0)).hasMatch(),
                 qPrintable(conversion.errors.at(0)));
    }
    if (QFileInfo(target).isDir())
        QCOMPARE(filesIn(target), before);
    if (!leftover.isEmpty())
        QVERIFY(!QFileInfo::exists(leftover));
    QVERIFY(QFileInfo::exists(input) || situation == QLatin1String("missing"));
}

void TestJob::outOfRangeBitrates_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<int>("used");

    QTest::newRow("mp3 above 320") << int(AppConstants::F_Mp3) << 512 << 320;
    QTest::newRow("mp3 absurd") << int(AppConstants::F_Mp3) << 2000000 << 320;
    QTest::newRow("m4a zero") << int(AppConstants::F_M4a) << 0 << 32;
    QTest::newRow("m4a negative") << int(AppConstants::F_M4a) << -128 << 32;
}

void TestJob::outOfRangeBitrates()
{
    QFETCH(int, format);
    QFETCH(int, bitrate);
    QFETCH(int, used);

    configure(AppConstants::A_Time, format, bitrate);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Bit rate %1 kbit/s is out of range.*%2$")
                                                              .arg(bitrate)
                                                              .arg(used)));
    const Conversion conversion = convert(source(QStringLiteral("wav")), freshFolder());
    QVERIFY(conversion.ok);
    const AudioBuffer output = AudioFiles::decode(conversion.output);
    QVERIFY(std::abs(AudioAnalysis::pitch(output, 2.0, 8.0) - 432.0) <= 0.05);
}

// Song.mp3 and Song.wav from one folder, converted at the same time into
// one folder as mp3: both complete, neither overwrites the other nor what
// was there before.
void TestJob::parallelJobsNeverOverwrite()
{
    const QString in = m_dir.filePath(QStringLiteral("songs"));
    QDir().mkpath(in);
    const AudioBuffer song = TestSignals::burstsOverTone(440.0, 10.0);
    QCOMPARE(AudioFiles::write(in + QStringLiteral("/Song.mp3"), song), QString());
    QCOMPARE(AudioFiles::write(in + QStringLiteral("/Song.wav"), song), QString());
    configure(AppConstants::A_Frequency, AppConstants::F_Mp3);

    for (bool occupied : {false, true}) {
        const QString out = freshFolder();
        const QString existing = out + QStringLiteral("/Song.mp3");
        QByteArray existingHash;
        if (occupied) {
            QFile::copy(in + QStringLiteral("/Song.mp3"), existing);
            existingHash = fileHash(existing);
        }
        bool results[2] = {false, false};
        std::unique_ptr<QThread> threads[2];
        const QString sources[2] = {in + QStringLiteral("/Song.mp3"), in + QStringLiteral("/Song.wav")};
        QueueEntry first(sources[0], out);
        QueueEntry second(sources[1], out);
        QueueEntry *entries[2] = {&first, &second};
        for (int i = 0; i < 2; ++i) {
            threads[i].reset(QThread::create([&, i] {
                ProcessingJob job(entries[i]);
                results[i] = job.run();
            }));
        }
        threads[0]->start();
        threads[1]->start();
        QVERIFY(threads[0]->wait(120000));
        QVERIFY(threads[1]->wait(120000));
        QVERIFY(results[0] && results[1]);

        const QStringList expected = occupied ? QStringList{"Song.mp3", "Song_0.mp3", "Song_1.mp3"}
                                              : QStringList{"Song.mp3", "Song_0.mp3"};
        QCOMPARE(filesIn(out), expected);
        if (occupied)
            QCOMPARE(fileHash(existing), existingHash);
        for (const QString &name : expected) {
            if (occupied && name == QLatin1String("Song.mp3"))
                continue;
            const AudioBuffer output = AudioFiles::decode(QDir(out).filePath(name));
            QVERIFY2(std::llabs(output.frames() - song.frames()) <= 1152, qPrintable(name));
        }
    }
}

void TestJob::loudSourceNeverClips_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::newRow("SoundTouch") << int(AppConstants::A_Time);
    QTest::newRow("RubberBand") << int(AppConstants::A_Frequency);
}

// A loud master, peaking just under full scale, comes out of either
// processor with peaks above it; none of them may reach the file clipped.
void TestJob::loudSourceNeverClips()
{
    QFETCH(int, algorithm);
    const QString input = m_dir.filePath(QStringLiteral("loud.wav"));
    if (!QFileInfo::exists(input)) {
        // A dense chord with spread phases, normalised to 0.9999.
        AudioBuffer chord = TestSignals::sine(220.0, 10.0, 44100, 2, 0.0);
        const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37, 659.25, 880.0};
        for (size_t n = 0; n < std::size(notes); ++n) {
            for (long long f = 0; f < chord.frames(); ++f) {
                const double v = std::sin(2.0 * M_PI * notes[n] * f / 44100.0 + 1.7 * n);
                chord.samples[size_t(f) * 2] += float(v);
                chord.samples[size_t(f) * 2 + 1] += float(n % 2 ? v : -v);
            }
        }
        const float peak = AudioAnalysis::peak(chord.samples);
        for (float &s : chord.samples)
            s *= 0.9999f / peak;
        QCOMPARE(AudioFiles::write(input, chord), QString());
    }
    configure(algorithm, AppConstants::F_Wav);
    const Conversion conversion = convert(input, freshFolder());
    QVERIFY(conversion.ok);
    const AudioBuffer output = AudioFiles::decode(conversion.output);
    QCOMPARE(output.frames(), 441000LL);

    float loudest = 0.0f;
    int run = 0;
    int longestRun = 0;
    for (long long f = 0; f < output.frames(); ++f) {
        bool extreme = false;
        for (int c = 0; c < 2; ++c) {
            const float s = std::abs(output.samples[size_t(f) * 2 + size_t(c)]);
            loudest = std::max(loudest, s);
            extreme = extreme || s >= 32767.0f / 32768.0f;
        }
        run = extreme ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    QVERIFY2(loudest <= 0.989f, qPrintable(QString::number(loudest)));
    QCOMPARE(longestRun, 0);

    // Without the limiter the same conversion would have clipped.
    const Conversion unlimited = convert(input, freshFolder(), false);
    const float clippedPeak = AudioAnalysis::peak(AudioFiles::decode(unlimited.output).samples);
    QVERIFY2(clippedPeak > 0.99f, qPrintable(QString::number(clippedPeak)));
}

void TestJob::quietSourceUntouchedByTheLimiter_data()
{
    loudSourceNeverClips_data();
}

// Clean audio passes the limiter bit for bit: the output with it equals the
// output without it.
void TestJob::quietSourceUntouchedByTheLimiter()
{
    QFETCH(int, algorithm);
    const QString input = m_dir.filePath(QStringLiteral("quiet.wav"));
    if (!QFileInfo::exists(input))
        QCOMPARE(AudioFiles::write(input, TestSignals::burstsOverTone(440.0, 10.0)), QString());  // peaks at -6 dBFS
    configure(algorithm, AppConstants::F_Wav);
    const AudioBuffer limited = AudioFiles::decode(convert(input, freshFolder(), true).output);
    const AudioBuffer bypassed = AudioFiles::decode(convert(input, freshFolder(), false).output);
    QCOMPARE(limited.frames(), bypassed.frames());
    QVERIFY(limited.samples == bypassed.samples);
}

// A stop request ends the run promptly, with false, no message and no output.
void TestJob::stopRequests()
{
    const QString input = m_dir.filePath(QStringLiteral("long.flac"));
    QCOMPARE(AudioFiles::write(input, TestSignals::toneBursts(440.0, 180.0)), QString());
    configure(AppConstants::A_Frequency, AppConstants::F_Mp3);

    // Set before the run: nothing is written at all.
    {
        const QString out = freshFolder();
        QueueEntry entry(input, out);
        entry.update_deleteWhenFinished(true);
        ProcessingJob job(&entry);
        QSignalSpy errors(&job, &ProcessingJob::fileProcessingError);
        QVERIFY(!job.run());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(filesIn(out), QStringList());
    }

    // During the loop.
    const QString out = freshFolder();
    QueueEntry entry(input, out);
    bool result = true;
    int errors = 0;
    std::atomic<int> reports{0};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        ProcessingJob job(&entry);
        QObject::connect(&job, &ProcessingJob::fileProcessingError, [&] { ++errors; });
        QObject::connect(&job, &ProcessingJob::progressUpdate, [&] { ++reports; });
        result = job.run();
    }));
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(reports.load() >= 2, 60000);  // well inside the file
    QVERIFY(!worker->isFinished());
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    entry.update_deleteWhenFinished(true);
    QVERIFY(worker->wait(10000));
    QVERIFY2(sinceRequest.elapsed() < 2000, qPrintable(QString::number(sinceRequest.elapsed())));
    QVERIFY(!result);
    QCOMPARE(errors, 0);
    QCOMPARE(filesIn(out), QStringList());
}

TW_TEST_MAIN_WITH_HOME(TestJob, QCoreApplication)
#include "tst_job.moc"
