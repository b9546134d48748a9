#include "ttunely.h"

#include "application.h"
#include "browser_page.h"
#include "catalogue_store.h"
#include "control_page.h"
#include "installed_radios_page.h"
#include "message_boxes.h"
#include "now_playing.h"
#include "shell.h"
#include "tabf_application_properties.h"
#include "tabf_one_instance.h"
#include "tabf_tray_icon.h"
#include "tnoweradio.h"
#include "tsplash.h"
#include "ui_tunely.h"
#include "version.h"
#include "web_browser.h"
#include "window_fonts.h"
#include "window_placement.h"

#include <QCloseEvent>
#include <QIcon>
#include <QTimer>

namespace {
constexpr int kTimerMilliseconds = 3000;
constexpr QPoint kStoredPosition(238, 136);
// Light blue, RGB 132, 216, 240.
constexpr StoredColour kHintColour = 15784068;
const QString kTrayHint = QStringLiteral("Wavedock - internet radio manager for Winamp (R)");
} // namespace

Ttunely::Ttunely(MainWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::Ttunely>()), m_services(std::move(services)),
      m_winamp(m_services.mediaPlayer),
      m_catalogue(std::make_unique<CatalogueStore>(m_services.paths)), Timer1(new QTimer(this)),
      props(new TabfApplicationProperties(this))
{
    // The desktop components' stored settings, in the order the window lists
    // them; each takes effect at once.
    props->setObjectName(QStringLiteral("props"));
    props->setHintColor(kHintColour);
    props->setHintHidePause(9000);
    props->setHintPause(250);
    props->setTitle(QStringLiteral("Wavedock"));
    props->OnIdle = [this](QObject* sender, bool& done) { propsIdle(sender, done); };

    ui->setupUi(this);

    // The pages fill the notebook's slots in caption order; the window opens on
    // the control page.
    const DirectorySite& site = m_services.directory;
    m_browserPage = new BrowserPage(
        BrowserPageContext{site, m_services.urlDownload, m_services.paths.temporaryPlaylist}, this);
    m_installedRadios = new InstalledRadiosPage(*m_catalogue, this);
    m_control =
        new ControlPage(ControlPageContext{m_winamp, *m_catalogue, m_services.shell,
                                           [this](const QString& caption) { SelectPage(caption); },
                                           site.PageCaption()},
                        this);
    ui->silnik->addTab(m_browserPage, site.PageCaption());
    ui->silnik->addTab(m_installedRadios, m_installedRadios->windowTitle());
    ui->silnik->addTab(m_control, m_control->windowTitle());
    ui->silnik->setCurrentWidget(m_control);
    UsePixelFonts(this);
    setFixedSize(size());
    // The stored place where the window fits there on a screen at the desktop's scale.
    PlaceOnScreen(*this, kStoredPosition);
    // Tab runs through the pages in notebook order, then the window's buttons.
    QList<QWidget*> tabStops{ui->silnik};
    tabStops << m_browserPage->TabStops() << m_installedRadios->TabStops() << m_control->TabStops();
    tabStops << ui->startup << ui->Button4 << ui->Button7 << ui->Button13;
    for (qsizetype i = 1; i < tabStops.size(); ++i)
        setTabOrder(tabStops[i - 1], tabStops[i]);

    // The pages talk through the window, never to each other's widgets.
    connect(m_installedRadios, &InstalledRadiosPage::listenRequested, m_control,
            &ControlPage::Listen);
    connect(m_control, &ControlPage::browserRefreshRequested, m_browserPage,
            &BrowserPage::Button1Click);
    connect(m_browserPage, &BrowserPage::playlistCaptured, this, &Ttunely::RunNewRadioDialog);

    // The timer runs from the window's creation to its end, whatever is shown.
    Timer1->setInterval(kTimerMilliseconds);
    connect(Timer1, &QTimer::timeout, m_control, &ControlPage::Timer1Timer);
    Timer1->start();

    connect(ui->Button4, &QPushButton::clicked, this, &Ttunely::Button4Click);
    connect(ui->Button7, &QPushButton::clicked, this, &Ttunely::Button7Click);
    connect(ui->Button13, &QPushButton::clicked, this, &Ttunely::Button13Click);

    // The tray icon's stored values; Visible last, as it adds the icon at once.
    tray = new TabfTrayIcon(this, m_services.notificationArea, QStringLiteral("tray"));
    tray->SetHint(kTrayHint);
    tray->SetIcon(QIcon(QStringLiteral(":/pictures/wavedock.png")));
    tray->SetMinimizeToTray(true);
    tray->SetVisible(true);

    // While a station plays, the icon's tip says which and what it plays.
    connect(m_control, &ControlPage::nowPlayingChanged, this,
            [this](const QString& station, const QString& track) {
                tray->SetHint(station.isEmpty()
                                  ? kTrayHint
                                  : now_playing::Hint(station, track, TabfTrayIcon::kHintLimit));
            });

    // The guard is the last component of the layout; it does nothing until loaded.
    once = new TabfOneInstance(m_services.namedMutexes, m_services.topLevelWindows, this);

    // The whole window is read: each desktop component's end-of-loading step, in
    // layout order, the guard's check last.
    props->Loaded();
    tray->Loaded();
    once->Loaded();

    FormCreate();
}

Ttunely::~Ttunely() = default;

void Ttunely::FormCreate()
{
    // Qt widgets already paint through a back buffer; nothing flickers.
}

void Ttunely::propsIdle(QObject*, bool&)
{
    if (ui->startup->isChecked())
        FirstIdleInitialisation();
    m_winamp.DiscoveryStep();
}

void Ttunely::FirstIdleInitialisation()
{
    // Cleared first, so a step that fails is not retried on the next pass.
    ui->startup->setChecked(false);
    m_winamp.ClearFound();
    ui->wersja->setText(QString::fromLatin1(kVersion));

    m_splash = new Tsplash(this);
    m_splash->show();

    // Opening the catalogue: no installer creates our folders, so the first run
    // does. One that cannot be made is told once; the rest of the start goes on.
    QString notMade;
    if (!m_services.paths.CreateFolders(&notMade))
        ShowError(QStringLiteral("Unable to create the folder %1").arg(notMade));
    // A change that a crash cut short is finished or undone before anything is listed.
    if (m_catalogue->Recover() == CatalogueStore::Health::Unreadable)
        ShowError(m_catalogue->UnreadableMessage());
    m_installedRadios->Button11Click();
    m_browserPage->Button9Click(); // the directory's home page, as Start goes there
}

void Ttunely::RunNewRadioDialog()
{
    {
        Tnoweradio dialog(this, Tnoweradio::Context{*m_catalogue, m_services.shell,
                                                    m_services.paths.temporaryPlaylist});
        connect(&dialog, &Tnoweradio::temporaryStationPlayed, m_control, &ControlPage::ShowStation);
        dialog.exec();
    }
    m_installedRadios->Button11Click();
}

void Ttunely::Button4Click()
{
    const platform::OpenResult opened =
        m_services.shell.Open(m_services.paths.readmeFile, platform::ShowCommand::Normal);
    if (!opened.Opened())
        ShowMessage(opened.failure);
}

void Ttunely::Button13Click()
{
    // One About box at a time: another click brings the open one forward.
    if (!m_about) {
        m_about = new Tabout(this, m_services.paths, m_services.shell);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void Ttunely::Button7Click()
{
    Application::instance()->Terminate();
}

void Ttunely::SelectPage(const QString& caption)
{
    ui->silnik->setActivePage(caption);
}

void Ttunely::closeEvent(QCloseEvent* event)
{
    // The main window's close box ends the program like Exit.
    event->accept();
    if (Application* app = Application::instance())
        app->Terminate();
}
