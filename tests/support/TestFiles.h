#pragma once

#include <QString>
#include <QStringList>

namespace TestFiles {

// The regular files below a folder, hidden ones too (a temporary left
// behind is a file left behind), as sorted paths relative to it.
QStringList below(const QString &folder);

} // namespace TestFiles
