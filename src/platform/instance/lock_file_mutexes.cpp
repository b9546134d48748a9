#include "lock_file_mutexes.h"

#include <QCryptographicHash>
#include <QFile>
#include <QUrl>
#include <cerrno>
#include <cstring>
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
    LockFileMutex(int fd, QString path) : m_fd(fd), m_path(std::move(path)) {}
    ~LockFileMutex() override { ::close(m_fd); } // closing drops the lock too
    Q_DISABLE_COPY_MOVE(LockFileMutex)

    bool TryWait() override
    {
        m_failure.clear();
        if (m_owned)
            return true;
        int result;
        do
            result = ::flock(m_fd, LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        m_owned = result == 0;
        // Only a lock held elsewhere means another owner; anything else (no
        // locks on this file system, none left in the kernel) is a failure.
        if (!m_owned && errno != EWOULDBLOCK)
            m_failure = QStringLiteral("cannot lock %1: %2")
                            .arg(m_path, QString::fromLocal8Bit(::strerror(errno)));
        return m_owned;
    }

    QString WaitFailure() const override { return m_failure; }

    void Release() override
    {
        if (m_owned)
            ::flock(m_fd, LOCK_UN);
        m_owned = false;
    }

private:
    int m_fd;
    QString m_path;
    QString m_failure;
    bool m_owned = false;
};

// Why the lock file could not be opened, in the user's words.
QString WhyNotOpened(int error)
{
    // O_NOFOLLOW refuses a link with ELOOP, whose own text speaks of loops.
    if (error == ELOOP)
        return QStringLiteral("it is a symbolic link");
    if (error == EISDIR)
        return QStringLiteral("it is a folder");
    return QString::fromLocal8Bit(::strerror(error));
}

// Why `path` is no private folder of this user; empty when it is one.
QString WhyNotPrivate(const QByteArray& path, bool followLink)
{
    struct stat info;
    const int result =
        followLink ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info);
    if (result != 0)
        return QString::fromLocal8Bit(::strerror(errno));
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user (uid %1)").arg(info.st_uid);
    if ((info.st_mode & 077) != 0)
        return QStringLiteral("others may enter it (mode %1)")
            .arg(info.st_mode & 0777, 4, 8, QLatin1Char('0'));
    return {};
}

// Makes `path` with mode 0700 unless it is there; empty when the result is a
// real, private folder of ours, otherwise why not.
QString MakePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(::strerror(errno));
    // Someone else may have made it first: only a real folder of ours will do.
    return WhyNotPrivate(path, false);
}

} // namespace

LockFileMutexes::LockFileMutexes(QString folder) : m_folder(std::move(folder)) {}

QString LockFileMutexes::RuntimeFolder(QString* refusal)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && WhyNotPrivate(runtime, true).isEmpty()) {
        const QByteArray folder = runtime + "/wavedock";
        if (MakePrivateFolder(folder).isEmpty())
            return QString::fromLocal8Bit(folder);
    }
    const QByteArray fallback = "/tmp/wavedock-" + QByteArray::number(::geteuid());
    const QString why = MakePrivateFolder(fallback);
    if (why.isEmpty())
        return QString::fromLocal8Bit(fallback);
    if (refusal)
        *refusal = QStringLiteral("%1 is not a safe folder for the lock files: %2")
                       .arg(QString::fromLocal8Bit(fallback), why);
    return {};
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
    Created created;
    if (m_folder.isEmpty()) {
        created.failure = QStringLiteral("there is no safe folder for the lock files");
        return created;
    }
    const QString path = LockFilePath(name);
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        created.failure =
            QStringLiteral("cannot open the lock file %1: %2").arg(path, WhyNotOpened(errno));
        return created;
    }
    created.mutex = std::make_unique<LockFileMutex>(fd, path);
    if (initialOwner && !created.mutex->TryWait()) {
        created.failure = created.mutex->WaitFailure();
        if (created.failure.isEmpty())
            created.alreadyExisted = true;
        else
            created.mutex.reset();
    }
    return created;
}

} // namespace platform
