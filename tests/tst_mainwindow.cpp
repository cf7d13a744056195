// The real main window and its QML scene, driven as a user would, with
// scripted conversions behind it.
#include "queue/ApplicationManager.h"
#include "support/FakeConverter.h"
#include "support/ScriptedDesktop.h"
#include "engine/ProgramInfo.h"
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

// Every warning while the scene lives; a QML warning fails the test.
QStringList g_warnings;
QtMessageHandler g_previousHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        g_warnings << message;
    g_previousHandler(type, context, message);
}

QStringList qmlWarnings()
{
    QStringList found;
    for (const QString &warning : g_warnings) {
        if (warning.contains(QLatin1String("qrc:/"), Qt::CaseInsensitive)
            || warning.contains(QLatin1String("qml"), Qt::CaseInsensitive))
            found << warning;
    }
    return found;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void minimumSizeFits();
    void tabReachesEveryControl();
    void keyboardActs_data();
    void keyboardActs();
    void rowStates_data();
    void rowStates();
    void languageSwitchRelabels();
    void folderDropQueuesTheTree();
    void frequencyChooser();

private:
    QQuickItem *item(const QString &objectName) const;
    QList<QQuickItem *> rowItems(const QString &objectName) const;
    QQuickItem *rowItem(const QString &objectName) const;
    QueueEntry *addRow(const QString &name, QueueEntry::State state);
    void addRowsOfEveryKind();
    QString focusedControl() const;
    void typeKeys(const QString &keys);
    QStringList effects() const;

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
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    // The shortcuts work in the active window.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    ApplicationManager::instance()->setConverter(m_jobs.function());
}

void TestMainWindow::cleanupTestCase()
{
    m_window.reset();
    QCOMPARE(qmlWarnings(), QStringList());
    qInstallMessageHandler(g_previousHandler);
}

void TestMainWindow::init()
{
    ApplicationManager *manager = ApplicationManager::instance();
    // Rows set to "processing" by hand have no job that could stop.
    for (QueueEntry *entry : manager->fileQueue()->items())
        entry->update_state(QueueEntry::S_Finished);
    manager->clearQueue();
    QTRY_COMPARE(manager->fileQueue()->count(), 0);
    QTRY_COMPARE(rowItems(QStringLiteral("stateIcon")).size(), 0);  // the old rows are gone
    manager->update_conversionRunning(false);
    m_jobs.setHolding(false);
    // The keyboard starts from nowhere.
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    while (scene->activeFocusItem() && scene->activeFocusItem() != scene->contentItem())
        scene->activeFocusItem()->setFocus(false);
    auto desktop = std::make_unique<ScriptedDesktop>();
    m_desktop = desktop.get();
    manager->setDesktop(std::move(desktop));
    QCOMPARE(qmlWarnings(), QStringList());
}

QQuickItem *TestMainWindow::item(const QString &objectName) const
{
    return m_window->quickWidget()->rootObject()->findChild<QQuickItem *>(objectName);
}

namespace {
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

// The items of that name in the queue's rows, top row first.
QList<QQuickItem *> TestMainWindow::rowItems(const QString &objectName) const
{
    QList<QQuickItem *> found;
    collect(item(QStringLiteral("filesListView")), objectName, found);
    std::sort(found.begin(), found.end(), [](QQuickItem *a, QQuickItem *b) {
        return a->mapToScene(QPointF()).y() < b->mapToScene(QPointF()).y();
    });
    return found;
}

// The only item of that name in the rows, once the row is there.
QQuickItem *TestMainWindow::rowItem(const QString &objectName) const
{
    const QList<QQuickItem *> found = rowItems(objectName);
    return found.size() == 1 ? found.first() : nullptr;
}

// A row put into the queue by hand: no job runs for it.
QueueEntry *TestMainWindow::addRow(const QString &name, QueueEntry::State state)
{
    auto *entry = new QueueEntry(m_dir.filePath(name), m_dir.path(), ConversionSettings());
    entry->update_state(state);
    ApplicationManager::instance()->fileQueue()->append(entry);
    return entry;
}


// The window takes no size below the scene's minimum; there, in either
// language, every control lies whole in the scene, apart from the others
// and from the header's picture, and no heading or caption is cut.
void TestMainWindow::minimumSizeFits()
{
    addRowsOfEveryKind();
    m_window->resize(400, 300);
    QQuickItem *root = m_window->quickWidget()->rootObject();
    QTRY_COMPARE(QSize(int(root->width()), int(root->height())), m_window->quickWidget()->size());
    QCOMPARE(QSizeF(root->width(), root->height()), root->property("minimumSize").toSizeF());
    for (const char *language : {"en", "de"}) {
        GlobalSettings::instance()->selectLanguage(QLatin1String(language));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        m_window->quickWidget()->grabFramebuffer();  // lays the scene out

        const auto sceneRect = [](QQuickItem *target) {
            return target->mapRectToScene(QRectF(0, 0, target->width(), target->height()));
        };
        QList<QRectF> taken{sceneRect(item(QStringLiteral("headerImage")))};
        for (const char *name : {"webButton", "settingsButton", "filesListView", "queueSummary", "frequencyLabel",
                                 "frequencyBox", "songsButton", "startButton", "cancelButton"}) {
            const QRectF place = sceneRect(item(QLatin1String(name)));
            QVERIFY2(QRectF(0, 0, root->width(), root->height()).contains(place), name);
            for (const QRectF &other : taken)
                QVERIFY2(!place.intersects(other), name);
            taken << place;
        }
        QList<QQuickItem *> texts{item(QStringLiteral("frequencyLabel")), item(QStringLiteral("queueSummary"))};
        collect(root, QStringLiteral("caption"), texts);
        collect(root, QStringLiteral("statusLabel"), texts);
        for (QQuickItem *text : texts) {
            QVERIFY2(!text->property("truncated").toBool()
                         && text->property("contentWidth").toReal() <= text->width()
                         && text->property("contentHeight").toReal() <= text->height(),
                     qPrintable(text->property("text").toString()));
        }
    }

    GlobalSettings::instance()->selectLanguage(QStringLiteral("en"));
    // The scene retranslates now, not once the next test's rows are gone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    m_window->resize(1000, 640);
    m_jobs.setHolding(false);
}

// A finished row (its output in "out"), a failed one and a waiting one,
// whose job holds once started.
void TestMainWindow::addRowsOfEveryKind()
{
    m_jobs.setHolding(true);
    QueueEntry *done = addRow(QStringLiteral("done.mp3"), QueueEntry::S_Processing);
    ConversionResult converted;
    converted.status = ConversionResult::Converted;
    converted.outputPath = m_dir.filePath(QStringLiteral("out/done.flac"));
    done->applyResult(converted);
    addRow(QStringLiteral("failed.mp3"), QueueEntry::S_Failed);
    addRow(QStringLiteral("waiting.mp3"), QueueEntry::S_Pending);
    QTRY_COMPARE(rowItems(QStringLiteral("queueRow")).size(), 3);
}

// The control with the keyboard focus: its object name, a row by its file.
QString TestMainWindow::focusedControl() const
{
    const QQuickItem *focused = m_window->quickWidget()->quickWindow()->activeFocusItem();
    if (!focused || focused == m_window->quickWidget()->quickWindow()->contentItem())
        return QString();
    if (focused->objectName() == QLatin1String("queueRow")) {
        const QueueEntry *entry = focused->property("entry").value<QueueEntry *>();
        return QStringLiteral("row ") + (entry ? entry->displayName() : QStringLiteral("(gone)"));
    }
    return focused->objectName();
}

// Keys as QKeySequence writes them, one after another: "Down Tab Space".
void TestMainWindow::typeKeys(const QString &keys)
{
    for (const QString &name : keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QKeySequence sequence(name);
        QVERIFY2(sequence.count() == 1, qPrintable(name));
        const int combined = sequence[0];
        QTest::keyClick(m_window->quickWidget(), Qt::Key(combined & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask));
        QCoreApplication::processEvents();
    }
}

// What the user has seen happen, a line each: the controller's questions
// and dialogs, the pages and folders opened, the rows and their states,
// the menus open.
QStringList TestMainWindow::effects() const
{
    QStringList lines;
    for (const QString &caption : m_desktop->captions)
        lines << QStringLiteral("asked: ") + caption;
    if (!m_desktop->questions.isEmpty())
        lines << QStringLiteral("asked to confirm");
    if (m_desktop->settingsShown > 0)
        lines << QStringLiteral("settings dialog");
    if (m_desktop->aboutShown > 0)
        lines << QStringLiteral("About dialog");
    for (const QUrl &url : m_desktop->opened)
        lines << QStringLiteral("opened ") + (url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.toString());
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

// Tab goes through every control as one reads the screen, the selected
// row's buttons with the row; each shows a frame while it has the focus,
// and tells a screen reader its role, its name, and that it has the focus.
// Every element of the scene's accessibility tree has a name.
void TestMainWindow::tabReachesEveryControl()
{
    addRowsOfEveryKind();
    QQuickWindow *scene = m_window->quickWidget()->quickWindow();
    QStringList order;
    for (int stop = 0; stop < 10; ++stop) {
        typeKeys(QStringLiteral("Tab"));
        QQuickItem *focused = scene->activeFocusItem();
        order << focusedControl();
        QList<QQuickItem *> frames;
        collect(scene->contentItem(), QStringLiteral("focusFrame"), frames);
        frames.erase(std::remove_if(frames.begin(), frames.end(), [](QQuickItem *frame) { return !frame->isVisible(); }),
                     frames.end());
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.first()->parentItem(), focused);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(focused);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(order.last()));
        QVERIFY(accessible->state().focused);
        const QAccessible::Role role = accessible->role();
        QVERIFY2(role == QAccessible::Button || role == QAccessible::ListItem || role == QAccessible::ComboBox,
                 qPrintable(order.last()));
    }
    QCOMPARE(order, (QStringList{"webButton", "settingsButton", "row done.mp3", "folderButton", "removeButton",
                                 "frequencyBox", "songsButton", "startButton", "cancelButton", "webButton"}));
    typeKeys(QStringLiteral("Shift+Tab"));
    QCOMPARE(focusedControl(), QStringLiteral("cancelButton"));

    QList<QAccessibleInterface *> pending{QAccessible::queryAccessibleInterface(scene)};
    int named = 0;
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeFirst();
        for (int i = 0; i < node->childCount(); ++i)
            pending << node->child(i);
        if (node->object() == scene)
            continue;
        QVERIFY2(!node->text(QAccessible::Name).isEmpty(),
                 qPrintable(QString::fromLatin1(node->object()->metaObject()->className()) + QLatin1Char(' ')
                            + node->object()->objectName()));
        ++named;
    }
    QVERIFY(named > 20);
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
    QTest::newRow("songs, the menu's first entry")
        << "songsButton" << "Enter Down Return" << QStringList{"+asked: Select files"} << "songsButton";
    QTest::newRow("start hands the focus on")
        << "startButton" << "Return" << QStringList{"+waiting.mp3 S_Processing", "-waiting.mp3 S_Pending"}
        << "cancelButton";
    QTest::newRow("cancel") << "cancelButton" << "Space" << QStringList{"+asked to confirm"} << "cancelButton";
    QTest::newRow("a row's folder") << "folderButton" << "Space" << QStringList{"+opened out"} << "folderButton";
    QTest::newRow("a row's retry") << "row done.mp3" << "Down Tab Enter" << retried << "row failed.mp3";
    QTest::newRow("a row's remove") << "removeButton" << "Return" << QStringList{"-done.mp3 S_Finished"}
                                    << "row failed.mp3";
    // The queue's own keys.
    QTest::newRow("arrows select, Delete removes")
        << "row done.mp3" << "Down Down Up Delete" << QStringList{"-failed.mp3 S_Failed"} << "row waiting.mp3";
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
// button that goes or is disabled.
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
        for (const QString &line : after) {
            if (!before.contains(line))
                lines << QLatin1Char('+') + line;
        }
        for (const QString &line : before) {
            if (!after.contains(line))
                lines << QLatin1Char('-') + line;
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

void TestMainWindow::rowStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QStringList>("buttons");

    const QStringList done{"folderButton", "removeButton"};
    QTest::newRow("pending") << int(QueueEntry::S_Pending) << "" << QStringList{"removeButton"};
    QTest::newRow("processing") << int(QueueEntry::S_Processing) << "" << QStringList{"removeButton"};
    QTest::newRow("finished") << int(QueueEntry::S_Finished) << "" << done;
    QTest::newRow("finished with a warning") << int(QueueEntry::S_Finished) << "Damaged at 1:23." << done;
    QTest::newRow("failed") << int(QueueEntry::S_Failed) << "" << QStringList{"retryButton", "removeButton"};
    QTest::newRow("skipped") << int(QueueEntry::S_Skipped) << "" << done;
}

// A running row shows its progress, the others an icon; each state has the
// actions that fit it; a warning shows on a line of its own.
void TestMainWindow::rowStates()
{
    QFETCH(int, state);
    QFETCH(QString, warning);
    QFETCH(QStringList, buttons);

    QueueEntry *entry = addRow(QStringLiteral("song.mp3"), QueueEntry::S_Processing);
    entry->update_progress(0.5);
    if (state != QueueEntry::S_Processing) {
        ConversionResult result;
        result.status = state == QueueEntry::S_Finished  ? ConversionResult::Converted
                        : state == QueueEntry::S_Skipped ? ConversionResult::Skipped
                                                         : ConversionResult::Failed;
        result.outputPath = m_dir.filePath(QStringLiteral("song_0.flac"));
        if (!warning.isEmpty())
            result.warnings << warning;
        if (state == QueueEntry::S_Pending)
            entry->update_state(QueueEntry::S_Pending);
        else
            entry->applyResult(result);
    }
    QTRY_VERIFY(rowItem(QStringLiteral("stateIcon")));

    const bool running = state == QueueEntry::S_Processing;
    QCOMPARE(rowItem(QStringLiteral("stateIcon"))->isVisible(), !running);
    QCOMPARE(rowItem(QStringLiteral("busyIndicator"))->isVisible(), running);
    QCOMPARE(rowItem(QStringLiteral("progressBar"))->isVisible(), running);
    if (running)
        QCOMPARE(rowItem(QStringLiteral("progressBar"))->property("value").toDouble(), 0.5);
    QStringList shown;
    for (const char *name : {"folderButton", "retryButton", "removeButton"}) {
        if (rowItem(QLatin1String(name))->isVisible())
            shown << QLatin1String(name);
    }
    QCOMPARE(shown, buttons);
    QCOMPARE(rowItem(QStringLiteral("warningLabel"))->isVisible(), !warning.isEmpty());
    QCOMPARE(rowItem(QStringLiteral("warningLabel"))->property("text").toString(), warning);
}


// A language chosen in the settings dialog applies at once, and back,
// without a restart: to the dialog itself, its lists, Qt's own buttons and
// the decimal separator (the notes that wrap keep every line), and to the
// scene: the Translator's texts, its own (qsTr), the line below the queue
// and a failed row's reason, the engine's message.
void TestMainWindow::languageSwitchRelabels()
{
    QObject *root = m_window->quickWidget()->rootObject();
    QueueEntry *entry = addRow(QStringLiteral("a.mp3"), QueueEntry::S_Processing);
    ConversionResult broken;
    broken.message = TranslatableText("Conversion", "“%1” contains no audio.").arg(QStringLiteral("a.mp3"));
    entry->applyResult(broken);
    QTRY_VERIFY(rowItem(QStringLiteral("statusLabel")));
    SettingsDialog dialog;
    dialog.show();
    const auto notesWhole = [&dialog] {
        for (const QLabel *label : dialog.findChildren<QLabel *>()) {
            if (label->wordWrap() && label->height() < label->heightForWidth(label->width()))
                return false;
        }
        return true;
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
            rowItem(QStringLiteral("statusLabel"))->property("text").toString(),
            item(QStringLiteral("queueSummary"))->property("text").toString(),
            rowItem(QStringLiteral("removeButton"))->property("tip").toString()};
    };
    const QStringList english{"Settings", "Close", "Time based", "440.00 Hertz", "Select songs", "Cancel conversion",
                              "Failed · “a.mp3” contains no audio.", "0 of 1 converted · 1 failed", "Remove"};
    QCOMPARE(languages->currentText(), QStringLiteral("English"));
    QCOMPARE(shown(), english);
    QTRY_VERIFY(notesWhole());

    languages->setCurrentIndex(languages->findText(QStringLiteral("Deutsch")));
    QTRY_COMPARE(shown(), (QStringList{"Einstellungen", "Schließen", "Zeitbasiert", "440,00 Hertz", "Musik auswählen",
                                       "Abbrechen", "Fehler · „a.mp3“ enthält keine Audiospur.",
                                       "0 von 1 konvertiert · 1 fehlgeschlagen", "Entfernen"}));
    QTRY_VERIFY(notesWhole());
    QCOMPARE(m_window->quickWidget()->rootObject(), root);  // the same scene

    languages->setCurrentIndex(languages->findText(QStringLiteral("Auto")));  // English here
    QCOMPARE(GlobalSettings::instance()->preferedLanguage(), QString());
    QTRY_COMPARE(shown(), english);
    GlobalSettings::instance()->selectLanguage(QStringLiteral("en"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);  // before the rows go
}

// A folder dropped on the window is taken, and its tree queued; a drag of a
// file the filter leaves out is refused while it moves over the window.
void TestMainWindow::folderDropQueuesTheTree()
{
    const QString folder = m_dir.filePath(QStringLiteral("dropped"));
    for (const char *name : {"dropped/t9.wav", "dropped/A/t1.wav", "dropped/notes.txt"})
        TestFiles::write(m_dir.filePath(QLatin1String(name)));
    m_desktop->folders = QStringList{m_dir.filePath(QStringLiteral("dropped-out"))};

    QWidget *view = m_window->quickWidget();
    const QPoint where(200, 300);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder)});
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enter);
    QDragMoveEvent move(where + QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &drop);

    QTRY_COMPARE(ApplicationManager::instance()->fileQueue()->count(), 2);
    QTRY_VERIFY(!ApplicationManager::instance()->conversionRunning());

    // The view itself takes every drag that enters; the moves over it carry
    // the scene's answer.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("dropped/notes.txt")))});
    QDragEnterEvent enterWithText(where, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enterWithText);
    QDragMoveEvent refused(where + QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &refused);
    QVERIFY(!refused.isAccepted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view, &leave);
}


// A pick sets the target and saves it; a stored target that no row has
// selects none and stays. Runs last: it rebuilds the window.
void TestMainWindow::frequencyChooser()
{
    GlobalSettings *settings = GlobalSettings::instance();
    QQuickItem *box = item(QStringLiteral("frequencyBox"));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("432 Hz (A4)"));
    QVERIFY(QQmlProperty::write(box, QStringLiteral("currentIndex"), 6));
    QCOMPARE(settings->targetFrequency(), 444.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 444.0);

    m_window.reset();  // and the settings with it
    settings = GlobalSettings::instance();
    settings->set_targetFrequency(435.0);
    settings->saveSettings();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    QCOMPARE(item(QStringLiteral("frequencyBox"))->property("currentIndex").toInt(), -1);
    QCOMPARE(GlobalSettings::instance()->targetFrequency(), 435.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 435.0);
}

TW_TEST_MAIN_WITH_HOME(TestMainWindow, QApplication)
#include "tst_mainwindow.moc"
