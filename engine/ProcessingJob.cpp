#include "ProcessingJob.h"

#include <QFileInfo>

QString ProcessingJob::targetFilePath(const QString &targetDirectory,
                                      const QString &baseName,
                                      const QString &extension)
{
    QString directory = targetDirectory;
    if (!directory.endsWith(QLatin1Char('\\')) && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    const QString base = baseName.trimmed();

    // The multi-argument arg() substitutes in one pass, so a "%1" inside a
    // folder or file name is copied literally.
    QString candidate = QStringLiteral("%1%2.%3").arg(directory, base, extension);
    for (qint64 counter = 0; QFileInfo::exists(candidate); ++counter) {
        candidate = QStringLiteral("%1%2_%3.%4")
                        .arg(directory, base, QString::number(counter), extension);
    }
    return candidate;
}
