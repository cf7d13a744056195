#pragma once

#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <csignal>

namespace TestFiles {

// The regular files below a folder, hidden ones too (a temporary left
// behind is a file left behind), as sorted paths relative to it.
QStringList below(const QString &folder);

// Writes `bytes` to the file at `path`, making its folder first; returns
// the path.
QString write(const QString &path, const QByteArray &bytes = {});

// Overwrites 300 bytes at a third, half and two thirds of the file at
// `path`: three damaged stretches in the middle of a song.
bool damage(const QString &path);

// Runs `run` with the process allowed to write files of `bytes` at most, as
// on a disk that fills up; a write beyond fails with EFBIG.
template<typename Run>
auto withFileSizeLimit(rlim_t bytes, Run run)
{
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    const auto result = run();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    return result;
}

} // namespace TestFiles
