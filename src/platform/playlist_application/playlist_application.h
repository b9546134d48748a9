#pragma once

#include <QString>
#include <utility>

namespace platform {

// The one answer to "which program opens ".pls" playlists" (type
// audio/x-scpls), used both to hand a station over and to know which player to
// drive, so the two can never disagree. It is GIO's reading of the
// freedesktop MIME application rules in full: the desktop-specific and generic
// mimeapps.list files in the configuration and data folders with their
// [Default Applications], [Added Associations] and [Removed Associations],
// defaults.list and the mimeinfo.cache databases, counting only desktop
// entries that exist and whose program can run. Reads files only.

// An application as its desktop entry names it; known by its id alone, it
// has no program to go by.
struct DesktopApplication
{
    DesktopApplication(QString desktopId = QString(), QString programName = QString())
        : id(std::move(desktopId)), program(std::move(programName))
    {
    }
    QString id;      // the desktop id, e.g. "org.vendor.Player.desktop"; empty for none
    QString program; // the base name of the program its Exec line starts, e.g. "player"
};

// The ".pls" application; an empty id when no application opens ".pls" files.
DesktopApplication PlaylistApplication();
// Its desktop id alone (e.g. "mpv.desktop"), or empty.
QString PlaylistApplicationId();

// What became of handing a file to the ".pls" application.
struct PlaylistLaunch
{
    QString application; // the desktop id it went to; empty when it went nowhere
    QString name;        // the application's name as the desktop shows it
    QString error;       // GIO's reason when the launch failed; empty when there was none
};

// Opens `file` with that application, started or asked the way its desktop
// entry says.
PlaylistLaunch OpenWithPlaylistApplication(const QString& file);

// Whether a media player, known by its MPRIS bus name and the DesktopEntry it
// reports (may be empty), is the given application. A DesktopEntry names it
// when it is the desktop id itself, or, ignoring case, the id's last
// dot-separated element ("player" for "org.vendor.Player.desktop") or the
// application's program. Without one, the bus name must be the desktop id,
// an MPRIS instance suffix allowed (".instance1234", ".instance-1").
bool IsPlayerOfApplication(const QString& busName, const QString& playerDesktopEntry,
                           const DesktopApplication& application);

} // namespace platform
