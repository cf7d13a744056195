// The queue controller with scripted conversions (one real conversion
// guards the default), driven through the desktop seam, and the settings
// dialog.
#include "dsp/PitchAlgorithm.h"
#include "media/OutputFormat.h"
#include "queue/ApplicationManager.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/FakeConverter.h"
#include "support/ScriptedDesktop.h"
#include "settings/GlobalSettings.h"
#include "queue/QueueEntry.h"
#include "app/SettingsDialog.h"
#include "app/WidgetDesktop.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const int Mp3 = OutputFormat::named(QStringLiteral("mp3"))->id;
const int Flac = OutputFormat::named(QStringLiteral("flac"))->id;
const int M4a = OutputFormat::named(QStringLiteral("m4a"))->id;

ConversionResult resultOf(ConversionResult::Status status, const QString &message = QString())
{
    ConversionResult result;
    result.status = status;
    result.message = message;
    return result;
}

} // namespace

class TestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void realConversionOfAFolder();
    void outputFolderQuestion();
    void drops();
    void failedRowsRetry();
    void overallLineAndTimeLeft();
    void cancelAndQuitAskOnlyWhenWorkWouldBeLost_data();
    void cancelAndQuitAskOnlyWhenWorkWouldBeLost();
    void pauseLetsRunningFilesFinish();
    void keptQueueComesBack_data();
    void keptQueueComesBack();
    void destructionStopsConversions();
    void settingsDialogCommitsOnClose();

private:
    // Empty files in the test's folder (the scripted conversions never read
    // them), queued into OUT, or with no names only OUT answered.
    QList<QUrl> touch(const QStringList &relativePaths);
    void importInto(const QString &out, const QStringList &relativePaths);
    QStringList queuedNames() const;
    void waitUntilIdle(int timeoutMs = 10000) { QTRY_VERIFY_WITH_TIMEOUT(!m_manager->conversionRunning(), timeoutMs); }

    QTemporaryDir m_dir;
    std::unique_ptr<ApplicationManager> m_manager;
    ScriptedDesktop *m_desktop = nullptr;
    FakeConverter m_jobs;
};

void TestManager::initTestCase()
{
    QVERIFY(m_dir.isValid());
    GlobalSettings::instance()->set_audioFormat(Mp3);
}

void TestManager::init()
{
    GlobalSettings::instance()->set_algorithm(PitchAlgorithm::named(QStringLiteral("time"))->id);
    // Each test's first import asks for the output folder.
    GlobalSettings::instance()->set_outputFolder(QString());
    m_manager = std::make_unique<ApplicationManager>();
    m_manager->setMaxConversions(2);
    m_jobs = FakeConverter();
    m_manager->setConverter(m_jobs.function());
    auto desktop = std::make_unique<ScriptedDesktop>();
    m_desktop = desktop.get();
    m_manager->setDesktop(std::move(desktop));
}

void TestManager::cleanup()
{
    m_manager.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<QUrl> TestManager::touch(const QStringList &relativePaths)
{
    QList<QUrl> urls;
    for (const QString &path : relativePaths)
        urls << QUrl::fromLocalFile(TestFiles::write(m_dir.filePath(path)));
    return urls;
}

void TestManager::importInto(const QString &out, const QStringList &relativePaths)
{
    m_desktop->folders = QStringList{m_dir.filePath(out)};
    m_manager->processImportUrls(touch(relativePaths));
}

QStringList TestManager::queuedNames() const
{
    QStringList names;
    for (const QueueEntry *entry : m_manager->fileQueue()->items())
        names << QDir(m_dir.path()).relativeFilePath(entry->filePath());
    return names;
}

// The default converter is the engine's: Music/x.mp3, Music/A/y.flac and
// Music/A/B/z.txt into Out give two retuned files in the mirrored tree, and
// rows that say where each went.
void TestManager::realConversionOfAFolder()
{
    for (const char *name : {"Music/x.mp3", "Music/A/y.flac"})
        QCOMPARE(AudioFiles::write(m_dir.filePath(QLatin1String(name)), TestSignals::sine(440.0, 2.0)), QString());
    touch({QStringLiteral("Music/A/B/z.txt")});
    const QString out = m_dir.filePath(QStringLiteral("Out"));

    ApplicationManager manager;
    auto desktop = std::make_unique<ScriptedDesktop>();
    desktop->folders = QStringList{m_dir.filePath(QStringLiteral("Music")), out};
    manager.setDesktop(std::move(desktop));
    manager.selectImportFolder();
    QTRY_COMPARE(manager.fileQueue()->count(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!manager.conversionRunning(), 120000);

    QCOMPARE(TestFiles::below(out), (QStringList{"A/y.mp3", "x.mp3"}));
    const QueueEntry *y = manager.fileQueue()->at(1);
    QCOMPARE(y->state(), QueueEntry::S_Finished);
    QCOMPARE(y->outputPath(), out + QStringLiteral("/A/y.mp3"));
    QVERIFY(std::abs(AudioAnalysis::pitch(AudioFiles::decode(y->outputPath()), 0.5, 1.5) - 432.0) <= 0.05);
}

// The question says what it is for; cancelling it queues nothing, asks
// nothing more and says so. Chosen, both folders are saved before the first
// row exists, and the folder is the output folder from then on: the next
// import asks nothing and says where its files go, unless the settings ask
// every time. The file dialog opens in the music folder with the filter's
// patterns.
void TestManager::outputFolderQuestion()
{
    GlobalSettings *settings = GlobalSettings::instance();
    QVERIFY(QDir().mkpath(QDir::home().filePath(QStringLiteral("Music"))));
    settings->update_lastMediaImportPath(QString());  // as on a first start
    const QString song = touch({QStringLiteral("pick/song.wav")}).first().toLocalFile();
    const QString importBefore = settings->lastMediaImportPath();
    m_desktop->files = QStringList{song};
    m_desktop->folders = QStringList{QString()};
    m_manager->selectImportFiles();
    QCOMPARE(m_manager->fileQueue()->count(), 0);
    QCOMPARE(m_desktop->log, (QStringList{"asked: Select files", "asked: Where should the retuned files go?",
                                          "notice: Nothing was added: no output folder was chosen."}));
    QCOMPARE(settings->lastMediaImportPath(), importBefore);

    const QString out = m_dir.filePath(QStringLiteral("pick-out"));
    m_desktop->folders = QStringList{out};
    QStringList storedWhenInserted;
    connect(m_manager->fileQueue(), &QAbstractItemModel::rowsAboutToBeInserted, this, [&] {
        QSettings store;
        for (const char *key : {"lastMediaImportPath", "lastMediaExportPath", "outputFolder"})
            storedWhenInserted << settings->fromPortablePath(store.value(QLatin1String(key)).toString());
    });
    m_desktop->log.clear();
    m_manager->selectImportFiles();
    QCOMPARE(m_desktop->shownFolder, QDir::home().filePath(QStringLiteral("Music")));
    QVERIFY(m_desktop->shownPatterns.contains(QStringLiteral("*.opus")));
    QCOMPARE(storedWhenInserted, (QStringList{QFileInfo(song).path(), out, out}));
    QCOMPARE(m_manager->fileQueue()->at(0)->targetDirectory(), out);

    m_desktop->log.clear();
    m_manager->processImportUrls({QUrl::fromLocalFile(song)});
    QCOMPARE(m_desktop->log, QStringList{"notice: 1 file added; the retuned files go into " + out + "."});
    QCOMPARE(m_manager->fileQueue()->at(1)->targetDirectory(), out);

    settings->set_askForOutputFolder(true);
    m_desktop->log.clear();
    m_manager->processImportUrls({QUrl::fromLocalFile(song)});
    QCOMPARE(m_desktop->log.first(), QStringLiteral("asked: Where should the retuned files go?"));
    settings->set_askForOutputFolder(false);
    settings->set_outputFolder(QString());
    waitUntilIdle();
}

// Files the filter leaves out are refused alone, and left out of a mix
// with a notice; with nothing taken, nothing is asked. Files are queued in
// natural order; a launch ("Open with") queues every file it names. (The
// folders' trees: tst_mainwindow.)
void TestManager::drops()
{
    const QList<QUrl> files = touch({"drop/b10.flac", "drop/b9.flac", "drop/notes.txt"});
    const QUrl notes = files.at(2);
    const QUrl web(QStringLiteral("https://example.org/song.mp3"));
    QVERIFY(m_manager->acceptDroppedUrls({notes, files.at(0)}));
    const QUrl gone = QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("gone.mp3")));
    for (const QList<QUrl> &refused : QList<QList<QUrl>>{{notes}, {web}, {gone}, {}})
        QVERIFY(!m_manager->acceptDroppedUrls(refused));

    m_manager->processImportUrls({notes});
    m_desktop->folders = QStringList{m_dir.filePath(QStringLiteral("drop-out"))};
    m_manager->processImportUrls({web, files.at(0), notes, files.at(1)});
    QCOMPARE(queuedNames(), (QStringList{"drop/b9.flac", "drop/b10.flac"}));
    const QString out = m_dir.filePath(QStringLiteral("drop-out"));
    QCOMPARE(m_desktop->log, (QStringList{"notice: Left out what the file filter does not take: notes.txt.",
                                          "notice: Left out what the file filter does not take: "
                                          "https://example.org/song.mp3, notes.txt.",
                                          "asked: Where should the retuned files go?",
                                          "notice: 2 files added; the retuned files go into " + out + "."}));

    // A launch: the file whatever its name; one that is gone, in words.
    m_desktop->log.clear();
    m_manager->openPaths({notes.toLocalFile(), m_dir.filePath(QStringLiteral("gone.mp3"))});
    QCOMPARE(queuedNames().last(), QStringLiteral("drop/notes.txt"));
    QCOMPARE(m_desktop->log, QStringList{"notice: 1 file added; the retuned files go into " + out
                                         + ". Not found, so not added: gone.mp3."});
    // A folder of nothing the filter takes says so rather than nothing.
    m_desktop->log.clear();
    touch({QStringLiteral("texts/a.txt")});
    m_manager->processImportUrls({QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("texts")))});
    QTRY_COMPARE(m_desktop->log.filter(QStringLiteral("Nothing")),
                 QStringList{"notice: Nothing was added: texts holds no file the file filter takes (see the settings)."});
    waitUntilIdle();
}

// Files convert with the settings they were queued with, whatever the
// settings are when their turn comes or when they are retried. A failed row
// says why; "Retry failed" retries all, "Remove finished" keeps the failed
// rows.
void TestManager::failedRowsRetry()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_audioFormat(Flac);
    settings->set_keepFormants(true);
    const ConversionResult broken = resultOf(ConversionResult::Failed, QStringLiteral("“a.wav” contains no audio."));
    m_jobs.script(QStringLiteral("a.wav"), {broken});
    m_jobs.script(QStringLiteral("b.wav"), {broken});
    m_jobs.script(QStringLiteral("c.wav"), {broken, broken});
    m_jobs.setHolding(true);
    importInto(QStringLiteral("retry-out"), {"retry/a.wav", "retry/b.wav", "retry/c.wav", "retry/d.wav"});
    QTRY_COMPARE(m_jobs.running().size(), 2);  // c.wav and d.wav wait
    settings->set_targetFrequency(444.0);
    settings->set_audioFormat(Mp3);
    settings->set_keepFormants(false);
    m_jobs.setHolding(false);
    waitUntilIdle();
    QCOMPARE(m_jobs.requests().size(), 4);
    for (const ConversionRequest &request : m_jobs.requests()) {
        QCOMPARE(request.settings.targetFrequency, 432.0);
        QCOMPARE(request.settings.audioFormat, Flac);
        QVERIFY(request.settings.keepFormants);
    }
    QueueEntryList *queue = m_manager->fileQueue();
    QueueEntry *a = queue->at(0);
    QCOMPARE(a->statusText(), QStringLiteral("Failed · → 432 Hz · flac · “a.wav” contains no audio."));

    m_manager->retryEntry(a);
    waitUntilIdle();
    QCOMPARE(a->state(), QueueEntry::S_Finished);
    const ConversionRequest again = m_jobs.requests().last();
    QCOMPARE(QFileInfo(again.sourcePath).fileName(), QStringLiteral("a.wav"));
    QCOMPARE(again.settings.targetFrequency, 432.0);
    QCOMPARE(again.settings.audioFormat, Flac);

    m_manager->retryFailed();
    waitUntilIdle();
    QCOMPARE(queue->at(1)->state(), QueueEntry::S_Finished);
    QCOMPARE(queue->at(2)->state(), QueueEntry::S_Failed);
    QCOMPARE(m_jobs.requests().size(), 7);
    // A retry that fails again says so.
    QCOMPARE(m_desktop->log.filter(QStringLiteral("again")),
             QStringList{"notice: “c.wav” failed again: “a.wav” contains no audio."});
    QCOMPARE(m_manager->finishedCount(), 3);
    m_manager->removeFinishedFromQueue();
    QCOMPARE(queuedNames(), QStringList{"retry/c.wav"});
    QCOMPARE(m_manager->finishedCount(), 0);
    settings->set_targetFrequency(432.0);
}

// One at a time, on a scripted clock: the line counts the rows and
// estimates the rest from the seconds of audio done in the last minute,
// with lengths learnt as files finish; the window is alerted once the
// queue has run empty.
void TestManager::overallLineAndTimeLeft()
{
    qint64 now = 0;
    m_manager->setClock([&now] { return now; });
    m_manager->setMaxConversions(1);
    m_jobs.setHolding(true);
    ConversionResult twoMinutes = resultOf(ConversionResult::Converted);
    twoMinutes.audioSeconds = 120.0;
    m_jobs.script(QStringLiteral("a.wav"), {twoMinutes});
    m_jobs.script(QStringLiteral("b.wav"), {resultOf(ConversionResult::Failed, QStringLiteral("No."))});
    m_jobs.script(QStringLiteral("c.wav"), {twoMinutes});
    importInto(QStringLiteral("eta-out"), {"eta/a.wav", "eta/b.wav", "eta/c.wav"});
    QCOMPARE(m_manager->queueSummary(), QStringLiteral("0 of 3 converted"));

    QTRY_COMPARE(m_jobs.running(), QStringList{"a.wav"});

    // Lengths unknown: a half file in 20 s, two and a half to go.
    now = 20000;
    m_jobs.report(QStringLiteral("a.wav"), 0.5);
    QTRY_COMPARE(m_manager->queueSummary(), QStringLiteral("0 of 3 converted · about 2 min left"));

    // a is 120 s long: 120 s of audio in 40 s; b and c count as long.
    now = 40000;
    m_jobs.release(QStringLiteral("a.wav"));
    QTRY_COMPARE(m_manager->queueSummary(), QStringLiteral("1 of 3 converted · about 1 min left"));
    now = 50000;
    m_jobs.release(QStringLiteral("b.wav"));
    QTRY_COMPARE(m_manager->queueSummary(), QStringLiteral("1 of 3 converted · 1 failed · less than a minute left"));

    // Only the last minute counts: 60 s of audio in 60 s, 60 s to go.
    QTRY_COMPARE(m_jobs.running(), QStringList{"c.wav"});
    now = 130000;
    m_jobs.report(QStringLiteral("c.wav"), 0.5);
    QTRY_COMPARE(m_manager->queueSummary(), QStringLiteral("1 of 3 converted · 1 failed · about 1 min left"));
    now = 1000000;
    m_jobs.report(QStringLiteral("c.wav"), 0.51);
    QTRY_COMPARE(m_manager->queueSummary(), QStringLiteral("1 of 3 converted · 1 failed · about 49 min left"));

    QCOMPARE(m_desktop->log.count(QStringLiteral("alert")), 0);
    m_jobs.release(QStringLiteral("c.wav"));
    waitUntilIdle();
    QCOMPARE(m_manager->queueSummary(), QStringLiteral("2 of 3 converted · 1 failed"));
    QCOMPARE(m_desktop->log.count(QStringLiteral("alert")), 1);
    m_manager->clearQueue();
    QCOMPARE(m_manager->queueSummary(), QString());
}

void TestManager::cancelAndQuitAskOnlyWhenWorkWouldBeLost_data()
{
    QTest::addColumn<QStringList>("files");  // two run at a time; "done" ones convert at once
    QTest::addColumn<QStringList>("questions");  // on quitting, on cancelling

    QTest::newRow("all done") << QStringList{"done1.wav", "done2.wav"} << QStringList();
    QTest::newRow("one running") << QStringList{"done.wav", "run.wav"}
                                 << QStringList{"1 file is still being converted. Stop and quit?",
                                                "The file being converted will be stopped. The file already done "
                                                "stays in the list."};
    QTest::newRow("running and waiting")
        << QStringList{"run1.wav", "run2.wav", "wait.wav"}
        << QStringList{"3 files are still being converted. Stop and quit?",
                       "The 2 files being converted will be stopped. The waiting file will be dropped."};
}

// Closing and "Cancel conversion" ask only when running or waiting work
// would be lost. "No" changes nothing; "yes" stops the running files,
// drops the waiting ones and keeps the finished rows.
void TestManager::cancelAndQuitAskOnlyWhenWorkWouldBeLost()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, questions);
    m_jobs.setHolding(true);
    QStringList paths;
    QStringList done;
    for (const QString &file : files) {
        paths << QStringLiteral("cancel/") + file;
        if (file.startsWith(QLatin1String("done"))) {
            m_jobs.release(file);
            done << paths.last();
        }
    }
    importInto(QStringLiteral("cancel-out"), paths);
    const int running = std::min(2, int(files.size()));
    QTRY_COMPARE(m_manager->unfinishedCount(), int(files.size() - done.size()));
    QTRY_COMPARE(m_jobs.running().size(), running - int(done.size()));

    // "No", or nothing to ask.
    m_desktop->log.clear();
    QCOMPARE(m_manager->confirmQuit(), questions.isEmpty());
    if (!questions.isEmpty())
        QCOMPARE(m_desktop->buttons, (QStringList{"Stop and quit", "Keep converting"}));
    m_manager->cancelConversion();
    QCOMPARE(m_desktop->log.replaceInStrings(QStringLiteral("confirm: "), QString()), questions);
    if (!questions.isEmpty())
        QCOMPARE(m_desktop->buttons, (QStringList{"Stop converting", "Keep converting"}));
    QCOMPARE(m_manager->unfinishedCount(), int(files.size() - done.size()));

    // "Yes": what ran stops, and its row goes once stopped.
    m_desktop->answers = {true, true};
    QVERIFY(m_manager->confirmQuit());
    m_manager->cancelConversion();
    QTRY_VERIFY(!m_manager->conversionRunning());
    QCOMPARE(queuedNames(), done);
    QCOMPARE(m_jobs.requests().size(), running);
}

// Paused, the running files finish and the waiting ones wait, without an
// alert; the line says so. Started again, they convert.
void TestManager::pauseLetsRunningFilesFinish()
{
    m_jobs.setHolding(true);
    importInto(QStringLiteral("pause-out"), {"pause/a.wav", "pause/b.wav", "pause/c.wav"});
    QTRY_COMPARE(m_jobs.running().size(), 2);
    m_manager->pauseConversion();
    QVERIFY(m_manager->paused());
    m_jobs.setHolding(false);
    m_jobs.release(QStringLiteral("a.wav"));
    m_jobs.release(QStringLiteral("b.wav"));
    waitUntilIdle();
    QCOMPARE(m_jobs.requests().size(), 2);
    QCOMPARE(m_manager->fileQueue()->at(2)->state(), QueueEntry::S_Pending);
    QCOMPARE(m_manager->queueSummary(), QStringLiteral("2 of 3 converted · paused"));
    QCOMPARE(m_desktop->log.count(QStringLiteral("alert")), 0);
    m_manager->startConversion();
    QVERIFY(!m_manager->paused());
    QTRY_COMPARE(m_manager->fileQueue()->at(2)->state(), QueueEntry::S_Finished);
}

void TestManager::keptQueueComesBack_data()
{
    QTest::addColumn<QByteArray>("before");  // the database file as the program finds it; "locked": held
    QTest::addColumn<QString>("notice");  // what the user is told first

    QTest::newRow("kept") << QByteArray() << QString();
    QTest::newRow("damaged") << QByteArray(4096, '\x5a') << "notice: The saved queue could not be read";
    QTest::newRow("locked") << QByteArray("locked") << "notice: The saved queue is in use by another program";
}

// What was queued comes back at the next start, with the settings it was
// queued with: finished rows as finished, the others converting again. A
// database that cannot be used is said, and the queue converts all the
// same; without restoring, the queue starts empty.
void TestManager::keptQueueComesBack()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, notice);
    const QString path = m_dir.filePath(QStringLiteral("kept/%1/queue.sqlite").arg(QTest::currentDataTag()));
    QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    if (before == "locked") {
        locker.setDatabaseName(TestFiles::write(path));
        QVERIFY(locker.open());
        for (const char *sql : {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "CREATE TABLE mine (x)"})
            QVERIFY(QSqlQuery(locker).exec(QLatin1String(sql)));
    } else if (!before.isEmpty()) {
        TestFiles::write(path, before);
    }
    m_manager->keepQueue(path, true);
    QVERIFY2(m_desktop->log.value(0).startsWith(notice), qPrintable(m_desktop->log.value(0)));
    GlobalSettings::instance()->set_targetFrequency(444.0);
    m_jobs.setHolding(true);
    m_jobs.release(QStringLiteral("a.wav"));
    importInto(QStringLiteral("kept-out"), {"kept/a.wav", "kept/b.wav", "kept/c.wav"});
    GlobalSettings::instance()->set_targetFrequency(432.0);
    QTRY_COMPARE(m_manager->fileQueue()->at(0)->state(), QueueEntry::S_Finished);
    QTRY_COMPARE(m_jobs.running().size(), 2);
    // Kept, only the running files' work is lost by quitting, and the
    // question says the rest comes back.
    if (notice.isEmpty()) {
        QVERIFY(!m_manager->confirmQuit());
        QCOMPARE(m_desktop->log.last(), QStringLiteral("confirm: 2 files are still being converted. Stop and quit? "
                                                       "The queue is kept: its files convert when Tunewise "
                                                       "starts again."));
    }
    cleanup();
    locker.close();
    locker = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));

    init();
    m_manager->keepQueue(path, true);
    const QStringList kept{"kept/a.wav", "kept/b.wav", "kept/c.wav"};
    QCOMPARE(queuedNames(), notice.contains(QLatin1String("in use")) ? QStringList() : kept);
    if (queuedNames().isEmpty())
        return;
    waitUntilIdle();
    QCOMPARE(m_manager->fileQueue()->at(0)->statusText(),
             QStringLiteral("Finished · → 444 Hz · mp3 · a.flac"));
    QCOMPARE(m_jobs.requests().size(), 2);  // b and c, again
    for (const ConversionRequest &request : m_jobs.requests())
        QCOMPARE(request.settings.targetFrequency, 444.0);
    cleanup();
    init();
    m_manager->keepQueue(path, false);
    QCOMPARE(queuedNames(), QStringList());
}

// The destructor returns only once every running job has stopped.
void TestManager::destructionStopsConversions()
{
    m_jobs.setHolding(true);
    importInto(QStringLiteral("destroy-out"), {"destroy/a.wav", "destroy/b.wav", "destroy/c.wav"});
    QTRY_COMPARE(m_jobs.running().size(), 2);
    m_manager.reset();
    QCOMPARE(m_jobs.running(), QStringList());
    QCOMPARE(m_jobs.requests().size(), 2);
}

// Opened through the manager, the dialog is modal and announces nothing; a
// choice applies at once, and the store follows on OK; Escape puts back
// every choice made, the language too. The bit rate offers what the format
// takes, and nothing for a lossless one; a rate the new format cannot take
// becomes its nearest. The source pitch takes any number typed up to
// 2000 Hz, and a pair more than two octaves apart keeps the dialog open.
void TestManager::settingsDialogCommitsOnClose()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_audioFormat(Flac);
    settings->saveSettings();
    QSignalSpy format(settings, &GlobalSettings::audioFormatChanged);
    QSignalSpy language(settings, &GlobalSettings::preferedLanguageChanged);
    m_manager->setDesktop(std::make_unique<WidgetDesktop>(nullptr));
    const auto open = [this] {
        m_manager->showSettingsDialog();
        return QPointer<SettingsDialog>(qobject_cast<SettingsDialog *>(QApplication::activeModalWidget()));
    };
    for (const bool cancel : {true, false}) {
        QPointer<SettingsDialog> dialog = open();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(format.count() + language.count(), 0);
        dialog->findChild<QLineEdit *>(QStringLiteral("edtFileFilter"))->setText(QStringLiteral("*.ogg,*.opus"));
        auto *formats = dialog->findChild<QComboBox *>(QStringLiteral("cboAudioFormat"));
        auto *bitrates = dialog->findChild<QComboBox *>(QStringLiteral("cboAudioBitRate"));
        QCOMPARE(formats->currentText(), QStringLiteral("flac"));
        QVERIFY(!bitrates->isEnabled());
        formats->setCurrentIndex(formats->findText(QStringLiteral("m4a (AAC)")));
        QCOMPARE(settings->audioFormat(), M4a);
        QCOMPARE(format.count(), 1);
        QVERIFY(bitrates->isEnabled());
        bitrates->setCurrentIndex(bitrates->findText(QStringLiteral("512 kBit/s")));
        formats->setCurrentIndex(formats->findText(QStringLiteral("mp3")));
        QCOMPARE(bitrates->findText(QStringLiteral("512 kBit/s")), -1);
        QCOMPARE(bitrates->currentText(), QStringLiteral("320 kBit/s"));
        QCOMPARE(settings->audioBitrate(), 320);
        auto *languages = dialog->findChild<QComboBox *>(QStringLiteral("cboLanguage"));
        languages->setCurrentIndex(languages->findText(QStringLiteral("Deutsch")));
        QCOMPARE(QSettings().value(QStringLiteral("audioFormat")).toInt(), Flac);
        if (cancel) {
            QTest::keyClick(dialog.data(), Qt::Key_Escape);
            QTRY_VERIFY(dialog.isNull());
            QCOMPARE(settings->audioFormat(), Flac);
            QCOMPARE(settings->preferedLanguage(), QStringLiteral("en"));
            QCOMPARE(QCoreApplication::translate("main", "Select songs"), QStringLiteral("Select songs"));
            QCOMPARE(QSettings().value(QStringLiteral("fileFilter")).toString(), settings->fileFilter());
            QVERIFY(settings->fileFilter() != QStringLiteral("*.ogg,*.opus"));
            format.clear();
            language.clear();
            continue;
        }
        languages->setCurrentIndex(languages->findText(QStringLiteral("English")));
        auto *source = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtSourceFrequency"));
        source->selectAll();
        QTest::keyClicks(source, QStringLiteral("2000"));
        QCOMPARE(source->value(), 2000.0);
        QTest::keyClick(dialog.data(), Qt::Key_Return);
        QVERIFY(dialog && dialog->isVisible());  // 2000 Hz is more than two octaves from 432
        QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("lblSourceFrequencyInfo"))->text().contains("1728"));
        source->selectAll();
        QTest::keyClicks(source, QStringLiteral("415"));
        QTest::keyClick(dialog.data(), Qt::Key_Return);
        QTRY_VERIFY(dialog.isNull());
    }
    QSettings store;
    QCOMPARE(store.value(QStringLiteral("audioFormat")).toInt(), Mp3);
    QCOMPARE(store.value(QStringLiteral("fileFilter")).toString(), QStringLiteral("*.ogg,*.opus"));
    QCOMPARE(store.value(QStringLiteral("audioBitrate")).toInt(), 320);
    QCOMPARE(store.value(QStringLiteral("sourceFrequency")).toDouble(), 415.0);
    settings->set_sourceFrequency(440.0);
}

TW_TEST_MAIN_WITH_HOME(TestManager, QApplication)
#include "tst_manager.moc"
