// The window program as a desktop sees it: its command line without a
// display, a second launch handing its files over, and a quiet console.
#include "app/LaunchOptions.h"
#include "app/SingleInstance.h"
#include "media/FFmpegLog.h"
#include "base/ProgramInfo.h"
#include "settings/GlobalSettings.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

namespace {

// The program, started where a machine without a display would start it.
void start(QProcess &program, const QString &folder, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder);
    program.start(QStringLiteral(TUNEWISE), arguments);
}

QStringList g_logged;  // "category: text"

void recordMessage(QtMsgType, const QMessageLogContext &context, const QString &text)
{
    g_logged << QLatin1String(context.category) + QStringLiteral(": ") + text;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineWithoutDisplay_data();
    void commandLineWithoutDisplay();
    void secondLaunchHandsOver();
    void killedBatchGoesOnAtTheNextStart();
    void quietByDefault();

private:
    QTemporaryDir m_dir;
};

void TestDesktop::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qRegisterMetaType<QProcess::ExitStatus>();
}

void TestDesktop::commandLineWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");  // contained in stdout
    QTest::addColumn<QStringList>("errors");  // stderr's lines

    const QString noDisplay = LaunchOptions::noDisplayMessage();
    const QString version = QStringLiteral("%1 %2\n").arg(ProgramInfo::Name, ProgramInfo::Version);
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: " << QStringList();
    QTest::newRow("Qt's own options pass") << QStringList{"-platform", "xcb", "-reverse", "-v"} << 0 << version
                                           << QStringList();
    QTest::newRow("no display") << QStringList() << 1 << "" << QStringList{noDisplay};
    QTest::newRow("missing file") << QStringList{"gone.mp3"} << 1 << ""
                                  << QStringList{"tunewise: 'gone.mp3' does not exist", noDisplay};
    QTest::newRow("unknown option") << QStringList{"--loud"} << 2 << ""
                                    << QStringList{"tunewise: Unknown option 'loud'.", "Try 'tunewise --help'."};
}

void TestDesktop::commandLineWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QStringList, errors);

    QProcess program;
    start(program, m_dir.path(), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), status);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.contains(output), qPrintable(out));
    QCOMPARE(QString::fromUtf8(program.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts), errors);
}

// This process is the running window; the program, started without a
// display, hands its files to it and ends: paths relative to where it
// starts, URLs and folders, and what does not exist, for the window to say
// so. A launch without files brings the window forward.
void TestDesktop::secondLaunchHandsOver()
{
    SingleInstance running;
    QVERIFY(running.listen());
    QSignalSpy received(&running, &SingleInstance::received);
    const QString song = TestFiles::write(m_dir.filePath(QStringLiteral("launch/song.mp3")));
    const QString url = QUrl::fromLocalFile(song).toString();
    const QList<QPair<QStringList, QStringList>> launches{
        {{"song.mp3", url, "..", "gone.mp3"}, {song, song, m_dir.path(), m_dir.filePath("launch/gone.mp3")}},
        {{}, {}}};
    for (const auto &[arguments, paths] : launches) {
        QProcess program;
        QSignalSpy finished(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        start(program, m_dir.filePath(QStringLiteral("launch")), arguments);
        QVERIFY(finished.wait(20000));  // the event loop answers the program meanwhile
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.takeFirst().at(0).toStringList(), paths);
    }

    // A socket left behind by an instance that crashed does not keep the
    // next one from listening.
    SingleInstance next(TestFiles::write(m_dir.filePath(QStringLiteral("stale.socket"))));
    QVERIFY(next.listen());
    QVERIFY(!SingleInstance::handOver(m_dir.filePath(QStringLiteral("nobody.socket")), {song}, 1000));
}

// A batch of 30 files, the program killed once 10 are converted, and
// started again: the queue comes back and goes on, every file is converted
// once, at the pitch it was queued with (444 Hz, though the setting is 432
// by then), none twice (no "_0"), and no temporary is left.
void TestDesktop::killedBatchGoesOnAtTheNextStart()
{
    const QString in = m_dir.filePath(QStringLiteral("batch"));
    const QString out = m_dir.filePath(QStringLiteral("batch-out"));
    for (int i = 1; i <= 30; ++i) {
        const QString name = QStringLiteral("%1/%2.wav").arg(in).arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(AudioFiles::write(name, TestSignals::sine(440.0, 1.0)), QString());
    }
    const auto setTarget = [&](double hz) {
        QSettings settings;
        settings.setValue(QStringLiteral("askForOutputFolder"), false);
        settings.setValue(QStringLiteral("outputFolder"), out);
        settings.setValue(QStringLiteral("targetFrequency"), hz);
    };
    const auto run = [&](QProcess &program, const QStringList &arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TUNEWISE), arguments);
        QVERIFY(program.waitForStarted());
    };
    const auto outputs = [&] { return QDir(out).entryList(QDir::Files | QDir::Hidden, QDir::Name); };

    setTarget(444.0);
    QProcess first;
    run(first, {in});
    QTRY_VERIFY_WITH_TIMEOUT(outputs().filter(QRegularExpression(QStringLiteral("^\\d+\\.mp3$"))).size() >= 10, 60000);
    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(outputs().size() < 30);

    setTarget(432.0);
    QProcess second;
    run(second, {});
    QStringList all;
    for (int i = 1; i <= 30; ++i)
        all << QStringLiteral("%1.mp3").arg(i, 2, 10, QLatin1Char('0'));
    QTRY_COMPARE_WITH_TIMEOUT(outputs(), all, 60000);
    QTest::qWait(2000);  // nothing more comes
    second.kill();
    QVERIFY(second.waitForFinished());
    QCOMPARE(outputs(), all);
    for (const QString &name : all) {
        const double hz = AudioAnalysis::pitch(AudioFiles::decode(QDir(out).filePath(name)), 0.2, 0.8);
        QVERIFY2(std::abs(hz - 444.0) < 0.5, qPrintable(QStringLiteral("%1: %2 Hz").arg(name).arg(hz)));
    }
}

// FFmpeg's warnings and the settings' debug lines stay off the console;
// the logging rules bring them back, each under its category, FFmpeg's
// lines whole though they come in pieces.
void TestDesktop::quietByDefault()
{
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    FFmpegLog::install();
    av_log(nullptr, AV_LOG_WARNING, "Could not update timestamps for skipped samples.\n");
    delete GlobalSettings::instance();
    GlobalSettings::instance();
    const QStringList byDefault = g_logged;

    QLoggingCategory::setFilterRules(QStringLiteral("tunewise.ffmpeg.warning=true\ntunewise.settings.debug=true"));
    av_log(nullptr, AV_LOG_WARNING, "Could not update ");
    av_log(nullptr, AV_LOG_WARNING, "timestamps.\n");
    delete GlobalSettings::instance();
    GlobalSettings::instance();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    QCOMPARE(byDefault, QStringList());
    QVERIFY(g_logged.size() >= 2);
    QCOMPARE(g_logged.takeFirst(), QStringLiteral("tunewise.ffmpeg: Could not update timestamps."));
    QCOMPARE(g_logged.filter(QStringLiteral("tunewise.settings: ")), g_logged);
}

TW_TEST_MAIN_WITH_HOME(TestDesktop, QApplication)
#include "tst_desktop.moc"
