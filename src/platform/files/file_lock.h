#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// An advisory lock held on a lock file for as long as the object lives, so that
// processes which all take it never change the guarded files at the same time.
// The lock goes with the process, even when it is killed.
class FileLock final
{
public:
    // Creates the lock file when it is missing and waits for the lock, at most
    // `waitMilliseconds`.
    explicit FileLock(const QString& path, int waitMilliseconds = 10000);
    ~FileLock();
    Q_DISABLE_COPY_MOVE(FileLock)

    // False when the lock file could not be opened or another holder kept the
    // lock for the whole wait.
    bool IsHeld() const { return m_held; }

private:
    int m_fd = -1;
    bool m_held = false;
};

} // namespace platform
