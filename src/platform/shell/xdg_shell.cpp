#include "xdg_shell.h"

#include "last_opened_playlist.h"
#include "playlist_application.h"
#include "user_environment.h"

#include <QProcess>
#include <QUrl>

namespace platform {

void XdgShell::Open(const QString& file, ShowCommand)
{
    // Desktop launchers choose their own window state; the show command has no
    // freedesktop equivalent. Launches run detached, so nothing waits on them.
    if (file.endsWith(QLatin1String(".pls"), Qt::CaseInsensitive)) {
        const QString application = OpenWithPlaylistApplication(file);
        if (m_opened != nullptr)
            m_opened->Record(file, application);
        if (!application.isEmpty())
            return;
    }
    // xdg-open, as Qt's own opening would run it, but in the user's environment.
    QProcess xdgOpen;
    xdgOpen.setProgram(QStringLiteral("xdg-open"));
    xdgOpen.setArguments({QUrl::fromLocalFile(file).toString()});
    xdgOpen.setProcessEnvironment(ChildEnvironment());
    xdgOpen.startDetached();
}

} // namespace platform
