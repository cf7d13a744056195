#pragma once

#include <QString>

// The names outputs get: folder/base.ext, or where that is taken the first
// free one of folder/base_0.ext, folder/base_1.ext, ...
namespace OutputNames {

// The first of those that names neither a file nor a folder. Reads the file
// system only.
QString free(const QString &folder, const QString &baseName, const QString &extension);
// folder/base.ext when a file has that name, else an empty string.
QString existing(const QString &folder, const QString &baseName, const QString &extension);

} // namespace OutputNames
