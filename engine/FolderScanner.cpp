#include "engine/FolderScanner.h"

#include "engine/NameFilter.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

QString withSlashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// Negative, zero or positive as `a` sorts before, with or after `b`: runs
// of digits by their value, everything else regardless of case.
int compareNaturally(const QStringRef &a, const QStringRef &b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const int startA = i;
            const int startB = j;
            while (i < a.size() && a.at(i) == QLatin1Char('0'))
                ++i;
            while (j < b.size() && b.at(j) == QLatin1Char('0'))
                ++j;
            const int digitsA = i;
            const int digitsB = j;
            while (i < a.size() && a.at(i).isDigit())
                ++i;
            while (j < b.size() && b.at(j).isDigit())
                ++j;
            // More digits without the leading zeros is more; as many
            // compare digit by digit; then the fewer leading zeros first.
            if (i - digitsA != j - digitsB)
                return (i - digitsA) - (j - digitsB);
            if (const int order = a.mid(digitsA, i - digitsA).compare(b.mid(digitsB, j - digitsB)))
                return order;
            if (digitsA - startA != digitsB - startB)
                return (digitsA - startA) - (digitsB - startB);
            continue;
        }
        const QChar x = a.at(i).toCaseFolded();
        const QChar y = b.at(j).toCaseFolded();
        if (x != y)
            return x.unicode() - y.unicode();
        ++i;
        ++j;
    }
    if (const int length = (a.size() - i) - (b.size() - j))
        return length;
    return a.compare(b);  // only capitals differ: a fixed order all the same
}

} // namespace

bool FolderScanner::comesBefore(const QString &a, const QString &b)
{
    const QVector<QStringRef> x = a.splitRef(QLatin1Char('/'));
    const QVector<QStringRef> y = b.splitRef(QLatin1Char('/'));
    for (int i = 0; i < x.size() && i < y.size(); ++i) {
        const bool fileX = i == x.size() - 1;
        const bool fileY = i == y.size() - 1;
        if (fileX != fileY)
            return fileX;
        if (const int order = compareNaturally(x.at(i), y.at(i)))
            return order < 0;
    }
    return x.size() < y.size();
}

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
    std::sort(matches.begin(), matches.end(),
              [](const Match &x, const Match &y) { return comesBefore(x.filePath, y.filePath); });
    return matches;
}
