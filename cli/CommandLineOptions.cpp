#include "cli/CommandLineOptions.h"

#include "engine/FolderScanner.h"
#include "engine/NameFilter.h"
#include "models/KeyValueItemList.h"
#include "settings/OptionLists.h"
#include "settings/TargetFrequencies.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

// A relative path that stays below the folder it is relative to.
bool staysBelow(const QString &cleanPath)
{
    return QDir::isRelativePath(cleanPath) && cleanPath != QLatin1String("..")
        && !cleanPath.startsWith(QLatin1String("../"));
}

// The stable hash that picks a file's shard, the same on every machine:
// FNV-1a (64 bits) of the bytes of its relative path.
quint64 shardHash(const QString &relativePath)
{
    quint64 hash = 14695981039346656037ULL;
    for (const char byte : QFile::encodeName(relativePath)) {
        hash ^= uchar(byte);
        hash *= 1099511628211ULL;
    }
    return hash;
}

} // namespace

bool CommandLineOptions::usageError(const QString &message)
{
    std::fprintf(stderr, "tunewise-cli: %s\nTry 'tunewise-cli --help'.\n", qPrintable(message));
    m_exitStatus = 2;
    return false;
}

bool CommandLineOptions::parse(const QStringList &arguments, const ConversionSettings &saved,
                               const QString &savedFilter)
{
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
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("Pitch of A4 in the sources, in Hz, or detect: measure each "
                                                   "file's own (near the saved source pitch)."),
                                    QStringLiteral("HZ|detect"));
    const QCommandLineOption measure(QStringLiteral("measure"),
                                     QStringLiteral("Measure the A4 each input is tuned to and print it; convert "
                                                    "nothing."));
    const QCommandLineOption algorithm(QStringLiteral("algorithm"),
                                       QStringLiteral("time (SoundTouch) or frequency (Rubber Band)."),
                                       QStringLiteral("time|frequency"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("Output format."),
                                    QStringLiteral("mp3|wav|flac|m4a"));
    const QCommandLineOption bitrate(QStringLiteral("bitrate"),
                                     QStringLiteral("Bit rate of mp3 (320 to 96) and m4a (512 to 96)."),
                                     QStringLiteral("KBPS"));
    const QCommandLineOption filter(QStringLiteral("filter"),
                                    QStringLiteral("Comma-separated file patterns for folders and lists, "
                                                   "e.g. \"*.mp3,*.flac\"."),
                                    QStringLiteral("PATTERNS"));
    const QCommandLineOption skipExisting(
        QStringLiteral("skip-existing"),
        QStringLiteral("Skip a file whose output exists (its name without a number is taken)."));
    const QCommandLineOption filesFrom(
        QStringLiteral("files-from"),
        QStringLiteral("Also convert the files listed in FILE (- for standard input), one per line; a relative "
                       "path's folders are mirrored under OUTDIR. Listed folders are passed over."),
        QStringLiteral("FILE"));
    const QCommandLineOption nulSeparated({QStringLiteral("0"), QStringLiteral("null")},
                                          QStringLiteral("The list's names end with NUL, as find -print0 writes."));
    const QCommandLineOption shard(QStringLiteral("shard"),
                                   QStringLiteral("Convert only share K of N: the files whose relative path "
                                                  "hashes to it, the same on every machine."),
                                   QStringLiteral("K/N"));
    const QCommandLineOption report(QStringLiteral("report"),
                                    QStringLiteral("Append a JSON line for each file to FILE as the file ends."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QStringLiteral("Files converted at once (default: cores)."),
                                  QStringLiteral("N"));
    const QCommandLineOption sampleRate(QStringLiteral("sample-rate"),
                                        QStringLiteral("Sample rate of the outputs: 44100, 48000, or source (as the "
                                                       "source, where the format allows)."),
                                        QStringLiteral("44100|48000|source"));
    const QCommandLineOption keepVideo(QStringLiteral("keep-video"),
                                       QStringLiteral("Keep the picture of videos: a video becomes a video with its "
                                                      "pictures and subtitles copied and its audio retuned."));
    const QCommandLineOption strict(QStringLiteral("strict"),
                                    QStringLiteral("Count a file converted with a warning (such as damage in the "
                                                   "source) as failed."));
    const QCommandLineOption listTargets(QStringLiteral("list-targets"), QStringLiteral("List the target choices."));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Report failures only."));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Also show the engine's warnings."));
    parser.addOptions({output, target, source, measure, algorithm, format, bitrate, sampleRate, keepVideo, filter,
                       skipExisting, filesFrom, nulSeparated, shard, report, jobs, strict, listTargets, quiet,
                       verbose});

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    m_verbose = parser.isSet(verbose);
    m_quiet = parser.isSet(quiet);
    m_strict = parser.isSet(strict);
    m_measure = parser.isSet(measure);
    if (parser.isSet(listTargets)) {
        for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
            std::printf("%-14s A4 = %s Hz\n", choice.label, qPrintable(QString::number(choice.value.toDouble())));
        return false;
    }

    // Options change the saved settings for this run only.
    m_settings = saved;
    QString fileFilter = savedFilter;
    bool ok = true;
    // A4 as the option gives it, in Hz: a finite number in the range the
    // conversion takes, or 0.
    auto frequency = [&parser](const QCommandLineOption &option) {
        bool valid = false;
        const double hz = parser.value(option).toDouble(&valid);
        return valid && ConversionSettings::validA4(hz) ? hz : 0.0;
    };
    const bool detect = parser.value(source) == QLatin1String("detect");
    for (const QCommandLineOption *option : {&target, &source}) {
        if (parser.isSet(*option) && frequency(*option) == 0.0 && !(option == &source && detect)) {
            return usageError(QStringLiteral("--%1 wants A4 in Hz, from %2 to %3, not '%4'")
                                  .arg(option->names().first())
                                  .arg(ConversionSettings::LowestA4)
                                  .arg(ConversionSettings::HighestA4)
                                  .arg(parser.value(*option)));
        }
    }
    if (parser.isSet(target))
        m_settings.targetFrequency = TargetFrequencies::valueFor(frequency(target));
    if (parser.isSet(source)) {
        m_settings.detectSourcePitch = detect;
        if (!detect)
            m_settings.sourceFrequency = frequency(source);
    }
    if (!m_settings.pitchesValid()) {
        return usageError(QStringLiteral("A4 = %1 Hz is %2 semitones from the sources' %3 Hz; at most %4 are possible")
                              .arg(m_settings.targetFrequency)
                              .arg(m_settings.semitones(), 0, 'f', 1)
                              .arg(m_settings.sourceFrequency)
                              .arg(ConversionSettings::LargestShift));
    }
    if (parser.isSet(algorithm)) {
        const QString name = parser.value(algorithm);
        if (name == QLatin1String("time"))
            m_settings.algorithm = AppConstants::A_Time;
        else if (name == QLatin1String("frequency"))
            m_settings.algorithm = AppConstants::A_Frequency;
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
        m_settings.audioFormat = formats[index];
    }
    if (parser.isSet(bitrate)) {
        const int kbps = parser.value(bitrate).toInt(&ok);
        std::unique_ptr<KeyValueItemList> offered(OptionLists::bitrates(nullptr, m_settings.audioFormat));
        QStringList rates;
        for (const KeyValueItem *item : offered->items())
            rates << item->value().toString();
        if (rates.isEmpty())
            return usageError(QStringLiteral("--bitrate does not apply to lossless formats"));
        if (!ok || offered->getIndexOfValue(kbps) < 0) {
            return usageError(QStringLiteral("--bitrate for this format is one of %1, not '%2'")
                                  .arg(rates.join(QStringLiteral(", ")), parser.value(bitrate)));
        }
        m_settings.audioBitrate = kbps;
    }
    if (parser.isSet(sampleRate)) {
        const QString rate = parser.value(sampleRate);
        if (rate == QLatin1String("source"))
            m_settings.sampleRate = ConversionSettings::SourceRate;
        else if (rate == QLatin1String("44100") || rate == QLatin1String("48000"))
            m_settings.sampleRate = rate.toInt();
        else
            return usageError(QStringLiteral("--sample-rate is 44100, 48000 or source, not '%1'").arg(rate));
    }
    if (parser.isSet(keepVideo))
        m_settings.keepVideo = true;
    if (parser.isSet(skipExisting))
        m_settings.skipExisting = true;
    if (parser.isSet(filter))
        fileFilter = parser.value(filter);
    m_jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(jobs)) {
        m_jobs = parser.value(jobs).toInt(&ok);
        if (!ok || m_jobs < 1)
            return usageError(QStringLiteral("--jobs wants a number of at least 1, not '%1'").arg(parser.value(jobs)));
    }
    int shardIndex = 1;
    int shardCount = 1;
    if (parser.isSet(shard)) {
        const QStringList parts = parser.value(shard).split(QLatin1Char('/'));
        bool countOk = false;
        if (parts.size() == 2) {
            shardIndex = parts.at(0).toInt(&ok);
            shardCount = parts.at(1).toInt(&countOk);
        }
        if (parts.size() != 2 || !ok || !countOk || shardCount < 1 || shardIndex < 1 || shardIndex > shardCount) {
            return usageError(
                QStringLiteral("--shard wants K/N with 1 <= K <= N, not '%1'").arg(parser.value(shard)));
        }
    }
    m_reportPath = parser.value(report);

    if (!parser.isSet(output) && !m_measure)
        return usageError(QStringLiteral("no output folder: give it with -o OUTDIR"));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() && !parser.isSet(filesFrom))
        return usageError(QStringLiteral("no input: give files or folders to convert"));
    const QString outDir = QDir::cleanPath(QFileInfo(parser.value(output)).absoluteFilePath());

    const QStringList filters = FolderScanner::nameFilters(fileFilter);
    for (const QString &argument : positional) {
        if (!addArgument(argument, outDir, filters))
            return false;
    }
    if (parser.isSet(filesFrom) && !addListed(parser.value(filesFrom), parser.isSet(nulSeparated), outDir, filters))
        return false;

    for (const Input &input : qAsConst(m_inputs)) {
        if (shardHash(input.relative) % quint64(shardCount) == quint64(shardIndex - 1))
            m_requests.append({input.path, input.targetDirectory, m_settings});
    }
    m_inputs.clear();
    return true;
}

// A file goes straight into OUTDIR; a folder's tree is mirrored there.
bool CommandLineOptions::addArgument(const QString &argument, const QString &outDir, const QStringList &filters)
{
    const QFileInfo info(argument);
    if (info.isDir()) {
        const QString folder = info.absoluteFilePath();
        const FolderScanner::Scan scan = FolderScanner::scan(folder, outDir + QLatin1Char('/'), filters);
        for (const FolderScanner::Match &match : scan.matches)
            m_inputs.append({match.filePath, match.targetDirectory, QDir(folder).relativeFilePath(match.filePath)});
        for (const FolderScanner::Problem &problem : scan.unreadable)
            m_problems << problem.message.toString();
        if (!scan.outputFolder.isEmpty()) {
            m_notes << QStringLiteral("the output folder %1 lies inside %2; its files were left out")
                           .arg(scan.outputFolder, folder);
        }
    } else if (info.exists()) {
        m_inputs.append({info.absoluteFilePath(), outDir, QDir::cleanPath(argument)});
    } else {
        return usageError(QStringLiteral("'%1' does not exist").arg(argument));
    }
    return true;
}

// A list names files, relative to the current folder or absolute; `find`
// lists their folders too, which are passed over. A relative path's
// folders are mirrored under OUTDIR. A listed file that is missing fails
// when its turn comes, as one that goes missing during the run would.
bool CommandLineOptions::addListed(const QString &listFile, bool nulSeparated, const QString &outDir,
                                   const QStringList &filters)
{
    QFile list(listFile);
    const bool opened = listFile == QLatin1String("-") ? list.open(stdin, QIODevice::ReadOnly)
                                                       : list.open(QIODevice::ReadOnly);
    if (!opened)
        return usageError(QStringLiteral("cannot read the list '%1': %2").arg(listFile, list.errorString()));
    const QByteArray content = list.readAll();
    const NameFilter filter(filters);
    for (const QByteArray &entry : content.split(nulSeparated ? '\0' : '\n')) {
        if (entry.isEmpty())
            continue;
        const QString path = QFile::decodeName(entry);
        const QFileInfo info(path);
        if (info.isDir() || !filter.matches(info.fileName()))
            continue;
        const QString clean = QDir::cleanPath(path);
        QString targetDirectory = outDir;
        if (staysBelow(clean)) {
            const QString folder = QFileInfo(clean).path();
            if (folder != QLatin1String("."))
                targetDirectory += QLatin1Char('/') + folder;
        }
        m_inputs.append({info.absoluteFilePath(), targetDirectory, clean});
    }
    return true;
}
