#include "application.h"
#include "application_setup.h"
#include "application_window.h"
#include "command_line.h"
#include "directory_site.h"
#include "download_progress_dialog.h"
#include "engine_module.h"
#include "error.h"
#include "fixed_paths.h"
#include "last_opened_playlist.h"
#include "local_socket_windows.h"
#include "lock_file_mutexes.h"
#include "mpris_media_player.h"
#include "network_url_download.h"
#include "system_tray_notification_area.h"
#include "tabf_one_instance.h"
#include "termination_signal.h"
#include "ttunely.h"
#include "user_environment.h"
#include "version.h"
#include "window_system.h"
#include "xdg_shell.h"

#include <QIcon>
#include <cstdio>

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = AnswerCommandLine(ArgumentList(argc, argv)))
        return *answered;

    // Here, while no thread runs yet: first the user's environment is kept for
    // the programs Wavedock starts, then the engine's settings are added to ours.
    platform::KeepUserEnvironment();
    SetBrowserEngineSettings();

    QString refusal;
    const QString runtimeFolder = platform::LockFileMutexes::RuntimeFolder(&refusal);
    if (runtimeFolder.isEmpty()) {
        // Without a safe folder no copy could tell whether another runs; ending
        // as if one did would report a failure as success.
        std::fprintf(stderr, "Wavedock cannot start: %s.\n", qPrintable(refusal));
        return 1;
    }
    platform::LockFileMutexes namedMutexes(runtimeFolder);
    platform::LocalSocketWindows topLevelWindows(
        runtimeFolder, platform::LocalSocketWindows::ActivationTokenFromEnvironment());
    {
        // Making the application object starts the embedded browser's engine and
        // building the main window starts its browser, together well over a
        // second; a second copy is sent away before either, by a guard with the
        // settings of the window's `once` (all defaults). It needs nothing but
        // the two layers: it brings the other copy forward and ends. The window's
        // own guard keeps the instance lock taken here: one check per start.
        TabfOneInstance earlyGuard(&namedMutexes, &topLevelWindows);
        try {
            if (earlyGuard.Check()) {
                earlyGuard.SecondCopyReaction();
                return 0;
            }
        } catch (const Error& error) {
            // As above: a lock that cannot be taken is no other copy.
            std::fprintf(stderr, "Wavedock cannot start: %s.\n", qPrintable(error.message()));
            return 1;
        }
    }

    WindowSystemChoice windowSystem(argc, argv);
    if (!windowSystem.Failure().isEmpty()) {
        // Qt would abort with a page of its own; one line says what is missing.
        std::fprintf(stderr, "Wavedock cannot start: %s.\n", qPrintable(windowSystem.Failure()));
        return 1;
    }
    PrepareApplication();
    Application app(windowSystem.argc(), windowSystem.argv());
    ConfigureApplication(app);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    app.setWindowIcon(QIcon(QStringLiteral(":/pictures/wavedock.png")));

    platform::LastOpenedPlaylist openedPlaylist;
    platform::MprisMediaPlayer mediaPlayer(QDBusConnection::sessionBus());
    mediaPlayer.SetLastOpenedPlaylist(&openedPlaylist);
    platform::XdgShell shell(&openedPlaylist, &mediaPlayer);
    DownloadProgressDialog downloadProgress;
    platform::NetworkUrlDownload urlDownload(platform::NetworkUrlDownload::Limits(),
                                             &downloadProgress);
    platform::SystemTrayNotificationArea notificationArea;
    Ttunely window(MainWindowServices{FixedPaths::ForCurrentUser(), DirectorySite{}, shell,
                                      mediaPlayer, urlDownload, notificationArea, &namedMutexes,
                                      &topLevelWindows});
    app.setMainForm(&window);
    // Other copies find this one by its application window once the loop runs.
    ApplicationWindow applicationWindow(topLevelWindows);
    // Logging out ends the program as Exit does; the tray icon goes with the window.
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::Received, &app, &Application::Terminate);
    return app.Run();
}
