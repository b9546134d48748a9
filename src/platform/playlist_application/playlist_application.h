#pragma once

#include <QString>

namespace platform {

// The one answer to "which program opens ".pls" playlists" (type
// audio/x-scpls), used both to hand a station over and to know which player to
// drive, so the two can never disagree. It is GIO's reading of the
// freedesktop MIME application rules in full: the desktop-specific and generic
// mimeapps.list files in the configuration and data folders with their
// [Default Applications], [Added Associations] and [Removed Associations],
// defaults.list and the mimeinfo.cache databases, counting only desktop
// entries that exist and whose program can run. Reads files only.

// The application's desktop id (e.g. "mpv.desktop"), or empty when no
// application opens ".pls" files.
QString PlaylistApplicationId();

// Opens `file` with that application, started or asked the way its desktop
// entry says. The id of the application it went to, or empty when there is
// none or it could not be started.
QString OpenWithPlaylistApplication(const QString& file);

// Whether a media player, known by its MPRIS bus name and the DesktopEntry it
// reports (may be empty), is the application of the given desktop id: its
// DesktopEntry names it, or else its bus name is the id itself, with an
// instance suffix (".instance1234") allowed.
bool IsPlayerOfApplication(const QString& busName, const QString& playerDesktopEntry,
                           const QString& desktopId);

} // namespace platform
