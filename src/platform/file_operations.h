#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Removes a file (never a folder). A missing file is a failure.
bool DeleteFile(const QString& path);

// Moves a file to a new name without ever replacing an existing file. Fails when
// the new name exists, the old file is missing or the target folder is missing.
bool RenameFile(const QString& oldPath, const QString& newPath);

// Gives the file new contents so that a process killed at any moment leaves
// either the old or the new contents, never a mix: the bytes go to a hidden file
// beside it, reach the disk, and are then renamed over the target. An existing
// file keeps its permissions (and owner where allowed); a symbolic link keeps
// pointing at the file it names. On failure the old file is untouched.
bool ReplaceFileContents(const QString& path, const QByteArray& contents);

namespace detail {
// RenameFile's way for file systems that refuse the no-replace rename: a hard
// link claims the new name (failing if it exists), then the old name goes.
bool RenameFileByLink(const QString& oldPath, const QString& newPath);
} // namespace detail

} // namespace platform
