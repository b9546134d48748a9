#include "main_window_fixture.h"

#include "catalogue_writer.h"
#include "event_loop_wait.h"

MainWindowFixture::MainWindowFixture(DirectorySite site)
    : paths(FixedPaths::Under(dir.path())),
      m_window(std::make_unique<Ttunely>(
          MainWindowServices{paths, std::move(site), shell, player, download, notificationArea}))
{
}

MainWindowFixture::~MainWindowFixture() = default;

DirectorySite MainWindowFixture::UnreachableDirectory()
{
    // Port 9 (discard) refuses at once on loopback.
    DirectorySite site;
    site.host = QStringLiteral("127.0.0.1:9");
    site.homePage = QStringLiteral("http://127.0.0.1:9");
    site.listingPage = QStringLiteral("http://127.0.0.1:9/directory");
    return site;
}

void MainWindowFixture::WriteCatalogue(const QList<QPair<QString, QString>>& stations)
{
    WriteDenseCatalogue(paths, stations);
}

bool MainWindowFixture::ShowAndRunFirstIdlePass()
{
    m_window->show();
    return RunLoopUntil([this] { return !form().startup->isChecked(); }, 10000);
}
