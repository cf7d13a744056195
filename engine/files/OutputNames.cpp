#include "files/OutputNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QString OutputNames::free(const QString &folder, const QString &baseName, const QString &extension)
{
    QString directory = folder;
    if (!directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    const QString base = baseName.trimmed();

    // The multi-argument arg() substitutes in one pass, so a "%1" inside a
    // folder or file name is copied literally.
    // Any entry takes a name, a link to nothing included: the publishing
    // link() would fail on it.
    auto taken = [](const QString &path) {
        struct stat status;
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
    };
    QString candidate = QStringLiteral("%1%2.%3").arg(directory, base, extension);
    for (qint64 counter = 0; taken(candidate); ++counter)
        candidate = QStringLiteral("%1%2_%3.%4").arg(directory, base, QString::number(counter), extension);
    return candidate;
}

QString OutputNames::existing(const QString &folder, const QString &baseName, const QString &extension,
                              const QString &source)
{
    const QString base = baseName.trimmed();
    QString name = QDir(folder).filePath(base + QLatin1Char('.') + extension);
    struct stat named;
    struct stat original;
    if (::stat(QFile::encodeName(name).constData(), &named) == 0
        && ::stat(QFile::encodeName(source).constData(), &original) == 0 && named.st_dev == original.st_dev
        && named.st_ino == original.st_ino)
        name = QDir(folder).filePath(base + QStringLiteral("_0.") + extension);
    return QFileInfo(name).isFile() ? name : QString();
}
