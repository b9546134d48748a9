#include "file_operations.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Writes through a symbolic link rather than replacing the link by a file.
QByteArray ResolvedTarget(const QByteArray& path)
{
    struct stat link;
    if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return path;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved) == nullptr) {
        return path; // a dangling link: replace the link itself
    }
    return QByteArray(resolved);
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Opens a new, unique hidden file beside the target. The creation mode lets the
// umask decide the permissions of a file that did not exist before.
int CreateTemporaryBeside(const QByteArray& target, QByteArray* temporaryPath)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray name = target.mid(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = folder + '.' + name + '.' +
                         QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
        const int fd = ::open(temporaryPath->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // the rename itself is what must survive a power cut
        ::close(fd);
    }
}

} // namespace

bool DeleteFile(const QString& path)
{
    return ::unlink(Native(path).constData()) == 0;
}

bool RenameFile(const QString& oldPath, const QString& newPath)
{
    if (::renameat2(AT_FDCWD, Native(oldPath).constData(), AT_FDCWD, Native(newPath).constData(),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        return detail::RenameFileByLink(oldPath, newPath);
    }
    return false;
}

namespace detail {

bool RenameFileByLink(const QString& oldPath, const QString& newPath)
{
    const QByteArray from = Native(oldPath);
    if (::link(from.constData(), Native(newPath).constData()) != 0) {
        return false;
    }
    if (::unlink(from.constData()) != 0) {
        ::unlink(Native(newPath).constData()); // leave things as they were
        return false;
    }
    return true;
}

} // namespace detail

bool ReplaceFileContents(const QString& path, const QByteArray& contents)
{
    const QByteArray target = ResolvedTarget(Native(path));
    struct stat existing;
    const bool exists = ::stat(target.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        return false;
    }

    QByteArray temporary;
    const int fd = CreateTemporaryBeside(target, &temporary);
    if (fd < 0) {
        return false;
    }
    bool written = true;
    if (exists) {
        // Owner first: changing it may clear set-id bits, which the mode restores.
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Only root or the owner may do this; the file is ours in that case.
        }
        written = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    written = written && WriteAll(fd, contents) && ::fsync(fd) == 0;
    written = (::close(fd) == 0) && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

} // namespace platform
