#include "app/MainWindow.h"
#include "ui_MainWindow.h"

#include "app/WidgetDesktop.h"
#include "queue/ApplicationManager.h"
#include "app/FontAwesomeSymbols.h"
#include "settings/GlobalSettings.h"
#include "models/KeyValueItemList.h"
#include "queue/QueueEntryList.h"
#include "settings/Translator.h"

#include <QAction>
#include <QCloseEvent>
#include <QQuickItem>
#include <QStatusBar>
#include <QUrl>
#include <QtQml>

namespace {

const char *const Module = "com.veltrane";

// The providers hand the engine the process-wide objects, not new ones.
QObject *settingsProvider(QQmlEngine *, QJSEngine *)
{
    return GlobalSettings::instance();
}

QObject *translatorProvider(QQmlEngine *, QJSEngine *)
{
    return Translator::instance();
}

QObject *managerProvider(QQmlEngine *, QJSEngine *)
{
    return ApplicationManager::instance();
}

// Types are registered with the process, once, however many windows exist.
void registerQmlTypes()
{
    static const bool registered = [] {
        const QString reason;
        qmlRegisterType<FontAwesomeSymbols>(Module, 1, 0, "FontAwesomeSymbols");
        qmlRegisterUncreatableType<QueueEntry>(Module, 1, 0, "QueueEntry", reason);
        qmlRegisterUncreatableType<QueueEntryList>(Module, 1, 0, "QueueEntryList", reason);
        qmlRegisterUncreatableType<PreviewPlayer>(Module, 1, 0, "PreviewPlayer", reason);
        qmlRegisterUncreatableType<KeyValueItemList>(Module, 1, 0, "KeyValueItemList", reason);
        qmlRegisterUncreatableType<KeyValueItem>(Module, 1, 0, "KeyValueItem", reason);
        qmlRegisterSingletonType<GlobalSettings>(Module, 1, 0, "GlobalSettings", settingsProvider);
        qmlRegisterSingletonType<Translator>(Module, 1, 0, "Translator", translatorProvider);
        qmlRegisterSingletonType<ApplicationManager>(Module, 1, 0, "ApplicationManager", managerProvider);
        return true;
    }();
    Q_UNUSED(registered)
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    // The manager brings the settings, which bring the language and texts.
    ApplicationManager::instance()->setDesktop(std::make_unique<WidgetDesktop>(this));
    setWindowTitle(GlobalSettings::instance()->appName());
    registerQmlTypes();
    m_ui->quickWidget->setSource(QUrl(QStringLiteral("qrc:/qml/main.qml")));
    // The scene says what it needs once its layout is done; the window is
    // never smaller.
    if (QQuickItem *root = m_ui->quickWidget->rootObject()) {
        connect(root, SIGNAL(minimumSizeChanged()), this, SLOT(followSceneMinimumSize()));
        followSceneMinimumSize();
    }
    // From the start, so that the first notice does not shift the screen.
    statusBar();
    // The keyboard given to the window goes to the scene.
    setFocusProxy(m_ui->quickWidget);
    // Ctrl+Q asks as closing does; on every platform, which QKeySequence::Quit
    // is not.
    auto *quit = new QAction(this);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    // Where the user left it; the first time, the size the form gives.
    restoreGeometry(GlobalSettings::instance()->windowGeometry());
}

MainWindow::~MainWindow() = default;

void MainWindow::followSceneMinimumSize()
{
    if (QQuickItem *root = m_ui->quickWidget->rootObject())
        m_ui->quickWidget->setMinimumSize(root->property("minimumSize").toSizeF().toSize());
}

QQuickWidget *MainWindow::quickWidget() const
{
    return m_ui->quickWidget;
}

// Whichever way the window becomes active again (a dialog closed, a
// launch brought it forward, a click on its frame), the scene has the
// keyboard: its shortcuts work only there.
bool MainWindow::event(QEvent *event)
{
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && !m_ui->quickWidget->hasFocus())
        m_ui->quickWidget->setFocus(Qt::ActiveWindowFocusReason);
    return handled;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!ApplicationManager::instance()->confirmQuit()) {
        event->ignore();
        return;
    }
    GlobalSettings *settings = GlobalSettings::instance();
    settings->set_windowGeometry(saveGeometry());
    settings->saveSettings();
    event->accept();
}
