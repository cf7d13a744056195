// tunewise-cli: the desktop program's converter for scripts and servers.
#include "cli/CommandLineConverter.h"
#include "cli/CommandLineOptions.h"
#include "cli/ConversionReport.h"
#include "cli/MeasureCommand.h"
#include "base/FileNameCodec.h"
#include "base/ProgramInfo.h"
#include "media/FFmpegLog.h"
#include "settings/GlobalSettings.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>

namespace {

bool g_verbose = false;

// The engine's diagnostics are for --verbose; failures are reported by the
// converter, with the file name.
void logHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg || (g_verbose && type == QtWarningMsg))
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(message));
}

void onSignal(int signal)
{
    CommandLineConverter::requestStop(signal);
}

} // namespace

int main(int argc, char *argv[])
{
    // Names that are not UTF-8 reach the engine byte for byte.
    FileNameCodec::install();
    ProgramInfo::applyToApplication();
    qInstallMessageHandler(logHandler);
    QCoreApplication app(argc, argv);

    GlobalSettings *settings = GlobalSettings::instance();
    CommandLineOptions options;
    if (!options.parse(QCoreApplication::arguments(), settings->conversionSettings(), settings->fileFilter()))
        return options.exitStatus();
    g_verbose = options.verbose();
    FFmpegLog::setVerbose(g_verbose);
    if (g_verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("tunewise.ffmpeg.warning=true"));

    ConversionReport report;
    if (!options.reportPath().isEmpty() && !report.open(options.reportPath())) {
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(report.error()));
        return 2;
    }

    // Each of them stops the running conversions, which leave no files.
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A reader that goes away (`tunewise-cli … | head`) costs the lines it
    // would have read, not the files being written.
    std::signal(SIGPIPE, SIG_IGN);

    if (options.preview().asked())
        return options.preview().run([] { return CommandLineConverter::stopSignal(); });
    for (const QString &note : options.notes())
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(note));
    if (options.measure()) {
        for (const CommandLineOptions::Problem &problem : options.problems())
            std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(problem.message));
        const int status =
            MeasureCommand::run(options.requests(), [] { return CommandLineConverter::stopSignal() != 0; });
        if (CommandLineConverter::stopSignal())
            return 128 + CommandLineConverter::stopSignal();
        return options.problems().isEmpty() ? status : 1;
    }
    CommandLineConverter converter(options.requests(), options.jobs(), options.quiet());
    converter.setReport(options.reportPath().isEmpty() ? nullptr : &report);
    converter.addProblems(options.problems());
    const int status = converter.exec();
    // Lines that could not be written are a failure of the run, though
    // every file is complete.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0)
        return 1;
    return status;
}
