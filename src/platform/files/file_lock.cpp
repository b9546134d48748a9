#include "file_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileLock::FileLock(const QString& path, int waitMilliseconds)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  0666);
    if (m_fd < 0) {
        return;
    }
    // A holder that hangs must not freeze us for good: poll, and give up in time.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
            m_held = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= waitMilliseconds) {
            return;
        }
        const timespec pause{0, 2 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

} // namespace platform
