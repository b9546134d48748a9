#include "xdg_shell.h"

#include "last_opened_playlist.h"
#include "playlist_application.h"
#include "playlist_player.h"
#include "user_environment.h"

#include <QDir>
#include <QProcess>
#include <QUrl>

namespace platform {

const QString XdgShell::noPlayerMessage = QStringLiteral(
    "No program on this desktop plays station playlists (.pls). Install a media player "
    "that plays internet radio, such as Audacious or mpv, or choose one for .pls files in "
    "your desktop's settings, and try again.");

OpenResult XdgShell::Open(const QString& file, ShowCommand)
{
    // Desktop launchers choose their own window state; the show command has no
    // freedesktop equivalent. Launches run detached, so nothing waits on them.
    if (file.endsWith(QLatin1String(".pls"), Qt::CaseInsensitive))
        return OpenStation(file);
    // xdg-open, as Qt's own opening would run it, but in the user's environment.
    QProcess xdgOpen;
    xdgOpen.setProgram(QStringLiteral("xdg-open"));
    xdgOpen.setArguments({QUrl::fromLocalFile(file).toString()});
    xdgOpen.setProcessEnvironment(ChildEnvironment());
    if (xdgOpen.startDetached())
        return {};
    return {QStringLiteral("No program could be started to open %1.")
                .arg(QDir::toNativeSeparators(file))};
}

OpenResult XdgShell::OpenStation(const QString& file)
{
    // xdg-open's own fallbacks would show a playlist in a text editor or a
    // web browser: only a ".pls" application may have it.
    const DesktopApplication application = PlaylistApplication();
    OpenResult result;
    if (application.id.isEmpty())
        result.failure = noPlayerMessage;
    if (m_opened != nullptr)
        m_opened->Record(file, application.id);
    if (!result.Opened())
        return result;
    // A running player given the station itself plays it in the same
    // process, which stays the one driven; started again, a player without a
    // single-instance mode would make a second one, out of reach.
    if (m_player != nullptr && m_opened != nullptr && !m_opened->FirstEntry().isEmpty() &&
        m_player->OpenInRunningPlayer(m_opened->FirstEntry()))
        return result;
    const PlaylistLaunch launch = OpenWithPlaylistApplication(file);
    if (!launch.application.isEmpty())
        return result;
    if (launch.error.isEmpty()) {
        // The desktop's choice went away between the two questions.
        result.failure = noPlayerMessage;
    } else {
        QString reason = launch.error;
        if (!reason.endsWith(u'.'))
            reason += u'.';
        result.failure = QStringLiteral("%1 could not be started to play the station: %2")
                             .arg(launch.name.isEmpty() ? application.id : launch.name, reason);
    }
    // Nothing took this playlist: its addresses stand for no player.
    if (m_opened != nullptr)
        m_opened->Record(file, QString());
    return result;
}

} // namespace platform
