#include "app/LaunchOptions.h"

#include "base/ProgramInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString programName()
{
    return QString::fromUtf8(ProgramInfo::Executable);
}

} // namespace

LaunchOptions LaunchOptions::parse(const QStringList &arguments)
{
    LaunchOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Retunes songs and videos to another concert pitch.\n"
           "Files and folders given are queued for conversion; when %1 is running already, "
           "its window takes them.\n"
           "tunewise-cli converts without a window.")
            .arg(QString::fromUtf8(ProgramInfo::Name)));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), tr("Songs, videos or folders to convert."),
                                 QStringLiteral("[FILE...]"));
    const QCommandLineOption noRestore(QStringLiteral("no-restore"),
                                       tr("Start with an empty queue instead of the one kept from the last run "
                                          "(which is then dropped)."));
    parser.addOption(noRestore);
    // Qt's own options (--help-all) are taken by the application object
    // later; here they only have to pass.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session",
                             "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (!parser.parse(arguments)) {
        options.m_exitsNow = true;
        options.m_exitCode = 2;
        options.m_errors = QStringLiteral("%1: %2\n").arg(programName(), parser.errorText())
                           + tr("Try '%1 --help'.").arg(programName()) + QLatin1Char('\n');
        return options;
    }
    // Only Qt writes the help with its own options, and then ends the process.
    if (parser.isSet(QStringLiteral("help-all")))
        parser.process(arguments);
    if (parser.isSet(help) || parser.isSet(version)) {
        options.m_exitsNow = true;
        options.m_output = parser.isSet(help) ? parser.helpText()
                                              : QStringLiteral("%1 %2\n").arg(QString::fromUtf8(ProgramInfo::Name),
                                                                               QString::fromUtf8(ProgramInfo::Version));
        return options;
    }

    options.m_restore = !parser.isSet(noRestore);
    for (const QString &argument : parser.positionalArguments()) {
        // File managers may pass URLs; a shell passes paths, relative to
        // where it was. What does not exist goes on too: the window says so.
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        const QFileInfo info(path);
        options.m_paths << QDir::cleanPath(info.absoluteFilePath());
        if (!info.exists())
            options.m_errors += tr("%1: '%2' does not exist").arg(programName(), argument) + QLatin1Char('\n');
    }
    return options;
}

bool LaunchOptions::displayAvailable()
{
    // A platform chosen by hand (offscreen, vnc...) brings its own.
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    return false;
}

QString LaunchOptions::noDisplayMessage()
{
    return tr("%1: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); "
              "tunewise-cli converts without one.")
        .arg(programName());
}
