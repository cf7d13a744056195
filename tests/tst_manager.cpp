// The queue controller on the real thread pool with real conversions, and
// the settings dialog; dialogs are answered through the file chooser seam.
#include "queue/ApplicationManager.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDesktop.h"
#include "settings/GlobalSettings.h"
#include "queue/QueueEntry.h"
#include "app/SettingsDialog.h"
#include "app/WidgetDesktop.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"
#include "settings/Translator.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

QList<QUrl> urlsOf(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

} // namespace

class TestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void targetFrequencies();
    void folderImportMirrorsTheTree();
    void poolLimitAndRunningFlag();
    void queuedFilesKeepTheirSettings();
    void removingEntries();
    void targetDialog();
    void droppedUrls();
    void destructionStopsConversions();
    void existingOutputsAreSkipped();
    void settingsDialogCommitsOnClose();
    void settingsDialogInGerman();

private:
    QString writeSource(const QString &relativePath, double seconds);
    ScriptedDesktop *chooser() { return m_chooser; }
    void waitUntilIdle(ApplicationManager *manager, int timeoutMs = 120000);

    QTemporaryDir m_dir;
    std::unique_ptr<ApplicationManager> m_manager;
    ScriptedDesktop *m_chooser = nullptr;
};

void TestManager::initTestCase()
{
    QVERIFY(m_dir.isValid());
    GlobalSettings::instance()->set_audioFormat(AppConstants::F_Mp3);
}

void TestManager::init()
{
    GlobalSettings::instance()->set_algorithm(AppConstants::A_Time);
    m_manager = std::make_unique<ApplicationManager>();
    m_manager->setMaxConversions(2);
    auto chooser = std::make_unique<ScriptedDesktop>();
    m_chooser = chooser.get();
    m_manager->setDesktop(std::move(chooser));
}

void TestManager::cleanup()
{
    m_manager.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestManager::waitUntilIdle(ApplicationManager *manager, int timeoutMs)
{
    QTRY_VERIFY_WITH_TIMEOUT(!manager->conversionRunning(), timeoutMs);
}

QString TestManager::writeSource(const QString &relativePath, double seconds)
{
    const QString path = m_dir.filePath(relativePath);
    QDir().mkpath(QFileInfo(path).path());
    if (!QFileInfo::exists(path)) {
        const QString error = AudioFiles::write(path, TestSignals::sine(440.0, seconds));
        if (!error.isEmpty())
            qWarning() << "Cannot write" << path << error;
    }
    return path;
}

void TestManager::targetFrequencies()
{
    const KeyValueItemList *list = m_manager->targetFrequencies();
    QCOMPARE(list->count(), 11);
    const QStringList labels = {"174 Hz (F3)",  "285 Hz (C#4)", "396 Hz (G4)",  "417 Hz (G#4)",
                                "432 Hz (A4)",  "440 Hz (A4)",  "528 Hz (C5)",  "639 Hz (D#5)",
                                "741 Hz (F#5)", "852 Hz (G#5)", "963 Hz (B5)"};
    const QVariantList values = {438.48, 452.37, 444.34, 441.78, 432, 440, 444, 451.84, 440.6, 451.33, 428.96};
    for (int row = 0; row < 11; ++row) {
        const KeyValueItem *item = list->at(row);
        QCOMPARE(item->label(), labels[row]);
        QCOMPARE(item->value(), values[row]);
        QCOMPARE(item->value().userType(), values[row].userType());
        QCOMPARE(item->parent(), list);
        // The value is the A4 at which the named note has the named
        // frequency, in equal temperament, within 0.2 Hz.
        const double hz = labels[row].section(QLatin1Char(' '), 0, 0).toDouble();
        const double semitonesFromA4 = std::round(12.0 * std::log2(hz / item->value().toDouble()));
        QVERIFY(std::abs(hz / std::pow(2.0, semitonesFromA4 / 12.0) - item->value().toDouble()) < 0.2);
    }
    QCOMPARE(list->getIndexOfValue(432.0), 4);
}

// Music/x.mp3, Music/A/y.flac and Music/A/B/z.txt into Out: two entries
// whose outputs mirror the tree.
void TestManager::folderImportMirrorsTheTree()
{
    const QString music = m_dir.filePath(QStringLiteral("Music"));
    writeSource(QStringLiteral("Music/x.mp3"), 2.0);
    writeSource(QStringLiteral("Music/A/y.flac"), 2.0);
    QDir().mkpath(music + QStringLiteral("/A/B"));
    QFile text(music + QStringLiteral("/A/B/z.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.close();
    const QString out = m_dir.filePath(QStringLiteral("Out"));
    QDir().mkpath(out);

    chooser()->folders = QStringList{music, out};
    QSignalSpy running(m_manager.get(), &ApplicationManager::conversionRunningChanged);
    m_manager->selectImportFolder();
    QTRY_COMPARE(m_manager->fileQueue()->count(), 2);

    QStringList targets;
    for (const QueueEntry *entry : m_manager->fileQueue()->items())
        targets << entry->targetDirectory();
    targets.sort();
    QCOMPARE(targets, (QStringList{out + QStringLiteral("/"), out + QStringLiteral("/A")}));
    QCOMPARE(GlobalSettings::instance()->lastMediaImportPath(), music);
    QCOMPARE(chooser()->captions, (QStringList{"Select folder", "Target folder"}));

    waitUntilIdle(m_manager.get());
    for (const QueueEntry *entry : m_manager->fileQueue()->items()) {
        QCOMPARE(entry->state(), QueueEntry::S_Finished);
        QCOMPARE(entry->progress(), 1.0);
    }
    QCOMPARE(TestFiles::below(out), (QStringList{"A/y.mp3", "x.mp3"}));
    const AudioBuffer retuned = AudioFiles::decode(out + QStringLiteral("/A/y.mp3"));
    QVERIFY(std::abs(AudioAnalysis::pitch(retuned, 0.5, 1.5) - 432.0) <= 0.05);
    QCOMPARE(running.count(), 2);
}

// With a pool of 4 and 10 files: at most 4 at once, all finish, and the
// running flag turns on once and off once, after the last.
void TestManager::poolLimitAndRunningFlag()
{
    m_manager->setMaxConversions(4);
    QStringList sources;
    for (int i = 0; i < 10; ++i)
        sources << writeSource(QStringLiteral("ten/song%1.wav").arg(i), 1.0);
    const QString out = m_dir.filePath(QStringLiteral("ten-out"));
    chooser()->folders = QStringList{out};

    int processing = 0;
    int most = 0;
    int finished = 0;
    QList<bool> runningChanges;
    connect(m_manager.get(), &ApplicationManager::conversionRunningChanged, this, [&](bool running) {
        runningChanges << running;
        if (!running)
            QCOMPARE(finished, 10);
    });
    connect(m_manager->fileQueue(), &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex &, int a, int b) {
        for (int row = a; row <= b; ++row) {
            QueueEntry *entry = m_manager->fileQueue()->at(row);
            connect(entry, &QueueEntry::stateChanged, this, [&](QueueEntry::State state) {
                if (state == QueueEntry::S_Processing)
                    most = std::max(most, ++processing);
                else if (state == QueueEntry::S_Finished || state == QueueEntry::S_Failed)
                    --processing, ++finished;
            });
        }
    });
    m_manager->processImportUrls(urlsOf(sources));
    QCOMPARE(m_manager->fileQueue()->count(), 10);
    waitUntilIdle(m_manager.get());

    QCOMPARE(most, 4);
    QCOMPARE(finished, 10);
    QCOMPARE(runningChanges, (QList<bool>{true, false}));
    for (const QueueEntry *entry : m_manager->fileQueue()->items())
        QCOMPARE(entry->state(), QueueEntry::S_Finished);
    QCOMPARE(TestFiles::below(out).size(), 10);

    // Nothing pending: starting changes nothing.
    QSignalSpy running(m_manager.get(), &ApplicationManager::conversionRunningChanged);
    m_manager->startConversion();
    QCOMPARE(running.count(), 0);
}

// The settings in force when a file is queued are the ones it converts
// with: changing the target pitch and format while it waits changes nothing
// for it, and applies to the files queued afterwards.
void TestManager::queuedFilesKeepTheirSettings()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_targetFrequency(432.0);
    settings->set_audioFormat(AppConstants::F_Mp3);
    m_manager->setMaxConversions(1);
    const QString out = m_dir.filePath(QStringLiteral("snapshot-out"));
    chooser()->folders = QStringList{out, out};
    m_manager->processImportUrls(urlsOf({writeSource(QStringLiteral("snapshot/first.wav"), 2.0),
                                         writeSource(QStringLiteral("snapshot/second.wav"), 2.0)}));
    QCOMPARE(m_manager->fileQueue()->at(1)->state(), QueueEntry::S_Pending);
    settings->set_targetFrequency(444.0);
    settings->set_audioFormat(AppConstants::F_Flac);
    m_manager->processImportUrls(urlsOf({writeSource(QStringLiteral("snapshot/third.wav"), 2.0)}));
    waitUntilIdle(m_manager.get());

    QCOMPARE(TestFiles::below(out), (QStringList{"first.mp3", "second.mp3", "third.flac"}));
    const double expected[] = {432.0, 432.0, 444.0};
    const char *names[] = {"first.mp3", "second.mp3", "third.flac"};
    for (int i = 0; i < 3; ++i) {
        const AudioBuffer output = AudioFiles::decode(QDir(out).filePath(QLatin1String(names[i])));
        QVERIFY2(std::abs(AudioAnalysis::pitch(output, 0.5, 1.5) - expected[i]) <= 0.05, names[i]);
    }
    settings->set_targetFrequency(432.0);
    settings->set_audioFormat(AppConstants::F_Mp3);
}

void TestManager::removingEntries()
{
    GlobalSettings::instance()->set_algorithm(AppConstants::A_Frequency);
    const QString longSong = writeSource(QStringLiteral("long/long.wav"), 240.0);
    const QString shortSong = writeSource(QStringLiteral("long/short.wav"), 1.0);
    const QString out = m_dir.filePath(QStringLiteral("removing-out"));
    QueueEntryList *queue = m_manager->fileQueue();

    // Two long conversions run, one short file waits, then finishes later.
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(urlsOf({longSong, longSong, shortSong}));
    QCOMPARE(queue->count(), 3);
    QueueEntry *first = queue->at(0);
    QueueEntry *second = queue->at(1);
    QueueEntry *waiting = queue->at(2);
    QCOMPARE(first->state(), QueueEntry::S_Processing);
    QCOMPARE(waiting->state(), QueueEntry::S_Pending);

    // A pending row goes at once.
    m_manager->queueEntryClicked(waiting);
    QCOMPARE(queue->count(), 2);
    QCOMPARE(queue->indexOf(waiting), -1);

    // Only finished and failed entries go.
    m_manager->removeFinishedFromQueue();
    QCOMPARE(queue->count(), 2);

    // A processing row stays until its job has stopped.
    QPointer<QueueEntry> stopped = first;
    m_manager->queueEntryClicked(first);
    QCOMPARE(queue->count(), 2);
    QVERIFY(stopped->deleteWhenFinished());
    QTRY_COMPARE_WITH_TIMEOUT(queue->count(), 1, 10000);
    QCOMPARE(queue->at(0), second);

    // Clearing during a conversion: the running row goes when its job stops.
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(urlsOf({shortSong}));
    QCOMPARE(queue->count(), 2);
    QCOMPARE(queue->at(1)->state(), QueueEntry::S_Processing);
    QTRY_COMPARE_WITH_TIMEOUT(queue->at(1)->state(), QueueEntry::S_Finished, 60000);
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(urlsOf({shortSong, shortSong}));  // one runs, one waits
    QCOMPARE(queue->count(), 4);
    m_manager->removeFinishedFromQueue();
    QCOMPARE(queue->count(), 3);
    QSignalSpy running(m_manager.get(), &ApplicationManager::conversionRunningChanged);
    m_manager->clearQueue();
    QVERIFY(queue->count() >= 1);  // the running ones are still there
    for (const QueueEntry *entry : queue->items())
        QCOMPARE(entry->state(), QueueEntry::S_Processing);
    QTRY_COMPARE_WITH_TIMEOUT(queue->count(), 0, 10000);
    QTRY_COMPARE(running.count(), 1);
    QCOMPARE(running.at(0).at(0).toBool(), false);

    // Outputs: only what finished; nothing of the stopped long runs.
    for (const QString &name : TestFiles::below(out))
        QVERIFY2(name.startsWith(QLatin1String("short")), qPrintable(name));
}

void TestManager::targetDialog()
{
    GlobalSettings *settings = GlobalSettings::instance();
    const QString song = writeSource(QStringLiteral("pick/song.wav"), 1.0);
    const QString importBefore = settings->lastMediaImportPath();

    // Cancelled: nothing queued, nothing changed.
    chooser()->files = QStringList{song};
    chooser()->folders = QStringList{QString()};
    m_manager->selectImportFiles();
    QCOMPARE(m_manager->fileQueue()->count(), 0);
    QCOMPARE(settings->lastMediaImportPath(), importBefore);

    // Chosen: both paths stored and saved before the first entry exists.
    const QString out = m_dir.filePath(QStringLiteral("pick-out"));
    chooser()->folders = QStringList{out};
    QStringList storedWhenInserted;
    connect(m_manager->fileQueue(), &QAbstractItemModel::rowsAboutToBeInserted, this, [&] {
        QSettings store;
        storedWhenInserted << settings->fromPortablePath(store.value(QStringLiteral("lastMediaImportPath")).toString())
                           << settings->fromPortablePath(store.value(QStringLiteral("lastMediaExportPath")).toString());
    });
    m_manager->selectImportFiles();
    QCOMPARE(m_manager->fileQueue()->count(), 1);
    QCOMPARE(storedWhenInserted, (QStringList{QFileInfo(song).path(), out}));
    QCOMPARE(m_manager->fileQueue()->at(0)->targetDirectory(), out);
    QCOMPARE(chooser()->captions.mid(2), (QStringList{"Select files", "Target folder"}));
    waitUntilIdle(m_manager.get());
}

void TestManager::droppedUrls()
{
    const QString song = writeSource(QStringLiteral("drop/song.wav"), 1.0);
    const QString folder = m_dir.filePath(QStringLiteral("drop"));
    const QList<QUrl> mixed = {QUrl::fromLocalFile(folder), QUrl(QStringLiteral("https://example.org/song.mp3")),
                               QUrl::fromLocalFile(song)};
    QVERIFY(m_manager->acceptDroppedUrls(mixed));
    QVERIFY(!m_manager->acceptDroppedUrls({QUrl::fromLocalFile(folder), QUrl::fromLocalFile(m_dir.path())}));
    QVERIFY(!m_manager->acceptDroppedUrls({}));
    QVERIFY(!m_manager->acceptDroppedUrls({QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("gone.mp3")))}));

    // The file at once; the folder's files once it is searched, into the
    // same output folder, asked for once.
    const QString out = m_dir.filePath(QStringLiteral("drop-out"));
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(mixed);
    QCOMPARE(m_manager->fileQueue()->count(), 1);
    QCOMPARE(m_manager->fileQueue()->at(0)->filePath(), song);
    QTRY_COMPARE(m_manager->fileQueue()->count(), 2);
    QCOMPARE(m_manager->fileQueue()->at(1)->filePath(), song);
    QCOMPARE(m_manager->fileQueue()->at(1)->targetDirectory(), out + QLatin1Char('/'));
    QCOMPARE(chooser()->captions, QStringList{"Target folder"});
    waitUntilIdle(m_manager.get());

    // Cancelled target: nothing queued.
    chooser()->folders = QStringList{QString()};
    m_manager->processImportUrls(mixed);
    QCOMPARE(m_manager->fileQueue()->count(), 2);
}

void TestManager::destructionStopsConversions()
{
    GlobalSettings::instance()->set_algorithm(AppConstants::A_Frequency);
    const QString longSong = writeSource(QStringLiteral("long/long.wav"), 240.0);
    const QString out = m_dir.filePath(QStringLiteral("destroy-out"));
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(urlsOf({longSong, longSong, longSong}));
    QTRY_VERIFY(QFileInfo::exists(out) && TestFiles::below(out).size() == 2);  // both have started writing

    // Each job removes its unfinished output as the last thing it does, so
    // an empty folder right after the destructor means every job had ended.
    m_manager.reset();
    QCOMPARE(TestFiles::below(out), QStringList());
}

// With "Skip the file", a file whose output exists ends as skipped, not as
// finished, and goes with the finished ones.
void TestManager::existingOutputsAreSkipped()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_skipExistingOutputs(true);
    const QString out = m_dir.filePath(QStringLiteral("skip-out"));
    QDir().mkpath(out);
    QFile existing(out + QStringLiteral("/old.mp3"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    chooser()->folders = QStringList{out};
    m_manager->processImportUrls(
        urlsOf({writeSource(QStringLiteral("skip/old.wav"), 1.0), writeSource(QStringLiteral("skip/new.wav"), 1.0)}));
    waitUntilIdle(m_manager.get());
    settings->set_skipExistingOutputs(false);

    QueueEntryList *queue = m_manager->fileQueue();
    QCOMPARE(queue->at(0)->state(), QueueEntry::S_Skipped);
    QCOMPARE(queue->at(1)->state(), QueueEntry::S_Finished);
    QCOMPARE(TestFiles::below(out), (QStringList{"new.mp3", "old.mp3"}));
    m_manager->removeFinishedFromQueue();
    QCOMPARE(queue->count(), 0);
}

void TestManager::settingsDialogCommitsOnClose()
{
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_audioFormat(AppConstants::F_Mp3);
    settings->set_sourceFrequency(440.0);
    settings->saveSettings();
    const QString storeFile = QSettings().fileName();

    // Untouched: saved, and nothing announced as changed.
    {
        QSignalSpy format(settings, &GlobalSettings::audioFormatChanged);
        QSignalSpy source(settings, &GlobalSettings::sourceFrequencyChanged);
        QSignalSpy filter(settings, &GlobalSettings::fileFilterChanged);
        QSignalSpy language(settings, &GlobalSettings::preferedLanguageChanged);
        auto dialog = std::make_unique<SettingsDialog>();
        QFile::remove(storeFile);
        dialog.reset();
        QVERIFY(QFileInfo::exists(storeFile));
        QCOMPARE(format.count() + source.count() + filter.count() + language.count(), 0);
    }

    // A combo choice applies at once; the store follows on close.
    {
        auto dialog = std::make_unique<SettingsDialog>();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
        auto *formats = dialog->findChild<QComboBox *>(QStringLiteral("cboAudioFormat"));
        QCOMPARE(formats->currentText(), QStringLiteral("mp3"));
        QSignalSpy format(settings, &GlobalSettings::audioFormatChanged);
        formats->setCurrentIndex(formats->findText(QStringLiteral("flac")));
        QCOMPARE(settings->audioFormat(), AppConstants::F_Flac);
        QCOMPARE(format.count(), 1);
        QCOMPARE(QSettings().value(QStringLiteral("audioFormat")).toInt(), int(AppConstants::F_Mp3));
        dialog.reset();
        QCOMPARE(QSettings().value(QStringLiteral("audioFormat")).toInt(), int(AppConstants::F_Flac));
    }

    // Escape, through the manager: the changes stay and are saved.
    {
        m_manager->setDesktop(std::make_unique<WidgetDesktop>(nullptr));
        m_manager->showSettingsDialog();
        QPointer<SettingsDialog> dialog;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *candidate = qobject_cast<SettingsDialog *>(widget))
                dialog = candidate;
        }
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->isModal());
        dialog->findChild<QLineEdit *>(QStringLiteral("edtFileFilter"))->setText(QStringLiteral("*.ogg,*.opus"));
        // The bit rate offers what the format takes, and nothing for a
        // lossless one; a rate the new format cannot take becomes its
        // nearest.
        auto *formats = dialog->findChild<QComboBox *>(QStringLiteral("cboAudioFormat"));
        auto *bitrates = dialog->findChild<QComboBox *>(QStringLiteral("cboAudioBitRate"));
        QVERIFY(!bitrates->isEnabled());  // flac, from above
        formats->setCurrentIndex(formats->findText(QStringLiteral("m4a (AAC)")));
        QVERIFY(bitrates->isEnabled());
        bitrates->setCurrentIndex(bitrates->findText(QStringLiteral("512 kBit/s")));
        formats->setCurrentIndex(formats->findText(QStringLiteral("mp3")));
        QCOMPARE(bitrates->findText(QStringLiteral("512 kBit/s")), -1);
        QCOMPARE(bitrates->currentText(), QStringLiteral("320 kBit/s"));
        QCOMPARE(settings->audioBitrate(), 320);
        QTest::keyClick(dialog.data(), Qt::Key_Escape);
        QTRY_VERIFY(dialog.isNull());
        QSettings store;
        QCOMPARE(store.value(QStringLiteral("fileFilter")).toString(), QStringLiteral("*.ogg,*.opus"));
        QCOMPARE(store.value(QStringLiteral("audioBitrate")).toInt(), 320);
    }

    // A stored frequency outside the field's range is shown clamped and
    // saved as shown.
    {
        settings->set_sourceFrequency(2345.678);
        auto dialog = std::make_unique<SettingsDialog>();
        auto *frequency = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtSourceFrequency"));
        QCOMPARE(frequency->text(), QStringLiteral("2000.00 Hertz"));
        dialog.reset();
        QCOMPARE(settings->sourceFrequency(), 2000.0);
        QCOMPARE(QSettings().value(QStringLiteral("sourceFrequency")).toDouble(), 2000.0);
        settings->set_sourceFrequency(440.0);
    }

    // The language row follows the setting; a hand-edited bit rate selects
    // no row and is kept.
    {
        settings->set_audioBitrate(200);
        auto dialog = std::make_unique<SettingsDialog>();
        QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("cboAudioBitRate"))->currentIndex(), -1);
        auto *languages = dialog->findChild<QComboBox *>(QStringLiteral("cboLanguage"));
        QCOMPARE(languages->currentIndex(), languages->findText(QStringLiteral("English")));
        languages->setCurrentIndex(languages->findText(QStringLiteral("Auto")));
        QCOMPARE(settings->preferedLanguage(), QString());
        QCOMPARE(Translator::instance()->strCancelConversion(), QStringLiteral("Cancel conversion"));
        dialog.reset();
        QCOMPARE(settings->audioBitrate(), 200);
        settings->set_preferedLanguage(QStringLiteral("en"));
        settings->set_audioBitrate(192);
    }
}

void TestManager::settingsDialogInGerman()
{
    QTranslator german;
    QVERIFY(german.load(QStringLiteral(":/translations/twconv_de.qm")));
    QCoreApplication::installTranslator(&german);
    auto dialog = std::make_unique<SettingsDialog>();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Einstellungen"));
    QCOMPARE(dialog->findChild<QDoubleSpinBox *>(QStringLiteral("edtSourceFrequency"))->suffix(),
             QStringLiteral(" Hertz"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblAdvanced"))->text(), QStringLiteral("Erweiterte Optionen"));
    QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("lblAdvanced"))->font().bold());
    QCOMPARE(dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->standardButtons(),
             QDialogButtonBox::Close);

    // Tab order as the form defines it.
    const QStringList fields = {"cboLanguage", "cboAudioFormat", "cboAudioBitRate", "cboAlgorithm", "edtFileFilter",
                                "edtSourceFrequency"};
    QStringList order;
    QWidget *widget = dialog->findChild<QWidget *>(QStringLiteral("cboLanguage"));
    for (int steps = 0; order.size() < fields.size() && steps < 100; ++steps, widget = widget->nextInFocusChain()) {
        if (fields.contains(widget->objectName()) && !order.contains(widget->objectName()))
            order << widget->objectName();
    }
    QCOMPARE(order, (QStringList{"cboLanguage", "cboAudioFormat", "cboAudioBitRate", "cboAlgorithm", "edtFileFilter",
                                 "edtSourceFrequency"}));
    dialog.reset();
    QCoreApplication::removeTranslator(&german);
}

TW_TEST_MAIN_WITH_HOME(TestManager, QApplication)
#include "tst_manager.moc"
