#pragma once

#include "profile_document.h"

#include <QString>
#include <functional>
#include <optional>

namespace platform {

// The profile functions on a file: every call reads the file afresh, and every
// change replaces it in one step (ReplaceFileContents), so a reader never sees
// half a write and a crash never leaves half a file.

// The whole file as it is now. An absent or unreadable file reads as empty.
// Reading never creates the file.
ProfileDocument ReadProfile(const QString& path);

// The file's bytes: empty for an absent file, nothing when the file is there
// but cannot be read (no permission, a folder in its place).
std::optional<QByteArray> ReadProfileBytes(const QString& path);

// The one way to change a profile file. Reads the file once, lets `change` read
// and alter it, and writes the result back when it differs. Fails, writing
// nothing, when the file exists but cannot be read (writing over it would lose
// it; `change` is not called), when `change` returns false, or when the file
// cannot be replaced. An exception from `change` passes through, nothing written.
bool UpdateProfile(const QString& path, const std::function<bool(ProfileDocument&)>& change);

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          const QString& defaultValue);

} // namespace platform
