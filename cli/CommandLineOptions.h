#pragma once

#include "cli/PreviewCommand.h"
#include "pipeline/ConversionRequest.h"

#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// The command line of tunewise-cli, checked: the settings for this run and
// the files it converts, with where each one's output goes.
class CommandLineOptions
{
public:
    // A file or folder that could not even be read, and why.
    struct Problem
    {
        QString path;
        QString targetDirectory;
        QString message;
    };

    // Reads the arguments over the saved settings. False when the run ends
    // here, with exitStatus(): after --list-targets (0) or a usage error
    // (2, said on stderr). --help and --version end the process.
    bool parse(const QStringList &arguments, const ConversionSettings &saved, const QString &savedFilter);
    int exitStatus() const { return m_exitStatus; }

    const QList<ConversionRequest> &requests() const { return m_requests; }
    int jobs() const { return m_jobs; }
    bool quiet() const { return m_quiet; }
    bool verbose() const { return m_verbose; }
    // Measure the inputs' tuning instead of converting them.
    bool measure() const { return m_measure; }
    // Write a preview instead of converting, where asked().
    const PreviewCommand &preview() const { return m_preview; }
    QString reportPath() const { return m_reportPath; }
    // What the folder scans could not read (each counts as a failed file),
    // and what they passed over on purpose.
    const QList<Problem> &problems() const { return m_problems; }
    const QStringList &notes() const { return m_notes; }

private:
    // A file to convert: its path, its output folder, and its path relative
    // to what was given (for the shards).
    struct Input
    {
        QString path;
        QString targetDirectory;
        QString relative;
    };

    bool usageError(const QString &message);
    bool readPitches(const QCommandLineParser &parser);
    bool readOutput(const QCommandLineParser &parser);
    bool readFormants(const QCommandLineParser &parser);
    bool readRun(const QCommandLineParser &parser);
    bool readInputs(const QCommandLineParser &parser, const QString &fileFilter);
    bool addArgument(const QString &argument, const QString &outDir, const QStringList &filters);
    bool addListed(const QString &listFile, bool nulSeparated, const QString &outDir, const QStringList &filters);
    void takeShare();

    QList<ConversionRequest> m_requests;
    QList<Input> m_inputs;
    ConversionSettings m_settings;
    int m_jobs = 1;
    int m_shardIndex = 1;
    int m_shardCount = 1;
    bool m_quiet = false;
    bool m_verbose = false;
    bool m_strict = false;
    bool m_measure = false;
    QString m_reportPath;
    QList<Problem> m_problems;
    QStringList m_notes;
    PreviewCommand m_preview;
    int m_exitStatus = 0;
};
