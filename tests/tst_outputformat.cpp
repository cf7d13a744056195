#include "AppConstants.h"
#include "FFmpegPointers.h"
#include "OutputFormat.h"
#include "ProcessingJob.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestOutputFormat : public QObject
{
    Q_OBJECT

private slots:
    void targetFilePath_data();
    void targetFilePath();
    void formatTable_data();
    void formatTable();
    void unknownFormats();
    void encoderParameters_data();
    void encoderParameters();

private:
    QTemporaryDir m_dir;
};

void TestOutputFormat::targetFilePath_data()
{
    QTest::addColumn<QString>("directory");   // relative to a fresh folder; "~" is that folder
    QTest::addColumn<QString>("source");      // source file name, base name taken as the job does
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QStringList>("existing");  // names made first; a trailing "/" makes a folder
    QTest::addColumn<QString>("expected");

    QTest::newRow("no separator") << "~/out" << "Song.mp3" << "flac" << QStringList() << "~/out/Song.flac";
    QTest::newRow("existing file gives _0")
        << "~/out" << "Song.mp3" << "flac" << QStringList{"out/Song.flac"} << "~/out/Song_0.flac";
    QTest::newRow("then _1")
        << "~/out" << "Song.mp3" << "flac" << QStringList{"out/Song.flac", "out/Song_0.flac"} << "~/out/Song_1.flac";
    QTest::newRow("first free number")
        << "~/out" << "Song.mp3" << "flac" << QStringList{"out/Song.flac", "out/Song_0.flac", "out/Song_2.flac"}
        << "~/out/Song_1.flac";
    QTest::newRow("trailing slash") << "~/out/" << "Song.mp3" << "mp3" << QStringList() << "~/out/Song.mp3";
    QTest::newRow("trailing backslash") << "~/out\\" << "Song.mp3" << "mp3" << QStringList() << "~/out\\Song.mp3";
    QTest::newRow("base name trimmed") << "~/out" << "Live. At Home .m4a" << "mp3" << QStringList()
                                       << "~/out/Live. At Home.mp3";
    QTest::newRow("leading blanks trimmed") << "~/out" << "  Intro.wav" << "wav" << QStringList() << "~/out/Intro.wav";
    QTest::newRow("only the last suffix goes") << "~/out" << "x.y.z.flac" << "mp3" << QStringList()
                                               << "~/out/x.y.z.mp3";
    QTest::newRow("own folder, own format") << "~/in" << "x.y.z.flac" << "flac" << QStringList{"in/x.y.z.flac"}
                                            << "~/in/x.y.z_0.flac";
    QTest::newRow("folder of that name") << "~/out" << "Song.mp3" << "wav" << QStringList{"out/Song.wav/"}
                                         << "~/out/Song_0.wav";
    QTest::newRow("percent signs stay literal") << "~/a%1b" << "100%2 live.mp3" << "m4a" << QStringList()
                                                << "~/a%1b/100%2 live.m4a";
    QTest::newRow("other extension does not collide") << "~/out" << "Song.mp3" << "m4a" << QStringList{"out/Song.mp3"}
                                                      << "~/out/Song.m4a";
}

void TestOutputFormat::targetFilePath()
{
    QFETCH(QString, directory);
    QFETCH(QString, source);
    QFETCH(QString, extension);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    for (const QString &name : existing) {
        if (name.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir(root.path()).mkpath(name));
        } else {
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(name).path()));
            QFile file(root.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
    const QStringList before = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    directory.replace(QLatin1Char('~'), root.path());
    expected.replace(QLatin1Char('~'), root.path());
    const QString baseName = QFileInfo(QStringLiteral("/data/in/") + source).completeBaseName();
    QCOMPARE(ProcessingJob::targetFilePath(directory, baseName, extension), expected);
    // It only looks: nothing is created.
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestOutputFormat::formatTable_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("codecId");
    QTest::addColumn<QString>("encoder");

    QTest::newRow("mp3") << int(AppConstants::F_Mp3) << "mp3" << int(AV_CODEC_ID_MP3) << "libmp3lame";
    QTest::newRow("wav") << int(AppConstants::F_Wav) << "wav" << int(AV_CODEC_ID_PCM_S16LE) << "pcm_s16le";
    QTest::newRow("flac") << int(AppConstants::F_Flac) << "flac" << int(AV_CODEC_ID_FLAC) << "flac";
    QTest::newRow("m4a") << int(AppConstants::F_M4a) << "m4a" << int(AV_CODEC_ID_AAC) << "aac";
}

void TestOutputFormat::formatTable()
{
    QFETCH(int, format);
    QFETCH(QString, extension);
    QFETCH(int, codecId);
    QFETCH(QString, encoder);

    const OutputFormat *entry = OutputFormat::find(format);
    QVERIFY(entry);
    QCOMPARE(entry->extension(), extension);
    QCOMPARE(int(entry->codecId), codecId);
    const AVCodec *codec = entry->findEncoder();
    QVERIFY(codec);
    QCOMPARE(QString::fromLatin1(codec->name), encoder);
    QVERIFY(av_codec_is_encoder(codec));

    // The extension alone decides the container, and it is the one made for
    // this codec.
    const AVOutputFormat *container = av_guess_format(nullptr, qPrintable(QStringLiteral("out.") + extension), nullptr);
    QVERIFY(container);
    QCOMPARE(container->audio_codec, codec->id);
}

void TestOutputFormat::unknownFormats()
{
    QVERIFY(!OutputFormat::find(-1));
    QVERIFY(!OutputFormat::find(4));
    QVERIFY(!OutputFormat::find(1000));
}

void TestOutputFormat::encoderParameters_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<int>("frameSize");
    QTest::addColumn<int>("effectiveBitRate");  // what the opened encoder reports

    QTest::newRow("mp3") << int(AppConstants::F_Mp3) << 320 << 1152 << 320000;
    QTest::newRow("wav") << int(AppConstants::F_Wav) << 192 << OutputFormat::VariableFrameSize << 1411200;
    QTest::newRow("flac") << int(AppConstants::F_Flac) << 192 << 4608 << 192000;
    QTest::newRow("m4a") << int(AppConstants::F_M4a) << 128 << 1024 << 128000;
}

void TestOutputFormat::encoderParameters()
{
    QFETCH(int, format);
    QFETCH(int, bitrate);
    QFETCH(int, frameSize);
    QFETCH(int, effectiveBitRate);

    const OutputFormat *entry = OutputFormat::find(format);
    QVERIFY(entry);
    const AVCodec *codec = entry->findEncoder();
    const AVOutputFormat *container =
        av_guess_format(nullptr, qPrintable(QStringLiteral("out.") + entry->extension()), nullptr);
    QVERIFY(codec && container);

    ff::CodecContextPtr context(avcodec_alloc_context3(codec));
    OutputFormat::configureEncoder(context.get(), codec, bitrate, container);
    QCOMPARE(context->bit_rate, int64_t(bitrate) * 1000);
    QCOMPARE(avcodec_open2(context.get(), codec, nullptr), 0);

    QCOMPARE(context->sample_rate, 44100);
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, 2);
    QCOMPARE(av_channel_layout_compare(&context->ch_layout, &stereo), 0);
    QCOMPARE(context->sample_fmt, codec->sample_fmts[0]);
    QCOMPARE(context->bit_rate, int64_t(effectiveBitRate));
    QCOMPARE(context->strict_std_compliance, int(FF_COMPLIANCE_EXPERIMENTAL));
    QCOMPARE(context->time_base.num, 1);
    QCOMPARE(context->time_base.den, 44100);
    QCOMPARE(bool(context->flags & AV_CODEC_FLAG_GLOBAL_HEADER), bool(container->flags & AVFMT_GLOBALHEADER));
    QCOMPARE(OutputFormat::exportFrameSize(context.get()), frameSize);
}

QTEST_GUILESS_MAIN(TestOutputFormat)
#include "tst_outputformat.moc"
