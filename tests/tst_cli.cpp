// tunewise-cli run as a process, as a script would run it.
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderTreeIsMirrored();
    void exitStatus_data();
    void exitStatus();
    void targetChoiceAndUntouchedSettings();
    void keepVideoOptionAndSetting();
    void interruptLeavesNothing();

private:
    // Runs the converter with a home of its own; returns the exit code.
    int run(const QStringList &arguments, QByteArray *errors = nullptr, int timeoutMs = 120000);
    QString song(const QString &relativePath, double seconds = 1.0);
    // The converter as a process, with a home of its own.
    void prepare(QProcess &process) const;

    QTemporaryDir m_dir;
    QString m_home;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_home = m_dir.filePath(QStringLiteral("home"));
    QDir().mkpath(m_home);
}

void TestCli::prepare(QProcess &process) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir.path());
    process.setProgram(QStringLiteral(TUNEWISE_CLI));
}

int TestCli::run(const QStringList &arguments, QByteArray *errors, int timeoutMs)
{
    QProcess process;
    prepare(process);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForFinished(timeoutMs))
        return -1;
    if (errors)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString TestCli::song(const QString &relativePath, double seconds)
{
    const QString path = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    if (!QFileInfo::exists(path))
        AudioFiles::write(path, TestSignals::sine(440.0, seconds));
    return path;
}

void TestCli::folderTreeIsMirrored()
{
    song(QStringLiteral("Music/x.wav"));
    song(QStringLiteral("Music/A/y.flac"));
    QFile text(m_dir.filePath(QStringLiteral("Music/A/B/z.txt")));
    QDir().mkpath(QFileInfo(text).path());
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    const QString single = song(QStringLiteral("single.wav"));

    QCOMPARE(run({QStringLiteral("Music"), single, QStringLiteral("-o"), QStringLiteral("out"), QStringLiteral("--format"),
                  QStringLiteral("flac"), QStringLiteral("--jobs"), QStringLiteral("2")}),
             0);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("out"))),
             (QStringList{"A/y.flac", "single.flac", "x.flac"}));
    const AudioBuffer retuned = AudioFiles::decode(m_dir.filePath(QStringLiteral("out/A/y.flac")));
    QVERIFY(std::abs(AudioAnalysis::pitch(retuned, 0.2, 0.8) - 432.0) <= 0.05);
    QCOMPARE(retuned.frames(), 44100LL);
}

void TestCli::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("message");

    QTest::newRow("all converted") << QStringList{"good1.wav", "good2.wav", "-o", "status-out"} << 0
                                   << QStringList{"good1.mp3", "good2.mp3"} << "";
    QTest::newRow("one corrupt") << QStringList{"good1.wav", "corrupt.mp3", "good2.wav", "-o", "status-out"} << 1
                                 << QStringList{"good1.mp3", "good2.mp3"} << "corrupt.mp3: Cannot open “corrupt.mp3”";
    QTest::newRow("damage in a source") << QStringList{"damaged.flac", "-o", "status-out"} << 0
                                        << QStringList{"damaged.mp3"} << "warning: 3 damaged frames";
    QTest::newRow("damage in a source, strict") << QStringList{"damaged.flac", "-o", "status-out", "--strict"} << 1
                                                << QStringList{"damaged.mp3"} << "warning: 3 damaged frames";
    QTest::newRow("unknown option") << QStringList{"good1.wav", "-o", "status-out", "--loud"} << 2 << QStringList()
                                    << "Unknown option 'loud'";
    QTest::newRow("no output folder") << QStringList{"good1.wav"} << 2 << QStringList() << "no output folder";
    QTest::newRow("missing input") << QStringList{"good1.wav", "gone.wav", "-o", "status-out"} << 2
                                   << QStringList() << "'gone.wav' does not exist";
    QTest::newRow("bit rate not offered") << QStringList{"good1.wav", "-o", "status-out", "--bitrate", "300"} << 2
                                          << QStringList() << "--bitrate";
    QTest::newRow("unknown format") << QStringList{"good1.wav", "-o", "status-out", "--format", "ogg"} << 2
                                    << QStringList() << "--format";
}

void TestCli::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, outputs);
    QFETCH(QString, message);

    song(QStringLiteral("good1.wav"));
    song(QStringLiteral("good2.wav"));
    QFile corrupt(m_dir.filePath(QStringLiteral("corrupt.mp3")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray(4096, 'x'));
    corrupt.close();
    // Three damaged frames in the middle.
    const QString damaged = song(QStringLiteral("damaged.flac"), 20.0);
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    for (qint64 at : {size / 3, size / 2, 2 * size / 3}) {
        file.seek(at);
        file.write(QByteArray(300, '\x5a'));
    }
    file.close();
    QDir(m_dir.filePath(QStringLiteral("status-out"))).removeRecursively();

    QByteArray errors;
    QCOMPARE(run(arguments, &errors), status);
    QVERIFY2(errors.contains(message.toUtf8()), errors.constData());
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("status-out"))), outputs);
}

// 528 names the "528 Hz (C5)" choice, whose A4 is 444 Hz; the user's saved
// settings are not touched by a run.
void TestCli::targetChoiceAndUntouchedSettings()
{
    const QString store = m_home + QStringLiteral("/.config/com.tunewise.tunewise/Tunewise.conf");
    QDir().mkpath(QFileInfo(store).path());
    {
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\naudioFormat=2\ntargetFrequency=432\nsourceFrequency=440\n");
    }
    const QByteArray before = [&] {
        QFile file(store);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();

    song(QStringLiteral("tone.wav"), 2.0);
    QCOMPARE(run({QStringLiteral("tone.wav"), QStringLiteral("-o"), QStringLiteral("target-out"),
                  QStringLiteral("--target"), QStringLiteral("528"), QStringLiteral("--format"),
                  QStringLiteral("wav"), QStringLiteral("--algorithm"), QStringLiteral("frequency")}),
             0);
    const AudioBuffer output = AudioFiles::decode(m_dir.filePath(QStringLiteral("target-out/tone.wav")));
    QVERIFY(std::abs(AudioAnalysis::pitch(output, 0.5, 1.5) - 444.0) <= 0.05);

    QFile file(store);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);

    // Without options the saved settings rule: flac.
    QCOMPARE(run({QStringLiteral("tone.wav"), QStringLiteral("-o"), QStringLiteral("saved-out")}), 0);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("saved-out"))), QStringList{"tone.flac"});
}

// --keep-video, or the saved setting, keeps the picture; without either a
// film gives its retuned audio.
void TestCli::keepVideoOptionAndSetting()
{
    const QString film = m_dir.filePath(QStringLiteral("film.mp4"));
    AudioFiles::WriteOptions options;
    options.withVideo = true;
    QCOMPARE(AudioFiles::write(film, TestSignals::sine(440.0, 1.0), options), QString());
    const QStringList common = {film, QStringLiteral("--format"), QStringLiteral("m4a"), QStringLiteral("-o")};
    QCOMPARE(run(common + QStringList{QStringLiteral("video-out"), QStringLiteral("--keep-video")}), 0);
    QCOMPARE(run(common + QStringList{QStringLiteral("audio-out")}), 0);
    const QString store = m_home + QStringLiteral("/.config/com.tunewise.tunewise/Tunewise.conf");
    QDir().mkpath(QFileInfo(store).path());
    {
        QFile file(store);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nkeepVideo=true\n");
    }
    QCOMPARE(run(common + QStringList{QStringLiteral("saved-video-out")}), 0);
    QFile::remove(store);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("video-out"))), QStringList{"film.mp4"});
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("audio-out"))), QStringList{"film.m4a"});
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("saved-video-out"))), QStringList{"film.mp4"});
    QCOMPARE(AudioFiles::packets(m_dir.filePath(QStringLiteral("video-out/film.mp4")), AVMEDIA_TYPE_VIDEO).size(),
             AudioFiles::packets(film, AVMEDIA_TYPE_VIDEO).size());
}

void TestCli::interruptLeavesNothing()
{
    song(QStringLiteral("long.wav"), 240.0);
    const QString out = m_dir.filePath(QStringLiteral("interrupt-out"));
    QProcess process;
    prepare(process);
    process.setArguments({QStringLiteral("long.wav"), QStringLiteral("long.wav"), QStringLiteral("-o"), out,
                   QStringLiteral("--algorithm"), QStringLiteral("frequency"), QStringLiteral("--format"),
                          QStringLiteral("mp3"), QStringLiteral("--jobs"), QStringLiteral("2")});
    process.start();
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::below(out).size(), 2, 30000);  // both are writing
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    QCOMPARE(TestFiles::below(out), QStringList());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
