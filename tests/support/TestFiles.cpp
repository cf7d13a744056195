#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>

namespace TestFiles {

QStringList below(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace TestFiles
