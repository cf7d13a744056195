// The real main window and its QML scene, driven as a user would, with
// scripted conversions behind it.
#include "queue/ApplicationManager.h"
#include "support/FakeConverter.h"
#include "support/ScriptedDesktop.h"
#include "base/ProgramInfo.h"
#include "settings/GlobalSettings.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "app/WidgetDesktop.h"
#include "queue/QueueEntry.h"
#include "support/AudioFiles.h"
#include "support/ClockedDevice.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"
#include "support/TestSignals.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QKeySequence>
#include <QLabel>
#include <QMetaEnum>
#include <QMimeData>
#include <QPushButton>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWindow>
#include <QQuickWidget>
#include <QSettings>
#include <QtTest>

#include <memory>

namespace {

// The scene's warnings while it lives; any fails the test.
QStringList g_qmlWarnings;
QtMessageHandler g_previousHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((type == QtWarningMsg || type == QtCriticalMsg)
        && (message.contains(QLatin1String("qrc:/")) || message.contains(QLatin1String("qml"), Qt::CaseInsensitive)))
        g_qmlWarnings << message;
    g_previousHandler(type, context, message);
}

// Delegates belong to the view's visual tree, not to its QObject children.
void collect(QQuickItem *item, const QString &objectName, QList<QQuickItem *> &found)
{
    for (QQuickItem *child : item->childItems()) {
        if (child->objectName() == objectName)
            found << child;
        collect(child, objectName, found);
    }
}

// The window's own dialogs, but for the questions of folders and the
// settings, which answer from a list and a log.
class KeyboardDesktop : public WidgetDesktop
{
public:
    using WidgetDesktop::WidgetDesktop;
    QString chooseFolder(const QString &, const QString &) override
    {
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }
    void showSettings() override { log << QStringLiteral("settings dialog"); }

    QStringList folders;
    QStringList log;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void tabReachesEveryControl();
    void keyboardActs_data();
    void keyboardActs();
    void playerKeys();
    void rowStates();
    void languageSwitchRelabels();
    void folderDropQueuesTheTree();
    void focusComesBackAfterAFolderImport();
    void longQueueFollowsTheRunningRow();
    void pitchAndWindowKeptAcrossRestarts();

private:
    QQuickItem *item(const QString &objectName) const
    {
        return m_window->quickWidget()->rootObject()->findChild<QQuickItem *>(objectName);
    }
    // The items of that name in the queue's rows, top row first.
    QList<QQuickItem *> rowItems(const QString &objectName) const
    {
        QList<QQuickItem *> found;
        collect(item(QStringLiteral("filesListView")), objectName, found);
        std::sort(found.begin(), found.end(), [](QQuickItem *a, QQuickItem *b) {
            return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
        });
        return found;
    }
    // A row put into the queue by hand, with the engine's result if given:
    // no job runs for it.
    QueueEntry *addRow(const QString &name, QueueEntry::State state, const ConversionResult *result = nullptr)
    {
        auto *entry = new QueueEntry(m_dir.filePath(name), m_dir.path(), ConversionSettings());
        entry->update_state(state);
        if (result)
            entry->applyResult(*result);
        ApplicationManager::instance()->fileQueue()->append(entry);
        return entry;
    }
    // A finished row (its output in "out"), a failed one and a waiting one,
    // whose job holds once started.
    void addRowsOfEveryKind()
    {
        m_jobs.setHolding(true);
        ConversionResult result;
        result.status = ConversionResult::Converted;
        result.outputPath = m_dir.filePath(QStringLiteral("out/done.flac"));
        addRow(QStringLiteral("done.mp3"), QueueEntry::S_Processing, &result);
        result = ConversionResult();
        result.message = TranslatableText("Conversion", "“%1” contains no audio.").arg(QStringLiteral("failed.mp3"));
        addRow(QStringLiteral("failed.mp3"), QueueEntry::S_Processing, &result);
        addRow(QStringLiteral("waiting.mp3"), QueueEntry::S_Pending);
        QTRY_COMPARE(rowItems(QStringLiteral("queueRow")).size(), 3);
    }
    // The control with the keyboard focus: its object name, a row by its file.
    QString focusedControl() const
    {
        const QQuickWindow *scene = m_window->quickWidget()->quickWindow();
        const QQuickItem *focused = scene->activeFocusItem();
        if (!focused || focused == scene->contentItem())
            return QString();
        if (focused->objectName() == QLatin1String("queueRow")) {
            const QueueEntry *entry = focused->property("entry").value<QueueEntry *>();
            return QStringLiteral("row ") + (entry ? entry->displayName() : QStringLiteral("(gone)"));
        }
        return focused->objectName();
    }
    // Keys as QKeySequence writes them, one after another: "Down Tab Space";
    // each goes where the application sends it, the focus widget's.
    void typeKeys(const QString &keys)
    {
        for (const QString &name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int combined = QKeySequence(name)[0];
            QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key(combined & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask));
            QCoreApplication::processEvents();
        }
    }
    // The entries of a menu of the scene that its width cuts off.
    static QStringList cutEntries(QObject *menu)
    {
        QStringList cut;
        QMetaObject::invokeMethod(menu, "open");
        for (int i = 0; i < menu->property("count").toInt(); ++i) {
            QQuickItem *entry = nullptr;
            QMetaObject::invokeMethod(menu, "itemAt", Q_RETURN_ARG(QQuickItem *, entry), Q_ARG(int, i));
            if (entry && entry->width() < entry->implicitWidth())
                cut << entry->property("text").toString();
        }
        QMetaObject::invokeMethod(menu, "close");
        if (!QTest::qWaitFor([menu] { return !menu->property("visible").toBool(); }))
            cut << QStringLiteral("(the menu stays open)");
        return cut;
    }
    // What the user has seen happen, a line each: the desktop's dialogs,
    // questions and pages, the rows and their states, the menus open.
    QStringList effects() const
    {
        QStringList lines = m_desktop->log;
        const QMetaEnum states = QMetaEnum::fromType<QueueEntry::State>();
        for (const QueueEntry *entry : ApplicationManager::instance()->fileQueue()->items())
            lines << entry->displayName() + QLatin1Char(' ') + QLatin1String(states.valueToKey(entry->state()));
        QList<QObject *> menus{m_window->quickWidget()->rootObject()->findChild<QObject *>(QStringLiteral("songMenu"))};
        for (QQuickItem *row : rowItems(QStringLiteral("queueRow")))
            menus << row->findChild<QObject *>(QStringLiteral("rowMenu"));
        for (QObject *menu : menus) {
            if (menu->property("visible").toBool())
                lines << QStringLiteral("menu open");
        }
        return lines;
    }

    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    FakeConverter m_jobs;
    ScriptedDesktop *m_desktop = nullptr;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    g_previousHandler = qInstallMessageHandler(recordWarnings);
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    // The shortcuts work in the active window.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    ApplicationManager::instance()->setConverter(m_jobs.function());
    ApplicationManager::instance()->player()->setDeviceFactory([] { return std::make_unique<ClockedDevice>(); });
}

void TestMainWindow::cleanupTestCase()
{
    m_window.reset();
    QCOMPARE(g_qmlWarnings, QStringList());
    qInstallMessageHandler(g_previousHandler);
}

void TestMainWindow::init()
{
    ApplicationManager *manager = ApplicationManager::instance();
    // Rows set to "processing" by hand have no job that could stop.
    for (QueueEntry *entry : manager->fileQueue()->items())
        entry->update_state(QueueEntry::S_Finished);
    manager->startConversion();  // not paused
    GlobalSettings::instance()->set_outputFolder(QString());  // the first import asks
    manager->clearQueue();
    QTRY_COMPARE(rowItems(QStringLiteral("queueRow")).size(), 0);  // the old rows are gone
    manager->update_conversionRunning(false);
    m_jobs.setHolding(false);
    // The keyboard starts from nowhere in the window, which is active.
    m_window->windowHandle()->requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), m_window->windowHandle());  // where the shortcuts work
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    while (scene->activeFocusItem() && scene->activeFocusItem() != scene->contentItem())
        scene->activeFocusItem()->setFocus(false);
    auto desktop = std::make_unique<ScriptedDesktop>();
    m_desktop = desktop.get();
    manager->setDesktop(std::move(desktop));
    QCOMPARE(g_qmlWarnings, QStringList());
}

// Tab goes through every control as one reads the screen, the selected
// row's buttons with the row, and again the same way round; each shows a
// frame while it has the focus, and tells a screen reader its role, its
// name, and that it has the focus.
void TestMainWindow::tabReachesEveryControl()
{
    addRowsOfEveryKind();
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    QStringList order;
    for (int stop = 0; stop < 26; ++stop) {
        typeKeys(QStringLiteral("Tab"));
        order << focusedControl();
        QList<QQuickItem *> frames;
        collect(scene->contentItem(), QStringLiteral("focusFrame"), frames);
        frames.erase(std::remove_if(frames.begin(), frames.end(), [](QQuickItem *f) { return !f->isVisible(); }),
                     frames.end());
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first()->parentItem(), scene->activeFocusItem());
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(scene->activeFocusItem());
        QVERIFY2(accessible && !accessible->text(QAccessible::Name).isEmpty() && accessible->state().focused,
                 qPrintable(order.last()));
        const QAccessible::Role role = accessible->role();
        QVERIFY2(role == QAccessible::Button || role == QAccessible::ListItem || role == QAccessible::ComboBox
                     || role == QAccessible::Slider,
                 qPrintable(order.last()));
    }
    const QStringList round{"webButton",          "settingsButton", "row done.mp3", "folderButton",
                            "removeButton",       "playButton",     "positionSlider", "sideSwitch",
                            "removeFinishedButton", "frequencyBox", "songsButton",  "startButton",
                            "cancelButton"};
    QCOMPARE(order, round + round);
    typeKeys(QStringLiteral("Shift+Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("startButton"));
}

void TestMainWindow::keyboardActs_data()
{
    QTest::addColumn<QString>("control");  // reached with Tab; empty: none
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("changes");  // lines of effects() gone (-) and new (+)
    QTest::addColumn<QString>("focusAfter");

    const QString about = *ProgramInfo::Website ? QStringLiteral("+opened ") + QString::fromUtf8(ProgramInfo::Website)
                                                : QStringLiteral("+About dialog");
    const QStringList retried{"+failed.mp3 S_Processing", "+waiting.mp3 S_Processing", "-failed.mp3 S_Failed",
                              "-waiting.mp3 S_Pending"};
    // Each button, pressed with Space, Return or Enter.
    QTest::newRow("globe") << "webButton" << "Space" << QStringList{about} << "webButton";
    QTest::newRow("settings") << "settingsButton" << "Return" << QStringList{"+settings dialog"} << "settingsButton";
    QTest::newRow("songs, the menu's first entry") << "songsButton" << "Enter Down Return"
                                                   << QStringList{"+asked: Select files"} << "songsButton";
    QTest::newRow("pause, then start") << "startButton" << "Return Return"
                                       << QStringList{"+waiting.mp3 S_Processing", "-waiting.mp3 S_Pending"}
                                       << "startButton";
    QTest::newRow("remove finished") << "removeFinishedButton" << "Space" << QStringList{"-done.mp3 S_Finished"}
                                     << "row failed.mp3";
    QTest::newRow("cancel") << "cancelButton" << "Space"
                            << QStringList{"+confirm: The waiting file will be dropped. The 2 files already done "
                                           "stay in the list."} << "cancelButton";
    QTest::newRow("a row's folder") << "folderButton" << "Space" << QStringList{"+opened out"} << "folderButton";
    QTest::newRow("a row's retry") << "row done.mp3" << "Down Tab Enter" << retried << "row failed.mp3";
    QTest::newRow("a row's remove") << "removeButton" << "Return" << QStringList{"-done.mp3 S_Finished"}
                                    << "row failed.mp3";
    // The queue's own keys.
    QTest::newRow("arrows select, Delete removes") << "row done.mp3" << "Down Down Up Delete"
                                                   << QStringList{"-failed.mp3 S_Failed"} << "row waiting.mp3";
    QTest::newRow("Enter opens a finished row's folder") << "row done.mp3" << "Return" << QStringList{"+opened out"}
                                                         << "row done.mp3";
    QTest::newRow("the menu key opens the row's menu") << "row done.mp3" << "Menu" << QStringList{"+menu open"} << "";
    // Shortcuts, wherever the focus is.
    QTest::newRow("Ctrl+O") << "" << "Ctrl+O" << QStringList{"+asked: Select files"} << "";
    QTest::newRow("Ctrl+Shift+O") << "" << "Ctrl+Shift+O" << QStringList{"+asked: Select folder"} << "";
    QTest::newRow("Ctrl+,") << "frequencyBox" << "Ctrl+," << QStringList{"+settings dialog"} << "frequencyBox";
    QTest::newRow("Ctrl+R") << "" << "Ctrl+R" << retried << "";
    QTest::newRow("F1") << "row done.mp3" << "F1" << QStringList{"+About dialog"} << "row done.mp3";
    QTest::newRow("Ctrl+Q asks as closing does")
        << "" << "Ctrl+Q" << QStringList{"+confirm: 1 file is still being converted. Stop and quit?"} << "";
}

// Every button pressed from the keyboard, the queue's keys and the
// shortcuts reach the controller; the keyboard stays on a control after a
// button that goes or is disabled, and Escape closes a menu.
void TestMainWindow::keyboardActs()
{
    QFETCH(QString, control);
    QFETCH(QString, keys);
    QFETCH(QStringList, changes);
    QFETCH(QString, focusAfter);
    addRowsOfEveryKind();
    for (int tabs = 0; focusedControl() != control && tabs < 16; ++tabs)
        typeKeys(QStringLiteral("Tab"));
    QCOMPARE(focusedControl(), control);

    const QStringList before = effects();
    typeKeys(keys);
    const auto changed = [&] {
        const QStringList after = effects();
        QStringList lines;
        for (const QString &line : after + before) {
            if (after.contains(line) != before.contains(line))
                lines << (after.contains(line) ? QStringLiteral("+") : QStringLiteral("-")) + line;
        }
        lines.sort();
        return lines;
    };
    QTRY_COMPARE(changed(), changes);
    if (!focusAfter.isEmpty())
        QTRY_COMPARE(focusedControl(), focusAfter);
    if (keys == QLatin1String("Menu")) {
        typeKeys(QStringLiteral("Escape"));
        QTRY_COMPARE(focusedControl(), QStringLiteral("row done.mp3"));
    }
    QVERIFY(m_window->isVisible());  // every question was answered "no"
    m_jobs.setHolding(false);  // lets the jobs started go
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());
}

// From the queue, Space plays the selected row and pauses it, B switches
// between its own pitch and the target, and the arrows go back and on by
// five seconds; a button still takes Space for itself.
void TestMainWindow::playerKeys()
{
    PreviewPlayer *player = ApplicationManager::instance()->player();
    const QString song = m_dir.filePath(QStringLiteral("song.wav"));
    QCOMPARE(AudioFiles::write(song, TestSignals::sine(440.0, 30.0)), QString());
    addRow(QStringLiteral("song.wav"), QueueEntry::S_Pending);
    typeKeys(QStringLiteral("Tab Tab Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("row song.wav"));
    QTRY_COMPARE(player->duration(), 30.0);
    QCOMPARE(item(QStringLiteral("playerLabel"))->property("text").toString(), QStringLiteral("song.wav"));

    typeKeys(QStringLiteral("Space Right Right"));
    QTRY_VERIFY(player->playing() && player->position() >= 10.0);
    typeKeys(QStringLiteral("Left B"));
    QTRY_VERIFY(player->position() >= 5.0 && player->position() < 9.0 && player->retuned());
    QTRY_VERIFY(player->position() > 5.3);  // it plays on
    typeKeys(QStringLiteral("Space"));
    QTRY_VERIFY(!player->playing());
    QCOMPARE(item(QStringLiteral("timeLabel"))->property("text").toString().section(QLatin1Char('/'), 1),
             QStringLiteral(" 0:30"));

    // Space on the play button is the button's; on the side switch, the
    // switch's.
    typeKeys(QStringLiteral("Tab Tab Space"));
    QCOMPARE(focusedControl(), QStringLiteral("playButton"));
    QTRY_VERIFY(player->playing());
    typeKeys(QStringLiteral("Tab Tab Space"));
    QCOMPARE(focusedControl(), QStringLiteral("sideSwitch"));
    QVERIFY(!player->retuned() && player->playing());
    player->pause();
}

// A running row shows its progress, the others an icon; each state has the
// actions that fit it; a warning shows on a line of its own.
void TestMainWindow::rowStates()
{
    const auto addDone = [this](const char *name, ConversionResult::Status status, const QString &warning = QString()) {
        ConversionResult result;
        result.status = status;
        result.outputPath = m_dir.filePath(QStringLiteral("out/song.flac"));
        if (!warning.isEmpty())
            result.warnings << TranslatableText(warning);
        addRow(QLatin1String(name), QueueEntry::S_Processing, &result);
    };
    addRow(QStringLiteral("waiting.mp3"), QueueEntry::S_Pending);
    addRow(QStringLiteral("running.mp3"), QueueEntry::S_Processing)->update_progress(0.5);
    addDone("converted.mp3", ConversionResult::Converted);
    addDone("damaged.mp3", ConversionResult::Converted, QStringLiteral("Damaged at 1:23."));
    addDone("failed.mp3", ConversionResult::Failed);
    addDone("skipped.mp3", ConversionResult::Skipped);
    QTRY_COMPARE(rowItems(QStringLiteral("queueRow")).size(), 6);

    QStringList rows;
    for (QQuickItem *row : rowItems(QStringLiteral("queueRow"))) {
        QStringList shown;
        for (const char *name : {"stateIcon", "busyIndicator", "progressBar", "folderButton", "retryButton",
                                 "removeButton", "warningLabel"}) {
            if (row->findChild<QQuickItem *>(QLatin1String(name))->isVisible())
                shown << QLatin1String(name);
        }
        rows << shown.join(QLatin1Char(' '));
    }
    QCOMPARE(rows, (QStringList{"stateIcon removeButton", "busyIndicator progressBar removeButton",
                                "stateIcon folderButton removeButton",
                                "stateIcon folderButton removeButton warningLabel",
                                "stateIcon retryButton removeButton", "stateIcon folderButton removeButton"}));
    QCOMPARE(rowItems(QStringLiteral("progressBar")).at(1)->property("value").toDouble(), 0.5);
    const QString warning = rowItems(QStringLiteral("warningLabel")).at(3)->property("text").toString();
    QCOMPARE(warning, QStringLiteral("Damaged at 1:23."));
}

// A language chosen in the settings dialog applies at once, and back,
// without a restart: to the dialog itself, its lists, Qt's own buttons and
// the decimal separator, and to the scene: its own texts (qsTr), the line
// below the queue, a failed row's reason (the engine's message) and the
// pitch of one's own. At the window's smallest size no text is cut, in
// either language, nor a note of the dialog, nor an entry of a menu.
void TestMainWindow::languageSwitchRelabels()
{
    GlobalSettings::instance()->set_targetFrequency(442.5);
    QQuickItem *root = m_window->quickWidget()->rootObject();
    m_window->resize(400, 300);
    QTRY_COMPARE(QSizeF(root->width(), root->height()), root->property("minimumSize").toSizeF());
    addRowsOfEveryKind();
    SettingsDialog dialog;
    dialog.show();
    const auto cut = [&] {
        QStringList found;
        for (const QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->wordWrap() && label->height() < label->heightForWidth(label->width()))
                found << label->text();
        }
        QList<QQuickItem *> texts{item(QStringLiteral("frequencyLabel")), item(QStringLiteral("queueSummary")),
                                  item(QStringLiteral("frequencyHint"))};
        collect(root, QStringLiteral("caption"), texts);
        collect(root, QStringLiteral("statusLabel"), texts);
        for (QQuickItem *text : texts) {
            if (text->property("truncated").toBool() || text->property("contentWidth").toReal() > text->width()
                || text->property("contentHeight").toReal() > text->height())
                found << text->property("text").toString();
        }
        QQuickItem *button = item(QStringLiteral("removeFinishedButton"));
        if (button->width() < button->implicitWidth())
            found << button->property("text").toString();
        found += cutEntries(root->findChild<QObject *>(QStringLiteral("songMenu")));
        found += cutEntries(rowItems(QStringLiteral("queueRow")).first()->findChild<QObject *>(QStringLiteral("rowMenu")));
        return found;
    };
    auto *languages = dialog.findChild<QComboBox *>(QStringLiteral("cboLanguage"));
    const auto shown = [&] {
        return QStringList{
            dialog.windowTitle(),
            dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Cancel)->text(),
            dialog.findChild<QComboBox *>(QStringLiteral("cboAlgorithm"))->currentText(),
            dialog.findChild<QComboBox *>(QStringLiteral("cboSampleRate"))->currentText(),
            dialog.findChild<QDoubleSpinBox *>(QStringLiteral("edtSourceFrequency"))->text(),
            item(QStringLiteral("songsButton"))->property("text").toString(),
            item(QStringLiteral("startButton"))->property("text").toString(),
            item(QStringLiteral("frequencyHint"))->property("text").toString(),
            rowItems(QStringLiteral("statusLabel")).at(1)->property("text").toString(),
            // The counts; the time left depends on earlier tests' pace.
            item(QStringLiteral("queueSummary"))->property("text").toString().section(QStringLiteral(" · "), 0, 1),
            rowItems(QStringLiteral("removeButton")).first()->property("tip").toString(),
            item(QStringLiteral("playButton"))->property("tip").toString()};
    };
    const QStringList english{"Settings", "Cancel", "Time based", "44.1 kHz", "440.00 Hertz", "Select songs",
                              "Pause", "A4 = 442.5 Hz", "Failed · → 432 Hz · mp3 · “failed.mp3” contains no audio.",
                              "1 of 3 converted · 1 failed", "Remove", "Listen (Space)"};
    QCOMPARE(languages->currentText(), QStringLiteral("English"));
    QCOMPARE(shown(), english);
    QTRY_COMPARE(cut(), QStringList());

    languages->setCurrentIndex(languages->findText(QStringLiteral("Deutsch")));
    QTRY_COMPARE(shown(), (QStringList{"Einstellungen", "Abbrechen", "Zeitbasiert", "44,1 kHz", "440,00 Hertz",
                                       "Musik auswählen", "Anhalten", "A4 = 442,5 Hz",
                                       "Fehler · → 432 Hz · mp3 · „failed.mp3“ enthält keine Audiospur.",
                                       "1 von 3 konvertiert · 1 fehlgeschlagen", "Entfernen", "Anhören (Leertaste)"}));
    QTRY_COMPARE(cut(), QStringList());
    QCOMPARE(m_window->quickWidget()->rootObject(), root);  // the same scene

    languages->setCurrentIndex(languages->findText(QStringLiteral("Auto")));  // English here
    QCOMPARE(GlobalSettings::instance()->preferedLanguage(), QString());
    QTRY_COMPARE(shown(), english);
    GlobalSettings::instance()->selectLanguage(QStringLiteral("en"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);  // before the rows go
    GlobalSettings::instance()->set_targetFrequency(432.0);
    m_window->resize(1000, 640);
}

// A folder dropped on the window is taken, and its tree queued after the
// loose files, in natural order, capitals or not, each folder's files
// before its subfolders' (opus too, by default), while the window shows it
// is busy; the status line says how many came and where they go. A drag of a
// file the filter leaves out is refused while it moves over the window.
void TestMainWindow::folderDropQueuesTheTree()
{
    for (const char *name : {"dropped/b10.wav", "dropped/b9.wav", "dropped/A/t1.wav", "dropped/B1.wav",
                             "dropped/notes.txt", "dropped/c.opus", "loose.wav"})
        TestFiles::write(m_dir.filePath(QLatin1String(name)));
    m_desktop->folders = QStringList{m_dir.filePath(QStringLiteral("dropped-out"))};
    const auto dragAndDrop = [this](const QStringList &names) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &name : names)
            urls << QUrl::fromLocalFile(m_dir.filePath(name));
        data.setUrls(urls);
        QWidget *view = m_window->quickWidget();
        const QPoint where(200, 300);
        // The view itself takes every drag that enters; the moves over it
        // carry the scene's answer.
        QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &enter);
        QDragMoveEvent move(where + QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        QDragLeaveEvent leave;
        QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, move.isAccepted() ? static_cast<QEvent *>(&drop) : &leave);
        return move.isAccepted();
    };
    QVERIFY(!dragAndDrop({QStringLiteral("dropped/notes.txt")}));
    QVERIFY(dragAndDrop({QStringLiteral("dropped"), QStringLiteral("loose.wav")}));

    QTRY_COMPARE(ApplicationManager::instance()->fileQueue()->count(), 6);
    QStringList names;
    for (const QueueEntry *entry : ApplicationManager::instance()->fileQueue()->items())
        names << entry->displayName();
    QCOMPARE(names, (QStringList{"loose.wav", "B1.wav", "b9.wav", "b10.wav", "c.opus", "t1.wav"}));
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());
    QCOMPARE(m_desktop->log, (QStringList{"asked: Where should the retuned files go?", "busy: Loading files...",
                                          "busy: ", "notice: 6 files added; the retuned files go into "
                                                        + m_dir.filePath(QStringLiteral("dropped-out")) + ".",
                                          "alert"}));
}

// The window's own dialogs (the busy one of a folder scan, here) give the
// keyboard back: after a folder import by keyboard, Tab and the shortcuts
// work at once.
void TestMainWindow::focusComesBackAfterAFolderImport()
{
    for (const char *name : {"tree/a.wav", "tree/b/c.wav"})
        TestFiles::write(m_dir.filePath(QLatin1String(name)));
    auto desktop = std::make_unique<KeyboardDesktop>(m_window.get());
    KeyboardDesktop *keyboard = desktop.get();
    keyboard->folders = QStringList{m_dir.filePath(QStringLiteral("tree")), m_dir.filePath(QStringLiteral("tree-out"))};
    ApplicationManager::instance()->setDesktop(std::move(desktop));
    typeKeys(QStringLiteral("Ctrl+Shift+O"));
    QTRY_COMPARE(ApplicationManager::instance()->fileQueue()->count(), 2);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QTRY_COMPARE(QGuiApplication::focusWindow(), m_window->windowHandle());
    typeKeys(QStringLiteral("Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("webButton"));
    typeKeys(QStringLiteral("Ctrl+,"));
    QCOMPARE(keyboard->log, QStringList{"settings dialog"});
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());
}

// An empty queue says what it is for. In a long queue the view follows the
// first running row, until the user scrolls; the scroll bar shows while
// the rows overflow. Paused, the running file finishes and the next waits,
// and the main button offers to start again.
void TestMainWindow::longQueueFollowsTheRunningRow()
{
    QQuickItem *hint = item(QStringLiteral("emptyHint"));
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->property("text").toString(), QStringLiteral("Drop songs, videos or folders here — or press Ctrl+O"));
    ApplicationManager *manager = ApplicationManager::instance();
    manager->setMaxConversions(1);
    QList<QUrl> urls;
    for (int i = 1; i <= 30; ++i)
        urls << QUrl::fromLocalFile(TestFiles::write(m_dir.filePath(QStringLiteral("long/%1.wav").arg(i, 2, 10, QLatin1Char('0')))));
    m_desktop->folders = QStringList{m_dir.filePath(QStringLiteral("long-out"))};
    m_jobs.setHolding(true);
    manager->processImportUrls(urls);
    QVERIFY(!hint->isVisible());
    QQuickItem *view = item(QStringLiteral("filesListView"));
    QTRY_COMPARE(item(QStringLiteral("scrollBar"))->property("policy").toInt(), 2);  // ScrollBar.AlwaysOn
    QTRY_COMPARE(item(QStringLiteral("scrollBar"))->opacity(), 1.0);
    const auto shownRows = [&] {
        QStringList names;
        for (QQuickItem *row : rowItems(QStringLiteral("queueRow"))) {
            const QPointF at = row->mapToItem(view, QPointF(0, row->height() / 2));
            if (at.y() >= 0 && at.y() <= view->height())
                names << row->property("entry").value<QueueEntry *>()->displayName();
        }
        return names;
    };
    for (int i = 1; i <= 20; ++i) {
        const QString name = QStringLiteral("%1.wav").arg(i, 2, 10, QLatin1Char('0'));
        QTRY_COMPARE(m_jobs.running(), QStringList{name});
        QTRY_VERIFY2(shownRows().contains(name), qPrintable(name));
        m_jobs.release(name);
    }
    // Scrolled to the top by the user, the view stays there.
    QTRY_COMPARE(m_jobs.running(), QStringList{"21.wav"});
    QWheelEvent wheel(QPointF(200, 300), m_window->quickWidget()->mapToGlobal(QPoint(200, 300)), QPoint(),
                      QPoint(0, 10 * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_window->quickWidget(), &wheel);
    QTRY_VERIFY(shownRows().contains(QStringLiteral("01.wav")));
    m_jobs.release(QStringLiteral("21.wav"));
    QTRY_COMPARE(m_jobs.running(), QStringList{"22.wav"});
    QTest::qWait(100);
    QVERIFY(shownRows().contains(QStringLiteral("01.wav")));

    for (int tabs = 0; focusedControl() != QLatin1String("startButton") && tabs < 14; ++tabs)
        typeKeys(QStringLiteral("Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("startButton"));
    typeKeys(QStringLiteral("Space"));
    m_jobs.release(QStringLiteral("22.wav"));
    QTRY_COMPARE(manager->queueSummary(), QStringLiteral("22 of 30 converted · paused"));
    QCOMPARE(item(QStringLiteral("startButton"))->property("text").toString(), QStringLiteral("Start conversion"));
    QCOMPARE(m_jobs.running(), QStringList());
    typeKeys(QStringLiteral("Space"));
    QTRY_COMPARE(m_jobs.running(), QStringList{"23.wav"});
    m_jobs.setHolding(false);
    QTRY_VERIFY(!manager->conversionRunning());
    manager->setMaxConversions(2);
}

// A pitch is chosen from the keyboard; each choice says the A4 it stands
// for. "Other…" takes a number of one's own, or a concert pitch, within
// the range, and says why it refuses one. The pitch, and the window's
// size, are there again at the next start. Runs last: it rebuilds the
// window.
void TestMainWindow::pitchAndWindowKeptAcrossRestarts()
{
    QQuickItem *box = item(QStringLiteral("frequencyBox"));
    QQuickItem *hint = item(QStringLiteral("frequencyHint"));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("432 Hz (A4)"));
    for (int tabs = 0; focusedControl() != QLatin1String("frequencyBox") && tabs < 12; ++tabs)
        typeKeys(QStringLiteral("Tab"));
    typeKeys(QStringLiteral("Down Down"));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("528 Hz (C5)"));
    QCOMPARE(hint->property("text").toString(), QStringLiteral("A4 = 444 Hz"));
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 444.0);
    typeKeys(QStringLiteral("Space"));
    QList<QQuickItem *> choices;
    QTRY_VERIFY((collect(box->window()->contentItem(), QStringLiteral("frequencyChoice"), choices), !choices.isEmpty()));
    QList<QQuickItem *> lines;
    for (QQuickItem *line : choices.first()->findChildren<QQuickItem *>())
        lines << line;
    QStringList texts;
    for (QQuickItem *line : lines)
        texts << line->property("text").toString();
    QVERIFY2(texts.contains(QStringLiteral("A4 = 438.48 Hz")), qPrintable(texts.join(QLatin1Char('|'))));
    typeKeys(QStringLiteral("Escape"));
    QTRY_VERIFY(!box->property("popup").value<QObject *>()->property("visible").toBool());

    QQuickItem *other = item(QStringLiteral("otherFrequencyBox"));
    QVERIFY(!other->isVisible());
    typeKeys(QStringLiteral("Down Down Down Down Down"));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("Other…"));
    QVERIFY(other->isVisible());
    typeKeys(QStringLiteral("Tab"));
    QVERIFY(other->hasActiveFocus());
    for (const auto &[typed, taken, said] :
         {std::tuple{"442.5", 442.5, "A4 = 442.5 Hz"}, {"3000", 442.5, "A4 must lie between 50 and 2000 Hz."},
          {"about 440", 442.5, "“about 440” is not a pitch in Hz."}}) {
        typeKeys(QStringLiteral("Ctrl+A"));
        QTest::keyClicks(static_cast<QWidget *>(nullptr), QLatin1String(typed));
        typeKeys(QStringLiteral("Return"));
        QCOMPARE(GlobalSettings::instance()->targetFrequency(), taken);
        QCOMPARE(hint->property("text").toString(), QString::fromUtf8(said));
    }
    QCOMPARE(other->property("count").toInt(), 4);  // 415, 440, 442 and 444 Hz offered
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 442.5);

    m_window->resize(1100, 700);
    QVERIFY(m_window->close());
    m_window.reset();  // and the settings with it
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    QCOMPARE(m_window->size(), QSize(1100, 700));
    QCOMPARE(item(QStringLiteral("frequencyBox"))->property("currentText").toString(), QStringLiteral("Other…"));
    // The pitch set, not the first suggestion, once the box has settled.
    QTest::qWait(100);
    QCOMPARE(item(QStringLiteral("otherFrequencyBox"))->property("editText").toString(), QStringLiteral("442.5"));
    QCOMPARE(GlobalSettings::instance()->targetFrequency(), 442.5);
}

TW_TEST_MAIN_WITH_HOME(TestMainWindow, QApplication)
#include "tst_mainwindow.moc"
