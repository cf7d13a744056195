#pragma once

#include "base/TranslatableText.h"

#include <QList>
#include <QString>
#include <QStringList>

// Finds the files of a folder tree that a folder import queues, and where
// each one's output goes: the subfolder tree is mirrored under the target.
class FolderScanner
{
    TW_DECLARE_TRANSLATABLE_TEXTS(FolderScanner)

public:
    struct Match
    {
        QString filePath;
        QString targetDirectory;  // the target, plus the file's subfolder
    };

    // A folder or file of the tree that cannot be read, and why.
    struct Problem
    {
        QString path;
        QString targetDirectory;  // where its outputs would have gone
        TranslatableText message;
    };

    struct Scan
    {
        QList<Match> matches;
        QList<Problem> unreadable;
        // The output folder where it lies inside the tree: passed over, so
        // that the outputs of a run are not converted again by the next.
        QString outputFolder;
    };

    // The name patterns of a filter setting such as "*.mp3,*.wav".
    static QStringList nameFilters(const QString &fileFilter);

    // Regular files below `folder` (subfolders included, links to folders
    // not followed, hidden files left out) whose names match one of the
    // patterns, case-insensitively, in the order of comesBefore. `target`
    // must end in "/": a file directly in the folder gets the target as it
    // is, FOLDER/A/B/x.mp3 gets TARGET + "A/B". Where the target lies inside
    // the folder, it is left out.
    static Scan scan(const QString &folder, const QString &target, const QStringList &nameFilters);

    // The order a file manager shows a tree in: names in natural order
    // ("f2" before "f10", capitals or not), and in each folder its files
    // before the contents of its subfolders.
    static bool comesBefore(const QString &a, const QString &b);

};
