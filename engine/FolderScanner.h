#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Finds the files of a folder tree that a folder import queues, and where
// each one's output goes: the subfolder tree is mirrored under the target.
class FolderScanner
{
public:
    struct Match
    {
        QString filePath;         // with forward slashes
        QString targetDirectory;  // the target, plus the file's subfolder
    };

    // The name patterns of a filter setting such as "*.mp3,*.wav".
    static QStringList nameFilters(const QString &fileFilter);

    // Regular files below `folder` (subfolders included, links to folders
    // not followed, hidden files left out) whose names match one of the
    // patterns, case-insensitively. `target` must end in "/": a file directly
    // in the folder gets the target as it is, FOLDER/A/B/x.mp3 gets TARGET + "A/B".
    static QList<Match> scan(const QString &folder, const QString &target, const QStringList &nameFilters);

};
