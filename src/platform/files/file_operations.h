#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Removes a file (never a folder). A missing file is a failure.
bool DeleteFile(const QString& path);

// Moves a file to a new name without ever replacing an existing file. Fails when
// the new name exists, the old file is missing or the target folder is missing.
// Across file systems the bytes are copied to a hidden file in the target
// folder, flushed, linked into place without replacing, and only then is the
// old file removed.
bool RenameFile(const QString& oldPath, const QString& newPath);

// Puts a copy of `source` at `target`, replacing a file there, so that after a
// crash `target` is either as it was or the whole copy; the source stays. A hard
// link where both share a file system, copied bytes otherwise; on disk when it
// returns true. The two names may then share one file: whoever writes `source`
// later must put a new file in its place (as downloads do), not rewrite it.
bool PlaceCopy(const QString& source, const QString& target);

// A second name for an existing file on the same file system; never replaces.
bool LinkFile(const QString& existing, const QString& newPath);

// Renames over whatever the new name holds: only for names this program owns.
bool ReplaceFile(const QString& oldPath, const QString& newPath);

// Removes a file; one that is already gone counts as removed.
bool RemoveFileIfPresent(const QString& path);

// Makes the names created, renamed or removed in the folder reach the disk.
bool SyncFolder(const QString& folder);

// Removes the hidden files ".<prefix>*.tmp" in `folder` that writes cut short by
// a crash left behind (every hidden file of ours ends in ".tmp" while it is
// being written). Only call it while no write of ours can be running there.
void RemoveTemporaryFiles(const QString& folder, const QString& prefix = QString());

// Whether the file is there and its owner may not write it: the user made it
// read-only. Read from the mode bits, which root's writes would ignore.
bool IsWriteProtected(const QString& path);

// Gives the file new contents so that a process killed at any moment leaves
// either the old or the new contents, never a mix: the bytes go to a hidden file
// beside it, reach the disk, and are then renamed over the target. An existing
// file keeps its permissions (and owner where allowed); a symbolic link keeps
// pointing at the file it names. A write-protected file (IsWriteProtected) is
// refused, as a write to it would be. On failure the old file is untouched.
bool ReplaceFileContents(const QString& path, const QByteArray& contents);

namespace detail {
// RenameFile's way for file systems that refuse the no-replace rename: a hard
// link claims the new name (failing if it exists), then the old name goes.
bool RenameFileByLink(const QString& oldPath, const QString& newPath);
// RenameFile's way across file systems.
bool RenameFileByCopy(const QString& oldPath, const QString& newPath);
} // namespace detail

} // namespace platform
