// Prints the desktop's ".pls" application as the product sees it, in the
// environment it is started with; with "open FILE...", hands each FILE to the
// shell in turn and prints, per file, the application a station went to,
// "opened" for another file, or "failed:" and what the user is told. GIO
// reads the XDG folders once per process, so each case of the resolver's test
// runs this afresh.
#include "last_opened_playlist.h"
#include "playlist_application.h"
#include "xdg_shell.h"

#include <QGuiApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 3 || arguments[1] != QLatin1String("open")) {
        std::printf("%s\n", platform::PlaylistApplicationId().toUtf8().constData());
        return 0;
    }
    platform::LastOpenedPlaylist opened;
    platform::XdgShell shell(&opened);
    for (const QString& file : arguments.mid(2)) {
        const platform::OpenResult result = shell.Open(file, platform::ShowCommand::Minimize);
        const bool station = file.endsWith(QLatin1String(".pls"));
        const QString line = !result.Opened() ? QStringLiteral("failed: ") + result.failure
                             : station        ? opened.Application()
                                              : QStringLiteral("opened");
        std::printf("%s\n", line.toUtf8().constData());
    }
    return 0;
}
