#include "app/MainWindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QCoreApplication::setOrganizationName(QStringLiteral("com.tunewise.%1").arg(QStringLiteral("tunewise")));
    QCoreApplication::setApplicationName(
        QStringLiteral("%1").arg(QStringLiteral("Tunewise")).replace(QLatin1Char('_'), QLatin1Char(' ')));
    // Must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);

    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/win32/winicon.ico")));

    MainWindow window;
    window.show();
    return app.exec();
}
