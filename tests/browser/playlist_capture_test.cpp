// Playlist capture with the real engine, the real download layer and the
// loopback station directory: which followed links are captured, what lands
// in the temporary playlist, and that the page holding the link stays shown.
#include "application.h"
#include "browser_page.h"
#include "download_progress_dialog.h"
#include "event_loop_wait.h"
#include "fixture_http_server.h"
#include "message_box_catcher.h"
#include "network_url_download.h"
#include "playlist_conversion.h"
#include "test_main.h"
#include "tnowyurl.h"
#include "twebbrowser.h"
#include "ui_nowyurl.h"

#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QtTest>
#include <memory>

namespace {
constexpr int kTimeoutMs = 30000;
const QString kStream = QStringLiteral("http://127.0.0.1:9/capture-stream");
const QString kDownloadFailed = QStringLiteral("Could not download this file. Please try again.");
} // namespace

class PlaylistCaptureTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void followedLinksAreCapturedByAddress_data();
    void followedLinksAreCapturedByAddress();
    void stationLinksBecomeAPlsPlaylistOrSayWhyNot_data();
    void stationLinksBecomeAPlsPlaylistOrSayWhyNot();
    void failedDownloadsKeepThePageAndOfferNothing();
    void typedAddressesAndFramesAreCapturedToo();

private:
    void loadDirectory();
    void click(const QString& id);
    QString currentPath() { return page()->url().path(); }
    QWebEnginePage* page() { return qobject_cast<QWebEnginePage*>(m_browser->EnginePage()); }
    // Waits until the capture for the last click has ended (offered or refused).
    bool waitForCaptureEnd(int installs, int messages);

    std::unique_ptr<FixtureHttpServer> m_server;
    QTemporaryDir m_dir;
    QString m_temporary;
    std::unique_ptr<QWidget> m_owner;
    TWebBrowser* m_browser = nullptr;
    std::unique_ptr<DownloadProgressDialog> m_progress;
    std::unique_ptr<platform::NetworkUrlDownload> m_download;
    std::unique_ptr<MessageBoxCatcher> m_boxes;
    QStringList m_navigations; // every address the browser reported
    int m_installs = 0;
    QByteArray m_offered; // the temporary playlist when the dialog would open
};

void PlaylistCaptureTest::initTestCase()
{
    m_server = std::make_unique<FixtureHttpServer>(kStream);
    QVERIFY(m_server->isRunning());
    m_temporary = m_dir.filePath(QStringLiteral("temp.pls"));
}

void PlaylistCaptureTest::init()
{
    QFile::remove(m_temporary);
    m_installs = 0;
    m_offered.clear();
    m_navigations.clear();
    m_boxes = std::make_unique<MessageBoxCatcher>();
    m_owner = std::make_unique<QWidget>();
    m_owner->resize(800, 600);
    m_browser = new TWebBrowser(m_owner.get());
    m_browser->resize(800, 560);
    m_progress = std::make_unique<DownloadProgressDialog>(m_owner.get());
    platform::DownloadLimits limits;
    limits.stallTimeoutMs = 5000;
    m_download = std::make_unique<platform::NetworkUrlDownload>(limits, m_progress.get());
    DirectorySite site;
    site.homePage = m_server->url(QStringLiteral("/"));
    site.listingPage = m_server->url(QStringLiteral("/directory"));
    auto* page = new BrowserPage(BrowserPageContext{site, *m_download, m_temporary, m_browser},
                                 m_owner.get());
    // The test drives its own, larger browser; the page's own control stays out of sight.
    page->hide();
    connect(page, &BrowserPage::playlistCaptured, this, [this] {
        ++m_installs;
        QFile file(m_temporary);
        if (file.open(QIODevice::ReadOnly))
            m_offered = file.readAll();
    });
    // Watch the addresses without taking the event from the page.
    auto capture = m_browser->OnBeforeNavigate2;
    m_browser->OnBeforeNavigate2 = [this, capture](const QString& url, NavigationCause cause,
                                                   bool& cancel) {
        m_navigations << url;
        capture(url, cause, cancel);
    };
    m_owner->show();
}

void PlaylistCaptureTest::cleanup()
{
    m_owner.reset();
    m_download.reset();
    m_progress.reset();
    m_boxes.reset();
}

void PlaylistCaptureTest::loadDirectory()
{
    // A link followed just before (an M3U the engine turns into a refused download) may still
    // report its own end of loading; only the directory's own successful load counts.
    bool shown = false;
    const auto connection = connect(page(), &QWebEnginePage::loadFinished, this, [&](bool ok) {
        shown = shown || (ok && currentPath() == "/directory");
    });
    const auto disconnectAtEnd = qScopeGuard([&] { disconnect(connection); });
    m_browser->Navigate(m_server->url(QStringLiteral("/directory")));
    QVERIFY(RunLoopUntil([&] { return shown; }, kTimeoutMs));
}

void PlaylistCaptureTest::click(const QString& id)
{
    page()->runJavaScript(QStringLiteral("document.querySelector('a#%1').click()").arg(id));
}

bool PlaylistCaptureTest::waitForCaptureEnd(int installs, int messages)
{
    return RunLoopUntil(
        [&] { return m_installs == installs && m_boxes->texts().size() == messages; }, kTimeoutMs);
}

void PlaylistCaptureTest::followedLinksAreCapturedByAddress_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("target"); // address the click reports
    QTest::addColumn<bool>("captured");
    const quint16 port = m_server->port();
    auto local = [this](const char* path) { return m_server->url(QString::fromLatin1(path)); };
    QTest::newRow("station.pls") << "pls" << local("/station.pls") << true;
    QTest::newRow("STATION.PLS") << "upper" << local("/STATION.PLS") << true;
    QTest::newRow("file.plsx") << "plsx" << local("/file.plsx") << true;
    QTest::newRow(".pls in query") << "query" << local("/tune?file=x.pls") << true;
    QTest::newRow("host label pls")
        << "host" << QStringLiteral("http://radio.plsstream.localhost:%1/tune/17").arg(port)
        << true;
    // Looked at before the browser goes there, the redirect is followed there.
    QTest::newRow("redirect to .pls") << "redirect" << local("/redirect") << true;
    QTest::newRow("list.m3u") << "m3u" << local("/list.m3u") << true;
    QTest::newRow("segment pls") << "segment" << local("/pls/station") << false;
    QTest::newRow("page not found") << "missing" << local("/missing") << false;
}

// Captured links download the fixture's playlist into the temporary playlist
// and are offered once, with the directory still shown; the others load.
void PlaylistCaptureTest::followedLinksAreCapturedByAddress()
{
    QFETCH(QString, id);
    QFETCH(QString, target);
    QFETCH(bool, captured);
    loadDirectory();
    if (captured) {
        click(id);
        QVERIFY(waitForCaptureEnd(1, 0));
        QVERIFY(m_offered.contains("File1=" + kStream.toUtf8()));
        QVERIFY(m_offered.startsWith("[playlist]"));
        QVERIFY(m_navigations.contains(target));
        QCOMPARE(currentPath(), QStringLiteral("/directory"));
        QCOMPARE(page()->title(), QStringLiteral("Directory"));
    } else {
        // The link's page (or the browser's error page for it) must be shown
        // before the directory is asked for again, or the two would race.
        bool shown = false;
        const auto connection = connect(page(), &QWebEnginePage::loadFinished, this,
                                        [&] { shown = shown || page()->url() == QUrl(target); });
        const auto disconnectAtEnd = qScopeGuard([&] { disconnect(connection); });
        click(id);
        QVERIFY(RunLoopUntil([&] { return shown; }, kTimeoutMs));
        // A capture would have started by the time another page has loaded.
        loadDirectory();
        QCOMPARE(m_installs, 0);
        QVERIFY(!QFile::exists(m_temporary));
    }
    QVERIFY(m_boxes->texts().isEmpty());
}

void PlaylistCaptureTest::stationLinksBecomeAPlsPlaylistOrSayWhyNot_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("entry"); // the stream, when captured
    QTest::addColumn<QString>("refusal");
    for (const char* id : {"pl-m3u-m3u", "pl-xspf-xspf", "pl-asx-ASX", "pl-m3u", "pl-xspf"})
        QTest::newRow(id) << id << kStream << QString();
    const QString live = m_server->url(QStringLiteral("/endless?status=200&type=audio/mpeg"));
    QTest::newRow("audio/mpeg stream") << "live" << live << QString();
    QTest::newRow("HTML as .m3u") << "pl-html-m3u" << QString() << playlist::kWebPage;
    QTest::newRow("file, script, path") << "pl-local-m3u" << QString() << playlist::kNoUsableEntry;
}

// Every kind of station link, by address or by type, becomes a ".pls" with the
// directory still shown (an endless stream unread); a playlist with nothing to
// install says why and leaves the previous temporary playlist as it was.
void PlaylistCaptureTest::stationLinksBecomeAPlsPlaylistOrSayWhyNot()
{
    QFETCH(QString, id);
    QFETCH(QString, entry);
    QFETCH(QString, refusal);
    const QByteArray previous = "[playlist]\nFile1=http://127.0.0.1:9/previous\n";
    QFile old(m_temporary);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(previous) == previous.size());
    old.close();
    loadDirectory();
    click(id);
    QVERIFY(waitForCaptureEnd(entry.isEmpty() ? 0 : 1, refusal.isEmpty() ? 0 : 1));
    QCOMPARE(m_boxes->texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    const QByteArray title = entry == kStream ? "Title1=Fixture Radio\n" : "";
    if (!entry.isEmpty())
        QCOMPARE(m_offered, "[playlist]\nFile1=" + entry.toUtf8() + '\n' + title +
                                "Length1=-1\nNumberOfEntries=1\nVersion=2\n");
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), entry.isEmpty() ? previous : m_offered);
    QCOMPARE(currentPath(), QStringLiteral("/directory"));
}

// A playlist address the server refuses, or one too big for a playlist, shows
// the message once, offers nothing and leaves the directory shown.
void PlaylistCaptureTest::failedDownloadsKeepThePageAndOfferNothing()
{
    loadDirectory();
    click(QStringLiteral("gone"));
    QVERIFY(waitForCaptureEnd(0, 1));
    QCOMPARE(m_boxes->texts(), QStringList{kDownloadFailed});
    QCOMPARE(currentPath(), QStringLiteral("/directory"));

    click(QStringLiteral("huge"));
    QVERIFY(waitForCaptureEnd(0, 2));
    QVERIFY(!QFile::exists(m_temporary));
    QCOMPARE(currentPath(), QStringLiteral("/directory"));
}

// An address typed into the new-URL dialog and a playlist link inside a frame
// are captured like links of the page itself.
void PlaylistCaptureTest::typedAddressesAndFramesAreCapturedToo()
{
    loadDirectory();
    auto* dialog = new Tnowyurl(m_owner.get(), *m_browser);
    dialog->show();
    dialog->form().adresbox->setText(m_server->url(QStringLiteral("/typed.PLS")));
    QTest::mouseClick(dialog->form().Button1, Qt::LeftButton);
    QVERIFY(waitForCaptureEnd(1, 0));
    QCOMPARE(currentPath(), QStringLiteral("/directory"));

    // The frames page's own address must not hold ".pls", or it would be
    // captured itself (and refused as a web page).
    m_browser->Navigate(m_server->url(QStringLiteral("/frames?frame=playlist")));
    QVERIFY(waitForCaptureEnd(2, 0));
    QVERIFY2(m_navigations.filter(QStringLiteral("/framed.pls")).size() == 1,
             qPrintable(m_navigations.join(QLatin1Char(' '))));
    QVERIFY(m_boxes->texts().isEmpty());
}

WAVEDOCK_TEST_MAIN(PlaylistCaptureTest)

#include "playlist_capture_test.moc"
