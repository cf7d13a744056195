#include "engine/FolderScanner.h"

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
