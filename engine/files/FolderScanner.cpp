#include "files/FolderScanner.h"

#include "files/NameFilter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

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

FolderScanner::Scan FolderScanner::scan(const QString &folder, const QString &target, const QStringList &nameFilters)
{
    QString base = folder;
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    // The output folder, where it lies inside the tree (but is not the tree
    // itself: then the tuning note tells outputs from sources).
    const QString output = QFileInfo(target).canonicalFilePath();
    const QString root = QFileInfo(folder).canonicalFilePath();
    const bool outputInside = !output.isEmpty() && output != root && output.startsWith(root + QLatin1Char('/'));

    // Matched here rather than by a directory iterator, whose patterns pass
    // over names that are not UTF-8 and which passes over unreadable
    // folders without a word.
    const NameFilter filter(nameFilters);
    Scan result;
    QStringList folders{folder};
    while (!folders.isEmpty()) {
        const QString current = folders.takeLast();
        const QString relative = current.mid(base.size());
        const QString currentTarget = relative.isEmpty() ? target : target + relative;
        if (::access(QFile::encodeName(current).constData(), R_OK | X_OK) != 0) {
            result.unreadable.append({current, currentTarget,
                                      tr("Cannot read the folder “%1”: %2.").arg(current, QString::fromLocal8Bit(
                                                                                            std::strerror(errno)))});
            continue;
        }
        const QFileInfoList entries =
            QDir(current).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
        for (const QFileInfo &entry : entries) {
            const QString path = entry.filePath();
            if (entry.isDir()) {
                // Links to folders are not followed: they may lead in circles.
                if (entry.isSymLink())
                    continue;
                if (outputInside && entry.canonicalFilePath() == output)
                    result.outputFolder = path;
                else
                    folders.append(entry.filePath());
            } else if (filter.matches(entry.fileName())) {
                // A FIFO, socket or device would make a read wait for ever.
                if (!entry.isFile()) {
                    result.unreadable.append({path, currentTarget,
                                              tr("“%1” is not a file: only files are read.").arg(path)});
                } else if (::access(QFile::encodeName(entry.filePath()).constData(), R_OK) != 0) {
                    result.unreadable.append(
                        {path, currentTarget,
                         tr("Cannot read “%1”: %2.").arg(path, QString::fromLocal8Bit(std::strerror(errno)))});
                } else {
                    result.matches.append({path, currentTarget});
                }
            }
        }
    }
    std::sort(result.matches.begin(), result.matches.end(),
              [](const Match &x, const Match &y) { return comesBefore(x.filePath, y.filePath); });
    return result;
}
