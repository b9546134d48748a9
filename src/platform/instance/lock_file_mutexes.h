#pragma once

#include "named_mutexes.h"

namespace platform {

// Named mutexes as lock files in a private folder of the user's: owning the
// mutex is holding an exclusive flock() on its file. The kernel drops the lock
// when the owning process ends, even by SIGKILL, and a file left from an earlier
// boot holds no lock, so neither blocks the next owner. Files are never deleted:
// deleting one could let two processes lock two different files of one name.
class LockFileMutexes final : public NamedMutexes
{
public:
    // `folder` must exist and be private to the user; with an empty folder no
    // mutex can be made.
    explicit LockFileMutexes(QString folder);

    // The user's runtime folder for our lock files and sockets:
    // "$XDG_RUNTIME_DIR/wavedock" when XDG_RUNTIME_DIR is a folder of the
    // user's that nobody else may enter, otherwise "/tmp/wavedock-<uid>".
    // Made with mode 0700 when missing; a folder that is not a real folder,
    // not the user's own or open to others is refused. Empty when none is
    // safe; `refusal` then names the folder refused and why.
    static QString RuntimeFolder(QString* refusal = nullptr);

    Created Create(const QString& name, bool initialOwner) override;

    // The lock file that stands for `name` (the name percent-encoded; very long
    // names shortened and made unique by their hash).
    QString LockFilePath(const QString& name) const;

private:
    QString m_folder;
};

} // namespace platform
