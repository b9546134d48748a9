#include "application.h"
#include "application_setup.h"
#include "directory_site.h"
#include "download_progress_dialog.h"
#include "fixed_paths.h"
#include "mpris_window_messages.h"
#include "network_url_download.h"
#include "ttunely.h"
#include "xdg_shell.h"

#include <QIcon>

int main(int argc, char** argv)
{
    PrepareApplication();
    Application app(argc, argv);
    ConfigureApplication(app);
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
