#include "app/MainWindow.h"
#include "engine/FileNameCodec.h"

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

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

} // namespace

int main(int argc, char *argv[])
{
    // Names that are not UTF-8 reach the engine byte for byte.
    FileNameCodec::install();
    QCoreApplication::setOrganizationName(QStringLiteral("com.tunewise.%1").arg(QStringLiteral("tunewise")));
    QCoreApplication::setApplicationName(
        QStringLiteral("%1").arg(QStringLiteral("Tunewise")).replace(QLatin1Char('_'), QLatin1Char(' ')));
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/win32/winicon.ico")));
    closeOnSignals(app);

    MainWindow window;
    window.show();
    return app.exec();
}
