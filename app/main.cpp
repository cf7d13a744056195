#include "app/LaunchOptions.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "base/FileNameCodec.h"
#include "base/ProgramInfo.h"
#include "queue/ApplicationManager.h"
#include "settings/GlobalSettings.h"

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

// SIGTERM, SIGHUP and SIGINT (a logout, a shutdown, Ctrl+C in the terminal
// that started it) close the program as its window's close button does:
// the handler only writes a byte into a pipe, and the event loop, woken by
// it, closes the windows. The controller then stops the conversions, which
// remove their unfinished files.
int s_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(s_signalPipe[1], &byte, 1);
    Q_UNUSED(written)
}

void closeOnSignals(QApplication &app)
{
    if (::pipe2(s_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        while (::read(s_signalPipe[0], &byte, 1) > 0) {
        }
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal, &action, nullptr);
}


// Brings the window forward and queues what a launch named, asking for the
// output folder as an import by hand does.
void openPaths(MainWindow &window, const QStringList &paths)
{
    window.show();
    window.raise();
    window.activateWindow();
    ApplicationManager::instance()->openPaths(paths);
}

} // namespace

int main(int argc, char *argv[])
{
    // Names that are not UTF-8 reach the engine byte for byte.
    FileNameCodec::install();
    ProgramInfo::applyToApplication();
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    // The command line is answered before there is a window, and without a
    // display: a plain application object serves for the parsing.
    LaunchOptions options;
    {
        QCoreApplication parsing(argc, argv);
        options = LaunchOptions::parse(QCoreApplication::arguments());
        std::fputs(qPrintable(options.output()), stdout);
        std::fputs(qPrintable(options.errors()), stderr);
        if (options.exitsNow())
            return options.exitCode();
        if (SingleInstance::handOver(SingleInstance::defaultName(), options.paths()))
            return 0;
    }
    if (!LaunchOptions::displayAvailable()) {
        std::fprintf(stderr, "%s\n", qPrintable(LaunchOptions::noDisplayMessage()));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/win32/winicon.ico")));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(ProgramInfo::DesktopId));
    closeOnSignals(app);

    SingleInstance instance;
    instance.listen();
    MainWindow window;
    window.show();
    // The queue of the last run comes back before what this launch names.
    ApplicationManager::instance()->keepQueue(QString(),
                                              options.restore() && GlobalSettings::instance()->restoreQueue());
    // Later launches are served from the event loop, after the socket has
    // answered: importing may open a dialog.
    QObject::connect(
        &instance, &SingleInstance::received, &window,
        [&window](const QStringList &paths) { openPaths(window, paths); }, Qt::QueuedConnection);
    if (!options.paths().isEmpty())
        QTimer::singleShot(0, &window, [&window, &options] { openPaths(window, options.paths()); });
    return app.exec();
}
