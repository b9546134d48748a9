#include "xdg_shell.h"

#include "last_opened_playlist.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

void XdgShell::Open(const QString& file, ShowCommand)
{
    // Desktop launchers choose their own window state; the show command has no
    // freedesktop equivalent. The launch runs detached, so nothing waits on it.
    if (opened_ != nullptr)
        opened_->Record(file);
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

} // namespace platform
