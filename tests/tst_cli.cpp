// tunewise-cli run as a process, as a script would run it.
#include "engine/FileNameCodec.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void signalsLeaveNoPartialFiles_data();
    void signalsLeaveNoPartialFiles();
    void skipExistingConvertsWhatIsNew();
    void shardsSplitTheTree();
    void filesFromLists();
    void fullDiskFailsTheFile();
    void statusLineOnATerminal();
    void measureAndDetect();
    void closedPipeAndNoSideEffects();

private:
    // Runs the converter with a home of its own; returns the exit code.
    int run(const QStringList &arguments, QByteArray *errors = nullptr, int timeoutMs = 120000,
            QByteArray *output = nullptr, const QByteArray &input = QByteArray());
    // Runs it with stderr on a terminal; returns what the terminal showed.
    QByteArray runOnTerminal(const QStringList &arguments);
    QString song(const QString &relativePath, double seconds = 1.0);
    // The converter as a process, with a home of its own.
    void prepare(QProcess &process) const;

    QTemporaryDir m_dir;
    QString m_home;
};

void TestCli::initTestCase()
{
    FileNameCodec::install();  // as the program does
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

int TestCli::run(const QStringList &arguments, QByteArray *errors, int timeoutMs, QByteArray *output,
                 const QByteArray &input)
{
    QProcess process;
    prepare(process);
    process.setArguments(arguments);
    process.start();
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs))
        return -1;
    if (errors)
        *errors = process.readAllStandardError();
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray TestCli::runOnTerminal(const QStringList &arguments)
{
    int terminal = -1;
    int side = -1;
    if (::openpty(&terminal, &side, nullptr, nullptr, nullptr) != 0)
        return "no terminal";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, side, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, terminal);
    posix_spawn_file_actions_addclose(&actions, side);
    QList<QByteArray> argumentBytes{QByteArrayLiteral(TUNEWISE_CLI)};
    for (const QString &argument : arguments)
        argumentBytes << QFile::encodeName(argument);
    QList<QByteArray> environmentBytes;
    QProcess process;
    prepare(process);
    for (const QString &variable : process.processEnvironment().toStringList())
        environmentBytes << variable.toLocal8Bit();
    std::vector<char *> argv;
    std::vector<char *> envp;
    for (QByteArray &a : argumentBytes)
        argv.push_back(a.data());
    for (QByteArray &e : environmentBytes)
        envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, TUNEWISE_CLI, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(side);
    QByteArray shown;
    char buffer[4096];
    while (spawned == 0) {
        const ssize_t n = ::read(terminal, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // EIO once the program has closed its side
        shown.append(buffer, int(n));
    }
    ::close(terminal);
    int status = 0;
    if (spawned == 0)
        ::waitpid(pid, &status, 0);
    return shown;
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
    // The range of A4, and a shift of at most two octaves.
    const QStringList tone{"good1.wav", "-o", "status-out"};
    QTest::newRow("target far too high") << tone + QStringList{"--target", "1e308"} << 2 << QStringList()
                                         << "--target wants A4 in Hz, from 50 to 2000, not '1e308'";
    QTest::newRow("target infinite") << tone + QStringList{"--target", "inf"} << 2 << QStringList() << "from 50 to 2000";
    QTest::newRow("target not a number") << tone + QStringList{"--target", "nan"} << 2 << QStringList() << "from 50 to 2000";
    QTest::newRow("source too low") << tone + QStringList{"--source", "49.9"} << 2 << QStringList() << "--source wants";
    QTest::newRow("shift over two octaves") << tone + QStringList{"--source", "100", "--target", "2000"} << 2
                                            << QStringList() << "51.9 semitones from the sources' 100 Hz; at most 24";
    QTest::newRow("no such shard") << QStringList{"good1.wav", "-o", "status-out", "--shard", "4/3"} << 2
                                   << QStringList() << "--shard wants K/N with 1 <= K <= N, not '4/3'";
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

void TestCli::signalsLeaveNoPartialFiles_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("status");  // -1: killed
    QTest::newRow("SIGINT") << int(SIGINT) << 130;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    QTest::newRow("SIGHUP") << int(SIGHUP) << 129;
    QTest::newRow("SIGKILL") << int(SIGKILL) << -1;
}

// The catchable signals stop the conversions, which remove their files. A
// killed process leaves hidden temporaries only, never a file under a
// final name; the next run into the folder removes them.
void TestCli::signalsLeaveNoPartialFiles()
{
    QFETCH(int, signal);
    QFETCH(int, status);

    song(QStringLiteral("long.wav"), 240.0);
    const QString out = m_dir.filePath(QStringLiteral("signal-out"));
    QDir(out).removeRecursively();
    QProcess process;
    prepare(process);
    process.setArguments({QStringLiteral("long.wav"), QStringLiteral("long.wav"), QStringLiteral("-o"), out,
                          QStringLiteral("--algorithm"), QStringLiteral("frequency"), QStringLiteral("--format"),
                          QStringLiteral("mp3"), QStringLiteral("--jobs"), QStringLiteral("2")});
    process.start();
    QVERIFY(process.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(TestFiles::below(out).size(), 2, 30000);  // both are writing
    ::kill(pid_t(process.processId()), signal);
    QVERIFY(process.waitForFinished(30000));
    if (status >= 0) {
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);
        QCOMPARE(TestFiles::below(out), QStringList());
        return;
    }
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    const QStringList left = TestFiles::below(out);
    QCOMPARE(left.filter(QRegularExpression(QStringLiteral("^\\.long\\.mp3\\.part-"))).size(), 2);
    QCOMPARE(run({song(QStringLiteral("short.wav")), QStringLiteral("-o"), out, QStringLiteral("--format"),
                  QStringLiteral("mp3")}),
             0);
    QCOMPARE(TestFiles::below(out), QStringList{"short.mp3"});
}

// Run twice over a folder with --skip-existing, the second run converts
// nothing and says so; a file added before a third run is the only one
// converted then. Not on a terminal, stderr stays quiet.
void TestCli::skipExistingConvertsWhatIsNew()
{
    song(QStringLiteral("Grown/a.wav"), 0.5);
    song(QStringLiteral("Grown/Sub/b.wav"), 0.5);
    const QStringList arguments = {QStringLiteral("Grown"), QStringLiteral("-o"), QStringLiteral("grown-out"),
                                   QStringLiteral("--format"), QStringLiteral("wav"), QStringLiteral("--skip-existing"),
                                   QStringLiteral("--jobs"), QStringLiteral("1")};
    // The lines on stdout, by file name, and the exit status; what came on
    // stderr too, if anything.
    auto outcomes = [&] {
        QByteArray errors;
        QByteArray output;
        const int status = run(arguments, &errors, 120000, &output);
        QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString &line : lines)
            line = line.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ') + QFileInfo(line).fileName();
        lines.sort();
        lines << QStringLiteral("exit %1").arg(status);
        if (!errors.isEmpty())
            lines << QString::fromUtf8(errors);
        return lines;
    };
    QCOMPARE(outcomes(), (QStringList{"done a.wav", "done b.wav", "exit 0"}));
    QCOMPARE(outcomes(), (QStringList{"skipped a.wav", "skipped b.wav", "exit 0"}));
    song(QStringLiteral("Grown/Sub/c.wav"), 0.5);
    QCOMPARE(outcomes(), (QStringList{"done c.wav", "skipped a.wav", "skipped b.wav", "exit 0"}));
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("grown-out"))),
             (QStringList{"Sub/b.wav", "Sub/c.wav", "a.wav"}));
}

// Shards 1/3, 2/3 and 3/3 of a tree, run one after the other into one
// output tree: each file converted once, by one shard. Each shard's report
// is JSON lines that match what it wrote.
void TestCli::shardsSplitTheTree()
{
    QStringList tree;
    for (int i = 0; i < 12; ++i)
        tree << QStringLiteral("Tree/%1/song%2.wav").arg(QLatin1Char('A' + i % 3)).arg(i);
    for (const QString &path : qAsConst(tree))
        song(path, 0.2);
    const QString out = m_dir.filePath(QStringLiteral("shard-out"));

    QStringList converted;
    for (int shard = 1; shard <= 3; ++shard) {
        const QString report = m_dir.filePath(QStringLiteral("shard%1.jsonl").arg(shard));
        QCOMPARE(run({QStringLiteral("Tree"), QStringLiteral("-o"), out, QStringLiteral("--format"),
                      QStringLiteral("wav"), QStringLiteral("--shard"), QStringLiteral("%1/3").arg(shard),
                      QStringLiteral("--report"), report, QStringLiteral("--target"), QStringLiteral("444")}),
                 0);
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.last(), QByteArray());  // each line ends
        for (const QByteArray &line : lines.mid(0, lines.size() - 1)) {
            QJsonParseError error;
            const QJsonObject entry = QJsonDocument::fromJson(line, &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, line.constData());
            QCOMPARE(entry.value(QStringLiteral("status")).toString(), QStringLiteral("converted"));
            QCOMPARE(entry.value(QStringLiteral("pitch")).toDouble(), 444.0);
            QCOMPARE(entry.value(QStringLiteral("audio_seconds")).toDouble(), 0.2);
            const QString source =
                QDir(m_dir.path()).relativeFilePath(entry.value(QStringLiteral("source")).toString());
            const QString output = QDir(out).relativeFilePath(entry.value(QStringLiteral("output")).toString());
            QCOMPARE(output, source.mid(5));  // "Tree/A/song0.wav" went to "A/song0.wav"
            QVERIFY(QFileInfo(entry.value(QStringLiteral("output")).toString()).isFile());
            converted << source;
        }
    }
    converted.sort();
    tree.sort();
    QCOMPARE(converted, tree);  // all, and none twice
    QCOMPARE(TestFiles::below(out).size(), 12);
}

// A list from find -print0 on stdin, names with a newline, a leading dash
// and a byte that is not UTF-8 among them, folders and other files passed
// over; relative paths' folders mirrored. Then a list of lines from a file.
void TestCli::filesFromLists()
{
    const QByteArray names[] = {"List/two\nlines.wav", "List/Sub/-dash.wav", "List/caf\xe9.wav"};
    for (const QByteArray &name : names)
        song(QFile::decodeName(name), 0.2);
    QFile text(m_dir.filePath(QStringLiteral("List/notes.txt")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    const QByteArray list = QByteArrayList{"./List", "./List/Sub", "./" + names[0], "./" + names[1], names[2],
                                           "List/notes.txt", ""}
                                .join('\0');

    QByteArray errors;
    const int status = run({QStringLiteral("--files-from"), QStringLiteral("-"), QStringLiteral("-0"),
                            QStringLiteral("-o"), QStringLiteral("list-out"), QStringLiteral("--format"),
                            QStringLiteral("flac")},
                           &errors, 120000, nullptr, list);
    QCOMPARE(errors, QByteArray());
    QCOMPARE(status, 0);
    QStringList expected;
    for (const QByteArray &name : names)
        expected << QFile::decodeName(name).replace(QStringLiteral(".wav"), QStringLiteral(".flac"));
    expected.sort();
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("list-out"))), expected);

    QFile lines(m_dir.filePath(QStringLiteral("list.txt")));
    QVERIFY(lines.open(QIODevice::WriteOnly));
    lines.write(m_dir.filePath(QStringLiteral("List/Sub/-dash.wav")).toUtf8() + "\nList/Sub/-dash.wav\n");
    lines.close();
    QCOMPARE(run({QStringLiteral("--files-from"), lines.fileName(), QStringLiteral("-o"), QStringLiteral("lines-out"),
                  QStringLiteral("--format"), QStringLiteral("flac")}),
             0);
    // An absolute path goes straight into OUTDIR.
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("lines-out"))),
             (QStringList{"-dash.flac", "List/Sub/-dash.flac"}));
}

// A full file system fails the file that does not fit, with the cause in
// words, and leaves nothing of it; the next file is converted, and the
// exit status says that one failed.
void TestCli::fullDiskFailsTheFile()
{
    const QString mountPoint = m_dir.filePath(QStringLiteral("small-disk"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=256k") != 0)
        QSKIP("cannot mount a small tmpfs here (needs root)");
    const QString big = song(QStringLiteral("big.wav"), 10.0);
    const QString small = song(QStringLiteral("small.wav"), 0.2);
    QByteArray errors;
    const int status = run({big, small, QStringLiteral("-o"), mountPoint, QStringLiteral("--format"),
                            QStringLiteral("wav"), QStringLiteral("--jobs"), QStringLiteral("1")},
                           &errors);
    const QStringList left = TestFiles::below(mountPoint);
    ::umount(QFile::encodeName(mountPoint).constData());
    QCOMPARE(status, 1);
    QVERIFY2(errors.startsWith(big.toUtf8() + ": No space left on device while writing “" + mountPoint.toUtf8()
                               + "/big.wav”.\n"),
             errors.constData());
    QCOMPARE(left, QStringList{"small.wav"});
}

// On a terminal: a status line that rewrites itself, then the summary.
// --quiet keeps the terminal empty.
void TestCli::statusLineOnATerminal()
{
    const QStringList arguments = {song(QStringLiteral("tty/one.wav"), 2.0), song(QStringLiteral("tty/two.wav"), 2.0),
                                   QStringLiteral("-o"), m_dir.filePath(QStringLiteral("tty-out")),
                                   QStringLiteral("--format"), QStringLiteral("wav"), QStringLiteral("--jobs"),
                                   QStringLiteral("1")};
    const QByteArray shown = runOnTerminal(arguments);
    QVERIFY2(shown.contains("\r1/2 done | 0%"), shown.constData());
    QVERIFY2(QRegularExpression(QStringLiteral("\r\\x1b\\[K2 converted, 0 skipped, 0 failed in 0:\\d\\d\r?\n$"))
                 .match(QString::fromUtf8(shown))
                 .hasMatch(),
             shown.constData());
    QCOMPARE(runOnTerminal(arguments + QStringList{QStringLiteral("--quiet")}), QByteArray());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

// --measure prints each file's A4 and converts nothing; --source detect
// retunes from the measured A4 and says what it measured.
void TestCli::measureAndDetect()
{
    QVERIFY(AudioFiles::write(m_dir.filePath(QStringLiteral("orchestra.wav")),
                              TestSignals::tunedMusic(442.0, 12.0)).isEmpty());
    QVERIFY(AudioFiles::write(m_dir.filePath(QStringLiteral("hiss.wav")), TestSignals::noise(3.0)).isEmpty());

    QByteArray output;
    QCOMPARE(run({QStringLiteral("--measure"), QStringLiteral("orchestra.wav"), QStringLiteral("hiss.wav")}, nullptr,
                 120000, &output),
             0);
    // Printed to 0.1 Hz: 442 Hz within a cent lies from 441.8 to 442.2.
    auto measured = [&output](const char *name) {
        const QRegularExpression line(QStringLiteral("%1:? \\(?(measured )?A4 = ([0-9.]+) Hz").arg(QLatin1String(name)));
        return line.match(QString::fromUtf8(output)).captured(2).toDouble();
    };
    QVERIFY2(std::abs(measured("orchestra.wav") - 442.0) <= 0.2, output.constData());
    QVERIFY2(output.contains("hiss.wav: no clear tuning"), output.constData());

    QCOMPARE(run({QStringLiteral("orchestra.wav"), QStringLiteral("-o"), QStringLiteral("detect-out"),
                  QStringLiteral("--source"), QStringLiteral("detect"), QStringLiteral("--format"),
                  QStringLiteral("flac")},
                 nullptr, 120000, &output),
             0);
    QVERIFY2(std::abs(measured("orchestra.wav") - 442.0) <= 0.2, output.constData());
    QCOMPARE(run({QStringLiteral("--measure"), QStringLiteral("detect-out/orchestra.flac"), QStringLiteral("--source"),
                  QStringLiteral("432")},
                 nullptr, 120000, &output),
             0);
    QVERIFY2(std::abs(measured("orchestra.flac") - 432.0) <= 0.2, output.constData());

    QByteArray errors;
    QCOMPARE(run({QStringLiteral("--measure"), QStringLiteral("orchestra.wav"), QStringLiteral("gone.wav")}, &errors),
             2);
    QVERIFY2(errors.contains("'gone.wav' does not exist"), errors.constData());
}

// A reader that goes away takes the lines, not the file: the conversion
// completes and the run ends non-zero instead of dying of SIGPIPE. No run
// creates a folder it does not write to.
void TestCli::closedPipeAndNoSideEffects()
{
    song(QStringLiteral("piped.wav"), 2.0);
    QProcess shell;
    prepare(shell);
    shell.setProgram(QStringLiteral("bash"));
    shell.setArguments({QStringLiteral("-c"), QStringLiteral("\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}"),
                        QStringLiteral(TUNEWISE_CLI), QStringLiteral("piped.wav"), QStringLiteral("-o"),
                        QStringLiteral("piped-out"), QStringLiteral("--format"), QStringLiteral("wav")});
    shell.start();
    QVERIFY(shell.waitForFinished(120000));
    QCOMPARE(shell.exitCode(), 1);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("piped-out"))), QStringList{"piped.wav"});
    QCOMPARE(AudioFiles::decode(m_dir.filePath(QStringLiteral("piped-out/piped.wav"))).frames(), 2LL * 44100);

    QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("/Documents")));
}
