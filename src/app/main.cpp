#include "application.h"
#include "directory_site.h"
#include "download_progress_dialog.h"
#include "fixed_paths.h"
#include "mpris_window_messages.h"
#include "network_url_download.h"
#include "ttunely.h"
#include "xdg_shell.h"

#include <QFont>
#include <QIcon>
#include <QStyleFactory>

int main(int argc, char** argv)
{
    // Windows keep their pixel layout at every screen density.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    Application app(argc, argv);
    app.setTitle(QStringLiteral("Wavedock"));
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/wavedock.png")));
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont interfaceFont(QStringLiteral("Verdana"));
    interfaceFont.setPixelSize(11);
    app.setFont(interfaceFont);

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
