// tunewise-cli: the desktop program's converter for scripts and servers.
#include "engine/AppConstants.h"
#include "cli/CommandLineConverter.h"
#include "engine/FolderScanner.h"
#include "engine/ProgramInfo.h"
#include "settings/GlobalSettings.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"
#include "settings/TargetFrequencies.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "tunewise-cli: %s\nTry 'tunewise-cli --help'.\n", qPrintable(message));
    return 2;
}

void onSignal(int)
{
    CommandLineConverter::requestStop();
}

bool g_verbose = false;

// The engine's diagnostics are for --verbose; failures are reported by the
// converter, with the file name.
void logHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || type == QtCriticalMsg || (g_verbose && type == QtWarningMsg))
        std::fprintf(stderr, "tunewise-cli: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    ProgramInfo::applyToApplication();
    qInstallMessageHandler(logHandler);
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Retunes songs and videos to another concert pitch, with the engine of the Tunewise desktop program.\n"
        "A folder is searched with the file filter and its tree is mirrored under OUTDIR.\n"
        "Defaults are the saved settings of the desktop program; options change them for this run only."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Files and folders to convert."),
                                 QStringLiteral("INPUT..."));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Folder to write the retuned files to."), QStringLiteral("OUTDIR"));
    const QCommandLineOption target(QStringLiteral("target"),
                                    QStringLiteral("Target pitch of A4 in Hz, or the number of one of the choices "
                                                   "(see --list-targets; 528 means \"528 Hz (C5)\")."),
                                    QStringLiteral("HZ"));
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Pitch of A4 in the sources, in Hz."),
                                    QStringLiteral("HZ"));
    const QCommandLineOption algorithm(QStringLiteral("algorithm"),
                                       QStringLiteral("time (SoundTouch) or frequency (Rubber Band)."),
                                       QStringLiteral("time|frequency"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Output format."),
                                    QStringLiteral("mp3|wav|flac|m4a"));
    const QCommandLineOption bitrate(QStringLiteral("bitrate"),
                                     QStringLiteral("Bit rate of mp3 (320 to 96) and m4a (512 to 96)."),
                                     QStringLiteral("KBPS"));
    const QCommandLineOption filter(QStringLiteral("filter"),
                                    QStringLiteral("Comma-separated file patterns for folders, e.g. \"*.mp3,*.flac\"."),
                                    QStringLiteral("PATTERNS"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QStringLiteral("Files converted at once (default: cores)."),
                                  QStringLiteral("N"));
    const QCommandLineOption listTargets(QStringLiteral("list-targets"), QStringLiteral("List the target choices."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Report failures only."));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Also show the engine's warnings."));
    parser.addOptions({output, target, source, algorithm, format, bitrate, filter, jobs, listTargets, quiet, verbose});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    g_verbose = parser.isSet(verbose);
    av_log_set_level(g_verbose ? AV_LOG_WARNING : AV_LOG_FATAL);
    if (g_verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("tunewise.ffmpeg.warning=true"));

    GlobalSettings *settings = GlobalSettings::instance();
    if (parser.isSet(listTargets)) {
        for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
            std::printf("%-14s A4 = %s Hz\n", choice.label, qPrintable(QString::number(choice.value.toDouble())));
        return 0;
    }

    // Options change the saved settings for this run only.
    ConversionSettings conversion = settings->conversionSettings();
    QString fileFilter = settings->fileFilter();
    bool ok = true;
    // The option as a positive frequency in Hz, or 0 when it is not one.
    auto frequency = [&parser](const QCommandLineOption &option) {
        bool valid = false;
        const double hz = parser.value(option).toDouble(&valid);
        return valid && hz > 0 ? hz : 0.0;
    };
    for (const QCommandLineOption *option : {&target, &source}) {
        if (parser.isSet(*option) && frequency(*option) == 0.0) {
            return usageError(QStringLiteral("--%1 wants a frequency in Hz, not '%2'")
                                  .arg(option->names().first(), parser.value(*option)));
        }
    }
    if (parser.isSet(target))
        conversion.targetFrequency = TargetFrequencies::valueFor(frequency(target));
    if (parser.isSet(source))
        conversion.sourceFrequency = frequency(source);
    if (parser.isSet(algorithm)) {
        const QString name = parser.value(algorithm);
        if (name == QLatin1String("time"))
            conversion.algorithm = AppConstants::A_Time;
        else if (name == QLatin1String("frequency"))
            conversion.algorithm = AppConstants::A_Frequency;
        else
            return usageError(QStringLiteral("--algorithm is time or frequency, not '%1'").arg(name));
    }
    if (parser.isSet(format)) {
        const QString name = parser.value(format);
        const QStringList names = {QStringLiteral("mp3"), QStringLiteral("wav"), QStringLiteral("flac"),
                                   QStringLiteral("m4a")};
        const int index = names.indexOf(name);
        if (index < 0)
            return usageError(QStringLiteral("--format is mp3, wav, flac or m4a, not '%1'").arg(name));
        const AppConstants::AudioFormat formats[] = {AppConstants::F_Mp3, AppConstants::F_Wav, AppConstants::F_Flac,
                                                     AppConstants::F_M4a};
        conversion.audioFormat = formats[index];
    }
    if (parser.isSet(bitrate)) {
        const int kbps = parser.value(bitrate).toInt(&ok);
        std::unique_ptr<KeyValueItemList> offered(OptionLists::bitrates(nullptr, conversion.audioFormat));
        QStringList rates;
        for (const KeyValueItem *item : offered->items())
            rates << item->value().toString();
        if (rates.isEmpty())
            return usageError(QStringLiteral("--bitrate does not apply to lossless formats"));
        if (!ok || offered->getIndexOfValue(kbps) < 0) {
            return usageError(QStringLiteral("--bitrate for this format is one of %1, not '%2'")
                                  .arg(rates.join(QStringLiteral(", ")), parser.value(bitrate)));
        }
        conversion.audioBitrate = kbps;
    }
    if (parser.isSet(filter))
        fileFilter = parser.value(filter);
    int parallel = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(jobs)) {
        parallel = parser.value(jobs).toInt(&ok);
        if (!ok || parallel < 1)
            return usageError(QStringLiteral("--jobs wants a number of at least 1, not '%1'").arg(parser.value(jobs)));
    }

    if (!parser.isSet(output))
        return usageError(QStringLiteral("no output folder: give it with -o OUTDIR"));
    const QStringList inputs = parser.positionalArguments();
    if (inputs.isEmpty())
        return usageError(QStringLiteral("no input: give files or folders to convert"));
    QString outDir = QDir::cleanPath(QFileInfo(parser.value(output)).absoluteFilePath());

    QList<ConversionRequest> work;
    for (const QString &input : inputs) {
        const QFileInfo info(input);
        if (info.isDir()) {
            const QString base = outDir + QLatin1Char('/');
            for (const FolderScanner::Match &match :
                 FolderScanner::scan(info.absoluteFilePath(), base, FolderScanner::nameFilters(fileFilter)))
                work.append({match.filePath, match.targetDirectory, conversion});
        } else if (info.exists()) {
            work.append({info.absoluteFilePath(), outDir, conversion});
        } else {
            return usageError(QStringLiteral("'%1' does not exist").arg(input));
        }
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    CommandLineConverter converter(work, parallel, parser.isSet(quiet));
    return converter.exec();
}
