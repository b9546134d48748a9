#include "application.h"
#include "application_setup.h"
#include "command_line.h"
#include "directory_site.h"
#include "download_progress_dialog.h"
#include "fixed_paths.h"
#include "mpris_window_messages.h"
#include "network_url_download.h"
#include "ttunely.h"
#include "version.h"
#include "xdg_shell.h"

#include <QIcon>

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = AnswerCommandLine(ArgumentList(argc, argv)))
        return *answered;
    PrepareApplication();
    Application app(argc, argv);
    ConfigureApplication(app);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/wavedock.png")));

    platform::XdgShell shell;
    platform::MprisWindowMessages windowMessages(QDBusConnection::sessionBus());
    DownloadProgressDialog downloadProgress;
    platform::NetworkUrlDownload urlDownload(platform::NetworkUrlDownload::Limits(),
                                             &downloadProgress);
    Ttunely window(MainWindowServices{FixedPaths::ForCurrentUser(), DirectorySite{}, shell,
                                      windowMessages, urlDownload});
    app.setMainForm(&window);
    return app.Run();
}
