// The conversion end to end: real files in, real files out, measured.
#include "engine/Conversion.h"
#include "engine/OutputFile.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestSignals.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <memory>

namespace {

struct Outcome
{
    ConversionResult result;
    QList<double> progress;
};

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

ConversionSettings settingsFor(int algorithm, int format, double source = 440.0, double target = 432.0)
{
    ConversionSettings settings;
    settings.algorithm = AppConstants::Algorithm(algorithm);
    settings.audioFormat = AppConstants::AudioFormat(format);
    settings.sourceFrequency = source;
    settings.targetFrequency = target;
    return settings;
}

Outcome convert(const QString &source, const QString &targetFolder, const ConversionSettings &settings,
                Conversion::EncoderThread encoderThread = Conversion::EncoderThread::Auto,
                std::function<bool()> stop = {})
{
    Outcome outcome;
    Conversion conversion({source, targetFolder, settings});
    conversion.setProgressCallback([&](double value) { outcome.progress << value; });
    conversion.setEncoderThread(encoderThread);
    conversion.setStopCheck(std::move(stop));
    outcome.result = conversion.run();
    return outcome;
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

const int Formats[] = {AppConstants::F_Mp3, AppConstants::F_Wav, AppConstants::F_Flac, AppConstants::F_M4a};
const char *const FormatNames[] = {"mp3", "wav", "flac", "m4a"};

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void retuneExactly_data();
    void retuneExactly();
    void pitchFromAnySource_data();
    void pitchFromAnySource();
    void largeDecodedFrames();
    void formatChangeWithinStream();
    void progressIsBoundedAndRising();
    void containerTags_data();
    void containerTags();
    void failures_data();
    void failures();
    void freeNames_data();
    void freeNames();
    void parallelConversionsNeverOverwrite();
    void encoderThreadGivesTheSameFile_data();
    void encoderThreadGivesTheSameFile();
    void writeFailureOnTheEncoderThread();
    void stopRequests();

private:
    // A generated source of the given kind, written once per test run.
    QString source(const QString &kind);
    QString freshFolder();

    QTemporaryDir m_dir;
    int m_folders = 0;
};

void TestConversion::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestConversion::freshFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

QString TestConversion::source(const QString &kind)
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

void TestConversion::retuneExactly_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("kind");

    const char *sources[] = {"mono wav",       "flac 48k 24-bit", "flac 96k 24-bit", "mp3",
                             "m4a",            "mp4 with video",  "avi with mp3",    "5.1 aac",
                             "7.1 wav at 384k"};
    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        for (int i = 0; i < 4; ++i) {
            QTest::addRow("%s, wav to %s", algorithmName(algorithm), FormatNames[i])
                << algorithm << Formats[i] << "wav";
        }
        for (const char *kind : sources)
            QTest::addRow("%s, %s to flac", algorithmName(algorithm), kind) << algorithm << int(AppConstants::F_Flac)
                                                                           << kind;
    }
}

// The output is at the target pitch, has the source's length, and lines up
// with the source in time.
void TestConversion::retuneExactly()
{
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(QString, kind);

    const QString input = source(kind);
    QString error;
    const AudioBuffer original = AudioFiles::decode(input, &error);
    QCOMPARE(error, QString());

    const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, format));
    QVERIFY2(outcome.result.converted(), qPrintable(outcome.result.message));
    const AudioBuffer output = AudioFiles::decode(outcome.result.outputPath, &error);
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
    QCOMPARE(outcome.progress.last(), 1.0);
}

void TestConversion::pitchFromAnySource_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("target");
    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        QTest::addRow("%s, baroque 415 to 432", algorithmName(algorithm)) << algorithm << 415.0 << 432.0;
        QTest::addRow("%s, 466.16 to 440", algorithmName(algorithm)) << algorithm << 466.16 << 440.0;
    }
}

// A4 of the source goes to A4 of the target, whichever note the source's
// pitch is nearest to.
void TestConversion::pitchFromAnySource()
{
    QFETCH(int, algorithm);
    QFETCH(double, source);
    QFETCH(double, target);
    const QString input = m_dir.filePath(QStringLiteral("a4-at-%1.wav").arg(source));
    if (!QFileInfo::exists(input))
        QCOMPARE(AudioFiles::write(input, TestSignals::burstsOverTone(source, 4.0)), QString());
    const Outcome outcome =
        convert(input, freshFolder(), settingsFor(algorithm, AppConstants::F_Wav, source, target));
    QVERIFY(outcome.result.converted());
    const double pitch = AudioAnalysis::pitch(AudioFiles::decode(outcome.result.outputPath), 1.0, 3.0);
    // SoundTouch splices on whole samples: a steady tone whose period is not
    // a whole number of samples comes out a few tenths of a cent off.
    const double tolerance = algorithm == AppConstants::A_Time ? 0.3 : 0.1;
    QVERIFY2(std::abs(AudioAnalysis::cents(pitch, target)) <= tolerance, qPrintable(QString::number(pitch, 'f', 3)));
}

// A FLAC frame of 65535 samples at 8 kHz becomes far more than one buffer
// at 44.1 kHz; the rest must come out of the resampler, not be dropped.
void TestConversion::largeDecodedFrames()
{
    const QString input = m_dir.filePath(QStringLiteral("long-frames.flac"));
    AudioFiles::WriteOptions options;
    options.frameSize = 65535;
    QCOMPARE(AudioFiles::write(input, TestSignals::burstsOverTone(440.0, 20.0, 8000, 1), options), QString());

    for (int algorithm : {int(AppConstants::A_Time), int(AppConstants::A_Frequency)}) {
        const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, AppConstants::F_Wav));
        QVERIFY(outcome.result.converted());
        const AudioBuffer output = AudioFiles::decode(outcome.result.outputPath);
        QVERIFY2(std::llabs(output.frames() - 20LL * 44100) <= 1, qPrintable(QString::number(output.frames())));
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 3.0, 17.0) - 432.0) <= 0.05);
        QVERIFY(std::abs(AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, 20.0), output)) <= 44.1);
    }
}

// Two Ogg streams chained in one file, 44.1 kHz stereo then 22.05 kHz mono:
// the working format must follow the decoded frames, not the first ones.
void TestConversion::formatChangeWithinStream()
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
        const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, AppConstants::F_Wav));
        QVERIFY(outcome.result.converted());
        const AudioBuffer output = AudioFiles::decode(outcome.result.outputPath);
        QVERIFY2(std::abs(output.seconds() - 6.0) < 0.05, qPrintable(QString::number(output.seconds())));
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 0.5, 2.5) - 432.0) <= 0.05);
        QVERIFY(std::abs(AudioAnalysis::pitch(output, 3.5, 5.5) - 432.0) <= 0.05);
    }
}

// About a hundred reports whatever the length, rising, never above 1, the
// last one 1.0.
void TestConversion::progressIsBoundedAndRising()
{
    for (double seconds : {95.5, 2.0}) {
        const QString input = m_dir.filePath(QStringLiteral("progress%1.wav").arg(seconds));
        QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, seconds, 44100, 1)), QString());
        const Outcome outcome = convert(input, freshFolder(), settingsFor(AppConstants::A_Time, AppConstants::F_Wav));
        QVERIFY(outcome.result.converted());
        const QList<double> &progress = outcome.progress;
        QVERIFY2(progress.size() <= 101, qPrintable(QString::number(progress.size())));
        if (seconds > 60.0)
            QVERIFY2(progress.size() >= 90, qPrintable(QString::number(progress.size())));
        for (int i = 1; i < progress.size(); ++i)
            QVERIFY(progress[i] > progress[i - 1] && progress[i] <= 1.0);
        QCOMPARE(progress.last(), 1.0);
    }
}

void TestConversion::containerTags_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("mp3") << int(AppConstants::F_Mp3);
    QTest::newRow("m4a") << int(AppConstants::F_M4a);
    QTest::newRow("flac") << int(AppConstants::F_Flac);
}

void TestConversion::containerTags()
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
    const Outcome outcome = convert(input, freshFolder(), settingsFor(AppConstants::A_Time, format));
    QVERIFY(outcome.result.converted());
    const QMap<QString, QString> tags = AudioFiles::tags(outcome.result.outputPath);
    QCOMPARE(tags.value(QStringLiteral("title")), QStringLiteral("Abendlied"));
    QCOMPARE(tags.value(QStringLiteral("artist")), QStringLiteral("Chor der Stille"));
    QCOMPARE(tags.value(QStringLiteral("album")), QStringLiteral("Nachtmusik"));
}

void TestConversion::failures_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");  // a pattern

    QTest::newRow("missing file") << "missing" << "^Cannot open “nothing-here\\.mp3”: No such file or directory\\.$";
    QTest::newRow("text named .mp3") << "text" << "^Cannot (open|read) “notes\\.mp3”: .+\\.$";
    QTest::newRow("video without audio") << "silent film" << "^“silent\\.mp4” contains no audio\\.$";
    QTest::newRow("folder cannot be made") << "file in the way"
                                           << "^Cannot create the folder “.*/blocker/sub”: Not a directory\\.$";
    QTest::newRow("file cannot be written") << "proc" << "^Cannot create “/proc/bursts\\.wav”: .+\\.$";
    QTest::newRow("unknown algorithm") << "algorithm" << "^Unknown pitch-shifting algorithm: 7\\.$";
    QTest::newRow("unknown format") << "format" << "^Unknown output format: 9\\.$";
    QTest::newRow("invalid frequency") << "frequency" << "^Invalid concert pitch: source 0 Hz, target 432 Hz\\.$";
}

// Every failure says what went wrong, in words, and leaves nothing behind.
void TestConversion::failures()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);

    QString input = source(QStringLiteral("wav"));
    QString target = freshFolder();
    ConversionSettings settings = settingsFor(AppConstants::A_Time, AppConstants::F_Wav);
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
    } else if (situation == QLatin1String("proc")) {
        target = QStringLiteral("/proc");
        leftover = QStringLiteral("/proc/bursts.wav");
    } else if (situation == QLatin1String("algorithm")) {
        settings.algorithm = AppConstants::Algorithm(7);
    } else if (situation == QLatin1String("format")) {
        settings.audioFormat = AppConstants::AudioFormat(9);
    } else if (situation == QLatin1String("frequency")) {
        settings.sourceFrequency = 0.0;
    }

    const QStringList before = QFileInfo(target).isDir() ? filesIn(target) : QStringList();
    const Outcome outcome = convert(input, target, settings);
    QCOMPARE(outcome.result.status, ConversionResult::Failed);
    QVERIFY2(QRegularExpression(message).match(outcome.result.message).hasMatch(),
             qPrintable(outcome.result.message));
    if (QFileInfo(target).isDir())
        QCOMPARE(filesIn(target), before);
    if (!leftover.isEmpty())
        QVERIFY(!QFileInfo::exists(leftover));
}

void TestConversion::freeNames_data()
{
    QTest::addColumn<QString>("source");      // source file name, base name taken as the conversion does
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("existing");  // names made first; a trailing "/" makes a folder
    QTest::addColumn<QString>("expected");

    QTest::newRow("free") << "Song.mp3" << "flac" << QStringList() << "Song.flac";
    QTest::newRow("first free number") << "Song.mp3" << "flac"
                                       << QStringList{"Song.flac", "Song_0.flac", "Song_2.flac"} << "Song_1.flac";
    QTest::newRow("base name trimmed") << "Live. At Home .m4a" << "mp3" << QStringList() << "Live. At Home.mp3";
    QTest::newRow("only the last suffix goes") << "x.y.z.flac" << "flac" << QStringList{"x.y.z.flac"}
                                               << "x.y.z_0.flac";
    QTest::newRow("folder of that name") << "Song.mp3" << "wav" << QStringList{"Song.wav/"} << "Song_0.wav";
    QTest::newRow("percent signs stay literal") << "100%2 live.mp3" << "m4a" << QStringList() << "100%2 live.m4a";
}

void TestConversion::freeNames()
{
    QFETCH(QString, source);
    QFETCH(QString, extension);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);

    QTemporaryDir root(m_dir.filePath(QStringLiteral("a%1b-XXXXXX")));
    QVERIFY(root.isValid());
    for (const QString &name : existing) {
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir(root.path()).mkpath(name));
        } else {
            QFile file(root.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    const QStringList before = filesIn(root.path());
    const QString baseName = QFileInfo(QStringLiteral("/data/in/") + source).completeBaseName();
    QCOMPARE(OutputFile::freeName(root.path(), baseName, extension), root.filePath(expected));
    QCOMPARE(filesIn(root.path()), before);  // it only looks
}

// Song.mp3 and Song.wav from one folder, converted at the same time into
// one folder as mp3: both complete, neither overwrites the other nor what
// was there before.
void TestConversion::parallelConversionsNeverOverwrite()
{
    const QString in = m_dir.filePath(QStringLiteral("songs"));
    QDir().mkpath(in);
    const AudioBuffer song = TestSignals::burstsOverTone(440.0, 10.0);
    QCOMPARE(AudioFiles::write(in + QStringLiteral("/Song.mp3"), song), QString());
    QCOMPARE(AudioFiles::write(in + QStringLiteral("/Song.wav"), song), QString());
    const ConversionSettings settings = settingsFor(AppConstants::A_Frequency, AppConstants::F_Mp3);

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
        for (int i = 0; i < 2; ++i) {
            threads[i].reset(QThread::create([&, i] {
                results[i] = convert(sources[i], out, settings).result.converted();
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

void TestConversion::encoderThreadGivesTheSameFile_data()
{
    QTest::addColumn<int>("format");
    for (int i = 0; i < 4; ++i)
        QTest::newRow(FormatNames[i]) << Formats[i];
}

// Encoding on a thread of its own writes the very same bytes.
void TestConversion::encoderThreadGivesTheSameFile()
{
    QFETCH(int, format);
    const ConversionSettings settings = settingsFor(AppConstants::A_Time, format);
    const Outcome alone = convert(source(QStringLiteral("wav")), freshFolder(), settings,
                                  Conversion::EncoderThread::Never);
    const Outcome threaded = convert(source(QStringLiteral("wav")), freshFolder(), settings,
                                     Conversion::EncoderThread::Always);
    QVERIFY(alone.result.converted() && threaded.result.converted());
    QCOMPARE(fileHash(threaded.result.outputPath), fileHash(alone.result.outputPath));
}

// A write that fails on the encoder thread (here: the process may not write
// files larger than 64 KiB) fails the conversion with the cause in words
// and leaves nothing.
void TestConversion::writeFailureOnTheEncoderThread()
{
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString out = freshFolder();
    const Outcome outcome = convert(source(QStringLiteral("wav")), out,
                                    settingsFor(AppConstants::A_Time, AppConstants::F_Wav),
                                    Conversion::EncoderThread::Always);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    QCOMPARE(outcome.result.status, ConversionResult::Failed);
    QVERIFY2(outcome.result.message.toString().contains(QLatin1String("File too large")), qPrintable(outcome.result.message));
    QCOMPARE(filesIn(out), QStringList());
}

// A stop request ends the run promptly, as stopped, with no output.
void TestConversion::stopRequests()
{
    const QString input = m_dir.filePath(QStringLiteral("long.flac"));
    QCOMPARE(AudioFiles::write(input, TestSignals::toneBursts(440.0, 180.0)), QString());
    const ConversionSettings settings = settingsFor(AppConstants::A_Frequency, AppConstants::F_Mp3);

    // Set before the run: nothing is written at all.
    {
        const QString out = freshFolder();
        const Outcome outcome = convert(input, out, settings, Conversion::EncoderThread::Auto, [] { return true; });
        QCOMPARE(outcome.result.status, ConversionResult::Stopped);
        QCOMPARE(filesIn(out), QStringList());
    }

    // During the conversion, with and without the encoder thread.
    for (auto mode : {Conversion::EncoderThread::Never, Conversion::EncoderThread::Always}) {
        const QString out = freshFolder();
        std::atomic<bool> stop{false};
        std::atomic<int> reports{0};
        ConversionResult result;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            Conversion conversion({input, out, settings});
            conversion.setEncoderThread(mode);
            conversion.setStopCheck([&] { return stop.load(); });
            conversion.setProgressCallback([&](double) { ++reports; });
            result = conversion.run();
        }));
        worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(reports.load() >= 2, 60000);  // well inside the file
        QVERIFY(!worker->isFinished());
        QElapsedTimer sinceRequest;
        sinceRequest.start();
        stop = true;
        QVERIFY(worker->wait(10000));
        QVERIFY2(sinceRequest.elapsed() < 2000, qPrintable(QString::number(sinceRequest.elapsed())));
        QCOMPARE(result.status, ConversionResult::Stopped);
        QCOMPARE(filesIn(out), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
