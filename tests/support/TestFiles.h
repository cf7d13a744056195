#pragma once

#include <QString>
#include <QStringList>

namespace TestFiles {

// The regular files below a folder, as sorted paths relative to it.
QStringList below(const QString &folder);

} // namespace TestFiles
