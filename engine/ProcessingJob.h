#pragma once

#include <QObject>
#include <QString>

// Converts the audio of one queued file into one retuned output file.
class ProcessingJob : public QObject
{
    Q_OBJECT

public:
    // The output path for a source base name in a target folder: the first of
    // dir/base.ext, dir/base_0.ext, dir/base_1.ext, ... that names neither a
    // file nor a folder. Reads the file system only.
    static QString targetFilePath(const QString &targetDirectory,
                                  const QString &baseName,
                                  const QString &extension);
};
