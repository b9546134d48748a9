#include "file_operations.h"

#include <QDir>
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

// A fresh hidden name beside the target: ".<name>.<random>.tmp", the form
// RemoveTemporaryFiles looks for.
QByteArray TemporaryNameBeside(const QByteArray& target)
{
    const qsizetype slash = target.lastIndexOf('/');
    return target.left(slash + 1) + '.' + target.mid(slash + 1) + '.' +
           QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".tmp";
}

bool IsRegularFile(const QByteArray& path)
{
    struct stat existing;
    return ::stat(path.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
}

// Opens a new, unique hidden file beside the target. The creation mode lets the
// umask decide the permissions of a file that did not exist before.
int CreateTemporaryBeside(const QByteArray& target, QByteArray* temporaryPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = TemporaryNameBeside(target);
        const int fd = ::open(temporaryPath->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool SyncFolderOf(const QByteArray& path)
{
    const int fd = ::open(FolderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0; // the rename itself is what must survive a power cut
    ::close(fd);
    return synced;
}

// Copies the bytes of `source` into a new hidden file beside `target` and makes
// them reach the disk; returns the hidden file's name, empty on failure.
QByteArray CopyBeside(const QByteArray& source, const QByteArray& target)
{
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return QByteArray();
    }
    QByteArray temporary;
    const int out = CreateTemporaryBeside(target, &temporary);
    bool copied = out >= 0;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    while (copied) {
        const ssize_t got = ::read(in, buffer.data(), static_cast<size_t>(buffer.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        copied = WriteAll(out, QByteArray::fromRawData(buffer.constData(), got));
    }
    ::close(in);
    if (out < 0) {
        return QByteArray();
    }
    copied = copied && ::fsync(out) == 0;
    copied = (::close(out) == 0) && copied;
    if (!copied) {
        ::unlink(temporary.constData());
        return QByteArray();
    }
    return temporary;
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
    if (errno == EXDEV) {
        return detail::RenameFileByCopy(oldPath, newPath);
    }
    return false;
}

bool PlaceCopy(const QString& source, const QString& target)
{
    const QByteArray from = Native(source);
    const QByteArray to = Native(target);
    if (!IsRegularFile(from)) {
        return false;
    }
    // The new contents get a hidden name first, so `target` changes in one step.
    QByteArray temporary;
    for (int attempt = 0; attempt < 100 && temporary.isEmpty(); ++attempt) {
        const QByteArray candidate = TemporaryNameBeside(to);
        if (::link(from.constData(), candidate.constData()) == 0) {
            temporary = candidate;
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (temporary.isEmpty() && (errno == EXDEV || errno == EPERM || errno == ENOTSUP)) {
        temporary = CopyBeside(from, to); // another file system, or one without links
    }
    if (temporary.isEmpty()) {
        return false;
    }
    if (::rename(temporary.constData(), to.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return SyncFolderOf(to);
}

bool LinkFile(const QString& existing, const QString& newPath)
{
    return ::link(Native(existing).constData(), Native(newPath).constData()) == 0;
}

bool ReplaceFile(const QString& oldPath, const QString& newPath)
{
    return ::rename(Native(oldPath).constData(), Native(newPath).constData()) == 0;
}

bool RemoveFileIfPresent(const QString& path)
{
    return ::unlink(Native(path).constData()) == 0 || errno == ENOENT;
}

bool SyncFolder(const QString& folder)
{
    return SyncFolderOf(Native(folder) + "/.");
}

void RemoveTemporaryFiles(const QString& folder, const QString& prefix)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1Char('.') + prefix + QStringLiteral("*.tmp")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        ::unlink(Native(dir.filePath(name)).constData());
    }
    if (!names.isEmpty()) {
        SyncFolder(folder);
    }
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

bool RenameFileByCopy(const QString& oldPath, const QString& newPath)
{
    const QByteArray from = Native(oldPath);
    const QByteArray to = Native(newPath);
    if (!IsRegularFile(from)) {
        return false;
    }
    const QByteArray temporary = CopyBeside(from, to);
    if (temporary.isEmpty()) {
        return false;
    }
    const bool linked = ::link(temporary.constData(), to.constData()) == 0;
    ::unlink(temporary.constData());
    if (!linked || !SyncFolderOf(to)) {
        if (linked) {
            ::unlink(to.constData());
        }
        return false;
    }
    // The copy is on disk under its new name; only now may the old one go.
    return ::unlink(from.constData()) == 0;
}

} // namespace detail

bool IsWriteProtected(const QString& path)
{
    struct stat existing;
    return ::stat(Native(path).constData(), &existing) == 0 && (existing.st_mode & S_IWUSR) == 0;
}

bool ReplaceFileContents(const QString& path, const QByteArray& contents)
{
    const QByteArray target = ResolvedTarget(Native(path));
    struct stat existing;
    const bool exists = ::stat(target.constData(), &existing) == 0;
    // The rename would go through where a write would not (always for root).
    if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
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
    SyncFolderOf(target); // the new contents are in place whether or not this succeeds
    return true;
}

} // namespace platform
