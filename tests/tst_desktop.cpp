// The window program as a desktop sees it: its command line without a
// display, a second launch handing its files over, and a quiet console.
#include "app/LaunchOptions.h"
#include "app/SingleInstance.h"
#include "engine/FFmpegLog.h"
#include "engine/ProgramInfo.h"
#include "settings/GlobalSettings.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QApplication>
#include <QProcess>
#include <QtTest>

namespace {

// The program's environment on a machine without a display.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    return environment;
}

struct Logged {
    QtMsgType type;
    QString category;
    QString text;
};
QList<Logged> g_logged;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_logged.append({type, QString::fromLatin1(context.category), text});
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
    QTest::newRow("version") << QStringList{"--version"} << 0 << version << QStringList();
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
    program.setProcessEnvironment(withoutDisplay());
    program.setWorkingDirectory(m_dir.path());
    program.start(QStringLiteral(TUNEWISE), arguments);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitCode(), status);
    QVERIFY2(out.contains(output), qPrintable(out));
    QCOMPARE(err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), errors);
}

void TestDesktop::secondLaunchHandsOver()
{
    // This process is the running window; the program, started without a
    // display, hands its files to it and ends.
    SingleInstance running;
    QVERIFY(running.listen());
    QSignalSpy received(&running, &SingleInstance::received);
    const QString song = TestFiles::write(m_dir.filePath(QStringLiteral("launch/song.mp3")));
    const QString folder = m_dir.filePath(QStringLiteral("launch"));

    // Paths relative to where the program starts, URLs and folders; a
    // launch without files brings the window forward.
    struct Launch {
        QStringList arguments;
        QStringList paths;
    };
    const QString url = QUrl::fromLocalFile(song).toString();
    for (const Launch &launch : {Launch{{"song.mp3", url, "..", "gone.mp3"}, {song, song, m_dir.path()}},
                                 Launch{{}, {}}}) {
        QProcess program;
        program.setProcessEnvironment(withoutDisplay());
        program.setWorkingDirectory(folder);
        QSignalSpy finished(&program, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        program.start(QStringLiteral(TUNEWISE), launch.arguments);
        // The event loop answers the program while the spy waits.
        QVERIFY(finished.wait(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.takeFirst().at(0).toStringList(), launch.paths);
    }

    // A socket left behind by an instance that crashed does not keep the
    // next one from listening.
    const QString stale = TestFiles::write(m_dir.filePath(QStringLiteral("stale.socket")));
    SingleInstance next(stale);
    QVERIFY(next.listen());
    QVERIFY(!SingleInstance::handOver(m_dir.filePath(QStringLiteral("nobody.socket")), {song}, 1000));
}

void TestDesktop::quietByDefault()
{
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    g_logged.clear();
    FFmpegLog::install();

    // FFmpeg's warnings and the settings' debug lines stay off the console.
    av_log(nullptr, AV_LOG_WARNING, "Could not update timestamps for skipped samples.\n");
    delete GlobalSettings::instance();
    GlobalSettings::instance();
    const int byDefault = g_logged.size();

    // The rules bring them back, each under its category; FFmpeg's lines
    // may come in pieces.
    QLoggingCategory::setFilterRules(QStringLiteral("tunewise.ffmpeg.warning=true\ntunewise.settings.debug=true"));
    av_log(nullptr, AV_LOG_WARNING, "Could not update ");
    av_log(nullptr, AV_LOG_WARNING, "timestamps.\n");
    delete GlobalSettings::instance();
    GlobalSettings::instance();
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);

    QCOMPARE(byDefault, 0);
    QVERIFY(g_logged.size() >= 2);
    QCOMPARE(g_logged.first().category, QStringLiteral("tunewise.ffmpeg"));
    QCOMPARE(g_logged.first().type, QtWarningMsg);
    QCOMPARE(g_logged.first().text, QStringLiteral("Could not update timestamps."));
    for (const Logged &logged : g_logged.mid(1))
        QCOMPARE(logged.category, QStringLiteral("tunewise.settings"));
}

TW_TEST_MAIN_WITH_HOME(TestDesktop, QApplication)
#include "tst_desktop.moc"
