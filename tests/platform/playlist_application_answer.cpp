// Prints the desktop's ".pls" application as the product sees it, in the
// environment it is started with; with "open FILE...", hands each FILE to the
// shell in turn and prints, per file, the application a station went to,
// "opened" for another file, or "failed:" and what the user is told. GIO
// reads the XDG folders once per process, so each case of the resolver's test
// runs this afresh. With "shell FILE" it starts as the program does (the
// user's environment kept, then the engine's settings set) and opens FILE
// through the shell.
#include "engine_module.h"
#include "last_opened_playlist.h"
#include "playlist_application.h"
#include "user_environment.h"
#include "xdg_shell.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc == 3 && argv[1] == QByteArrayView("shell")) {
        platform::KeepUserEnvironment();
        SetBrowserEngineSettings();
        platform::XdgShell().Open(QString::fromLocal8Bit(argv[2]), platform::ShowCommand::Normal);
        return 0;
    }
    QCoreApplication app(argc, argv);
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
