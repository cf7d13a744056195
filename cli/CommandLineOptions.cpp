#include "cli/CommandLineOptions.h"

#include "dsp/PitchAlgorithm.h"
#include "files/FolderScanner.h"
#include "files/NameFilter.h"
#include "media/OutputFormat.h"
#include "settings/TargetFrequencies.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstdio>
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

QString formatNames(const QString &separator)
{
    QStringList names;
    for (const OutputFormat &format : OutputFormat::all())
        names << QLatin1String(format.name);
    return names.join(separator);
}

QString algorithmNames(const QString &separator, bool withLibraries)
{
    QStringList names;
    for (const PitchAlgorithm &algorithm : PitchAlgorithm::all()) {
        names << (withLibraries ? QStringLiteral("%1 (%2)").arg(QLatin1String(algorithm.name),
                                                               QLatin1String(algorithm.library))
                                : QLatin1String(algorithm.name));
    }
    return names.join(separator);
}

// "mp3 (320 to 96) and m4a (512 to 96)": the bit rates of the lossy formats.
QString bitrateRanges()
{
    QStringList ranges;
    for (const OutputFormat &format : OutputFormat::all()) {
        if (format.lossy()) {
            ranges << QStringLiteral("%1 (%2 to %3)")
                          .arg(QLatin1String(format.name))
                          .arg(format.bitrates.first())
                          .arg(format.bitrates.last());
        }
    }
    const QString last = ranges.takeLast();
    return ranges.isEmpty() ? last : ranges.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Retunes songs and videos to another concert pitch, with the engine of the Tunewise desktop program.\n"
        "A folder is searched with the file filter and its tree is mirrored under OUTDIR.\n"
        "Defaults are the saved settings of the desktop program; options change them for this run only."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Files and folders to convert."),
                                 QStringLiteral("INPUT..."));
    auto option = [](const QStringList &names, const QString &text, const QString &value = QString()) {
        return QCommandLineOption(names, text, value);
    };
    parser.addOptions({
        option({QStringLiteral("o"), QStringLiteral("output")},
               QStringLiteral("Folder to write the retuned files to (with --preview, the WAV file to write)."),
               QStringLiteral("OUTDIR")),
        option({QStringLiteral("target")},
               QStringLiteral("Target pitch of A4 in Hz, or the number of one of the choices "
                              "(see --list-targets; 528 means \"528 Hz (C5)\")."),
               QStringLiteral("HZ")),
        option({QStringLiteral("source")},
               QStringLiteral("Pitch of A4 in the sources, in Hz, or detect: measure each file's own (near the "
                              "saved source pitch)."),
               QStringLiteral("HZ|detect")),
        option({QStringLiteral("measure")},
               QStringLiteral("Measure the A4 each input is tuned to and print it; convert nothing.")),
        option({QStringLiteral("algorithm")}, algorithmNames(QStringLiteral(" or "), true) + QLatin1Char('.'),
               algorithmNames(QStringLiteral("|"), false)),
        option({QStringLiteral("format")}, QStringLiteral("Output format (alac: Apple Lossless in m4a)."),
               formatNames(QStringLiteral("|"))),
        option({QStringLiteral("bitrate")}, QStringLiteral("Bit rate of %1.").arg(bitrateRanges()),
               QStringLiteral("KBPS")),
        option({QStringLiteral("formants")},
               QStringLiteral("What the frequency-based algorithm does with the formants of voices: keep them, so "
                              "that voices stay natural at large shifts (slower), or shift them with the pitch."),
               QStringLiteral("keep|shift")),
        option({QStringLiteral("sample-rate")},
               QStringLiteral("Sample rate of the outputs: 44100, 48000, or source (as the source, where the "
                              "format allows)."),
               QStringLiteral("44100|48000|source")),
        option({QStringLiteral("keep-video")},
               QStringLiteral("Keep the picture of videos: a video becomes a video with its pictures and "
                              "subtitles copied and its audio retuned.")),
        option({QStringLiteral("filter")},
               QStringLiteral("Comma-separated file patterns for folders and lists, e.g. \"*.mp3,*.flac\"."),
               QStringLiteral("PATTERNS")),
        option({QStringLiteral("skip-existing")},
               QStringLiteral("Skip a file whose output exists (its name without a number is taken).")),
        option({QStringLiteral("files-from")},
               QStringLiteral("Also convert the files listed in FILE (- for standard input), one per line; a "
                              "relative path's folders are mirrored under OUTDIR. Listed folders are passed over."),
               QStringLiteral("FILE")),
        option({QStringLiteral("0"), QStringLiteral("null")},
               QStringLiteral("The list's names end with NUL, as find -print0 writes.")),
        option({QStringLiteral("shard")},
               QStringLiteral("Convert only share K of N: the files whose relative path hashes to it, the same on "
                              "every machine."),
               QStringLiteral("K/N")),
        option({QStringLiteral("report")},
               QStringLiteral("Append a JSON line for each file to FILE as the file ends."), QStringLiteral("FILE")),
        option({QStringLiteral("jobs")}, QStringLiteral("Files converted at once (default: cores)."),
               QStringLiteral("N")),
        option({QStringLiteral("strict")},
               QStringLiteral("Count a file converted with a warning (such as damage in the source) as failed.")),
        option({QStringLiteral("list-targets")}, QStringLiteral("List the target choices.")),
        option({QStringLiteral("quiet")}, QStringLiteral("Report failures only.")),
        option({QStringLiteral("verbose")}, QStringLiteral("Also show the engine's warnings.")),
    });
    PreviewCommand::addOptions(parser);
}

void listTargets()
{
    for (const TargetFrequencies::Choice &choice : TargetFrequencies::choices())
        std::printf("%-14s A4 = %s Hz\n", choice.label, qPrintable(QString::number(choice.value.toDouble())));
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
    addOptions(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("list-targets"))) {
        listTargets();
        return false;
    }
    m_verbose = parser.isSet(QStringLiteral("verbose"));
    m_quiet = parser.isSet(QStringLiteral("quiet"));
    m_strict = parser.isSet(QStringLiteral("strict"));
    m_measure = parser.isSet(QStringLiteral("measure"));
    m_reportPath = parser.value(QStringLiteral("report"));
    // Options change the saved settings for this run only.
    m_settings = saved;
    const QString fileFilter = parser.isSet(QStringLiteral("filter")) ? parser.value(QStringLiteral("filter"))
                                                                       : savedFilter;
    if (!readPitches(parser) || !readOutput(parser) || !readRun(parser))
        return false;
    // A preview names its one file and where it goes.
    const QString previewProblem = m_preview.read(parser, m_settings);
    if (!previewProblem.isEmpty())
        return usageError(previewProblem);
    return m_preview.asked() || readInputs(parser, fileFilter);
}

// The target and the source pitch: A4 in Hz, in the range the conversion
// takes, and at most the largest shift apart.
bool CommandLineOptions::readPitches(const QCommandLineParser &parser)
{
    auto frequency = [&parser](const QString &name) {
        bool valid = false;
        const double hz = parser.value(name).toDouble(&valid);
        return valid && ConversionSettings::validA4(hz) ? hz : 0.0;
    };
    const QString source = QStringLiteral("source");
    const bool detect = parser.value(source) == QLatin1String("detect");
    for (const QString &name : {QStringLiteral("target"), source}) {
        if (parser.isSet(name) && frequency(name) == 0.0 && !(name == source && detect)) {
            return usageError(QStringLiteral("--%1 wants A4 in Hz, from %2 to %3, not '%4'")
                                  .arg(name)
                                  .arg(ConversionSettings::LowestA4)
                                  .arg(ConversionSettings::HighestA4)
                                  .arg(parser.value(name)));
        }
    }
    if (parser.isSet(QStringLiteral("target")))
        m_settings.targetFrequency = TargetFrequencies::valueFor(frequency(QStringLiteral("target")));
    if (parser.isSet(source)) {
        m_settings.detectSourcePitch = detect;
        if (!detect)
            m_settings.sourceFrequency = frequency(source);
    }
    if (m_settings.pitchesValid())
        return true;
    return usageError(QStringLiteral("A4 = %1 Hz is %2 semitones from the sources' %3 Hz; at most %4 are possible")
                          .arg(m_settings.targetFrequency)
                          .arg(m_settings.semitones(), 0, 'f', 1)
                          .arg(m_settings.sourceFrequency)
                          .arg(ConversionSettings::LargestShift));
}

// The algorithm, the format, its bit rate and the sample rate.
bool CommandLineOptions::readOutput(const QCommandLineParser &parser)
{
    if (parser.isSet(QStringLiteral("algorithm"))) {
        const QString name = parser.value(QStringLiteral("algorithm"));
        const PitchAlgorithm *algorithm = PitchAlgorithm::named(name);
        if (!algorithm) {
            return usageError(
                QStringLiteral("--algorithm is %1, not '%2'").arg(algorithmNames(QStringLiteral(" or "), false), name));
        }
        m_settings.algorithm = algorithm->id;
    }
    if (parser.isSet(QStringLiteral("format"))) {
        const QString name = parser.value(QStringLiteral("format"));
        const OutputFormat *format = OutputFormat::named(name);
        if (!format)
            return usageError(QStringLiteral("--format is %1, not '%2'").arg(formatNames(QStringLiteral(", ")), name));
        m_settings.audioFormat = format->id;
    }
    if (parser.isSet(QStringLiteral("bitrate"))) {
        const OutputFormat *format = OutputFormat::find(m_settings.audioFormat);
        if (!format || !format->lossy())
            return usageError(QStringLiteral("--bitrate does not apply to lossless formats"));
        bool ok = false;
        const int kbps = parser.value(QStringLiteral("bitrate")).toInt(&ok);
        if (!ok || !format->bitrates.contains(kbps)) {
            QStringList rates;
            for (int rate : format->bitrates)
                rates << QString::number(rate);
            return usageError(QStringLiteral("--bitrate for this format is one of %1, not '%2'")
                                  .arg(rates.join(QStringLiteral(", ")), parser.value(QStringLiteral("bitrate"))));
        }
        m_settings.audioBitrate = kbps;
    }
    if (parser.isSet(QStringLiteral("sample-rate"))) {
        const QString rate = parser.value(QStringLiteral("sample-rate"));
        if (rate == QLatin1String("source"))
            m_settings.sampleRate = ConversionSettings::SourceRate;
        else if (rate == QLatin1String("44100") || rate == QLatin1String("48000"))
            m_settings.sampleRate = rate.toInt();
        else
            return usageError(QStringLiteral("--sample-rate is 44100, 48000 or source, not '%1'").arg(rate));
    }
    if (!readFormants(parser))
        return false;
    m_settings.keepVideo = m_settings.keepVideo || parser.isSet(QStringLiteral("keep-video"));
    m_settings.skipExisting = m_settings.skipExisting || parser.isSet(QStringLiteral("skip-existing"));
    return true;
}

// Formants kept or shifted; only an algorithm that can keep them is asked
// to.
bool CommandLineOptions::readFormants(const QCommandLineParser &parser)
{
    const QString formants = QStringLiteral("formants");
    if (!parser.isSet(formants))
        return true;
    const QString value = parser.value(formants);
    if (value != QLatin1String("keep") && value != QLatin1String("shift"))
        return usageError(QStringLiteral("--formants is keep or shift, not '%1'").arg(value));
    m_settings.keepFormants = value == QLatin1String("keep");
    const PitchAlgorithm *algorithm = PitchAlgorithm::find(m_settings.algorithm);
    if (!m_settings.keepFormants || !algorithm || algorithm->canKeepFormants)
        return true;
    QStringList able;
    for (const PitchAlgorithm &other : PitchAlgorithm::all()) {
        if (other.canKeepFormants)
            able << QLatin1String(other.name);
    }
    return usageError(QStringLiteral("--formants keep needs --algorithm %1; %2 cannot keep them")
                          .arg(able.join(QStringLiteral(" or ")), QLatin1String(algorithm->name)));
}

// How many at once, and which share.
bool CommandLineOptions::readRun(const QCommandLineParser &parser)
{
    bool ok = true;
    m_jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    if (parser.isSet(QStringLiteral("jobs"))) {
        m_jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || m_jobs < 1) {
            return usageError(
                QStringLiteral("--jobs wants a number of at least 1, not '%1'").arg(parser.value(QStringLiteral("jobs"))));
        }
    }
    if (!parser.isSet(QStringLiteral("shard")))
        return true;
    const QString shard = parser.value(QStringLiteral("shard"));
    const QStringList parts = shard.split(QLatin1Char('/'));
    bool countOk = false;
    if (parts.size() == 2) {
        m_shardIndex = parts.at(0).toInt(&ok);
        m_shardCount = parts.at(1).toInt(&countOk);
    }
    if (parts.size() != 2 || !ok || !countOk || m_shardCount < 1 || m_shardIndex < 1 || m_shardIndex > m_shardCount)
        return usageError(QStringLiteral("--shard wants K/N with 1 <= K <= N, not '%1'").arg(shard));
    return true;
}

// The files named, found in the folders named and listed, less those of
// the other shards.
bool CommandLineOptions::readInputs(const QCommandLineParser &parser, const QString &fileFilter)
{
    const bool listed = parser.isSet(QStringLiteral("files-from"));
    if (!parser.isSet(QStringLiteral("output")) && !m_measure)
        return usageError(QStringLiteral("no output folder: give it with -o OUTDIR"));
    if (parser.isSet(QStringLiteral("output")) && parser.value(QStringLiteral("output")).isEmpty())
        return usageError(QStringLiteral("-o wants the name of a folder, not an empty one"));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() && !listed)
        return usageError(QStringLiteral("no input: give files or folders to convert"));
    const QString outDir = QDir::cleanPath(QFileInfo(parser.value(QStringLiteral("output"))).absoluteFilePath());

    const QStringList filters = FolderScanner::nameFilters(fileFilter);
    for (const QString &argument : positional) {
        if (!addArgument(argument, outDir, filters))
            return false;
    }
    if (listed && !addListed(parser.value(QStringLiteral("files-from")), parser.isSet(QStringLiteral("null")), outDir,
                             filters))
        return false;

    takeShare();
    return true;
}

// Each file once, the first time it was named, and only this shard's.
void CommandLineOptions::takeShare()
{
    QSet<QString> seen;
    QSet<QString> repeated;
    for (const Input &input : qAsConst(m_inputs)) {
        const QString canonical = QFileInfo(input.path).canonicalFilePath();
        const QString key = canonical.isEmpty() ? input.path : canonical;
        if (seen.contains(key)) {
            if (!repeated.contains(key))
                m_notes << QStringLiteral("%1 is named more than once; it is converted once").arg(input.path);
            repeated.insert(key);
            continue;
        }
        seen.insert(key);
        if (shardHash(input.relative) % quint64(m_shardCount) == quint64(m_shardIndex - 1))
            m_requests.append({input.path, input.targetDirectory, m_settings, m_strict});
    }
    m_inputs.clear();
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
            m_problems.append({problem.path, problem.targetDirectory, problem.message.toString()});
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
