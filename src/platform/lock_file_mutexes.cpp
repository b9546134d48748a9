#include "lock_file_mutexes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Well below NAME_MAX (255), with room for the prefix.
constexpr qsizetype kLongestEncodedName = 180;

class LockFileMutex final : public NamedMutex
{
public:
    explicit LockFileMutex(int fd) : m_fd(fd) {}
    ~LockFileMutex() override { ::close(m_fd); } // closing drops the lock too
    Q_DISABLE_COPY_MOVE(LockFileMutex)

    bool TryWait() override
    {
        if (m_owned)
            return true;
        int result;
        do
            result = ::flock(m_fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        m_owned = result == 0;
        return m_owned;
    }

    void Release() override
    {
        if (m_owned)
            ::flock(m_fd, LOCK_UN);
        m_owned = false;
    }

private:
    int m_fd;
    bool m_owned = false;
};

bool IsPrivateFolder(const QByteArray& path, bool followLink)
{
    struct stat info;
    const int result =
        followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info);
    return result == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

QString MakePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Someone else may have made it first: only a real folder of ours will do.
    return IsPrivateFolder(path, false) ? QString::fromLocal8Bit(path) : QString();
}

} // namespace

LockFileMutexes::LockFileMutexes(QString folder) : m_folder(std::move(folder)) {}

QString LockFileMutexes::RuntimeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && IsPrivateFolder(runtime, true)) {
        const QString folder = MakePrivateFolder(runtime + "/wavedock");
        if (!folder.isEmpty())
            return folder;
    }
    const QByteArray fallback = "/tmp/wavedock-" + QByteArray::number(::geteuid());
    qWarning("XDG_RUNTIME_DIR is not a private folder of this user; using %s.",
             fallback.constData());
    const QString folder = MakePrivateFolder(fallback);
    if (folder.isEmpty())
        qWarning("%s is not a private folder of this user; no copy can start.",
                 fallback.constData());
    return folder;
}

QString LockFileMutexes::LockFilePath(const QString& name) const
{
    QByteArray encoded = QUrl::toPercentEncoding(name);
    if (encoded.size() > kLongestEncodedName)
        encoded = encoded.left(kLongestEncodedName / 2) + '-' +
                  QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex();
    return m_folder + QStringLiteral("/mutex-") + QString::fromLatin1(encoded);
}

NamedMutexes::Created LockFileMutexes::Create(const QString& name, bool initialOwner)
{
    if (m_folder.isEmpty())
        return {};
    const QByteArray path = QFile::encodeName(LockFilePath(name));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return {};
    Created created;
    created.mutex = std::make_unique<LockFileMutex>(fd);
    if (initialOwner)
        created.alreadyExisted = !created.mutex->TryWait();
    return created;
}

} // namespace platform
