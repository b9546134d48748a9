#pragma once

#include "directory_site.h"
#include "fixed_paths.h"
#include "tabout.h"
#include "tsplash.h"
#include "winamp_link.h"

#include <QPointer>
#include <QWidget>
#include <memory>

namespace Ui {
class Ttunely;
}
namespace platform {
class NamedMutexes;
class NotificationArea;
class MediaPlayer;
class Shell;
class TopLevelWindows;
class UrlDownload;
} // namespace platform
class BrowserPage;
class CatalogueStore;
class ControlPage;
class InstalledRadiosPage;
class QTimer;
class TabfApplicationProperties;
class TabfOneInstance;
class TabfTrayIcon;

// What the main window talks to outside itself; main() makes the real ones,
// tests hand in their own.
struct MainWindowServices
{
    FixedPaths paths;
    DirectorySite directory;
    platform::Shell& shell;
    platform::MediaPlayer& mediaPlayer;
    platform::UrlDownload& urlDownload;
    platform::NotificationArea& notificationArea;
    // The single-instance guard's layers; without them (tests) it sees no other copy.
    platform::NamedMutexes* namedMutexes = nullptr;
    platform::TopLevelWindows* topLevelWindows = nullptr;
};

// The main window: three pages, the one-time start-up work on the first idle
// pass, Help, About and Exit. Each page's behaviour lives in its own class; this one
// wires them together.
class Ttunely final : public QWidget
{
    Q_OBJECT
public:
    explicit Ttunely(MainWindowServices services, QWidget* parent = nullptr);
    ~Ttunely() override;

    Ui::Ttunely& form() { return *ui; }
    WinampLink& winamp() { return m_winamp; }
    // The catalogue handle. It holds only the path, so making it touches no file.
    CatalogueStore& catalogue() const { return *m_catalogue; }
    InstalledRadiosPage& installedRadiosPage() const { return *m_installedRadios; }
    ControlPage& controlPage() const { return *m_control; }
    BrowserPage& browserPage() const { return *m_browserPage; }
    Tsplash* splash() const { return m_splash; }
    Tabout* aboutBox() const { return m_about; }
    QTimer* timer() const { return Timer1; }
    TabfApplicationProperties& applicationProperties() const { return *props; }
    TabfOneInstance* instanceGuard() const { return once; }
    TabfTrayIcon& trayIcon() const { return *tray; }

    void FormCreate();
    // Never changes done.
    void propsIdle(QObject* sender, bool& done);
    void Button4Click();
    void Button7Click();
    void Button13Click();

    // Any handler switches pages by caption.
    void SelectPage(const QString& caption);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FirstIdleInitialisation();
    void RunNewRadioDialog();

    std::unique_ptr<Ui::Ttunely> ui;
    MainWindowServices m_services;
    WinampLink m_winamp;
    std::unique_ptr<CatalogueStore> m_catalogue;
    InstalledRadiosPage* m_installedRadios;
    ControlPage* m_control;
    BrowserPage* m_browserPage;
    QPointer<Tsplash> m_splash;
    QPointer<Tabout> m_about;
    QTimer* Timer1;
    TabfApplicationProperties* props;
    TabfOneInstance* once;
    TabfTrayIcon* tray;
};
