// The real main window and its QML scene, driven as a user would, with
// scripted conversions behind it.
#include "queue/ApplicationManager.h"
#include "support/FakeConverter.h"
#include "support/ScriptedDesktop.h"
#include "base/ProgramInfo.h"
#include "settings/GlobalSettings.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "queue/QueueEntry.h"
#include "support/TemporaryHome.h"
#include "support/TestFiles.h"

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
    void rowStates();
    void languageSwitchRelabels();
    void folderDropQueuesTheTree();
    void frequencyChooser();

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
    // Keys as QKeySequence writes them, one after another: "Down Tab Space".
    void typeKeys(const QString &keys)
    {
        for (const QString &name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int combined = QKeySequence(name)[0];
            QTest::keyClick(m_window->quickWidget(), Qt::Key(combined & ~Qt::KeyboardModifierMask),
                            Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask));
            QCoreApplication::processEvents();
        }
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
    manager->clearQueue();
    QTRY_COMPARE(rowItems(QStringLiteral("queueRow")).size(), 0);  // the old rows are gone
    manager->update_conversionRunning(false);
    m_jobs.setHolding(false);
    // The keyboard starts from nowhere.
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    while (scene->activeFocusItem() && scene->activeFocusItem() != scene->contentItem())
        scene->activeFocusItem()->setFocus(false);
    auto desktop = std::make_unique<ScriptedDesktop>();
    m_desktop = desktop.get();
    manager->setDesktop(std::move(desktop));
    QCOMPARE(g_qmlWarnings, QStringList());
}

// Tab goes through every control as one reads the screen, the selected
// row's buttons with the row; each shows a frame while it has the focus,
// and tells a screen reader its role, its name, and that it has the focus.
void TestMainWindow::tabReachesEveryControl()
{
    addRowsOfEveryKind();
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    QStringList order;
    for (int stop = 0; stop < 10; ++stop) {
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
        QVERIFY2(role == QAccessible::Button || role == QAccessible::ListItem || role == QAccessible::ComboBox,
                 qPrintable(order.last()));
    }
    QCOMPARE(order, (QStringList{"webButton", "settingsButton", "row done.mp3", "folderButton", "removeButton",
                                 "frequencyBox", "songsButton", "startButton", "cancelButton", "webButton"}));
    typeKeys(QStringLiteral("Shift+Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("cancelButton"));
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
    QTest::newRow("start hands the focus on") << "startButton" << "Return"
                                              << QStringList{"+waiting.mp3 S_Processing", "-waiting.mp3 S_Pending"}
                                              << "cancelButton";
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
    for (int tabs = 0; focusedControl() != control && tabs < 12; ++tabs)
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
    m_jobs.setHolding(false);  // lets the jobs started go
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());
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
// below the queue and a failed row's reason, the engine's message. At the window's smallest size no text is cut, in either
// language, nor a note of the dialog.
void TestMainWindow::languageSwitchRelabels()
{
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
        QList<QQuickItem *> texts{item(QStringLiteral("frequencyLabel")), item(QStringLiteral("queueSummary"))};
        collect(root, QStringLiteral("caption"), texts);
        collect(root, QStringLiteral("statusLabel"), texts);
        for (QQuickItem *text : texts) {
            if (text->property("truncated").toBool() || text->property("contentWidth").toReal() > text->width()
                || text->property("contentHeight").toReal() > text->height())
                found << text->property("text").toString();
        }
        return found;
    };
    auto *languages = dialog.findChild<QComboBox *>(QStringLiteral("cboLanguage"));
    const auto shown = [&] {
        return QStringList{
            dialog.windowTitle(),
            dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Close)->text(),
            dialog.findChild<QComboBox *>(QStringLiteral("cboAlgorithm"))->currentText(),
            dialog.findChild<QDoubleSpinBox *>(QStringLiteral("edtSourceFrequency"))->text(),
            item(QStringLiteral("songsButton"))->property("text").toString(),
            item(QStringLiteral("cancelButton"))->property("text").toString(),
            rowItems(QStringLiteral("statusLabel")).at(1)->property("text").toString(),
            item(QStringLiteral("queueSummary"))->property("text").toString(),
            rowItems(QStringLiteral("removeButton")).first()->property("tip").toString()};
    };
    const QStringList english{"Settings", "Close", "Time based", "440.00 Hertz", "Select songs", "Cancel conversion",
                              "Failed · “failed.mp3” contains no audio.", "1 of 3 converted · 1 failed", "Remove"};
    QCOMPARE(languages->currentText(), QStringLiteral("English"));
    QCOMPARE(shown(), english);
    QTRY_COMPARE(cut(), QStringList());

    languages->setCurrentIndex(languages->findText(QStringLiteral("Deutsch")));
    QTRY_COMPARE(shown(), (QStringList{"Einstellungen", "Schließen", "Zeitbasiert", "440,00 Hertz", "Musik auswählen",
                                       "Abbrechen", "Fehler · „failed.mp3“ enthält keine Audiospur.",
                                       "1 von 3 konvertiert · 1 fehlgeschlagen", "Entfernen"}));
    QTRY_COMPARE(cut(), QStringList());
    QCOMPARE(m_window->quickWidget()->rootObject(), root);  // the same scene

    languages->setCurrentIndex(languages->findText(QStringLiteral("Auto")));  // English here
    QCOMPARE(GlobalSettings::instance()->preferedLanguage(), QString());
    QTRY_COMPARE(shown(), english);
    GlobalSettings::instance()->selectLanguage(QStringLiteral("en"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);  // before the rows go
    m_window->resize(1000, 640);
}

// A folder dropped on the window is taken, and its tree queued after the
// loose files, in natural order, capitals or not, each folder's files
// before its subfolders', while the window shows it is busy. A drag of a
// file the filter leaves out is refused while it moves over the window.
void TestMainWindow::folderDropQueuesTheTree()
{
    for (const char *name : {"dropped/b10.wav", "dropped/b9.wav", "dropped/A/t1.wav", "dropped/B1.wav",
                             "dropped/notes.txt", "loose.wav"})
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

    QTRY_COMPARE(ApplicationManager::instance()->fileQueue()->count(), 5);
    QStringList names;
    for (const QueueEntry *entry : ApplicationManager::instance()->fileQueue()->items())
        names << entry->displayName();
    QCOMPARE(names, (QStringList{"loose.wav", "B1.wav", "b9.wav", "b10.wav", "t1.wav"}));
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());
    QCOMPARE(m_desktop->log, (QStringList{"asked: Where should the retuned files go?", "busy: Loading files...",
                                          "busy: ", "alert"}));
}

// A pick sets the target and saves it; a stored target that no row has
// selects none and stays. Runs last: it rebuilds the window.
void TestMainWindow::frequencyChooser()
{
    QQuickItem *box = item(QStringLiteral("frequencyBox"));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("432 Hz (A4)"));
    QVERIFY(QQmlProperty::write(box, QStringLiteral("currentIndex"), 6));
    QCOMPARE(GlobalSettings::instance()->targetFrequency(), 444.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 444.0);

    m_window.reset();  // and the settings with it
    GlobalSettings::instance()->set_targetFrequency(435.0);
    GlobalSettings::instance()->saveSettings();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    QCOMPARE(item(QStringLiteral("frequencyBox"))->property("currentIndex").toInt(), -1);
    QCOMPARE(GlobalSettings::instance()->targetFrequency(), 435.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 435.0);
}

TW_TEST_MAIN_WITH_HOME(TestMainWindow, QApplication)
#include "tst_mainwindow.moc"
