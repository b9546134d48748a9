// Prints the desktop's ".pls" application as the product sees it, in the
// environment it is started with; with "open FILE", hands FILE to it as the
// shell does. GIO reads the XDG folders once per process, so each case of the
// resolver's test runs this afresh. With "shell FILE" it starts as the program
// does (the user's environment kept, then the engine's settings set) and opens
// FILE through the shell.
#include "engine_module.h"
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
    const QString answer = arguments.size() == 3 && arguments[1] == QLatin1String("open")
                               ? platform::OpenWithPlaylistApplication(arguments[2])
                               : platform::PlaylistApplicationId();
    std::printf("%s\n", answer.toUtf8().constData());
    return 0;
}
