#include "FolderScanner.h"

#include "QueueEntry.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {
QString withSlashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}
} // namespace

QStringList FolderScanner::nameFilters(const QString &fileFilter)
{
    return fileFilter.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QList<FolderScanner::Match> FolderScanner::scan(const QString &folder, const QString &target,
                                                const QStringList &nameFilters)
{
    QString base = withSlashes(folder);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');

    QList<Match> matches;
    QDirIterator it(folder, nameFilters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = withSlashes(it.next());
        const QString directory = QFileInfo(path).path();
        const QString relative = directory.mid(base.size());
        matches.append({path, relative.isEmpty() ? target : target + relative});
    }
    return matches;
}

QList<QueueEntry *> FolderScanner::scanEntries(const QString &folder, const QString &target,
                                               const QString &fileFilter, QThread *owner)
{
    QList<QueueEntry *> entries;
    for (const Match &match : scan(folder, target, nameFilters(fileFilter))) {
        // Parentless until the queue adopts it; moved so that it lives where
        // the queue does.
        auto *entry = new QueueEntry(match.filePath, match.targetDirectory);
        entry->moveToThread(owner);
        entries.append(entry);
    }
    return entries;
}
