#include "files/Temporaries.h"

#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

// "." + the output's name + ".part-" + six random letters and digits.
constexpr char Marker[] = ".part-";
constexpr int MarkerLength = sizeof Marker - 1;
constexpr int RandomLength = 6;
constexpr char RandomLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// The extended attribute that marks a temporary of ours.
constexpr char MarkName[] = "user.tunewise.temporary";

// The temporaries this process is writing, with the times they were
// claimed. Another process's are told by their lock; ours must be told apart
// without it, because where locks are emulated with POSIX record locks
// (NFS), a process's lock does not keep the process itself out.
struct Live
{
    // Held while a name is claimed, and while a stale one is checked and
    // removed, so that no name of ours is removed in between.
    std::mutex mutex;
    std::map<QByteArray, std::chrono::system_clock::time_point> claimed;

    // What a temporary must have been written before to be stale: when
    // the oldest temporary this process writes was claimed, or now when
    // there is none.
    std::chrono::system_clock::time_point staleBefore() const
    {
        auto time = std::chrono::system_clock::now();
        for (const auto &entry : claimed)
            time = std::min(time, entry.second);
        return time;
    }
};

Live &live()
{
    static Live registry;
    return registry;
}

bool isMarked(int fd)
{
    char value[16];
    return ::fgetxattr(fd, MarkName, value, sizeof value) > 0;
}

// Whether the file named `name` in `directory`, opened as `fd`, is a stale
// temporary: ours, unlocked (the lock is then held while it is removed, so
// that a writer that created it a moment ago sees it gone and makes
// another), still under that name, and last written before `before`.
bool isStale(int directory, const char *name, int fd, std::chrono::system_clock::time_point before)
{
    struct stat opened;
    struct stat named;
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !isMarked(fd))
        return false;
    const auto written = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(opened.st_mtim.tv_sec) + std::chrono::nanoseconds(opened.st_mtim.tv_nsec)));
    return written < before && ::flock(fd, LOCK_EX | LOCK_NB) == 0
           && ::fstatat(directory, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev
           && named.st_ino == opened.st_ino;
}

} // namespace

QByteArray Temporaries::name(const QByteArray &outputName, int nameMax)
{
    // The output's name, its start kept where the whole would be too long.
    QByteArray prefix = '.' + outputName;
    const int room = nameMax - MarkerLength - RandomLength;
    if (prefix.size() > room) {
        int cut = room;
        while (cut > 1 && (uchar(prefix.at(cut)) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 sequence
        prefix.truncate(cut);
    }
    QByteArray name = prefix + Marker;
    for (int i = 0; i < RandomLength; ++i)
        name += RandomLetters[QRandomGenerator::global()->bounded(int(sizeof RandomLetters - 1))];
    return name;
}

bool Temporaries::isTemporaryName(const char *name)
{
    const size_t length = std::strlen(name);
    const size_t tail = MarkerLength + RandomLength;
    if (name[0] != '.' || length < tail + 1 || std::strncmp(name + length - tail, Marker, MarkerLength) != 0)
        return false;
    for (size_t i = length - RandomLength; i < length; ++i) {
        if (!std::strchr(RandomLetters, name[i]) || name[i] == '\0')
            return false;
    }
    return true;
}

bool Temporaries::mark(int fd)
{
    return ::fsetxattr(fd, MarkName, "1", 1, 0) == 0;
}

QByteArray Temporaries::key(const struct stat &folder, const QByteArray &name)
{
    return QByteArray::number(qulonglong(folder.st_dev)) + ':' + QByteArray::number(qulonglong(folder.st_ino)) + '/'
        + name;
}

bool Temporaries::claim(const QByteArray &key)
{
    Live &registry = live();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    return registry.claimed.emplace(key, std::chrono::system_clock::now()).second;
}

void Temporaries::release(const QByteArray &key)
{
    Live &registry = live();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    registry.claimed.erase(key);
}

void Temporaries::sweep(const QByteArray &folder)
{
    const int directory = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0)
        return;
    struct stat folderStatus;
    std::unique_ptr<DIR, int (*)(DIR *)> listing(::fdopendir(directory), ::closedir);
    if (!listing || ::fstat(directory, &folderStatus) != 0) {
        if (!listing)
            ::close(directory);
        return;
    }
    Live &registry = live();
    while (const dirent *entry = ::readdir(listing.get())) {
        if (!isTemporaryName(entry->d_name))
            continue;
        const std::lock_guard<std::mutex> lock(registry.mutex);
        if (registry.claimed.count(key(folderStatus, QByteArray(entry->d_name))))
            continue;
        // Read-write: a lock emulated with record locks needs it.
        const int fd = ::openat(directory, entry->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (isStale(directory, entry->d_name, fd, registry.staleBefore()))
            ::unlinkat(directory, entry->d_name, 0);
        ::close(fd);
    }
}
