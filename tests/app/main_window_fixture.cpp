#include "main_window_fixture.h"

#include "event_loop_wait.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

MainWindowFixture::MainWindowFixture(DirectorySite site)
    : paths(FixedPaths::Under(dir.path())), m_window(std::make_unique<Ttunely>(MainWindowServices{
                                                paths, std::move(site), shell, messages, download}))
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
    paths.CreateFolders();
    QFile catalogue(paths.catalogueFile);
    catalogue.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QTextStream out(&catalogue);
    for (int slot = 0; slot < stations.size(); ++slot) {
        out << '[' << slot << "]\nnumer=" << slot << "\nnazwa=" << stations[slot].first
            << "\nopis=" << stations[slot].second << '\n';
        QFile playlist(paths.PlaylistFile(slot));
        playlist.open(QIODevice::WriteOnly);
        playlist.write("[playlist]\nnumberofentries=1\nFile1=http://127.0.0.1:9/" +
                       QByteArray::number(slot) + "\n");
    }
}

bool MainWindowFixture::ShowAndRunFirstIdlePass()
{
    m_window->show();
    return RunLoopUntil([this] { return !form().startup->isChecked(); }, 10000);
}
