#include "engine/FolderScanner.h"

#include "engine/NameFilter.h"

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

    // Matched here rather than by the iterator, whose patterns pass over
    // names that are not UTF-8.
    const NameFilter filter(nameFilters);
    QList<Match> matches;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = withSlashes(it.next());
        if (!filter.matches(it.fileName()))
            continue;
        const QString directory = QFileInfo(path).path();
        const QString relative = directory.mid(base.size());
        matches.append({path, relative.isEmpty() ? target : target + relative});
    }
    return matches;
}
