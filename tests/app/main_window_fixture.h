#pragma once

#include "browser_page.h"
#include "control_page.h"
#include "directory_site.h"
#include "fake_notification_area.h"
#include "fake_url_download.h"
#include "fixed_paths.h"
#include "installed_radios_page.h"
#include "recording_media_player.h"
#include "recording_shell.h"
#include "ttunely.h"
#include "ui_browser_page.h"
#include "ui_control_page.h"
#include "ui_installed_radios_page.h"
#include "ui_tunely.h"

#include <QPair>
#include <QTemporaryDir>
#include <memory>

// A real main window on temporary folders, with recording doubles for the
// shell, the media player and downloads. The browser is the real
// one; by default its directory is an address nothing answers on.
class MainWindowFixture final
{
public:
    explicit MainWindowFixture(DirectorySite site = UnreachableDirectory());
    ~MainWindowFixture();

    static DirectorySite UnreachableDirectory();

    // Writes a dense catalogue (slots 0..n-1) and a playlist file for each.
    void WriteCatalogue(const QList<QPair<QString, QString>>& stations);

    // Shows the window and runs the loop until the first idle pass has run.
    bool ShowAndRunFirstIdlePass();

    Ttunely& window() { return *m_window; }
    Ui::Ttunely& form() { return m_window->form(); }
    Ui::BrowserPage& browserForm() { return m_window->browserPage().form(); }
    Ui::InstalledRadiosPage& radiosForm() { return m_window->installedRadiosPage().form(); }
    Ui::ControlPage& controlForm() { return m_window->controlPage().form(); }

    QTemporaryDir dir;
    FixedPaths paths;
    RecordingShell shell;
    RecordingMediaPlayer player;
    FakeUrlDownload download;
    FakeNotificationArea notificationArea;

private:
    std::unique_ptr<Ttunely> m_window;
};
