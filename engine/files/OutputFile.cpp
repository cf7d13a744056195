#include "files/OutputFile.h"

#include "files/OutputNames.h"
#include "files/Temporaries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

namespace {

// What the system says of an errno, as FFmpeg's messages say it.
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Makes the folder and its missing parents; returns 0 or the errno of the
// step that failed, which QDir::mkpath would not tell.
int makeFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    for (int i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path.at(i) != '/')
            continue;
        if (::mkdir(path.left(i).constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat status;
    if (::stat(path.constData(), &status) != 0)
        return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

} // namespace

OutputFile::~OutputFile()
{
    if (!m_finished)
        discard();
}

bool OutputFile::create(const QString &folder, const QString &baseName, const QString &extension)
{
    m_folder = folder;
    m_baseName = baseName;
    m_extension = extension;
    if (const int error = makeFolder(folder)) {
        m_path = folder;
        return fail(tr("Cannot create the folder “%1”: %2.").arg(folder, systemError(error)));
    }
    const QByteArray encodedFolder = QFile::encodeName(folder);
    const long nameMax = ::pathconf(encodedFolder.constData(), _PC_NAME_MAX);
    m_nameMax = nameMax > 0 ? int(std::min(nameMax, 4096L)) : 255;
    Temporaries::sweep(encodedFolder);
    return pickName() && createTemporary();
}

// The first free name, which must fit the file system as it is: a name cut
// short would be a different name.
bool OutputFile::pickName()
{
    const QString plain = m_baseName.trimmed() + QLatin1Char('.') + m_extension;
    m_path = OutputNames::free(m_folder, m_baseName, m_extension);
    const QString name = QFileInfo(m_path).fileName();
    const int bytes = QFile::encodeName(name).size();
    if (bytes <= m_nameMax)
        return true;
    if (name == plain) {
        return fail(tr("The output name “%1” is too long: %2 bytes, of the %3 a name may have here.")
                        .arg(name, QString::number(bytes), QString::number(m_nameMax)));
    }
    return fail(
        tr("“%1” exists, and the next free name, “%2”, is too long: %3 bytes, of the %4 a name may have here.")
            .arg(plain, name, QString::number(bytes), QString::number(m_nameMax)));
}

bool OutputFile::createTemporary()
{
    const QByteArray folder = QFile::encodeName(m_folder) + '/';
    struct stat folderStatus;
    if (::stat(folder.constData(), &folderStatus) != 0)
        return fail(tr("Cannot create “%1”: %2.").arg(m_path, systemError(errno)));
    const QByteArray outputName = QFile::encodeName(QFileInfo(m_path).fileName());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = Temporaries::name(outputName, m_nameMax);
        const QByteArray key = Temporaries::key(folderStatus, name);
        if (!Temporaries::claim(key))
            continue;
        const QByteArray path = folder + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int error = errno;
        if (fd >= 0) {
            // Held until the file has its final name or is gone; a stale
            // temporary is one whose lock nobody holds. Where the file
            // system has no locks, nothing is ever taken for stale.
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
            Temporaries::mark(fd);
            struct stat status;
            if (::fstat(fd, &status) == 0 && status.st_nlink > 0) {
                m_fd = fd;
                m_temporaryPath = QFile::decodeName(path);
                m_liveKey = key;
                return true;
            }
            ::close(fd);  // taken for stale by another process before the lock
        }
        Temporaries::release(key);
        if (fd < 0 && error != EEXIST)
            return fail(tr("Cannot create “%1”: %2.").arg(m_path, systemError(error)));
    }
    return fail(tr("Cannot create “%1”: %2.").arg(m_path, systemError(EEXIST)));
}

bool OutputFile::complete()
{
    if (::fsync(m_fd) == 0)
        return true;
    return fail(tr("%1 while writing “%2”.").arg(systemError(errno), m_path));
}

bool OutputFile::publish()
{
    if (!takeFinalName())
        return false;
    m_finished = true;
    close();
    forgetTemporary();
    return true;
}

// Gives the complete temporary its name without ever replacing a file:
// renameat2 where the file system can refuse to replace, else a second
// link, else (no hard links either) a rename once the name was seen free.
bool OutputFile::takeFinalName()
{
    const QByteArray from = QFile::encodeName(m_temporaryPath);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QByteArray to = QFile::encodeName(m_path);
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
            return true;
        int error = errno;
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            if (::link(from.constData(), to.constData()) == 0) {
                ::unlink(from.constData());
                return true;
            }
            error = errno;
            struct stat status;
            if (error == EPERM || error == ENOSYS || error == EOPNOTSUPP) {
                if (::lstat(to.constData(), &status) != 0 && errno == ENOENT) {
                    if (::rename(from.constData(), to.constData()) == 0)
                        return true;
                    error = errno;
                } else {
                    error = EEXIST;
                }
            }
        }
        if (error != EEXIST) {
            return fail(tr("Cannot give the finished output its name “%1”: %2.")
                            .arg(m_path, systemError(error)));
        }
        if (!pickName())
            return false;
    }
    return fail(tr("Cannot give the finished output its name “%1”: %2.")
                    .arg(m_path, systemError(EEXIST)));
}

void OutputFile::discard()
{
    // Only ever the temporary this object created, removed while it is
    // still locked.
    if (!m_finished && m_fd >= 0)
        ::unlink(QFile::encodeName(m_temporaryPath).constData());
    close();
    forgetTemporary();
}

void OutputFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void OutputFile::forgetTemporary()
{
    if (m_liveKey.isEmpty())
        return;
    Temporaries::release(m_liveKey);
    m_liveKey.clear();
}
