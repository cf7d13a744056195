// The conversion end to end: real files in, real files out, measured; videos
// kept as videos.
#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "pipeline/Conversion.h"
#include "support/Alignment.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>
#include <QTranslator>
#include <QtTest>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>

#include <atomic>
#include <cmath>
#include <memory>

// Another writer that takes a temporary's name between its choice and its
// creation: while set, the first temporary opened has a file of that name
// made just before. Every thread of the test opens files through here.
static std::atomic<bool> g_race{false};
static QByteArray g_raced;  // touched only while g_race is set

extern "C" int open(const char *path, int flags, ...)
{
    static const auto next = reinterpret_cast<int (*)(const char *, int, ...)>(dlsym(RTLD_NEXT, "open"));
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = flags & O_CREAT ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    if (g_race && g_raced.isEmpty() && std::strstr(path, ".part-")) {
        g_raced = path;
        const int fd = next(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "theirs", 6) != 6 || ::close(fd) != 0)
            g_raced.clear();
    }
    return next(path, flags, mode);
}

namespace {

struct Outcome
{
    ConversionResult result;
    QList<double> progress;
};

// Whether another open file holds the lock of the file at `path`.
bool lockedElsewhere(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (fd >= 0)
        ::close(fd);
    return locked;
}

ConversionSettings settingsFor(int algorithm, int format, double source = 440.0, double target = 432.0)
{
    ConversionSettings settings;
    settings.algorithm = algorithm;
    settings.audioFormat = format;
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

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

// Where the first burst of the bursts-over-tone signal lies in a file's
// audio stream, on the file's timeline, in seconds.
double firstBurst(const AudioBuffer &audio)
{
    const AudioBuffer reference = TestSignals::burstsOverTone(440.0, 4.0, audio.sampleRate, audio.channels);
    return audio.startSeconds + AudioAnalysis::lagFrames(reference, audio) / audio.sampleRate;
}

const int Time = PitchAlgorithm::named(QStringLiteral("time"))->id;
const int Frequency = PitchAlgorithm::named(QStringLiteral("frequency"))->id;
const int Mp3 = OutputFormat::named(QStringLiteral("mp3"))->id;
const int Wav = OutputFormat::named(QStringLiteral("wav"))->id;
const int Flac = OutputFormat::named(QStringLiteral("flac"))->id;
const int M4a = OutputFormat::named(QStringLiteral("m4a"))->id;
const int Ogg = OutputFormat::named(QStringLiteral("ogg"))->id;
const int Opus = OutputFormat::named(QStringLiteral("opus"))->id;
const int Alac = OutputFormat::named(QStringLiteral("alac"))->id;

} // namespace

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void retuneExactly_data();
    void retuneExactly();
    void pitchAcrossTheRange_data();
    void pitchAcrossTheRange();
    void formatChangeWithinStream();
    void tagsAndPictures_data();
    void tagsAndPictures();
    void voicesKeepTheirFormants();
    void resolutionAndDither();
    void damagedSource();
    void damageKeepsLength();
    void damagedCoverLeftOut();
    void damagedVideoStaysInStep_data();
    void damagedVideoStaysInStep();
    void sourcesThatChange();
    void clippedMasterStaysUnderFullScale_data();
    void clippedMasterStaysUnderFullScale();
    void failures_data();
    void failures();
    void parallelConversionsNeverOverwrite();
    void encoderThreadGivesTheSameFile();
    void stopRequests();
    void onlyCompleteFilesHaveNames();
    void outputNames_data();
    void outputNames();
    void videoStaysVideo_data();
    void videoStaysVideo();

private:
    // A generated source of the given kind, written once per test run, and
    // its length in seconds.
    QString source(const QString &kind, double *seconds = nullptr);
    QString freshFolder();

    QTemporaryDir m_dir;
    QTranslator m_english;
    int m_folders = 0;
};

void TestConversion::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The messages in the words the program shows, plural forms included.
    QVERIFY(m_english.load(QStringLiteral(":/translations/twconv_en.qm")));
    QCoreApplication::installTranslator(&m_english);
}

QString TestConversion::freshFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

// Bursts over a steady 440 Hz tone, in each of the kinds of file the
// program meets.
QString TestConversion::source(const QString &kind, double *seconds)
{
    struct Kind
    {
        const char *name;
        const char *file;
        int rate;
        int channels;
        AudioFiles::WriteOptions options;
        double seconds;
    };
    AudioFiles::WriteOptions flac24;
    flac24.sampleFormat = AV_SAMPLE_FMT_S32;
    AudioFiles::WriteOptions video;
    video.withVideo = true;
    video.tags = {{QStringLiteral("title"), QStringLiteral("Konzertfilm")}};
    AudioFiles::WriteOptions aviMp3 = video;
    aviMp3.codec = AV_CODEC_ID_MP3;
    AudioFiles::WriteOptions talk = video;
    talk.codec = AV_CODEC_ID_AAC;
    talk.audioStreams = 2;
    talk.withSubtitles = true;
    talk.chapters = 2;
    AudioFiles::WriteOptions subtitled = video;
    subtitled.withSubtitles = true;
    // A FLAC frame of 65535 samples at 8 kHz is far more than one buffer at
    // 44.1 kHz: the rest must come out of the resampler, not be dropped.
    AudioFiles::WriteOptions longFrames;
    longFrames.frameSize = 65535;
    const Kind kinds[] = {
        {"wav", "bursts.wav", 44100, 2, {}, 4.0},
        {"mono wav", "mono.wav", 44100, 1, {}, 4.0},
        {"flac 48k 24-bit", "bursts48.flac", 48000, 2, flac24, 4.0},
        {"flac 96k 24-bit", "bursts96.flac", 96000, 2, flac24, 4.0},
        {"mp3", "bursts.mp3", 44100, 2, {}, 4.0},
        {"m4a", "bursts.m4a", 44100, 2, {}, 4.0},
        {"mp4 with video", "film.mp4", 44100, 2, video, 4.0},
        {"avi with mp3", "film.avi", 44100, 2, aviMp3, 4.0},
        {"mkv with two audio streams, subtitles, chapters", "talk.mkv", 44100, 2, talk, 4.0},
        {"mp4 with timed text", "subtitled.mp4", 44100, 2, subtitled, 4.0},
        {"5.1 aac", "surround.m4a", 48000, 6, {}, 4.0},
        {"7.1 wav at 384k", "octo.wav", 384000, 8, {}, 4.0},
        {"flac 8k mono, long frames", "long-frames.flac", 8000, 1, longFrames, 10.0},
    };
    for (const Kind &k : kinds) {
        if (kind != QLatin1String(k.name))
            continue;
        const QString path = m_dir.filePath(QLatin1String(k.file));
        if (!QFileInfo::exists(path)) {
            const QString error = AudioFiles::write(
                path, TestSignals::burstsOverTone(440.0, k.seconds, k.rate, k.channels), k.options);
            if (!error.isEmpty())
                qWarning() << "Cannot write" << path << error;
        }
        if (seconds)
            *seconds = k.seconds;
        return path;
    }
    return {};
}

void TestConversion::retuneExactly_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rate");          // the setting
    QTest::addColumn<int>("expectedRate");
    QTest::addColumn<int>("expectedBits");  // 0: not asked

    // Each kind of source once, each format and each rate setting, both
    // algorithms across them: the decoding and encoding steps do not depend
    // on the algorithm.
    const int source = ConversionSettings::SourceRate;
    QTest::newRow("SoundTouch, wav to mp3") << Time << Mp3 << "wav" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, wav to m4a") << Frequency << M4a << "wav" << 44100 << 44100 << 0;
    QTest::newRow("SoundTouch, mono wav to wav") << Time << Wav << "mono wav" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, 48 kHz 24-bit flac to wav at 48 kHz")
        << Frequency << Wav << "flac 48k 24-bit" << 48000 << 48000 << 24;
    QTest::newRow("SoundTouch, 96 kHz 24-bit flac to flac as the source")
        << Time << Flac << "flac 96k 24-bit" << source << 96000 << 24;
    // Above 192 kHz, which SoundTouch does not take.
    QTest::newRow("SoundTouch, 7.1 wav at 384 kHz to flac as the source")
        << Time << Flac << "7.1 wav at 384k" << source << 384000 << 16;
    QTest::newRow("RubberBand, 96 kHz 24-bit flac to flac as the source")
        << Frequency << Flac << "flac 96k 24-bit" << source << 96000 << 24;
    QTest::newRow("SoundTouch, 96 kHz 24-bit flac to mp3 as the source")
        << Time << Mp3 << "flac 96k 24-bit" << source << 48000 << 0;
    QTest::newRow("SoundTouch, mp3 to flac") << Time << Flac << "mp3" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, m4a to flac") << Frequency << Flac << "m4a" << 44100 << 44100 << 0;
    QTest::newRow("SoundTouch, mp4 with video to flac") << Time << Flac << "mp4 with video" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, avi with mp3 to flac") << Frequency << Flac << "avi with mp3" << 44100 << 44100 << 0;
    QTest::newRow("SoundTouch, 5.1 aac to flac") << Time << Flac << "5.1 aac" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, 7.1 wav at 384 kHz to flac")
        << Frequency << Flac << "7.1 wav at 384k" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, 8 kHz mono flac with long frames to wav")
        << Frequency << Wav << "flac 8k mono, long frames" << 44100 << 44100 << 0;
    // Apple Lossless keeps 24 bits; Vorbis goes up to 192 kHz; Opus codes
    // at 48 kHz only, whatever the source's rate.
    QTest::newRow("RubberBand, 96 kHz 24-bit flac to alac as the source")
        << Frequency << Alac << "flac 96k 24-bit" << source << 96000 << 24;
    QTest::newRow("SoundTouch, mp3 to alac") << Time << Alac << "mp3" << 44100 << 44100 << 16;
    QTest::newRow("SoundTouch, wav to ogg") << Time << Ogg << "wav" << 44100 << 44100 << 0;
    QTest::newRow("RubberBand, 96 kHz 24-bit flac to ogg as the source")
        << Frequency << Ogg << "flac 96k 24-bit" << source << 96000 << 0;
    QTest::newRow("SoundTouch, 7.1 wav at 384 kHz to ogg as the source")
        << Time << Ogg << "7.1 wav at 384k" << source << 192000 << 0;
    QTest::newRow("RubberBand, m4a to opus") << Frequency << Opus << "m4a" << 44100 << 48000 << 0;
    QTest::newRow("RubberBand, 8 kHz mono flac to opus as the source")
        << Frequency << Opus << "flac 8k mono, long frames" << source << 48000 << 0;
}

// The output is at the target pitch, has the source's length, and lines up
// with the source in time.
void TestConversion::retuneExactly()
{
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(QString, kind);
    QFETCH(int, rate);
    QFETCH(int, expectedRate);
    QFETCH(int, expectedBits);

    double seconds = 0.0;
    const QString input = source(kind, &seconds);
    QString error;
    const AudioBuffer original = AudioFiles::decode(input, &error);
    QCOMPARE(error, QString());

    ConversionSettings settings = settingsFor(algorithm, format);
    settings.sampleRate = rate;
    const Outcome outcome = convert(input, freshFolder(), settings);
    QVERIFY2(outcome.result.converted(), qPrintable(outcome.result.message));
    const AudioBuffer output = AudioFiles::decode(outcome.result.outputPath, &error);
    QCOMPARE(error, QString());
    QCOMPARE(output.sampleRate, expectedRate);
    QCOMPARE(output.channels, 2);
    if (expectedBits > 0)
        QCOMPARE(AudioFiles::describe(outcome.result.outputPath).bits, expectedBits);

    const double pitch = AudioAnalysis::pitch(output, 1.0, seconds - 1.0);
    QVERIFY2(std::abs(pitch - 432.0) <= 0.05, qPrintable(QString::number(pitch, 'f', 3)));

    const long long expected = std::llround(double(original.frames()) * expectedRate / original.sampleRate);
    // Lossless formats, Vorbis and Opus (whose pre-skip hides the encoder's
    // delay) decode to the sample; mp3 and AAC within a frame.
    const long long tolerance = format == Mp3 ? 1152 : format == M4a ? 1024 : 1;
    QVERIFY2(std::llabs(output.frames() - expected) <= tolerance,
             qPrintable(QStringLiteral("%1 frames, expected %2").arg(output.frames()).arg(expected)));

    // Aligned with the source as it decodes: a container that cannot tell
    // the decoder its encoder delay (mp3 in AVI) makes the source itself late.
    const double sourceLag =
        AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, seconds, original.sampleRate), original)
        / original.sampleRate;
    const double lag =
        AudioAnalysis::lagFrames(TestSignals::burstsOverTone(440.0, seconds, expectedRate), output) / expectedRate;
    QVERIFY2(std::abs(lag - sourceLag) <= alignmentTolerance(algorithm),
             qPrintable(QStringLiteral("lag %1 s, the source's %2").arg(lag).arg(sourceLag)));
    QVERIFY2(std::abs(outcome.result.audioSeconds * expectedRate - double(expected)) <= 1.0,
             qPrintable(QString::number(outcome.result.audioSeconds)));
    // Rising, the last one 1.0; one a percent where the packets are small.
    if (kind.endsWith(QLatin1String("wav")))
        QVERIFY2(outcome.progress.size() >= 50 && outcome.progress.size() <= 101,
                 qPrintable(QString::number(outcome.progress.size())));
    for (int i = 1; i < outcome.progress.size(); ++i)
        QVERIFY(outcome.progress[i] > outcome.progress[i - 1] && outcome.progress[i] <= 1.0);
    QCOMPARE(outcome.progress.last(), 1.0);
}

void TestConversion::pitchAcrossTheRange_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<double>("source");
    QTest::addColumn<double>("target");
    const double pairs[][2] = {{440.0, 415.3}, {440.0, 453.0}, {466.16, 440.0}, {440.0, 220.0},
                               {440.0, 1760.0}, {50.0, 200.0}, {2000.0, 500.0}};
    for (int algorithm : {Time, Frequency}) {
        for (const auto &pair : pairs) {
            QTest::addRow("%s, %g to %g", algorithm == Time ? "SoundTouch" : "RubberBand", pair[0], pair[1])
                << algorithm << pair[0] << pair[1];
        }
    }
}

// Whatever the source's A4 and the target's, within the range and two
// octaves of each other, the shift is 12 x log2(target / source) to a tenth
// of a cent.
void TestConversion::pitchAcrossTheRange()
{
    QFETCH(int, algorithm);
    QFETCH(double, source);
    QFETCH(double, target);
    const double ratio = target / source;
    // SoundTouch splices on whole samples, so a tone whose period is not a
    // whole number of samples where it splices comes out a few tenths of a
    // cent off; at 441 Hz (100 samples) it splices exactly, and what is
    // measured is the shift alone. It splices before shifting up and after
    // shifting down.
    const double tone = ratio >= 1.0 ? 441.0 : 441.0 / ratio;
    const QString input = m_dir.filePath(QStringLiteral("tone-%1.wav").arg(tone, 0, 'f', 3));
    if (!QFileInfo::exists(input))
        QCOMPARE(AudioFiles::write(input, TestSignals::sine(tone, 3.0)), QString());
    const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, Wav, source, target));
    QVERIFY2(outcome.result.converted(), qPrintable(outcome.result.message));
    const double pitch = AudioAnalysis::pitch(AudioFiles::decode(outcome.result.outputPath), 0.5, 2.5);
    QVERIFY2(std::abs(AudioAnalysis::cents(pitch, tone * ratio)) <= 0.1,
             qPrintable(QStringLiteral("%1 Hz, %2 cents off")
                            .arg(pitch, 0, 'f', 3)
                            .arg(AudioAnalysis::cents(pitch, tone * ratio), 0, 'f', 3)));
}

// Two Ogg streams chained in one file, 44.1 kHz stereo then 22.05 kHz mono:
// the working format must follow the decoded frames, not the first ones.
void TestConversion::formatChangeWithinStream()
{
    AudioFiles::WriteOptions options;
    options.codec = AV_CODEC_ID_VORBIS;
    options.bitRate = 48000;
    const QString input = m_dir.filePath(QStringLiteral("chained.ogg"));
    QFile chained(input);
    QVERIFY(chained.open(QIODevice::WriteOnly));
    for (const auto &[rate, channels] : {std::pair{44100, 2}, {22050, 1}}) {
        const QString part = m_dir.filePath(QStringLiteral("part%1.ogg").arg(rate));
        QCOMPARE(AudioFiles::write(part, TestSignals::burstsOverTone(440.0, 3.0, rate, channels), options), QString());
        QFile file(part);
        QVERIFY(file.open(QIODevice::ReadOnly));
        chained.write(file.readAll());
    }
    chained.close();

    const Outcome outcome = convert(input, freshFolder(), settingsFor(Frequency, Wav));
    QVERIFY(outcome.result.converted());
    const AudioBuffer output = AudioFiles::decode(outcome.result.outputPath);
    QVERIFY2(std::abs(output.seconds() - 6.0) < 0.05, qPrintable(QString::number(output.seconds())));
    QVERIFY(std::abs(AudioAnalysis::pitch(output, 0.5, 2.5) - 432.0) <= 0.05);
    QVERIFY(std::abs(AudioAnalysis::pitch(output, 3.5, 5.5) - 432.0) <= 0.05);
}

void TestConversion::tagsAndPictures_data()
{
    QTest::addColumn<QString>("source");  // the tags on the stream (ogg) or on the container
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("algorithm");
    // Every format with every algorithm, from sources of each kind in turn.
    const QStringList sources{"ogg", "flac", "mp3"};
    int row = 0;
    for (const OutputFormat &format : OutputFormat::all()) {
        for (const PitchAlgorithm &algorithm : PitchAlgorithm::all()) {
            const QString source = sources.at(row++ % sources.size());
            QTest::addRow("%s to %s, %s", qPrintable(source), format.name, algorithm.name)
                << source << format.id << algorithm.id;
        }
    }
}

// Title, artist and album survive from container to container, and so does
// the cover art, byte for byte, where the container has room for it (RIFF
// has none); tags that describe the source's own samples do not; the
// ReplayGain gain stays, or becomes Opus's R128 gain, which no header gain
// doubles; the note of the retuning is added, as a tag of its own or in the
// comment, and a file that has it is recognised as an output and not
// retuned twice.
void TestConversion::tagsAndPictures()
{
    QFETCH(QString, source);
    QFETCH(int, format);
    QFETCH(int, algorithm);
    const QString input = m_dir.filePath(QStringLiteral("tagged.") + source);
    const QByteArray picture = AudioFiles::pngPicture();
    const QMap<QString, QString> kept = {{QStringLiteral("title"), QStringLiteral("Abendlied")},
                                         {QStringLiteral("artist"), QStringLiteral("Chor der Stille")},
                                         {QStringLiteral("album"), QStringLiteral("Nachtmusik")}};
    QMap<QString, QString> tags = kept;
    tags.insert(QStringLiteral("iTunSMPB"), QStringLiteral(" 00000000 00000210"));
    tags.insert(QStringLiteral("ACCURATERIPCRC"), QStringLiteral("7A3B2C1D"));
    tags.insert(QStringLiteral("REPLAYGAIN_TRACK_PEAK"), QStringLiteral("0.988"));
    tags.insert(QStringLiteral("REPLAYGAIN_TRACK_GAIN"), QStringLiteral("-3.52 dB"));
    AudioFiles::WriteOptions options;
    if (source == QLatin1String("ogg")) {
        options.codec = AV_CODEC_ID_VORBIS;
        options.streamTags = tags;
    } else {
        options.tags = tags;
        options.withPicture = true;
    }
    if (!QFileInfo::exists(input))
        QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 2.0), options), QString());
    const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, format));
    QVERIFY(outcome.result.converted());
    const AudioFiles::Description output = AudioFiles::describe(outcome.result.outputPath);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        QCOMPARE(output.tags.value(it.key()), it.value());
    const QString note = output.tags.contains(QStringLiteral("TUNING")) ? output.tags.value(QStringLiteral("TUNING"))
                                                                       : output.tags.value(QStringLiteral("comment"));
    QVERIFY2(note.startsWith(QLatin1String("A4 = 432 Hz (from 440 Hz, ")), qPrintable(note));
    if (algorithm == Time)
        QCOMPARE(note, QStringLiteral("A4 = 432 Hz (from 440 Hz, time based)"));
    const OutputFormat &entry = *OutputFormat::find(format);
    const bool r128 = entry.gains == OutputFormat::Gains::R128;
    for (const QString &key : output.tags.keys()) {
        for (const char *gone : {"iTunSMPB", "ACCURATERIPCRC", "REPLAYGAIN_TRACK_PEAK"})
            QVERIFY2(key.compare(QLatin1String(gone), Qt::CaseInsensitive) != 0, gone);
        QVERIFY2(!r128 || !key.startsWith(QLatin1String("REPLAYGAIN_"), Qt::CaseInsensitive), qPrintable(key));
        if (!r128 && key.compare(QLatin1String("REPLAYGAIN_TRACK_GAIN"), Qt::CaseInsensitive) == 0)
            QCOMPARE(output.tags.value(key), QStringLiteral("-3.52 dB"));
    }
    if (r128) {
        // 256ths of a dB, 5 dB under ReplayGain's, and the decoded level untouched.
        QCOMPARE(output.tags.value(QStringLiteral("R128_TRACK_GAIN")), QStringLiteral("-2181"));
        const AudioBuffer decoded = AudioFiles::decode(outcome.result.outputPath);
        QVERIFY(std::abs(AudioAnalysis::levelDb(decoded, 432.0, 0.5, 1.5) + 6.02) < 0.3);
    }
    const bool pictured = source != QLatin1String("ogg") && entry.pictures != OutputFormat::Pictures::None;
    QCOMPARE(output.pictures, pictured ? QList<QByteArray>{picture} : QList<QByteArray>());

    const QString again = freshFolder();
    const Outcome twice = convert(outcome.result.outputPath, again, settingsFor(algorithm, format));
    QCOMPARE(twice.result.status, ConversionResult::Skipped);
    QVERIFY2(twice.result.message.toString().endsWith(QStringLiteral(" was retuned already (%1).").arg(note)),
             qPrintable(twice.result.message));
    QCOMPARE(TestFiles::below(again), QStringList());
}

// Speech five semitones up and down, frequency based: with the formants
// kept, each voiced frame's spectral envelope stays nearer the source's than
// with the formants shifted along, by far more than half (both ways round
// measure about a quarter), while the voice's pitch moves by the shift all
// the same, in time and exactly as long as before. The note says so, and is
// still recognised in a comment.
void TestConversion::voicesKeepTheirFormants()
{
    const QString espeak = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (espeak.isEmpty())
        QSKIP("espeak-ng is missing: it speaks the test's words (scripts/install-deps.sh installs it)");
    const QString input = m_dir.filePath(QStringLiteral("speech.wav"));
    const QString words = QStringLiteral("Every voice that sings a little higher or lower keeps its own colour, as "
                                         "long as its formants stay where they were.");
    QCOMPARE(QProcess::execute(espeak, {QStringLiteral("-w"), input, words}), 0);
    const AudioBuffer speech = AudioFiles::decode(input);
    const std::vector<AudioAnalysis::VoicedFrame> voiced = AudioAnalysis::voicedFrames(speech);
    QVERIFY2(voiced.size() > 50, qPrintable(QString::number(voiced.size())));
    for (const double semitones : {5.0, -5.0}) {
        ConversionSettings settings = settingsFor(Frequency, Wav, 440.0, 440.0 * std::exp2(semitones / 12.0));
        settings.sampleRate = ConversionSettings::SourceRate;
        const Outcome shifted = convert(input, freshFolder(), settings);
        settings.keepFormants = true;
        const Outcome kept = convert(input, freshFolder(), settings);
        QVERIFY(shifted.result.converted() && kept.result.converted());
        const AudioBuffer whole = AudioFiles::decode(shifted.result.outputPath);
        const AudioBuffer natural = AudioFiles::decode(kept.result.outputPath);
        QCOMPARE(natural.frames(), speech.frames());

        std::vector<double> ratios;
        for (const AudioAnalysis::VoicedFrame &frame : voiced) {
            const double f0 = AudioAnalysis::fundamentalAt(natural, frame.start);
            if (f0 > 0.0)
                ratios.push_back(f0 / frame.f0);
        }
        const double cents = 1200.0 * std::log2(AudioAnalysis::median(ratios)) - 100.0 * semitones;
        const double keptDb = AudioAnalysis::envelopeDistanceDb(speech, natural, voiced);
        const double shiftedDb = AudioAnalysis::envelopeDistanceDb(speech, whole, voiced);
        const double lag = AudioAnalysis::lagFrames(speech, natural) / speech.sampleRate;
        const QByteArray measured = QStringLiteral("%1 semitones: envelope %2 dB off kept, %3 dB shifted; %4 "
                                                   "cents off over %5 frames; lag %6 ms")
                                        .arg(semitones).arg(keptDb).arg(shiftedDb).arg(cents)
                                        .arg(ratios.size()).arg(lag * 1000.0).toUtf8();
        // As far in time as the shift itself goes at five semitones.
        QVERIFY2(ratios.size() > voiced.size() / 2 && std::abs(cents) < 10.0 && keptDb < 0.5 * shiftedDb
                     && std::abs(lag) < 0.003,
                 measured.constData());

        const QString note = AudioFiles::describe(kept.result.outputPath).tags.value(QStringLiteral("comment"));
        QVERIFY2(note.endsWith(QLatin1String(" Hz, frequency based, formants kept)")), qPrintable(note));
        QCOMPARE(convert(kept.result.outputPath, freshFolder(), settings).result.status, ConversionResult::Skipped);
    }
}

// A 24-bit source keeps a tone at -110 dBFS under a loud one, which 16 bits
// would bury in their noise; a 16-bit output is dithered once, so that a
// tone of a few steps turns into tone and noise, not tone and harmonics.
void TestConversion::resolutionAndDither()
{
    AudioBuffer hiRes = TestSignals::sine(440.0, 6.0, 96000, 2, std::pow(10.0, -20.0 / 20.0));
    const AudioBuffer quiet = TestSignals::sine(5000.0, 6.0, 96000, 2, std::pow(10.0, -110.0 / 20.0));
    for (size_t i = 0; i < hiRes.samples.size(); ++i)
        hiRes.samples[i] += quiet.samples[i];
    AudioFiles::WriteOptions flac24;
    flac24.sampleFormat = AV_SAMPLE_FMT_S32;
    const QString hiResInput = m_dir.filePath(QStringLiteral("quiet-under-loud.flac"));
    QCOMPARE(AudioFiles::write(hiResInput, hiRes, flac24), QString());
    ConversionSettings settings = settingsFor(Frequency, Flac);
    settings.sampleRate = ConversionSettings::SourceRate;
    const Outcome deep = convert(hiResInput, freshFolder(), settings);
    QVERIFY(deep.result.converted());
    const AudioBuffer deepOutput = AudioFiles::decode(deep.result.outputPath);
    const double shifted = 5000.0 * 432.0 / 440.0;
    const double tone = AudioAnalysis::levelDb(deepOutput, shifted, 1.0, 5.0);
    double floor = -1000.0;
    for (double offset : {-300.0, -200.0, 200.0, 300.0})
        floor = std::max(floor, AudioAnalysis::levelDb(deepOutput, shifted + offset, 1.0, 5.0));
    // 16 bits' dither alone would lie at about -146 dB here. The
    // stretcher's standard window takes up to 11 dB off a steady partial
    // 90 dB under a loud one (the short window did not).
    QVERIFY2(tone > -122.0 && tone < -109.0 && floor < -155.0,
             qPrintable(QStringLiteral("tone %1 dB, floor %2 dB").arg(tone).arg(floor)));

    // Four steps of 16 bits, from a clean lossy source (so 16 bits out).
    const QString stepsInput = m_dir.filePath(QStringLiteral("four-steps.m4a"));
    QCOMPARE(AudioFiles::write(stepsInput, TestSignals::sine(1000.0, 6.0, 44100, 2, 4.0 / 32768.0)), QString());
    const Outcome shallow = convert(stepsInput, freshFolder(), settingsFor(Time, Wav));
    QVERIFY(shallow.result.converted());
    QCOMPARE(AudioFiles::describe(shallow.result.outputPath).bits, 16);
    const AudioBuffer shallowOutput = AudioFiles::decode(shallow.result.outputPath);
    const double fundamental = AudioAnalysis::levelDb(shallowOutput, 1000.0 * 432.0 / 440.0, 1.0, 5.0);
    double harmonics = -1000.0;
    for (int k : {2, 3, 5})
        harmonics = std::max(harmonics, AudioAnalysis::levelDb(shallowOutput, k * 1000.0 * 432.0 / 440.0, 1.0, 5.0));
    QVERIFY2(fundamental - harmonics > 55.0,
             qPrintable(QStringLiteral("fundamental %1 dB, harmonics %2 dB").arg(fundamental).arg(harmonics)));
}

// Damaged frames in the middle are skipped and counted, the rest is kept,
// in time: the output has the source's length, with silence where the
// damage was.
void TestConversion::damagedSource()
{
    const QString input = m_dir.filePath(QStringLiteral("damaged.flac"));
    QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 6.0)), QString());
    QVERIFY(TestFiles::damage(input));
    const Outcome outcome = convert(input, freshFolder(), settingsFor(Time, Flac));
    QVERIFY(outcome.result.converted());
    QCOMPARE(outcome.result.warnings.size(), 1);
    QVERIFY2(outcome.result.warningTexts().first().startsWith(
                 QLatin1String("3 damaged frames in the source were skipped (0.31 s)")),
             qPrintable(outcome.result.warningTexts().first()));
    QCOMPARE(AudioFiles::decode(outcome.result.outputPath).frames(), 6LL * 44100);
}


// A damaged run of mp3, which its demuxer hands over as a few long packets
// with made-up timestamps, becomes silence as long as the run held: the
// output keeps the stated length, and the warning says how much was lost.
// A timestamp that jumps a minute with nothing lost adds no minute.
void TestConversion::damageKeepsLength()
{
    const QString input = m_dir.filePath(QStringLiteral("damaged-run.mp3"));
    QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 20.0)), QString());
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2));
    QByteArray run(192000 / 8 * 3 / 2, '\0');  // 1.5 s at 192 kbit/s
    for (int i = 0; i < run.size(); ++i)
        run[i] = char((i * 7919) % 251);
    QCOMPARE(file.write(run), qint64(run.size()));
    file.close();
    const Outcome outcome = convert(input, freshFolder(), settingsFor(Frequency, Wav));
    QVERIFY(outcome.result.converted());
    const QString warning = outcome.result.warningTexts().value(0);
    const double lost = QRegularExpression(QStringLiteral("\\(([0-9.]+) s\\)")).match(warning).captured(1).toDouble();
    QVERIFY2(std::abs(lost - 1.5) <= 0.15, qPrintable(warning));
    QVERIFY(std::llabs(AudioFiles::decode(outcome.result.outputPath).frames() - 20LL * 44100) <= 1152);

    const QString jumped = m_dir.filePath(QStringLiteral("jumped.mkv"));
    QCOMPARE(AudioFiles::write(m_dir.filePath(QStringLiteral("steady.mkv")), TestSignals::sine(440.0, 10.0)),
             QString());
    QCOMPARE(AudioFiles::run(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
                              m_dir.filePath(QStringLiteral("steady.mkv")), QStringLiteral("-c"), QStringLiteral("copy"),
                              QStringLiteral("-bsf:a"), QStringLiteral("setts=ts=TS+if(gte(TS*TB\\,5)\\,60/TB\\,0)"),
                              jumped}),
             QString());
    const Outcome steady = convert(jumped, freshFolder(), settingsFor(Time, Wav));
    QVERIFY(steady.result.converted());
    QVERIFY2(AudioFiles::decode(steady.result.outputPath).seconds() < 10.5, qPrintable(steady.result.outputPath));
}

// A cover picture too damaged to tell its size is left out with a word; the
// song converts.
void TestConversion::damagedCoverLeftOut()
{
    const QString input = m_dir.filePath(QStringLiteral("damaged-cover.mp3"));
    AudioFiles::WriteOptions options;
    options.withPicture = true;
    QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 2.0), options), QString());
    QFile file(input);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 png = file.readAll().indexOf("\x89PNG");
    QVERIFY(png > 0 && file.seek(png + 8) && file.write(QByteArray(24, '\xab')) == 24);
    file.close();
    const Outcome outcome = convert(input, freshFolder(), settingsFor(Time, Flac));
    QVERIFY2(outcome.result.converted(), qPrintable(outcome.result.message));
    QCOMPARE(outcome.result.warningTexts(),
             QStringList{"The cover picture of “damaged-cover.mp3” is damaged; it was left out."});
    QCOMPARE(AudioFiles::describe(outcome.result.outputPath).pictures, QList<QByteArray>());
}

void TestConversion::damagedVideoStaysInStep_data()
{
    QTest::addColumn<QString>("container");
    QTest::newRow("Matroska") << "mkv";
    QTest::newRow("MPEG-TS") << "ts";
}

// A film whose picture flashes and whose sound beeps at every whole second,
// the sound starting 0.3 s after the picture, with 30 kB in its middle
// overwritten: the packets lost there (a Matroska cluster, TS packets)
// become silence, and every beep after the damage stays with its flash.
void TestConversion::damagedVideoStaysInStep()
{
    QFETCH(QString, container);
    const QString film = m_dir.filePath(QStringLiteral("flashes.") + container);
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                          QStringLiteral("lavfi"), QStringLiteral("-i"),
                          QStringLiteral("color=c=black:s=64x48:r=25:d=12,geq=lum='if(lt(mod(T\\,1)\\,0.04)\\,235\\,16)':"
                                         "cb=128:cr=128"),
                          QStringLiteral("-itsoffset"), QStringLiteral("0.3"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                          QStringLiteral("-i"),
                          QStringLiteral("aevalsrc='0.8*sin(2*PI*440*t)*lt(mod(t+0.3\\,1)\\,0.04)':s=44100:d=11.5"),
                          QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                          QStringLiteral("ultrafast"), QStringLiteral("-g"), QStringLiteral("25"), QStringLiteral("-c:a"),
                          QStringLiteral("aac"), QStringLiteral("-ac"), QStringLiteral("2")};
    if (container == QLatin1String("mkv"))
        arguments << QStringLiteral("-cluster_time_limit") << QStringLiteral("1000");  // a cluster a second
    QCOMPARE(AudioFiles::run(QStringLiteral("ffmpeg"), arguments << film), QString());
    QFile file(film);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2));
    QByteArray damage(int(file.size() / 20), '\0');
    for (int i = 0; i < damage.size(); ++i)
        damage[i] = char((i * 7919) % 251);
    QCOMPARE(file.write(damage), qint64(damage.size()));
    file.close();

    ConversionSettings settings = settingsFor(Frequency, M4a);
    settings.keepVideo = true;
    const Outcome outcome = convert(film, freshFolder(), settings);
    QVERIFY2(outcome.result.converted(), qPrintable(outcome.result.message));
    QVERIFY(!outcome.result.warnings.isEmpty());
    QByteArray frames;
    QCOMPARE(AudioFiles::run(QStringLiteral("ffprobe"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                              QStringLiteral("-i"), QStringLiteral("movie=%1,signalstats").arg(outcome.result.outputPath),
                              QStringLiteral("-show_entries"),
                              QStringLiteral("frame=pts_time:frame_tags=lavfi.signalstats.YAVG"), QStringLiteral("-of"),
                              QStringLiteral("csv=p=0")},
                             &frames),
             QString());
    // Where each beep begins: a loud sample after a tenth of a second of quiet.
    const AudioBuffer audio = AudioFiles::decode(outcome.result.outputPath);
    const std::vector<float> mono = audio.mono();
    std::vector<double> beeps;
    for (size_t i = 0, quiet = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) < 0.2f) {
            ++quiet;
            continue;
        }
        if (quiet > size_t(audio.sampleRate / 10))
            beeps.push_back(audio.startSeconds + double(i) / audio.sampleRate);
        quiet = 0;
    }
    // Each flash (on the whole seconds of the picture's timeline: damaged
    // pictures can be bright too) with the beep nearest to it; flashes whose
    // beep was lost with the damage, or came before the sound, have none near.
    int matched = 0;
    const double firstPicture = frames.split(',').value(0).toDouble();
    for (const QByteArray &line : frames.split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        const double flash = fields.value(0).toDouble();
        const double second = flash - firstPicture;
        if (fields.size() < 2 || fields.at(1).toDouble() < 100.0 || std::abs(second - std::round(second)) > 0.02)
            continue;
        const auto nearest = std::min_element(beeps.begin(), beeps.end(), [flash](double a, double b) {
            return std::abs(a - flash) < std::abs(b - flash);
        });
        if (nearest == beeps.end() || std::abs(*nearest - flash) > 0.5)
            continue;
        QVERIFY2(std::abs(*nearest - flash) <= 0.025,
                 qPrintable(QStringLiteral("flash at %1 s, beep at %2 s").arg(flash).arg(*nearest)));
        ++matched;
    }
    QVERIFY2(matched >= 8, qPrintable(QString::number(matched)));
}

// A source cut short while it is read fails, and leaves nothing; so does
// one that was short from the start (a download cut off).
void TestConversion::sourcesThatChange()
{
    const QString input = m_dir.filePath(QStringLiteral("shrinking.wav"));
    QCOMPARE(AudioFiles::write(input, TestSignals::sine(440.0, 10.0)), QString());
    const QString out = freshFolder();
    std::atomic<bool> cut{false};
    Conversion conversion({input, out, settingsFor(Frequency, Wav)});
    conversion.setProgressCallback([&](double progress) {
        if (progress > 0.2 && !cut.exchange(true))
            QFile::resize(input, QFileInfo(input).size() / 2);
    });
    const ConversionResult shrunk = conversion.run();
    QCOMPARE(shrunk.status, ConversionResult::Failed);
    QCOMPARE(shrunk.message.toString(),
             QStringLiteral("“shrinking.wav” ended after 5.0 of 10.0 s: the file changed while it was read."));
    QCOMPARE(TestFiles::below(out), QStringList());

    // The header says 10 s; the data ends after about 4: the file ends
    // early, and nothing of it is kept either.
    const QString cutOff = m_dir.filePath(QStringLiteral("cut-off.mp3"));
    QCOMPARE(AudioFiles::write(cutOff, TestSignals::sine(440.0, 10.0)), QString());
    QVERIFY(QFile::resize(cutOff, QFileInfo(cutOff).size() * 2 / 5));
    const QString cutOut = freshFolder();
    const Outcome incomplete = convert(cutOff, cutOut, settingsFor(Time, Wav));
    QCOMPARE(incomplete.result.status, ConversionResult::Failed);
    QVERIFY2(QRegularExpression(QStringLiteral("^“cut-off\\.mp3” ended after [34]\\.\\d of 10\\.0 s: the file ends "
                                               "early\\.$"))
                 .match(incomplete.result.message.toString())
                 .hasMatch(),
             qPrintable(incomplete.result.message));
    QCOMPARE(TestFiles::below(cutOut), QStringList());
}

// While it is written, an output has only a hidden temporary name, locked,
// never one that another writer took first; it gets its name once complete.
// Temporaries that no one holds (left by a killed process) go when the next
// output is made in their folder; held ones, and the user's files that look
// like them, name and all, stay.
void TestConversion::onlyCompleteFilesHaveNames()
{
    const QString input = source(QStringLiteral("wav"));
    const QString out = freshFolder();
    // A killed run's temporary, marked as ours and written a while ago; one
    // held by its writer; look-alikes of the user's, one of them with a name
    // of the same pattern.
    const QStringList planted = {".stale.mp3.part-Ab12Cd", ".held.mp3.part-Xy34Zw", ".other.mp3.part-1",
                                 "visible.mp3.part-Ab12Cd", ".notes.part-review"};
    for (const QString &name : planted) {
        const QByteArray path = QFile::encodeName(QDir(out).filePath(name));
        TestFiles::write(QFile::decodeName(path), "left over");
        if (name.startsWith(QLatin1String(".stale")) || name.startsWith(QLatin1String(".held"))) {
            QCOMPARE(::setxattr(path.constData(), "user.tunewise.temporary", "1", 1, 0), 0);
            const struct timespec minuteAgo[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
            QCOMPARE(::utimensat(AT_FDCWD, path.constData(), minuteAgo, 0), 0);
        }
    }
    const int held = ::open(QFile::encodeName(QDir(out).filePath(planted.at(1))).constData(), O_RDWR | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);

    // The first stop check comes once the output is being written.
    QStringList whileWriting;
    bool lockedWhileWriting = false;
    auto look = [&] {
        if (whileWriting.isEmpty()) {
            whileWriting = TestFiles::below(out);
            whileWriting.removeAll(QFileInfo(QFile::decodeName(g_raced)).fileName());
            for (const QString &name : whileWriting) {
                if (name.startsWith(QLatin1String(".bursts.mp3.part-")))
                    lockedWhileWriting = lockedElsewhere(QDir(out).filePath(name));
            }
        }
        return false;
    };
    g_race = true;
    const Outcome outcome = convert(input, out, settingsFor(Time, Mp3), Conversion::EncoderThread::Auto, look);
    g_race = false;
    ::close(held);
    QVERIFY(outcome.result.converted());
    // The other writer's file is theirs still.
    QFile raced(QFile::decodeName(g_raced));
    QVERIFY(!g_raced.isEmpty() && raced.open(QIODevice::ReadOnly));
    QCOMPARE(raced.readAll(), QByteArray("theirs"));
    QVERIFY(raced.remove());
    // By then the stale one had gone.
    const QRegularExpression temporary(QStringLiteral("^\\.bursts\\.mp3\\.part-[A-Za-z0-9]{6}$"));
    QCOMPARE(whileWriting.filter(temporary).size(), 1);
    QCOMPARE(whileWriting.size(), 5);
    QVERIFY(!whileWriting.contains(QStringLiteral("bursts.mp3")));
    QVERIFY(lockedWhileWriting);
    QCOMPARE(TestFiles::below(out), (QStringList{".held.mp3.part-Xy34Zw", ".notes.part-review", ".other.mp3.part-1",
                                                 "bursts.mp3", "visible.mp3.part-Ab12Cd"}));
    QCOMPARE(outcome.result.outputPath, QDir(out).filePath(QStringLiteral("bursts.mp3")));
}

void TestConversion::outputNames_data()
{
    QTest::addColumn<QByteArray>("source");   // the file name's bytes
    QTest::addColumn<int>("format");
    // Names there first; a trailing "/" makes a folder, a leading "@" a link
    // to nothing.
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<bool>("skip");
    QTest::addColumn<QByteArray>("output");  // written; "=" followed by the name it skips for
    QTest::addColumn<QString>("message");    // a pattern, where it fails

    const QStringList none;
    QTest::newRow("free") << QByteArray("Song.mp3") << Wav << none << false << QByteArray("Song.wav") << "";
    QTest::newRow("first free number") << QByteArray("Song.mp3") << Wav
                                       << QStringList{"Song.wav", "Song_0.wav", "Song_2.wav"} << false
                                       << QByteArray("Song_1.wav") << "";
    QTest::newRow("base name trimmed") << QByteArray("Live. At Home .m4a") << Flac << none << false
                                       << QByteArray("Live. At Home.flac") << "";
    QTest::newRow("only the last suffix goes") << QByteArray("x.y.z.flac") << Flac << QStringList{"x.y.z.flac"}
                                               << false << QByteArray("x.y.z_0.flac") << "";
    QTest::newRow("link to nothing") << QByteArray("Song.mp3") << Wav << QStringList{"@Song.wav"} << false
                                     << QByteArray("Song_0.wav") << "";
    QTest::newRow("percent signs stay literal") << QByteArray("100%2 live.mp3") << Wav << none << false
                                                << QByteArray("100%2 live.wav") << "";
    // "Exists" means the name without a number is taken by a file.
    QTest::newRow("skip, name taken") << QByteArray("Song.mp3") << Wav << QStringList{"Song.wav"} << true
                                      << QByteArray("=Song.wav") << "";
    QTest::newRow("skip, only a numbered one taken") << QByteArray("Song.mp3") << Wav << QStringList{"Song_0.wav"}
                                                     << true << QByteArray("Song.wav") << "";
    QTest::newRow("skip, a folder of that name") << QByteArray("Song.mp3") << Wav << QStringList{"Song.wav/"} << true
                                                 << QByteArray("Song_0.wav") << "";
    // Names up to the file system's 255 bytes convert: the temporary's name
    // is shortened, never the output's.
    const QByteArray stem250(250, 'x');
    QTest::newRow("255 bytes") << stem250 + ".flac" << Wav << none << false << stem250 + ".wav" << "";
    QTest::newRow("no room for a number")
        << stem250 + ".flac" << Wav << QStringList{QString::fromLatin1(stem250 + ".wav")} << false << QByteArray()
        << "^“x{250}\\.wav” exists, and the next free name, “x{250}_0\\.wav”, is too long: 256 bytes, of the "
           "255 a name may have here\\.$";
    QTest::newRow("no room for the extension")
        << QByteArray(251, 'y') + ".wav" << Flac << none << false << QByteArray()
        << "^The output name “y{251}\\.flac” is too long: 256 bytes, of the 255 a name may have here\\.$";
}

// An output never takes the name of anything there, and the folder gains
// the output alone; with "skip", a file whose output exists is left, and
// the result names that output; a name with no room fails in words.
void TestConversion::outputNames()
{
    QFETCH(QByteArray, source);
    QFETCH(int, format);
    QFETCH(QStringList, existing);
    QFETCH(bool, skip);
    QFETCH(QByteArray, output);
    QFETCH(QString, message);

    const QString plain = m_dir.filePath(QStringLiteral("plain.flac"));
    if (!QFileInfo::exists(plain))
        QCOMPARE(AudioFiles::write(plain, TestSignals::sine(440.0, 0.5)), QString());
    QTemporaryDir folder(m_dir.filePath(QStringLiteral("a%1b-XXXXXX")));
    const QString input = folder.filePath(QFile::decodeName(source));
    QVERIFY(QFile::copy(plain, input));
    const QString out = folder.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    for (const QString &name : existing) {
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir(out).mkpath(name));
        } else if (name.startsWith(QLatin1Char('@'))) {
            QVERIFY(QFile::link(folder.filePath(QStringLiteral("gone")), QDir(out).filePath(name.mid(1))));
        } else {
            TestFiles::write(QDir(out).filePath(name));
        }
    }
    const QStringList before = QDir(out).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    ConversionSettings settings = settingsFor(Time, format);
    settings.skipExisting = skip;
    const ConversionResult result = convert(input, out, settings).result;
    const QStringList after = QDir(out).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    if (output.isEmpty() || output.startsWith('=')) {
        QCOMPARE(result.status, output.isEmpty() ? ConversionResult::Failed : ConversionResult::Skipped);
        QVERIFY2(QRegularExpression(message).match(result.message).hasMatch(), qPrintable(result.message));
        QCOMPARE(after, before);
        if (!output.isEmpty())
            QCOMPARE(result.outputPath, QDir(out).filePath(QFile::decodeName(output.mid(1))));
        return;
    }
    QVERIFY2(result.converted(), qPrintable(result.message));
    QCOMPARE(QFile::encodeName(result.outputPath), QFile::encodeName(out) + '/' + output);
    QStringList expected = QStringList(before) << QFile::decodeName(output);
    expected.sort();
    QCOMPARE(after, expected);
    QVERIFY(std::llabs(AudioFiles::decode(result.outputPath).frames() - 22050) <= 1);
}

void TestConversion::clippedMasterStaysUnderFullScale_data()
{
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("encoderThread");
    // The decoded peak is measured from the packets beside an encoder
    // thread, from the file without one; the m4a encoder overshoots most.
    QTest::newRow("SoundTouch, mp3, one thread") << Time << Mp3 << false;
    QTest::newRow("SoundTouch, m4a, encoder thread") << Time << M4a << true;
    QTest::newRow("RubberBand, m4a, one thread") << Frequency << M4a << false;
}

// A master driven 12 dB into a clipper, retuned into a lossy format: what a
// player decodes stays under full scale, though the encoder's own error
// reaches above the limiter's ceiling.
void TestConversion::clippedMasterStaysUnderFullScale()
{
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(bool, encoderThread);
    const QString input = m_dir.filePath(QStringLiteral("clipped.wav"));
    if (!QFileInfo::exists(input)) {
        AudioBuffer master = TestSignals::tunedMusic(440.0, 8.0, 44100, 2, false, true);
        const float peak = AudioAnalysis::peak(master.samples);
        for (float &sample : master.samples)
            sample = std::clamp(sample * 4.0f / peak, -1.0f, 1.0f);
        QCOMPARE(AudioFiles::write(input, master), QString());
    }
    const Outcome outcome = convert(input, freshFolder(), settingsFor(algorithm, format),
                                    encoderThread ? Conversion::EncoderThread::Always : Conversion::EncoderThread::Never);
    QVERIFY(outcome.result.converted());
    const float decoded = AudioAnalysis::peak(AudioFiles::decode(outcome.result.outputPath).samples);
    QVERIFY2(20.0 * std::log10(decoded) <= -0.1, qPrintable(QString::number(20.0 * std::log10(decoded))));
}

void TestConversion::failures_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");  // a pattern

    QTest::newRow("missing file") << "missing" << "^Cannot open “nothing-here\\.mp3”: No such file or directory\\.$";
    QTest::newRow("text named .mp3") << "text"
                                     << "^Cannot open “notes\\.mp3”: it is not an audio or video file that can be "
                                        "read \\(.+\\)\\.$";
    QTest::newRow("video without audio") << "silent film" << "^“silent\\.mp4” contains no audio\\.$";
    QTest::newRow("folder cannot be made") << "file in the way"
                                           << "^Cannot create the folder “.*/blocker/sub”: Not a directory\\.$";
    QTest::newRow("file cannot be written") << "proc" << "^Cannot create “/proc/bursts\\.wav”: .+\\.$";
    // (Here: the process may not write files larger than 64 KiB.)
    QTest::newRow("write fails on the encoder thread") << "too large" << "File too large";
    QTest::newRow("unknown algorithm") << "algorithm" << "^Unknown pitch-shifting algorithm: 7\\.$";
    QTest::newRow("unknown format") << "format" << "^Unknown output format: 9\\.$";
    QTest::newRow("invalid frequency") << "frequency" << "^Concert pitch out of range: source 0 Hz, target 432 Hz "
                                                       "\\(A4 may lie from 50 to 2000 Hz, at most 24 semitones "
                                                       "from the source's\\)\\.$";
    QTest::newRow("subtitles no container of flac takes")
        << "subtitles" << "^“subtitled\\.mp4”: its subtitle stream \\(mov_text\\) cannot be copied into a mkv file\\.$";
    QTest::newRow("damaged sample rate") << "rate"
                                         << "^“rate\\.wav”: its audio claims a sample rate of 2000000000 Hz, "
                                            "which no sound has\\.$";
}

// Every failure says what went wrong, in words, and leaves nothing behind.
void TestConversion::failures()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);

    QString input = source(QStringLiteral("wav"));
    QString target = freshFolder();
    ConversionSettings settings = settingsFor(Time, Wav);
    QString leftover;  // a path that must not exist afterwards
    if (situation == QLatin1String("missing")) {
        input = m_dir.filePath(QStringLiteral("nothing-here.mp3"));
    } else if (situation == QLatin1String("text")) {
        input = TestFiles::write(m_dir.filePath(QStringLiteral("notes.mp3")), "Not the sounds you are looking for.\n");
    } else if (situation == QLatin1String("silent film")) {
        input = m_dir.filePath(QStringLiteral("silent.mp4"));
        AudioFiles::WriteOptions options;
        options.withVideo = true;
        options.withoutAudio = true;
        QCOMPARE(AudioFiles::write(input, AudioBuffer{}, options), QString());
    } else if (situation == QLatin1String("file in the way")) {
        leftover = TestFiles::write(QDir(target).filePath(QStringLiteral("blocker"))) + QStringLiteral("/sub");
        target = leftover;
    } else if (situation == QLatin1String("proc")) {
        target = QStringLiteral("/proc");
        leftover = QStringLiteral("/proc/bursts.wav");
    } else if (situation == QLatin1String("subtitles")) {
        input = source(QStringLiteral("mp4 with timed text"));
        settings.audioFormat = Flac;
        settings.keepVideo = true;
    } else if (situation == QLatin1String("algorithm")) {
        settings.algorithm = 7;
    } else if (situation == QLatin1String("format")) {
        settings.audioFormat = 9;
    } else if (situation == QLatin1String("frequency")) {
        settings.sourceFrequency = 0.0;
    } else if (situation == QLatin1String("rate")) {
        // The wave header's rate field, as a damaged one might read.
        QFile original(input);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray bytes = original.readAll();
        const quint32 rate = qToLittleEndian<quint32>(2000000000);
        bytes.replace(24, 4, reinterpret_cast<const char *>(&rate), 4);
        input = TestFiles::write(m_dir.filePath(QStringLiteral("rate.wav")), bytes);
    }

    const QStringList before = QFileInfo(target).isDir() ? TestFiles::below(target) : QStringList();
    const ConversionResult result =
        situation == QLatin1String("too large")
            ? TestFiles::withFileSizeLimit(64 * 1024, [&] { return convert(input, target, settings, Conversion::EncoderThread::Always).result; })
            : convert(input, target, settings).result;
    QCOMPARE(result.status, ConversionResult::Failed);
    QVERIFY2(QRegularExpression(message).match(result.message).hasMatch(), qPrintable(result.message));
    // (/proc's own entries come and go with the processes.)
    if (QFileInfo(target).isDir() && situation != QLatin1String("proc"))
        QCOMPARE(TestFiles::below(target), before);
    if (!leftover.isEmpty())
        QVERIFY(!QFileInfo::exists(leftover));
}

// Song.mp3 and Song.wav from one folder, converted at the same time into
// one folder as mp3 where a Song.mp3 is: both complete, neither overwrites
// the other nor what was there before.
void TestConversion::parallelConversionsNeverOverwrite()
{
    const QString in = m_dir.filePath(QStringLiteral("songs"));
    const AudioBuffer song = TestSignals::burstsOverTone(440.0, 2.0);
    const QString sources[2] = {in + QStringLiteral("/Song.mp3"), in + QStringLiteral("/Song.wav")};
    for (const QString &path : sources)
        QCOMPARE(AudioFiles::write(path, song), QString());

    const QString out = freshFolder();
    const QString existing = out + QStringLiteral("/Song.mp3");
    QVERIFY(QFile::copy(sources[0], existing));
    bool results[2] = {false, false};
    std::unique_ptr<QThread> threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i].reset(QThread::create(
            [&, i] { results[i] = convert(sources[i], out, settingsFor(Frequency, Mp3)).result.converted(); }));
    }
    threads[0]->start();
    threads[1]->start();
    QVERIFY(threads[0]->wait(120000) && threads[1]->wait(120000));
    QVERIFY(results[0] && results[1]);

    QCOMPARE(TestFiles::below(out), (QStringList{"Song.mp3", "Song_0.mp3", "Song_1.mp3"}));
    QCOMPARE(fileHash(existing), fileHash(sources[0]));
    for (const char *name : {"Song_0.mp3", "Song_1.mp3"}) {
        const AudioBuffer output = AudioFiles::decode(QDir(out).filePath(QLatin1String(name)));
        QVERIFY2(std::llabs(output.frames() - song.frames()) <= 1152, name);
    }
}

// Encoding on a thread of its own writes the very same bytes.
void TestConversion::encoderThreadGivesTheSameFile()
{
    const QString input = source(QStringLiteral("wav"));
    for (const int format : {Mp3, Wav, Flac, M4a}) {
        const ConversionSettings settings = settingsFor(Time, format);
        const Outcome alone = convert(input, freshFolder(), settings, Conversion::EncoderThread::Never);
        const Outcome threaded = convert(input, freshFolder(), settings, Conversion::EncoderThread::Always);
        QVERIFY(alone.result.converted() && threaded.result.converted());
        QVERIFY2(fileHash(threaded.result.outputPath) == fileHash(alone.result.outputPath), qPrintable(alone.result.outputPath));
    }
}

// A stop request ends the run promptly, as stopped, with no output.
void TestConversion::stopRequests()
{
    const QString input = m_dir.filePath(QStringLiteral("long.wav"));
    QCOMPARE(AudioFiles::write(input, TestSignals::toneBursts(440.0, 60.0)), QString());
    const ConversionSettings settings = settingsFor(Frequency, Mp3);

    // Set before the run: nothing is written at all.
    const QString untouched = freshFolder();
    QCOMPARE(convert(input, untouched, settings, Conversion::EncoderThread::Auto, [] { return true; }).result.status,
             ConversionResult::Stopped);
    QCOMPARE(TestFiles::below(untouched), QStringList());

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
        stop = true;
        QVERIFY(worker->wait(10000));
        QCOMPARE(result.status, ConversionResult::Stopped);
        QCOMPARE(TestFiles::below(out), QStringList());
    }
}

void TestConversion::videoStaysVideo_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("output");
    // Frequency based, whose alignment is exact, shows the timing of the
    // containers to the millisecond.
    const QString film = QStringLiteral("mp4 with video");
    QTest::newRow("mp4, AAC") << film << Frequency << M4a << "film.mp4";
    QTest::newRow("mp4, mp3, time based") << film << Time << Mp3 << "film.mp4";
    QTest::newRow("mp4, flac goes into mkv") << film << Frequency << Flac << "film.mkv";
    QTest::newRow("mkv, two audio streams, subtitles")
        << "mkv with two audio streams, subtitles, chapters" << Frequency << M4a << "talk.mkv";
    QTest::newRow("avi, mp3 goes into mkv") << "avi with mp3" << Frequency << Mp3 << "film.mkv";
    QTest::newRow("mp4, Apple Lossless") << film << Frequency << Alac << "film.mp4";
    QTest::newRow("mp4, opus goes into mkv") << film << Frequency << Opus << "film.mkv";
    QTest::newRow("mp4, ogg goes into mkv") << film << Frequency << Ogg << "film.mkv";
}

// Picture and subtitles byte for byte with their timestamps; every audio
// stream at the target pitch, as long as before, and its first burst at the
// same moment of the film; chapters and tags kept, the tuning noted.
void TestConversion::videoStaysVideo()
{
    QFETCH(QString, kind);
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(QString, output);

    const QString input = source(kind);
    ConversionSettings settings = settingsFor(algorithm, format);
    settings.keepVideo = true;
    const ConversionResult result = convert(input, freshFolder(), settings).result;
    QVERIFY2(result.converted(), qPrintable(result.message));
    QCOMPARE(QFileInfo(result.outputPath).fileName(), output);

    // Where the audio's encoder delay would begin before zero, a container
    // without edit lists (Matroska) moves every stream alike.
    const auto sourceVideo = AudioFiles::packets(input, AVMEDIA_TYPE_VIDEO);
    QVERIFY(!sourceVideo.isEmpty());
    const long long shift = AudioFiles::packets(result.outputPath, AVMEDIA_TYPE_VIDEO).first().first
                            - sourceVideo.first().first;
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_SUBTITLE}) {
        auto copied = AudioFiles::packets(result.outputPath, type);
        for (auto &packet : copied)
            packet.first -= shift;
        QCOMPARE(copied, AudioFiles::packets(input, type));
    }
    const AudioFiles::Description before = AudioFiles::describe(input);
    const AudioFiles::Description after = AudioFiles::describe(result.outputPath);
    QCOMPARE(after.streams, before.streams);
    QCOMPARE(after.chapters, before.chapters);
    QCOMPARE(after.tags.value(QStringLiteral("title")), QStringLiteral("Konzertfilm"));
    QVERIFY(after.tags.value(QStringLiteral("TUNING")).startsWith(QLatin1String("A4 = 432 Hz"))
            || after.tags.value(QStringLiteral("comment")).startsWith(QLatin1String("A4 = 432 Hz")));

    const int audioStreams = kind.startsWith(QLatin1String("mkv")) ? 2 : 1;
    for (int k = 0; k < audioStreams; ++k) {
        const AudioBuffer original = AudioFiles::decode(input, nullptr, k);
        const AudioBuffer retuned = AudioFiles::decode(result.outputPath, nullptr, k);
        const double pitch = AudioAnalysis::pitch(retuned, 1.0, 3.0);
        QVERIFY2(std::abs(pitch - 432.0) <= 0.05, qPrintable(QString::number(pitch, 'f', 3)));
        QVERIFY2(std::abs(retuned.seconds() - original.seconds()) <= 0.03,
                 qPrintable(QStringLiteral("%1 s, the source %2 s").arg(retuned.seconds()).arg(original.seconds())));
        const double lag = firstBurst(retuned) - shift / 1000.0 - firstBurst(original);
        QVERIFY2(std::abs(lag) <= alignmentTolerance(algorithm), qPrintable(QStringLiteral("%1 ms").arg(lag * 1000.0)));
    }
}

QTEST_GUILESS_MAIN(TestConversion)
#include "tst_conversion.moc"
