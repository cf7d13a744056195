#pragma once

#include "base/FirstError.h"

#include <QByteArray>
#include <QString>

// One output file. It is written under a hidden temporary name in the
// target folder (".Song.mp3.part-Xy12Ab"), locked while it is written, and
// takes its final name only once it is complete and on the disk, never in
// place of an existing file: a killed process leaves no file that looks
// finished. A temporary that is not finished is removed, and those that
// killed processes left behind are removed by the next output into their
// folder.
class OutputFile : public FirstError
{
    TW_DECLARE_TRANSLATABLE_TEXTS(OutputFile)

public:
    OutputFile() = default;
    // An output that was not finished is removed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the folder when missing, clears it of stale temporaries,
    // picks the first free one of folder/base.ext, folder/base_0.ext, ...
    // as the output's name and creates the temporary exclusively.
    bool create(const QString &folder, const QString &baseName, const QString &extension);

    // Where the output is written, while it is.
    int descriptor() const { return m_fd; }
    // Everything written is on the disk, under the temporary name (it can be
    // read there).
    bool complete();
    // The file takes its final name (the next free one when another file
    // took it meanwhile).
    bool publish();
    // Closes and removes the temporary.
    void discard();

    // The output's name: the one it is meant to get while it is written,
    // the one it got once finished.
    QString path() const { return m_path; }
    QString temporaryPath() const { return m_temporaryPath; }

private:
    bool pickName();
    bool createTemporary();
    bool takeFinalName();
    void close();
    void forgetTemporary();

    QString m_folder;
    QString m_baseName;
    QString m_extension;
    int m_nameMax = 255;  // bytes in a name, in this folder's file system
    QString m_path;
    QString m_temporaryPath;
    QByteArray m_liveKey;  // the temporary's entry among this process's live ones
    int m_fd = -1;
    bool m_finished = false;
};
