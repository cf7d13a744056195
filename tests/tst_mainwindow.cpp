// The real main window and its QML scene, driven as a user would.
#include "queue/ApplicationManager.h"
#include "support/AudioAnalysis.h"
#include "support/AudioFiles.h"
#include "support/ScriptedDesktop.h"
#include "app/FontAwesomeSymbols.h"
#include "settings/GlobalSettings.h"
#include "app/MainWindow.h"
#include "queue/QueueEntry.h"
#include "support/TemporaryHome.h"
#include "support/TestSignals.h"

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickWidget>
#include <QRawFont>
#include <QSettings>
#include <QtTest>

#include <memory>
#include <set>

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

QString glyph(const char *name)
{
    FontAwesomeSymbols symbols;
    return symbols.property(name).toString();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void windowAndScene();
    void conversionButtonsVisibility();
    void rowStates_data();
    void rowStates();
    void releaseOutsideStillClicks();
    void frequencyChooser();
    void languageSwitchRelabels();
    void droppedFilesAreConverted();
    void iconSymbols();
    void unmatchedStoredFrequency();

private:
    QQuickItem *item(const QString &objectName) const;
    QList<QQuickItem *> rowItems(const QString &objectName) const;
    QPoint centreOf(QQuickItem *item) const;

    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    g_previousHandler = qInstallMessageHandler(recordWarnings);
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
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
    QTRY_COMPARE(rowItems(QStringLiteral("stateButton")).size(), 0);  // the old rows are gone
    manager->update_conversionRunning(false);
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

QPoint TestMainWindow::centreOf(QQuickItem *target) const
{
    return target->mapToScene(QPointF(target->width() / 2, target->height() / 2)).toPoint();
}

void TestMainWindow::windowAndScene()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tunewise"));
    QQuickItem *root = m_window->quickWidget()->rootObject();
    QCOMPARE(root->property("title").toString(), QStringLiteral("Tunewise"));
    QCOMPARE(QSize(int(root->width()), int(root->height())), m_window->quickWidget()->size());

    m_window->resize(1200, 800);
    QTRY_COMPARE(QSize(int(root->width()), int(root->height())), m_window->quickWidget()->size());
    QVERIFY(root->width() > 1100);
    m_window->resize(1000, 640);
    QTRY_COMPARE(QSize(int(root->width()), int(root->height())), m_window->quickWidget()->size());
}

void TestMainWindow::conversionButtonsVisibility()
{
    ApplicationManager *manager = ApplicationManager::instance();
    QQuickItem *start = item(QStringLiteral("startButton"));
    QQuickItem *cancel = item(QStringLiteral("cancelButton"));
    QVERIFY(start && cancel);

    QVERIFY(!start->isVisible() && !cancel->isVisible());
    manager->update_conversionRunning(true);
    QVERIFY(!start->isVisible() && !cancel->isVisible());

    auto *entry = new QueueEntry(m_dir.filePath(QStringLiteral("a.mp3")), m_dir.path(), ConversionSettings());
    entry->update_state(QueueEntry::S_Finished);
    manager->fileQueue()->append(entry);
    QVERIFY(!start->isVisible());
    QVERIFY(cancel->isVisible());
    manager->update_conversionRunning(false);
    QVERIFY(start->isVisible());
    QVERIFY(cancel->isVisible());
}

void TestMainWindow::rowStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("glyph");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("busy");

    QTest::newRow("pending") << int(QueueEntry::S_Pending) << glyph("fa_times") << QColor("orange") << false;
    QTest::newRow("processing") << int(QueueEntry::S_Processing) << glyph("fa_times") << QColor("orange") << true;
    QTest::newRow("finished") << int(QueueEntry::S_Finished) << glyph("fa_check") << QColor("green") << false;
    QTest::newRow("failed") << int(QueueEntry::S_Failed) << glyph("fa_times") << QColor("red") << false;
}

void TestMainWindow::rowStates()
{
    QFETCH(int, state);
    QFETCH(QString, glyph);
    QFETCH(QColor, colour);
    QFETCH(bool, busy);

    auto *entry = new QueueEntry(m_dir.filePath(QStringLiteral("song.mp3")), m_dir.path(), ConversionSettings());
    ApplicationManager::instance()->fileQueue()->append(entry);
    entry->update_state(QueueEntry::State(state));
    entry->update_progress(0.5);
    QTRY_COMPARE(rowItems(QStringLiteral("stateButton")).size(), 1);

    QQuickItem *button = rowItems(QStringLiteral("stateButton")).at(0);
    QTRY_COMPARE(button->property("text").toString(), glyph);
    QCOMPARE(button->property("textColor").value<QColor>(), colour);
    QQuickItem *indicator = rowItems(QStringLiteral("busyIndicator")).at(0);
    QCOMPARE(indicator->property("running").toBool(), busy);
    QCOMPARE(indicator->isVisible(), busy);
    QQuickItem *progress = rowItems(QStringLiteral("progressBar")).at(0);
    QCOMPARE(progress->isVisible(), busy);
    QCOMPARE(progress->property("value").toDouble(), 0.5);
    QCOMPARE(rowItems(QStringLiteral("fileLabel")).at(0)->property("text").toString(), QStringLiteral("song.mp3"));

    // The file label leaves room for the busy indicator while it shows.
    const qreal labelWidth = rowItems(QStringLiteral("fileLabel")).at(0)->width();
    const qreal rowWidth = item(QStringLiteral("filesListView"))->width();
    QCOMPARE(labelWidth, rowWidth - (10 + (busy ? 100 : 50) + 5 + 20));
}

// The buttons act on release: a press dragged off a button and released
// outside still clicks it, once.
void TestMainWindow::releaseOutsideStillClicks()
{
    auto *entry = new QueueEntry(m_dir.filePath(QStringLiteral("done.mp3")), m_dir.path(), ConversionSettings());
    entry->update_state(QueueEntry::S_Finished);
    ApplicationManager::instance()->fileQueue()->append(entry);
    QQuickItem *start = item(QStringLiteral("startButton"));
    QTRY_VERIFY(start->isVisible());

    QSignalSpy clicked(start, SIGNAL(clicked(qreal, qreal)));
    QWidget *view = m_window->quickWidget();
    const QPoint inside = centreOf(start);
    const QPoint outside(10, 10);
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, inside);
    QCOMPARE(start->property("color").value<QColor>(), QColor("lightgrey"));
    QTest::mouseMove(view, outside);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, outside);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(start->property("color").value<QColor>(), QColor("white"));
}

void TestMainWindow::frequencyChooser()
{
    GlobalSettings *settings = GlobalSettings::instance();
    QQuickItem *box = item(QStringLiteral("frequencyBox"));
    QVERIFY(box);
    const KeyValueItemList *frequencies = ApplicationManager::instance()->targetFrequencies();
    QCOMPARE(box->property("currentIndex").toInt(), frequencies->getIndexOfValue(settings->targetFrequency()));
    QCOMPARE(box->property("currentText").toString(), QStringLiteral("432 Hz (A4)"));

    // A pick sets the setting and saves it.
    QVERIFY(QQmlProperty::write(box, QStringLiteral("currentIndex"), 6));
    QCOMPARE(settings->targetFrequency(), 444.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 444.0);
    QVERIFY(QQmlProperty::write(box, QStringLiteral("currentIndex"), 0));
    QCOMPARE(settings->targetFrequency(), 438.48);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 438.48);
    settings->set_targetFrequency(432.0);
    settings->saveSettings();
}

void TestMainWindow::languageSwitchRelabels()
{
    QObject *root = m_window->quickWidget()->rootObject();
    QQuickItem *songs = item(QStringLiteral("songsButton"));
    QCOMPARE(songs->property("text").toString(), QStringLiteral("Select songs"));
    GlobalSettings::instance()->selectLanguage(QStringLiteral("de"));
    QCOMPARE(songs->property("text").toString(), QStringLiteral("Musik auswählen"));
    QCOMPARE(item(QStringLiteral("cancelButton"))->property("text").toString(), QStringLiteral("Abbrechen"));
    QCOMPARE(m_window->quickWidget()->rootObject(), root);  // the same scene
    GlobalSettings::instance()->selectLanguage(QStringLiteral("en"));
    QCOMPARE(songs->property("text").toString(), QStringLiteral("Select songs"));
}

// Two generated songs dropped on the window come out retuned, and their rows
// end with the check mark.
void TestMainWindow::droppedFilesAreConverted()
{
    const QString out = m_dir.filePath(QStringLiteral("dropped-out"));
    auto desktop = std::make_unique<ScriptedDesktop>();
    desktop->folders = QStringList{out};
    ApplicationManager::instance()->setDesktop(std::move(desktop));
    QStringList songs;
    for (const char *name : {"first.wav", "second.flac"}) {
        songs << m_dir.filePath(QLatin1String(name));
        QCOMPARE(AudioFiles::write(songs.last(), TestSignals::sine(440.0, 2.0)), QString());
    }

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(songs[0]), QUrl::fromLocalFile(songs[1])});
    QWidget *view = m_window->quickWidget();
    const QPoint where(200, 300);
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &drop);

    QCOMPARE(ApplicationManager::instance()->fileQueue()->count(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!ApplicationManager::instance()->conversionRunning(), 60000);
    const QString check = glyph("fa_check");
    QTRY_COMPARE(rowItems(QStringLiteral("stateButton")).size(), 2);
    for (QQuickItem *button : rowItems(QStringLiteral("stateButton")))
        QTRY_COMPARE(button->property("text").toString(), check);
    const QStringList outputs = QDir(out).entryList(QDir::Files, QDir::Name);
    QCOMPARE(outputs.size(), 2);
    for (const QString &name : outputs) {
        const AudioBuffer retuned = AudioFiles::decode(QDir(out).filePath(name));
        QVERIFY(std::abs(AudioAnalysis::pitch(retuned, 0.5, 1.5) - 432.0) <= 0.05);
    }
    ApplicationManager::instance()->setDesktop(std::make_unique<ScriptedDesktop>());

    // A drag of nothing but a folder is refused. (The view itself takes
    // every drag that enters; the moves over it carry the scene's answer.)
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(m_dir.path())});
    QDragEnterEvent enterWithFolder(where, Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enterWithFolder);
    QDragMoveEvent refused(where + QPoint(5, 5), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &refused);
    QVERIFY(!refused.isAccepted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view, &leave);

    // One with a file is taken while it moves.
    QDragEnterEvent enterAgain(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &enterAgain);
    QDragMoveEvent taken(where + QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &taken);
    QVERIFY(taken.isAccepted());
    QDragLeaveEvent leaveAgain;
    QCoreApplication::sendEvent(view, &leaveAgain);
}

void TestMainWindow::iconSymbols()
{
    FontAwesomeSymbols symbols;
    const QMetaObject *meta = symbols.metaObject();
    QCOMPARE(meta->propertyCount() - meta->propertyOffset(), 557);
    std::set<uint> codePoints;
    uint highest = 0;
    QString highestName;
    QRawFont font;
    QFile fontFile(QStringLiteral(":/qml/FontAwesome/fontawesome-webfont.ttf"));
    QVERIFY(fontFile.open(QIODevice::ReadOnly));
    font.loadFromData(fontFile.readAll(), 16, QFont::PreferDefaultHinting);
    QVERIFY(font.isValid());
    QCOMPARE(font.familyName(), QStringLiteral("FontAwesome"));
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QString value = meta->property(i).read(&symbols).toString();
        QCOMPARE(value.size(), 1);
        const uint point = value.at(0).unicode();
        QVERIFY(point >= 0xF000 && point <= 0xF279);
        QVERIFY2(font.supportsCharacter(value.at(0)), meta->property(i).name());
        codePoints.insert(point);
        if (point > highest) {
            highest = point;
            highestName = QLatin1String(meta->property(i).name());
        }
    }
    QCOMPARE(int(codePoints.size()), 489);
    QCOMPARE(highest, 0xF279u);
    QCOMPARE(highestName, QStringLiteral("fa_map"));
    QCOMPARE(symbols.property("fa_remove"), symbols.property("fa_times"));
    QCOMPARE(symbols.property("fa_gear"), symbols.property("fa_cog"));
    const struct
    {
        const char *name;
        uint point;
    } telling[] = {{"fa_glass", 0xF000},        {"fa_music", 0xF001},        {"fa_check", 0xF00C},
                   {"fa_times", 0xF00D},        {"fa_cog", 0xF013},          {"fa_repeat", 0xF01E},
                   {"fa_rotate_right", 0xF01E}, {"fa_play", 0xF04B},         {"fa_globe", 0xF0AC},
                   {"fa_pied_piper", 0xF1A7},   {"fa_meanpath", 0xF20C},     {"fa_battery_full", 0xF240},
                   {"fa_battery_empty", 0xF244}, {"fa_hand_rock_o", 0xF255}, {"fa_map_pin", 0xF276},
                   {"fa_map", 0xF279}};
    for (const auto &row : telling)
        QCOMPARE(symbols.property(row.name).toString(), QString(QChar(row.point)));
    QVERIFY(!symbols.property("fa_bus").isValid());
    QCOMPARE(QString::fromLatin1(meta->property(meta->propertyOffset()).name()), QStringLiteral("fa_adjust"));

    // $fa_bus is reached from QML under that name, through the singleton.
    QQmlComponent component(m_window->quickWidget()->engine());
    component.setData("import QtQuick 2.0\nimport \"qrc:/qml/FontAwesome\" 1.0\n"
                      "QtObject { property string bus: FontAwesome.symbols.$fa_bus;"
                      " property string calculator: FontAwesome.symbols.$fa_calculator;"
                      " property string family: FontAwesome.fontFamily }",
                      QUrl(QStringLiteral("qrc:/qml/probe.qml")));
    std::unique_ptr<QObject> probe(component.create());
    QVERIFY2(probe, qPrintable(component.errorString()));
    QCOMPARE(probe->property("bus").toString(), QString(QChar(0xF207)));
    QCOMPARE(probe->property("calculator").toString(), QString(QChar(0xF1EC)));
    QCOMPARE(probe->property("family").toString(), QStringLiteral("FontAwesome"));
}

// Runs last: it rebuilds the window on a stored target that no row has.
void TestMainWindow::unmatchedStoredFrequency()
{
    m_window.reset();
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_targetFrequency(435.0);
    settings->saveSettings();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QTRY_VERIFY(m_window->quickWidget()->rootObject());
    QQuickItem *box = item(QStringLiteral("frequencyBox"));
    QCOMPARE(box->property("currentIndex").toInt(), -1);
    QCOMPARE(GlobalSettings::instance()->targetFrequency(), 435.0);
    QCOMPARE(QSettings().value(QStringLiteral("targetFrequency")).toDouble(), 435.0);
}

TW_TEST_MAIN_WITH_HOME(TestMainWindow, QApplication)
#include "tst_mainwindow.moc"
