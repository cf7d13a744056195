#pragma once

#include <QString>

// The names outputs get: folder/base.ext, or where that is taken the first
// free one of folder/base_0.ext, folder/base_1.ext, ...
namespace OutputNames {

// The first of those that names neither a file nor a folder. Reads the file
// system only.
QString free(const QString &folder, const QString &baseName, const QString &extension);
// The output that exists already, or an empty string: folder/base.ext, or
// where that is the source itself (an output written beside its source in
// its own format), folder/base_0.ext, the name its output got.
QString existing(const QString &folder, const QString &baseName, const QString &extension, const QString &source);

} // namespace OutputNames
