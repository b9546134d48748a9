// One station's whole road through the real main window: the directory page
// served on loopback, a followed playlist link, the new-radio dialog, the
// installed list and "Listen to selected radio".
#include "application.h"
#include "browser_page.h"
#include "control_page.h"
#include "download_progress_dialog.h"
#include "event_loop_wait.h"
#include "fake_notification_area.h"
#include "fixed_paths.h"
#include "fixture_http_server.h"
#include "installed_radios_page.h"
#include "network_url_download.h"
#include "recording_media_player.h"
#include "recording_shell.h"
#include "tabbed_notebook.h"
#include "test_main.h"
#include "tnoweradio.h"
#include "ttunely.h"
#include "twebbrowser.h"
#include "ui_browser_page.h"
#include "ui_control_page.h"
#include "ui_installed_radios_page.h"
#include "ui_noweradio.h"
#include "ui_tunely.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <QtTest>

namespace {
constexpr int kTimeoutMs = 30000;
const QString kStream = QStringLiteral("http://127.0.0.1:9/road-stream");
} // namespace

class StationRoadTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void clickedPlaylistBecomesAListenableStation();
};

// Directory page -> .pls link -> name typed, Install -> listed -> listened to.
void StationRoadTest::clickedPlaylistBecomesAListenableStation()
{
    FixtureHttpServer server(kStream);
    QVERIFY(server.isRunning());
    QTemporaryDir dir;
    const FixedPaths paths = FixedPaths::Under(dir.path());
    RecordingShell shell;
    RecordingMediaPlayer player;
    DownloadProgressDialog progress;
    platform::NetworkUrlDownload download(platform::DownloadLimits(), &progress);
    DirectorySite site;
    site.host = QStringLiteral("127.0.0.1:%1").arg(server.port());
    site.homePage = server.url(QStringLiteral("/"));
    site.listingPage = server.url(QStringLiteral("/directory"));
    FakeNotificationArea notificationArea;
    Ttunely window(MainWindowServices{paths, site, shell, player, download, notificationArea});
    Ui::Ttunely& ui = window.form();
    Ui::BrowserPage& browser = window.browserPage().form();
    Ui::InstalledRadiosPage& radios = window.installedRadiosPage().form();
    Ui::ControlPage& control = window.controlPage().form();
    auto* page = qobject_cast<QWebEnginePage*>(browser.browser->EnginePage());

    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    window.show();
    QVERIFY(RunLoopUntil([&] { return !ui.startup->isChecked(); }, 10000));
    QVERIFY(RunLoopUntil([&] { return !loaded.isEmpty(); }, kTimeoutMs));
    QCOMPARE(page->url().path(), QStringLiteral("/"));

    ui.silnik->setActivePage(site.PageCaption());
    QTest::mouseClick(browser.Button12, Qt::LeftButton); // Top 20
    QVERIFY(RunLoopUntil([&] { return loaded.size() >= 2; }, kTimeoutMs));
    QCOMPARE(page->url().path(), QStringLiteral("/directory"));
    // Let the splash go and the page paint before the picture is taken.
    QVERIFY(RunLoopUntil([&] { return !window.splash(); }, 10000));
    QVERIFY(RunLoopUntil([&] { return page->title() == QLatin1String("Directory"); }, 5000));
    // A picture for people, only when asked for (WAVEDOCK_SHOTS_DIR).
    const QString shots = qEnvironmentVariable("WAVEDOCK_SHOTS_DIR");
    if (!shots.isEmpty() && QDir().mkpath(shots))
        window.grab().save(shots + QStringLiteral("/browser-directory.png"));

    // The new-radio dialog runs modally inside the capture: answer it from a timer.
    bool dialogSeen = false;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<Tnoweradio*>(QApplication::activeModalWidget());
        if (!dialog || dialogSeen)
            return;
        dialogSeen = true;
        QFile temporary(paths.temporaryPlaylist);
        QVERIFY(temporary.open(QIODevice::ReadOnly));
        QVERIFY(temporary.readAll().contains(kStream.toUtf8()));
        QCOMPARE(page->url().path(), QStringLiteral("/directory"));
        dialog->form().nazwaradia->setText(QStringLiteral("Road Radio"));
        dialog->form().opisradia->setText(QStringLiteral("All the way"));
        QTest::mouseClick(dialog->form().Button1, Qt::LeftButton); // Install
    });
    answer.start(50);
    page->runJavaScript(QStringLiteral("document.querySelector('a#pls').click()"));
    QVERIFY(RunLoopUntil([&] { return radios.list->count() == 1; }, kTimeoutMs));
    answer.stop();
    QVERIFY(dialogSeen);
    QCOMPARE(radios.list->item(0)->text(), QStringLiteral("0) Road Radio - All the way"));
    QCOMPARE(page->url().path(), QStringLiteral("/directory"));
    QCOMPARE(ui.silnik->ActivePage(), site.PageCaption());
    QFile installed(paths.PlaylistFile(0));
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QVERIFY(installed.readAll().contains(kStream.toUtf8()));

    ui.silnik->setActivePage(QStringLiteral("Installed radios"));
    radios.list->setCurrentRow(0);
    QTest::mouseClick(radios.wybraneradiobtn, Qt::LeftButton);
    QCOMPARE(shell.files(), QStringList{paths.PlaylistFile(0)});
    QCOMPARE(ui.silnik->ActivePage(), QStringLiteral("Winamp control"));
    QCOMPARE(control.aktnazwa->text(), QStringLiteral("Road Radio"));
    QCOMPARE(control.aktopis->text(), QStringLiteral("All the way"));
}

WAVEDOCK_TEST_MAIN(StationRoadTest)

#include "station_road_test.moc"
