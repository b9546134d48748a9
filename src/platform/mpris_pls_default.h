#pragma once

#include <QString>

namespace platform {

// The desktop entry (e.g. "audacious.desktop") the desktop opens ".pls"
// playlists with, from the freedesktop mimeapps.list files; empty when none is
// set. Reads files only, never starts a process.
QString PlaylistDefaultApplication();

// Whether a media player, known by its MPRIS bus name and the DesktopEntry it
// reports (may be empty), is the program of the given desktop entry.
bool IsPlayerOfDesktopEntry(const QString& busName, const QString& playerDesktopEntry,
                            const QString& desktopId);

} // namespace platform
