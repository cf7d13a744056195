// Videos kept as videos: the picture and the subtitles copied packet for
// packet, every audio stream retuned and in time with the picture.
#include "engine/Conversion.h"
#include "support/Alignment.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QDir>
#include <QtTest>

#include <atomic>
#include <cmath>

namespace {

ConversionSettings keepingVideo(int algorithm, int format)
{
    ConversionSettings settings;
    settings.algorithm = AppConstants::Algorithm(algorithm);
    settings.audioFormat = AppConstants::AudioFormat(format);
    settings.keepVideo = true;
    return settings;
}

// Where the first burst of the bursts-over-tone signal lies in a file's
// audio stream, on the file's timeline, in seconds.
double firstBurst(const AudioBuffer &audio)
{
    const AudioBuffer reference = TestSignals::burstsOverTone(440.0, 4.0, audio.sampleRate, audio.channels);
    return audio.startSeconds + AudioAnalysis::lagFrames(reference, audio) / audio.sampleRate;
}

// The packets' timestamps (ms) and digests, apart.
struct Packets
{
    QList<long long> times;
    QStringList digests;
};

Packets packetsOf(const QString &path, AVMediaType type)
{
    Packets packets;
    for (const QString &line : AudioFiles::packets(path, type)) {
        packets.times << line.section(QLatin1Char(' '), 0, 0).toLongLong();
        packets.digests << line.section(QLatin1Char(' '), 2);
    }
    return packets;
}

} // namespace

class TestVideo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void videoStaysVideo_data();
    void videoStaysVideo();
    void withoutPictureNothingChanges();
    void nothingLeftBehind();

private:
    QString source(const QString &name);
    QString freshFolder();

    QTemporaryDir m_dir;
    int m_folders = 0;
};

void TestVideo::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestVideo::freshFolder()
{
    const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(++m_folders));
    QDir().mkpath(folder);
    return folder;
}

// A film.mp4 with AAC, a talk.mkv with two audio streams, subtitles and
// chapters, a clip.avi with mp3, a song.wav without picture, and a
// subtitled.mp4 whose timed text only mp4 holds.
QString TestVideo::source(const QString &name)
{
    const QString path = m_dir.filePath(name);
    if (QFileInfo::exists(path))
        return path;
    AudioFiles::WriteOptions options;
    options.withVideo = !name.endsWith(QLatin1String(".wav"));
    options.tags = {{QStringLiteral("title"), QStringLiteral("Konzertfilm")}};
    if (name == QLatin1String("talk.mkv")) {
        options.codec = AV_CODEC_ID_AAC;
        options.audioStreams = 2;
        options.withSubtitles = true;
        options.chapters = 2;
    } else if (name == QLatin1String("clip.avi")) {
        options.codec = AV_CODEC_ID_MP3;
    } else if (name == QLatin1String("subtitled.mp4")) {
        options.withSubtitles = true;
    }
    const QString error = AudioFiles::write(path, TestSignals::burstsOverTone(440.0, 4.0), options);
    if (!error.isEmpty())
        qWarning() << "Cannot write" << path << error;
    return path;
}

void TestVideo::videoStaysVideo_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("algorithm");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("output");
    // Frequency based, whose alignment is exact, shows the timing of the
    // containers to the millisecond.
    const int frequency = AppConstants::A_Frequency;
    QTest::newRow("mp4, AAC") << "film.mp4" << frequency << int(AppConstants::F_M4a) << "film.mp4";
    QTest::newRow("mp4, mp3, time based") << "film.mp4" << int(AppConstants::A_Time) << int(AppConstants::F_Mp3)
                                            << "film.mp4";
    QTest::newRow("mp4, flac goes into mkv") << "film.mp4" << frequency << int(AppConstants::F_Flac) << "film.mkv";
    QTest::newRow("mkv, two audio streams, subtitles") << "talk.mkv" << frequency << int(AppConstants::F_M4a)
                                                        << "talk.mkv";
    QTest::newRow("avi, mp3 goes into mkv") << "clip.avi" << frequency << int(AppConstants::F_Mp3) << "clip.mkv";
}

// Picture and subtitles byte for byte with their timestamps; every audio
// stream at the target pitch, as long as before, and its first burst at the
// same moment of the film; chapters and tags kept, the tuning noted.
void TestVideo::videoStaysVideo()
{
    QFETCH(QString, name);
    QFETCH(int, algorithm);
    QFETCH(int, format);
    QFETCH(QString, output);

    const QString input = source(name);
    const QString out = freshFolder();
    Conversion conversion({input, out, keepingVideo(algorithm, format)});
    const ConversionResult result = conversion.run();
    QVERIFY2(result.converted(), qPrintable(result.message));
    QCOMPARE(QFileInfo(result.outputPath).fileName(), output);

    // Where the audio's encoder delay would begin before zero, a container
    // without edit lists (Matroska) moves every stream alike.
    const Packets sourceVideo = packetsOf(input, AVMEDIA_TYPE_VIDEO);
    QVERIFY(!sourceVideo.digests.isEmpty());
    const long long shift = packetsOf(result.outputPath, AVMEDIA_TYPE_VIDEO).times.first() - sourceVideo.times.first();
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_SUBTITLE}) {
        const Packets source = packetsOf(input, type);
        const Packets copied = packetsOf(result.outputPath, type);
        QCOMPARE(copied.digests, source.digests);
        for (int i = 0; i < source.times.size(); ++i)
            QCOMPARE(copied.times[i] - source.times[i], shift);
    }
    const AudioFiles::Description before = AudioFiles::describe(input);
    const AudioFiles::Description after = AudioFiles::describe(result.outputPath);
    QCOMPARE(after.streams, before.streams);
    QCOMPARE(after.chapters, before.chapters);
    QCOMPARE(after.tags.value(QStringLiteral("title")), QStringLiteral("Konzertfilm"));
    QVERIFY(after.tags.value(QStringLiteral("TUNING")).startsWith(QLatin1String("A4 = 432 Hz"))
            || after.tags.value(QStringLiteral("comment")).startsWith(QLatin1String("A4 = 432 Hz")));

    const int audioStreams = name == QLatin1String("talk.mkv") ? 2 : 1;
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

// A song without a picture is converted as always; a film whose subtitles
// no container we write with flac can hold fails, and says why.
void TestVideo::withoutPictureNothingChanges()
{
    const QString out = freshFolder();
    Conversion song({source(QStringLiteral("song.wav")), out, keepingVideo(AppConstants::A_Time, AppConstants::F_Mp3)});
    const ConversionResult converted = song.run();
    QVERIFY(converted.converted());
    QCOMPARE(QFileInfo(converted.outputPath).fileName(), QStringLiteral("song.mp3"));

    Conversion subtitled({source(QStringLiteral("subtitled.mp4")), out,
                          keepingVideo(AppConstants::A_Time, AppConstants::F_Flac)});
    const ConversionResult refused = subtitled.run();
    QCOMPARE(refused.status, ConversionResult::Failed);
    QCOMPARE(refused.message,
             QStringLiteral("“subtitled.mp4”: its subtitle stream (mov_text) cannot be copied into a mkv file."));
    QCOMPARE(TestFiles::below(out), QStringList{"song.mp3"});
}

// A stop and a failure in the middle leave no file; an existing film is not
// touched.
void TestVideo::nothingLeftBehind()
{
    const QString input = source(QStringLiteral("film.mp4"));
    const QString out = freshFolder();
    QVERIFY(QFile::copy(input, out + QStringLiteral("/film.mp4")));

    std::atomic<int> reports{0};
    Conversion stopped({input, out, keepingVideo(AppConstants::A_Frequency, AppConstants::F_M4a)});
    stopped.setProgressCallback([&](double) { ++reports; });
    stopped.setStopCheck([&] { return reports.load() >= 10; });
    QCOMPARE(stopped.run().status, ConversionResult::Stopped);

    Conversion failing({input, out, keepingVideo(AppConstants::A_Time, AppConstants::F_M4a)});
    const ConversionResult failed = TestFiles::withFileSizeLimit(32 * 1024, [&] { return failing.run(); });
    QCOMPARE(failed.status, ConversionResult::Failed);
    QVERIFY2(failed.message.toString().contains(QLatin1String("File too large")), qPrintable(failed.message));

    QCOMPARE(TestFiles::below(out), QStringList{"film.mp4"});
    QCOMPARE(AudioFiles::packets(out + QStringLiteral("/film.mp4"), AVMEDIA_TYPE_AUDIO),
             AudioFiles::packets(input, AVMEDIA_TYPE_AUDIO));
}

QTEST_GUILESS_MAIN(TestVideo)
#include "tst_video.moc"
