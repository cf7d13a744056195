#include "app/LaunchOptions.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "engine/ProgramInfo.h"
#include "queue/ApplicationManager.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

// Brings the window forward and queues what a launch named, asking for the
// output folder as an import by hand does.
void openPaths(MainWindow &window, const QStringList &paths)
{
    window.show();
    window.raise();
    window.activateWindow();
    if (paths.isEmpty())
        return;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    ApplicationManager::instance()->processImportUrls(urls);
}

} // namespace

int main(int argc, char *argv[])
{
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

    SingleInstance instance;
    instance.listen();
    MainWindow window;
    window.show();
    // Later launches are served from the event loop, after the socket has
    // answered: importing may open a dialog.
    QObject::connect(
        &instance, &SingleInstance::received, &window,
        [&window](const QStringList &paths) { openPaths(window, paths); }, Qt::QueuedConnection);
    if (!options.paths().isEmpty())
        QTimer::singleShot(0, &window, [&window, &options] { openPaths(window, options.paths()); });
    return app.exec();
}
