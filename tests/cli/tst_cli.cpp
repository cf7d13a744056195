// tunewise-cli run as a process, as a script would run it.
#include "base/FileNameCodec.h"
#include "support/Alignment.h"
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

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {

// A command line as a list: "a.wav -o out" → {"a.wav", "-o", "out"}.
QStringList args(const char *line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();
    void optionsOverSavedSettings();
    void signalsLeaveNoPartialFiles_data();
    void signalsLeaveNoPartialFiles();
    void skipExistingConvertsWhatIsNew();
    void shardsSplitTheTree();
    void filesFromLists();
    void statusLineOnATerminal();
    void measureAndDetect();
    void previewIsTheConversion_data();
    void previewIsTheConversion();
    void closedPipeAndNoSideEffects();
    void treesAsTheyAre();

private:
    // Runs the converter with a home of its own; returns the exit code.
    int run(const QStringList &arguments, QByteArray *errors = nullptr, QByteArray *output = nullptr,
            const QByteArray &input = QByteArray());
    QString song(const QString &relativePath, double seconds = 1.0);
    // The converter, or `program`, as a process with a home of its own.
    void prepare(QProcess &process, const QString &program = QStringLiteral(TUNEWISE_CLI)) const;
    void writeStore(const QByteArray &contents) const;

    QTemporaryDir m_dir;
    QString m_home;
};

void TestCli::initTestCase()
{
    FileNameCodec::install();  // as the program does
    QVERIFY(m_dir.isValid());
    m_home = m_dir.filePath(QStringLiteral("home"));
    QDir().mkpath(m_home + QStringLiteral("/.config/com.tunewise.tunewise"));
}

void TestCli::prepare(QProcess &process, const QString &program) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_dir.path());
    process.setProgram(program);
}

int TestCli::run(const QStringList &arguments, QByteArray *errors, QByteArray *output, const QByteArray &input)
{
    QProcess process;
    prepare(process);
    process.setArguments(arguments);
    process.start();
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000))
        return -1;
    if (errors)
        *errors = process.readAllStandardError();
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The user's saved settings, as the program keeps them.
void TestCli::writeStore(const QByteArray &contents) const
{
    TestFiles::write(m_home + QStringLiteral("/.config/com.tunewise.tunewise/Tunewise.conf"), contents);
}

QString TestCli::song(const QString &relativePath, double seconds)
{
    const QString path = m_dir.filePath(relativePath);
    if (!QFileInfo::exists(path))
        AudioFiles::write(path, TestSignals::sine(440.0, seconds));
    return path;
}

void TestCli::exitStatus_data()
{
    QTest::addColumn<QString>("arguments");  // all with "-o status-out" added
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("message");

    QTest::newRow("all converted") << "good1.wav good2.wav" << 0 << QStringList{"good1.mp3", "good2.mp3"} << "";
    QTest::newRow("one corrupt") << "good1.wav corrupt.mp3 good2.wav" << 1 << QStringList{"good1.mp3", "good2.mp3"}
                                 << "corrupt.mp3: Cannot open “corrupt.mp3”";
    QTest::newRow("damage in a source") << "damaged.flac" << 0 << QStringList{"damaged.mp3"}
                                        << "warning: 3 damaged frames";
    QTest::newRow("damage in a source, strict")
        << "damaged.flac --strict" << 1 << QStringList()
        << "3 damaged frames in the source were skipped (0.31 s); the output has gaps there. (Strict: a file with a "
           "warning counts as failed.)";
    QTest::newRow("unknown option") << "good1.wav --loud" << 2 << QStringList() << "Unknown option 'loud'";
    QTest::newRow("missing input") << "good1.wav gone.wav" << 2 << QStringList() << "'gone.wav' does not exist";
    QTest::newRow("bit rate not offered") << "good1.wav --bitrate 300" << 2 << QStringList() << "--bitrate";
    QTest::newRow("unknown format") << "good1.wav --format wma" << 2 << QStringList() << "--format";
    QTest::newRow("formants kept, into Opus") << "good1.wav --algorithm frequency --formants keep --format opus" << 0
                                              << QStringList{"good1.opus"} << "";
    QTest::newRow("formants kept, time based") << "good1.wav --algorithm time --formants keep" << 2 << QStringList()
                                               << "--formants keep needs --algorithm frequency; time cannot";
    // The range of A4, and a shift of at most two octaves.
    QTest::newRow("target far too high") << "good1.wav --target 1e308" << 2 << QStringList()
                                         << "--target wants A4 in Hz, from 50 to 2000, not '1e308'";
    QTest::newRow("shift over two octaves") << "good1.wav --source 100 --target 2000" << 2 << QStringList()
                                            << "51.9 semitones from the sources' 100 Hz; at most 24";
    QTest::newRow("no such shard") << "good1.wav --shard 4/3" << 2 << QStringList()
                                   << "--shard wants K/N with 1 <= K <= N, not '4/3'";
    QTest::newRow("a place without a preview") << "good1.wav --at 2" << 2 << QStringList() << "--at goes with --preview";
}

void TestCli::exitStatus()
{
    QFETCH(QString, arguments);
    QFETCH(int, status);
    QFETCH(QStringList, outputs);
    QFETCH(QString, message);

    song(QStringLiteral("good1.wav"));
    song(QStringLiteral("good2.wav"));
    TestFiles::write(m_dir.filePath(QStringLiteral("corrupt.mp3")), QByteArray(4096, 'x'));
    // Three damaged frames in the middle.
    if (!QFileInfo::exists(m_dir.filePath(QStringLiteral("damaged.flac"))))
        QVERIFY(TestFiles::damage(song(QStringLiteral("damaged.flac"), 6.0)));
    QDir(m_dir.filePath(QStringLiteral("status-out"))).removeRecursively();

    QByteArray errors;
    QCOMPARE(run(arguments.split(QLatin1Char(' ')) + args("-o status-out"), &errors), status);
    QVERIFY2(errors.contains(message.toUtf8()), errors.constData());
    // That line alone, though FFmpeg has much to say of damaged input.
    if (status != 2)
        QCOMPARE(errors.count('\n'), message.isEmpty() ? 0 : 1);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("status-out"))), outputs);
}

// Options rule over the saved settings, which rule where no option is
// given, and no run touches them. 528 names the "528 Hz (C5)" choice, whose
// A4 is 444 Hz; --keep-video, or the saved setting, keeps a film's picture.
void TestCli::optionsOverSavedSettings()
{
    AudioFiles::WriteOptions film;
    film.withVideo = true;
    QCOMPARE(AudioFiles::write(m_dir.filePath(QStringLiteral("film.mp4")), TestSignals::sine(440.0, 1.0), film),
             QString());
    song(QStringLiteral("tone.wav"), 2.0);
    const QByteArray stored = "[General]\naudioFormat=2\ntargetFrequency=432\nsourceFrequency=440\nkeepVideo=true\n";
    writeStore(stored);
    QCOMPARE(run(args("tone.wav -o target-out --target 528 --format wav --algorithm frequency")), 0);
    const AudioBuffer output = AudioFiles::decode(m_dir.filePath(QStringLiteral("target-out/tone.wav")));
    QVERIFY(std::abs(AudioAnalysis::pitch(output, 0.5, 1.5) - 444.0) <= 0.05);
    QCOMPARE(run(args("tone.wav film.mp4 -o saved-out")), 0);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("saved-out"))), (QStringList{"film.mkv", "tone.flac"}));
    QFile file(m_home + QStringLiteral("/.config/com.tunewise.tunewise/Tunewise.conf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), stored);

    writeStore({});
    QCOMPARE(run(args("film.mp4 --format m4a -o video-out --keep-video")), 0);
    QCOMPARE(run(args("film.mp4 --format m4a -o audio-out")), 0);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("video-out"))), QStringList{"film.mp4"});
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("audio-out"))), QStringList{"film.m4a"});
    QCOMPARE(AudioFiles::packets(m_dir.filePath(QStringLiteral("video-out/film.mp4")), AVMEDIA_TYPE_VIDEO).size(),
             AudioFiles::packets(m_dir.filePath(QStringLiteral("film.mp4")), AVMEDIA_TYPE_VIDEO).size());
    // A video's output is known by its own container's name.
    QByteArray lines;
    QCOMPARE(run(args("film.mp4 --format m4a -o video-out --keep-video --skip-existing"), nullptr, &lines), 0);
    QVERIFY2(lines.startsWith("skipped "), lines.constData());
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("video-out"))), QStringList{"film.mp4"});
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

    if (!QFileInfo::exists(m_dir.filePath(QStringLiteral("long2.wav"))))
        QFile::copy(song(QStringLiteral("long.wav"), 240.0), m_dir.filePath(QStringLiteral("long2.wav")));
    const QString out = m_dir.filePath(QStringLiteral("signal-out"));
    QDir(out).removeRecursively();
    QProcess process;
    prepare(process);
    process.setArguments(args("long.wav long2.wav -o signal-out --algorithm frequency --format mp3 --jobs 2"));
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
    QCOMPARE(TestFiles::below(out).filter(QRegularExpression(QStringLiteral("^\\.long2?\\.mp3\\.part-"))).size(), 2);
    song(QStringLiteral("short.wav"));
    QCOMPARE(run(args("short.wav -o signal-out --format mp3")), 0);
    QCOMPARE(TestFiles::below(out), QStringList{"short.mp3"});
}

// Run twice over a folder tree with --skip-existing, the second run converts
// nothing and says so; a file added before a third run is the only one
// converted then. The tree is mirrored. Not on a terminal, stderr stays
// quiet.
void TestCli::skipExistingConvertsWhatIsNew()
{
    song(QStringLiteral("Grown/a.wav"), 0.5);
    song(QStringLiteral("Grown/Sub/b.wav"), 0.5);
    // The lines on stdout, by file name, and the exit status; what came on
    // stderr too, if anything.
    auto outcomes = [&] {
        QByteArray errors;
        QByteArray output;
        const int status = run(args("Grown -o grown-out --format wav --skip-existing --jobs 1"), &errors, &output);
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
// output tree: each file converted once, by the shard its path below the
// tree names (FNV-1a of its bytes, modulo 3, shard K taking K - 1). Each
// shard's report is JSON lines that match what it wrote.
void TestCli::shardsSplitTheTree()
{
    QStringList tree;
    for (int i = 0; i < 12; ++i)
        tree << song(QStringLiteral("Tree/%1/song%2.wav").arg(QLatin1Char('A' + i % 3)).arg(i), 0.2);
    const QString out = m_dir.filePath(QStringLiteral("shard-out"));

    QStringList converted;
    for (int shard = 1; shard <= 3; ++shard) {
        const QString report = m_dir.filePath(QStringLiteral("shard%1.jsonl").arg(shard));
        QCOMPARE(run(args("Tree -o shard-out --format wav --target 444 --algorithm frequency --formants keep "
                          "--report") << report
                     << QStringLiteral("--shard") << QStringLiteral("%1/3").arg(shard)),
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
            QCOMPARE(entry.value(QStringLiteral("formants")).toString(), QStringLiteral("keep"));
            QCOMPARE(entry.value(QStringLiteral("audio_seconds")).toDouble(), 0.2);
            const QString source = entry.value(QStringLiteral("source")).toString();
            const QString output = entry.value(QStringLiteral("output")).toString();
            // "Tree/A/song0.wav" went to "A/song0.wav".
            QCOMPARE(QDir(out).relativeFilePath(output), QDir(m_dir.filePath(QStringLiteral("Tree"))).relativeFilePath(source));
            QVERIFY(QFileInfo(output).isFile());
            quint64 hash = 14695981039346656037ULL;
            for (const char byte : QFile::encodeName(QDir(m_dir.filePath(QStringLiteral("Tree"))).relativeFilePath(source)))
                hash = (hash ^ uchar(byte)) * 1099511628211ULL;
            QCOMPARE(int(hash % 3), shard - 1);
            converted << m_dir.filePath(QDir(m_dir.path()).relativeFilePath(source));
        }
    }
    converted.sort();
    tree.sort();
    QCOMPARE(converted, tree);  // all, and none twice
}

// A list from find -print0 on stdin, names with a newline, a leading dash
// and a byte that is not UTF-8 among them, folders and other files passed
// over; relative paths' folders mirrored. Then a list of lines from a file,
// which names one file twice.
void TestCli::filesFromLists()
{
    const QByteArray names[] = {"List/two\nlines.wav", "List/Sub/-dash.wav", "List/caf\xe9.wav"};
    QStringList expected;
    for (const QByteArray &name : names) {
        song(QFile::decodeName(name), 0.2);
        expected << QFile::decodeName(name).replace(QStringLiteral(".wav"), QStringLiteral(".flac"));
    }
    expected.sort();
    TestFiles::write(m_dir.filePath(QStringLiteral("List/notes.txt")));
    const QByteArray list = QByteArrayList{"./List", "./List/Sub", "./" + names[0], "./" + names[1], names[2],
                                           "List/notes.txt", ""}
                                .join('\0');
    QByteArray errors;
    QCOMPARE(run(args("--files-from - -0 -o list-out --format flac"), &errors, nullptr, list), 0);
    QCOMPARE(errors, QByteArray());
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("list-out"))), expected);

    // A relative path that climbs out of the current folder goes straight
    // into OUTDIR too, never beside it.
    const QByteArray climbing = "../" + QFileInfo(m_dir.path()).fileName().toUtf8() + "/List/up.wav";
    song(QStringLiteral("List/up.wav"), 0.2);
    TestFiles::write(m_dir.filePath(QStringLiteral("list.txt")), m_dir.filePath(QStringLiteral("List/Sub/-dash.wav")).toUtf8()
                                                                     + "\nList/Sub/-dash.wav\n" + climbing + '\n');
    QByteArray notes;
    QCOMPARE(run(args("--files-from list.txt -o lines-out --format flac"), &notes), 0);
    // An absolute path goes straight into OUTDIR; the same file named again
    // is converted once.
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("lines-out"))), (QStringList{"-dash.flac", "up.flac"}));
    QVERIFY2(notes.contains("-dash.wav is named more than once; it is converted once"), notes.constData());
}

// On a terminal: a status line that rewrites itself, then the summary, and
// why a file was skipped. --quiet keeps the terminal empty.
void TestCli::statusLineOnATerminal()
{
    song(QStringLiteral("tty/one.wav"), 2.0);
    song(QStringLiteral("tty/two.wav"), 2.0);
    // script(1) gives the program a terminal and copies what it shows.
    auto onTerminal = [this](const char *options) {
        QProcess script;
        prepare(script, QStringLiteral("script"));
        script.setArguments({QStringLiteral("-qec"),
                             QStringLiteral("'%1' tty/one.wav tty/two.wav -o tty-out --format wav --jobs 1 %2 "
                                            ">/dev/null").arg(QStringLiteral(TUNEWISE_CLI), QLatin1String(options)),
                             QStringLiteral("/dev/null")});
        script.start();
        script.closeWriteChannel();
        script.waitForFinished(120000);
        return script.readAllStandardOutput();
    };
    const QByteArray shown = onTerminal("");
    QVERIFY2(shown.contains("\r1/2 done | 0%"), shown.constData());
    QVERIFY2(QRegularExpression(QStringLiteral("\r\\x1b\\[K2 converted, 0 skipped, 0 failed in 0:\\d\\d\r?\n$"))
                 .match(QString::fromUtf8(shown))
                 .hasMatch(),
             shown.constData());
    QCOMPARE(onTerminal("--quiet"), QByteArray());
    const QByteArray skipped = onTerminal("--skip-existing");
    QVERIFY2(skipped.contains("tty/one.wav: “") && skipped.contains("one.wav” exists already."), skipped.constData());
}

// --measure prints each file's A4 and converts nothing; --source detect
// retunes from the measured A4 (442 Hz music lands on 432 Hz, where the
// nominal 440 Hz would leave it near 434) and says what it measured.
void TestCli::measureAndDetect()
{
    QVERIFY(AudioFiles::write(m_dir.filePath(QStringLiteral("orchestra.wav")),
                              TestSignals::tunedMusic(442.0, 12.0)).isEmpty());
    QVERIFY(AudioFiles::write(m_dir.filePath(QStringLiteral("hiss.wav")), TestSignals::noise(3.0)).isEmpty());

    QByteArray output;
    QCOMPARE(run(args("--measure orchestra.wav hiss.wav"), nullptr, &output), 0);
    // Printed to 0.1 Hz: 442 Hz within a cent lies from 441.8 to 442.2.
    auto measured = [&output](const char *name) {
        const QRegularExpression line(QStringLiteral("%1:? \\(?(measured )?A4 = ([0-9.]+) Hz").arg(QLatin1String(name)));
        return line.match(QString::fromUtf8(output)).captured(2).toDouble();
    };
    QVERIFY2(std::abs(measured("orchestra.wav") - 442.0) <= 0.2, output.constData());
    QVERIFY2(output.contains("hiss.wav: no clear tuning"), output.constData());
    QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("orchestra.flac"))));

    // Where nothing tonal can be measured, the nominal pitch serves, and the
    // run says so.
    QByteArray errors;
    QCOMPARE(run(args("orchestra.wav hiss.wav -o detect-out --source detect --format flac"), &errors, &output), 0);
    QVERIFY2(std::abs(measured("orchestra.wav") - 442.0) <= 0.2, output.constData());
    QVERIFY2(errors.contains("The tuning of “hiss.wav” could not be measured"), errors.constData());
    QCOMPARE(run(args("--measure detect-out/orchestra.flac --source 432"), nullptr, &output), 0);
    QVERIFY2(std::abs(measured("orchestra.flac") - 432.0) <= 0.2, output.constData());

    QCOMPARE(run(args("--measure orchestra.wav gone.wav"), &errors), 2);
    QVERIFY2(errors.contains("'gone.wav' does not exist"), errors.constData());
}

// A reader that goes away takes the lines, not the file: the conversion
// completes and the run ends non-zero instead of dying of SIGPIPE. A run
// without an output folder is refused; no run creates a folder it does not
// write to.
void TestCli::previewIsTheConversion_data()
{
    QTest::addColumn<QString>("algorithm");
    QTest::newRow("time based") << "time";
    QTest::newRow("frequency based") << "frequency";
}

// What the player plays, as --preview writes it: from the start, the samples
// the conversion encodes, here into 24-bit wav, to its last bit; from a
// later point, the same within the chain's alignment; the original side the
// source itself, but for the limiter's gain, which a loud source gets on
// both sides alike.
void TestCli::previewIsTheConversion()
{
    QFETCH(QString, algorithm);
    AudioFiles::WriteOptions floats;
    floats.codec = AV_CODEC_ID_PCM_F32LE;
    const AudioBuffer source = TestSignals::burstsOverTone(440.0, 6.0);
    QCOMPARE(AudioFiles::write(m_dir.filePath(QStringLiteral("heard.wav")), source, floats), QString());
    QCOMPARE(AudioFiles::write(m_dir.filePath(QStringLiteral("loud.wav")), TestSignals::sine(440.0, 2.0, 44100, 2, 0.999),
                               floats),
             QString());
    const QString settings = QStringLiteral(" --algorithm %1 --source 440 --target 432").arg(algorithm);
    const QStringList options = settings.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QCOMPARE(run(QStringList{QStringLiteral("heard.wav"), QStringLiteral("--format"), QStringLiteral("wav"),
                             QStringLiteral("-o"), algorithm} + options), 0);
    for (const char *line : {"--preview heard.wav --side target -o start.wav",
                             "--preview heard.wav --at 2.5 --seconds 3 -o later.wav",
                             "--preview loud.wav --seconds 2 -o loud-both.wav"}) {
        QByteArray errors;
        QVERIFY2(run(args(line) + options, &errors) == 0, errors.constData());
    }
    const AudioBuffer converted = AudioFiles::decode(m_dir.filePath(algorithm + QStringLiteral("/heard.wav")));
    const AudioBuffer start = AudioFiles::decode(m_dir.filePath(QStringLiteral("start.wav")));
    QCOMPARE(start.frames(), converted.frames());
    float difference = 0.0f;
    for (size_t i = 0; i < start.samples.size(); ++i)
        difference = std::max(difference, std::abs(start.samples[i] - converted.samples[i]));
    QVERIFY2(difference <= 2.0f / 8388608.0f, qPrintable(QString::number(difference)));

    // Both sides of 3 s from 2.5 s, the original first.
    const AudioBuffer later = AudioFiles::decode(m_dir.filePath(QStringLiteral("later.wav")));
    QCOMPARE(later.frames(), 2 * 3 * 44100);
    const auto span = [](const AudioBuffer &audio, long long from, long long frames) {
        return AudioBuffer{audio.sampleRate, 2, {audio.samples.begin() + from * 2, audio.samples.begin() + (from + frames) * 2}};
    };
    const AudioBuffer original = span(later, 0, 3 * 44100);
    QVERIFY(original.samples == span(source, 110250, 3 * 44100).samples);
    const AudioBuffer retuned = span(later, 3 * 44100, 3 * 44100);
    const double lag = AudioAnalysis::lagFrames(span(converted, 110250, 3 * 44100), retuned) / 44100.0;
    QVERIFY2(std::abs(lag) <= alignmentTolerance(PitchAlgorithm::named(algorithm)->id), qPrintable(QString::number(lag)));
    QVERIFY(std::abs(AudioAnalysis::pitch(retuned, 0.2, 2.8) - AudioAnalysis::pitch(converted, 2.7, 5.3)) < 0.01);

    // The limiter brings the loud tone down, on the original side too.
    const AudioBuffer loud = AudioFiles::decode(m_dir.filePath(QStringLiteral("loud-both.wav")));
    const double originalDb = AudioAnalysis::levelDb(span(loud, 0, 88200), 440.0, 0.5, 1.5);
    const double retunedDb = AudioAnalysis::levelDb(span(loud, 88200, 88200), 432.0, 0.5, 1.5);
    QVERIFY2(std::abs(originalDb - retunedDb) < 0.05 && originalDb < 20.0 * std::log10(0.999) - 0.05,
             qPrintable(QStringLiteral("%1 %2").arg(originalDb).arg(retunedDb)));
}

void TestCli::closedPipeAndNoSideEffects()
{
    song(QStringLiteral("piped.wav"), 2.0);
    QProcess shell;
    prepare(shell, QStringLiteral("bash"));
    shell.setArguments(QStringList{QStringLiteral("-c"), QStringLiteral("\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}"),
                                   QStringLiteral(TUNEWISE_CLI)}
                       + args("piped.wav -o piped-out --format wav"));
    shell.start();
    QVERIFY(shell.waitForFinished(120000));
    QCOMPARE(shell.exitCode(), 1);
    QCOMPARE(TestFiles::below(m_dir.filePath(QStringLiteral("piped-out"))), QStringList{"piped.wav"});
    QCOMPARE(AudioFiles::decode(m_dir.filePath(QStringLiteral("piped-out/piped.wav"))).frames(), 2LL * 44100);

    QByteArray none;
    QCOMPARE(run(args("piped.wav"), &none), 2);
    QVERIFY2(none.contains("no output folder"), none.constData());
    QCOMPARE(run({QStringLiteral("piped.wav"), QStringLiteral("-o"), QString()}, &none), 2);
    QVERIFY2(none.contains("-o wants the name of a folder, not an empty one"), none.constData());
    QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("/Documents")));
}

// A tree as the file system has it, run by a user other than root (for
// whom no folder is unreadable): names with a backslash, a newline and
// quotes, a byte that is not UTF-8 and a leading dash; the output folder
// inside it; a folder that cannot be read; a FIFO among the songs. Each song
// is converted under its own name, and a second run, which skips them,
// leaves the output folder out; the folder and the FIFO are refused in
// words, with a report line each, and the run fails for them, without
// waiting on the FIFO.
void TestCli::treesAsTheyAre()
{
    QTemporaryDir scratch;
    QVERIFY(::chmod(QFile::encodeName(scratch.path()).constData(), 0777) == 0);
    const QString tree = scratch.filePath(QStringLiteral("Odd"));
    const QByteArray names[] = {"Live\\2020/a.wav", "Live/2020/a.wav", "AC\\DC.wav", "two\nlines \"quoted\".wav",
                                "caf\xe9.wav", "-dash.wav"};
    QStringList expected;
    for (const QByteArray &name : names) {
        QCOMPARE(AudioFiles::write(tree + QLatin1Char('/') + QFile::decodeName(name), TestSignals::sine(440.0, 0.2)),
                 QString());
        expected << QStringLiteral("out/") + QFile::decodeName(name).replace(QStringLiteral(".wav"), QStringLiteral(".flac"));
    }
    QVERIFY(::mkfifo(QFile::encodeName(tree + QStringLiteral("/pipe.wav")).constData(), 0666) == 0);
    QVERIFY(QDir().mkpath(tree + QStringLiteral("/Locked")) && ::chmod(QFile::encodeName(tree + QStringLiteral("/Locked")).constData(), 0) == 0);
    QVERIFY(::system(qPrintable(QStringLiteral("chmod -R a+rwX '%1'").arg(tree + QStringLiteral("/Live")))) == 0);
    QByteArray lines;
    auto runAs = [&](QByteArray *errors) {
        QProcess process;
        prepare(process, ::geteuid() == 0 ? QStringLiteral("setpriv") : QStringLiteral(TUNEWISE_CLI));
        QStringList arguments{tree, QStringLiteral("-o"), tree + QStringLiteral("/out"), QStringLiteral("--format"),
                              QStringLiteral("flac"), QStringLiteral("--skip-existing"), QStringLiteral("--report"),
                              scratch.filePath(QStringLiteral("r.jsonl"))};
        if (::geteuid() == 0)
            arguments = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                    QStringLiteral("--clear-groups"), QStringLiteral(TUNEWISE_CLI)} + arguments;
        process.setArguments(arguments);
        process.setWorkingDirectory(scratch.path());
        process.start();
        process.waitForFinished(60000);
        *errors = process.readAllStandardError();
        lines = process.readAllStandardOutput();
        return process.exitCode();
    };
    QVERIFY(::chmod(QFile::encodeName(tree).constData(), 0777) == 0);
    QByteArray errors;
    QCOMPARE(runAs(&errors), 1);
    QVERIFY2(errors.contains("pipe.wav” is not a file: only files are read.")
                 && errors.contains("Cannot read the folder “" + QFile::encodeName(tree) + "/Locked”"),
             errors.constData());
    // A line a file, the newline in a name written as an escape.
    QCOMPARE(lines.count('\n'), 6);
    QVERIFY2(lines.contains("/two\\nlines \"quoted\".wav\n"), lines.constData());
    // (A regular expression would pass over the name that is not UTF-8.)
    const auto outputs = [&] {
        QStringList found;
        for (const QString &name : TestFiles::below(tree)) {
            if (name.startsWith(QLatin1String("out/")))
                found << name;
        }
        return found;
    };
    expected.sort();
    QCOMPARE(outputs(), expected);
    QCOMPARE(runAs(&errors), 1);  // everything skipped; the outputs' folder left out
    QCOMPARE(outputs(), expected);

    QFile report(scratch.filePath(QStringLiteral("r.jsonl")));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QStringList failed;
    for (const QByteArray &line : report.readAll().split('\n')) {
        QJsonParseError error;
        const QJsonObject entry = QJsonDocument::fromJson(line, &error).object();
        QVERIFY2(line.isEmpty() || error.error == QJsonParseError::NoError, line.constData());
        if (entry.value(QStringLiteral("status")).toString() == QLatin1String("failed"))
            failed << QFileInfo(entry.value(QStringLiteral("source")).toString()).fileName();
        else if (!line.isEmpty())
            QVERIFY2(!entry.value(QStringLiteral("source")).toString().contains(QLatin1String("/out/")), line.constData());
    }
    failed.sort();
    QCOMPARE(failed, (QStringList{"Locked", "Locked", "pipe.wav", "pipe.wav"}));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
