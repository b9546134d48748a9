#include "event_loop_stall.h"
#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "fixture_http_server.h"
#include "last_opened_playlist.h"
#include "mpris_media_player.h"
#include "private_session_bus.h"
#include "test_files.h"
#include "winamp_link.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;
using platform::MprisMediaPlayer;

// The Winamp link over the MPRIS layer, against scriptable players on a bus
// of the test's own; the desktop's ".pls" application is whatever the test says.
class MprisMediaPlayerTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> bus_;
    QString clientName_;
    int clients_ = 0;
    QString application_ = QStringLiteral("audacious.desktop");

    QDBusConnection Client() const { return QDBusConnection(clientName_); }
    // Waits long enough for a loaded machine, where these tests look at what
    // each call did right after making it.
    static platform::PlayerCallTiming Patient()
    {
        platform::PlayerCallTiming timing;
        timing.wait = 1000ms;
        return timing;
    }
    std::unique_ptr<MprisMediaPlayer> Layer(platform::PlayerCallTiming timing = Patient())
    {
        return std::make_unique<MprisMediaPlayer>(Client(), timing,
                                                  [this] { return application_; });
    }
    std::unique_ptr<FakeMprisPlayer> StartPlayer(const QString& name,
                                                 const QString& desktopEntry = QString(),
                                                 bool offersFigures = false)
    {
        auto player =
            std::make_unique<FakeMprisPlayer>(bus_->Address(), name, desktopEntry, offersFigures);
        if (!player->IsOnBus())
            qFatal("fake player %s did not get on the bus", qPrintable(name));
        return player;
    }
    // Which of the players a Play reaches, by bus name; empty for none.
    static QString Driven(WinampLink& link, const QList<FakeMprisPlayer*>& players)
    {
        for (FakeMprisPlayer* player : players)
            player->ClearLog();
        link.StartPlaying();
        for (FakeMprisPlayer* player : players) {
            if (player->Log().contains(QStringLiteral("Play")))
                return player->BusName();
        }
        return QString();
    }

private slots:
    void initTestCase()
    {
        bus_ = std::make_unique<PrivateSessionBus>();
        QVERIFY(bus_->IsRunning());
    }

    void init()
    {
        application_ = QStringLiteral("audacious.desktop");
        clientName_ = QStringLiteral("layer-client-%1").arg(++clients_);
        QVERIFY(bus_->Connect(clientName_).isConnected());
    }

    void cleanup() { QDBusConnection::disconnectFromBus(clientName_); }

    // A player already running is found on the first idle pass, and the whole
    // run sends it one play-state query.
    void runningPlayerFoundOnFirstPass()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"));
        const auto layer = Layer();
        WinampLink link(*layer);
        link.DiscoveryStep();
        QVERIFY(link.Found());
        QVERIFY(link.Handle() != 0);
        for (int pass = 0; pass < 5; ++pass) {
            link.DiscoveryStep();
            link.LookUpWhileNotFound();
        }
        QCOMPARE(player->Log(), QStringList{QStringLiteral("Get PlaybackStatus")});
    }

    // A player started after us is found by a later idle pass, learnt from
    // the bus's announcements rather than by asking on every pass.
    void playerStartedLaterFoundByNextPass()
    {
        const auto layer = Layer();
        WinampLink link(*layer);
        link.DiscoveryStep();
        QVERIFY(!link.Found());
        const auto player = StartPlayer(QStringLiteral("audacious"));
        QVERIFY(RunLoopUntil([&] {
            link.DiscoveryStep();
            return link.Found();
        }));
        player->SetStatus(QStringLiteral("Playing"));
        QCOMPARE(link.PlayStateQuery(), 1);
    }

    // Found stays found, but the handle is "the .pls player": when it quits,
    // readings are 0 and commands do nothing; when it starts again, the same
    // handle reaches the new process. Another application's player never.
    void restartedPlayerIsReachedThroughTheSameHandle()
    {
        auto first = StartPlayer(QStringLiteral("audacious"), QString(), true);
        first->SetFigures(128000, 44100, 2);
        const auto browser =
            StartPlayer(QStringLiteral("chromium.instance4242"), QStringLiteral("chromium"), true);
        const auto layer = Layer();
        WinampLink link(*layer);
        link.DiscoveryStep();
        const platform::PlayerHandle handle = link.Handle();
        QCOMPARE(link.BitRate(), 128);
        first->Close();
        QVERIFY(RunLoopUntil([&] { return layer->Find() == 0; }));
        link.StartPlaying();
        QCOMPARE(link.BitRate() + link.SampleRate() + link.ChannelCount(), 0);

        const auto second = StartPlayer(QStringLiteral("audacious"), QString(), true);
        second->SetFigures(64000, 22050, 1);
        QVERIFY(RunLoopUntil([&] { return layer->Find() != 0; }));
        link.DiscoveryStep();
        QCOMPARE(link.Handle(), handle);
        link.StartPlaying();
        QCOMPARE(second->Status(), QStringLiteral("Playing"));
        QCOMPARE(link.BitRate(), 64);
        QVERIFY(browser->Log().isEmpty());
    }

    // The eight messages reach the player as their MPRIS counterparts; pause
    // toggles like Winamp's button whatever the player's Pause does.
    void eightMessagesDriveThePlayer()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        const auto layer = Layer();
        WinampLink link(*layer);
        link.DiscoveryStep();
        QCOMPARE(link.PlayStateQuery(), 0);

        link.StartPlaying();
        QCOMPARE(player->Status(), QStringLiteral("Playing"));
        QCOMPARE(link.PlayStateQuery(), 1);
        link.Pause();
        QCOMPARE(player->Status(), QStringLiteral("Paused"));
        QCOMPARE(link.PlayStateQuery(), 3);
        link.Pause();
        QCOMPARE(player->Status(), QStringLiteral("Playing"));
        link.Stop();
        QCOMPARE(player->Status(), QStringLiteral("Stopped"));
        player->ClearLog();
        link.Pause();
        QCOMPARE(player->Log(), QStringList{QStringLiteral("Get PlaybackStatus")});

        link.SetVolume(255);
        QCOMPARE(player->Volume(), 1.0);
        link.SetVolume(51);
        QCOMPARE(player->Volume(), 0.2);
        link.SetVolume(0);
        QCOMPARE(player->Volume(), 0.0);

        QCOMPARE(link.BitRate(), 128);
        QCOMPARE(link.SampleRate(), 44);
        QCOMPARE(link.ChannelCount(), 2);
    }

    // A reading's three figures cost one Info round trip, the next reading
    // asks again, and figures beyond reason from the player read 0.
    void oneInfoPerReading()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        platform::PlayerCallTiming timing = Patient();
        timing.refresh = 100ms;
        const auto layer = Layer(timing);
        WinampLink link(*layer);
        link.DiscoveryStep();
        player->ClearLog();
        QCOMPARE(link.BitRate() + link.SampleRate() + link.ChannelCount(), 128 + 44 + 2);
        QCOMPARE(player->Count(QStringLiteral("Info")), 1);
        player->SetFigures(64000, -22050, 2147483647);
        QTRY_COMPARE(link.BitRate(), 64);
        QCOMPARE(link.SampleRate(), 0);
        QCOMPARE(link.ChannelCount(), 0);
    }

    // Only players of the desktop's ".pls" application are driven: by the
    // DesktopEntry they report, else by a bus name that is the desktop id,
    // an instance suffix allowed; with no application, none at all.
    void onlyTheApplicationsPlayerIsDriven_data()
    {
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("driven");
        QTest::newRow("bus name") << "mpv.desktop"
                                  << "org.mpris.MediaPlayer2.mpv.instance77";
        QTest::newRow("desktop entry") << "org.example.Zulu.desktop"
                                       << "org.mpris.MediaPlayer2.mu";
        QTest::newRow("not running") << "vlc.desktop"
                                     << "";
        QTest::newRow("no application") << ""
                                        << "";
    }
    void onlyTheApplicationsPlayerIsDriven()
    {
        QFETCH(QString, application);
        QFETCH(QString, driven);
        // First by name, and on the bus first.
        const auto browser = StartPlayer(QStringLiteral("chromium.instance4242"));
        const auto mpv = StartPlayer(QStringLiteral("mpv.instance77"));
        const auto zulu = StartPlayer(QStringLiteral("mu"), QStringLiteral("org.example.Zulu"));
        application_ = application;
        const auto layer = Layer();
        WinampLink link(*layer);
        const QList<FakeMprisPlayer*> players{browser.get(), mpv.get(), zulu.get()};
        // The DesktopEntry arrives with the player's asynchronous answer.
        QVERIFY(RunLoopUntil([&] {
            link.LookUpWhileNotFound();
            return Driven(link, players) == driven;
        }));
        QVERIFY(browser->Log().isEmpty());
        QCOMPARE(link.Handle() != 0, !driven.isEmpty());
    }

    // Of several players of the application, the one playing an address of
    // the playlist handed over is driven, and its figures are read.
    void thePlayerOfTheHandedOverStationWins()
    {
        const FixtureHttpServer server;
        QVERIFY(server.isRunning());
        const QString station = server.url(QStringLiteral("/icy?frames=8"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("0.pls"));
        QVERIFY(WriteFile(
            file, "[playlist]\nFile1=http://127.0.0.1:1/other\nFile2=" + station.toUtf8() + "\n"));
        platform::LastOpenedPlaylist opened;
        opened.Record(file, QStringLiteral("mpv.desktop"));
        const auto older = StartPlayer(QStringLiteral("mpv"));
        older->SetUrl(QStringLiteral("http://127.0.0.1:1/elsewhere"));
        const auto playing = StartPlayer(QStringLiteral("mpv.instance99"));
        playing->SetUrl(station);
        playing->SetStatus(QStringLiteral("Playing"));
        application_ = QStringLiteral("mpv.desktop");
        const auto layer = Layer();
        layer->SetLastOpenedPlaylist(&opened);
        WinampLink link(*layer);
        link.DiscoveryStep();
        QCOMPARE(Driven(link, {older.get(), playing.get()}), playing->BusName());
        QTRY_COMPARE_WITH_TIMEOUT(link.BitRate(), 128, 10000);
    }

    // A player that does not say what it plays has the handed-over playlist
    // probed for it only when the playlist went to its application.
    void handedOverPlaylistProbedOnlyForItsPlayer()
    {
        const FixtureHttpServer server;
        QVERIFY(server.isRunning());
        QTemporaryDir dir;
        const auto playlist = [&](const QString& name, const QString& path) {
            const QString file = dir.filePath(name);
            if (!WriteFile(file, "[playlist]\nFile1=" + server.url(path).toUtf8() + "\n"))
                qFatal("cannot write %s", qPrintable(file));
            return file;
        };
        const QString elsewhere =
            playlist(QStringLiteral("1.pls"), QStringLiteral("/icy?frames=8"));
        const QString here = playlist(QStringLiteral("2.pls"), QStringLiteral("/icy?frames=9"));
        const auto player = StartPlayer(QStringLiteral("audacious"));
        player->SetStatus(QStringLiteral("Playing"));
        platform::LastOpenedPlaylist opened;
        const auto layer = Layer();
        layer->SetLastOpenedPlaylist(&opened);
        WinampLink link(*layer);
        link.DiscoveryStep();
        opened.Record(elsewhere, QStringLiteral("vlc.desktop"));
        QCOMPARE(link.BitRate(), 0);
        opened.Record(here, application_);
        QTRY_COMPARE_WITH_TIMEOUT(link.BitRate(), 128, 10000);
        // Had the first address been probed, its figures would be known by now.
        opened.Record(elsewhere, QStringLiteral("vlc.desktop"));
        QCOMPARE(link.BitRate(), 0);
    }

    // The habits of players big desktops ship: each such player is matched,
    // driven and read in green, and a second station goes to the running
    // player through its OpenUri when it takes web addresses.
    void playersWithEveryHabitAreDriven_data()
    {
        QTest::addColumn<QString>("busName");
        QTest::addColumn<QString>("desktopEntry");
        QTest::addColumn<QString>("application");
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("objectLateMs");
        QTest::addColumn<QString>("saysItPlays"); // "station", "file" or none
        QTest::addColumn<bool>("takesAddresses");
        const auto row = [](const char* habit, const char* busName, const char* desktopEntry,
                            const char* application, const char* program, int objectLateMs,
                            const char* saysItPlays, bool takesAddresses) {
            QTest::newRow(habit) << QString(busName) << QString(desktopEntry)
                                 << QString(application) << QString(program) << objectLateMs
                                 << QString(saysItPlays) << takesAddresses;
        };
        row("name before object", "late", "org.example.Late", "org.example.Late.desktop", "", 120,
            "station", false);
        row(".instance-1", "org.example.Many.instance-1", "", "org.example.Many.desktop", "", 0, "",
            false);
        row("file: address", "filer", "filer", "filer.desktop", "", 0, "file", false);
        row("short DesktopEntry", "player", "player", "org.vendor.Player.desktop", "", 0, "station",
            false);
        row("program's name", "tune", "TUNE", "org.vendor.Radio.desktop", "tune", 0, "station",
            false);
        row("no single-instance mode", "solo", "solo", "solo.desktop", "", 0, "station", true);
    }
    void playersWithEveryHabitAreDriven()
    {
        QFETCH(QString, busName);
        QFETCH(QString, desktopEntry);
        QFETCH(QString, application);
        QFETCH(QString, program);
        QFETCH(int, objectLateMs);
        QFETCH(QString, saysItPlays);
        QFETCH(bool, takesAddresses);
        const FixtureHttpServer server;
        QVERIFY(server.isRunning());
        QTemporaryDir dir;
        const QUrl station(server.url(QStringLiteral("/icy?frames=8")));
        const QString file = dir.filePath(QStringLiteral("0.pls"));
        QVERIFY(WriteFile(file, "[playlist]\nFile1=" + station.toEncoded() + "\n"));
        platform::LastOpenedPlaylist opened;
        opened.Record(file, application);

        const QStringList schemes{QStringLiteral("http"), QStringLiteral("https")};
        FakeMprisPlayer player(bus_->Address(), busName,
                               {desktopEntry, false, std::chrono::milliseconds(objectLateMs),
                                takesAddresses ? schemes : QStringList()});
        QVERIFY(player.IsOnBus());
        player.SetStatus(QStringLiteral("Playing"));
        QUrl said = saysItPlays.isEmpty() ? QUrl() : station;
        if (saysItPlays == QLatin1String("file"))
            said.setScheme(QStringLiteral("file"));
        player.SetUrl(said.toString());
        MprisMediaPlayer layer(Client(), Patient(),
                               [&] { return platform::DesktopApplication(application, program); });
        layer.SetLastOpenedPlaylist(&opened);
        WinampLink link(layer);
        QVERIFY(RunLoopUntil([&] {
            link.LookUpWhileNotFound();
            return Driven(link, {&player}) == player.BusName();
        }));
        QTRY_COMPARE_WITH_TIMEOUT(link.BitRate(), 128, 10000);

        const QUrl next(server.url(QStringLiteral("/icy?frames=9")));
        QCOMPARE(layer.OpenInRunningPlayer(next), takesAddresses);
        QCOMPARE(player.Count(QStringLiteral("OpenUri ") + next.toString()),
                 takesAddresses ? 1 : 0);
    }

    // A frozen player never holds the event loop near 100 ms over ten
    // refreshes, its calls timing out and being asked again included; once
    // it answers again, the next refresh is right.
    void hungPlayerNeverStallsTheLoop()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        platform::PlayerCallTiming timing;
        timing.callTimeout = 400ms;
        timing.refresh = 100ms;
        const auto layer = Layer(timing);
        WinampLink link(*layer);
        link.DiscoveryStep();
        const auto refresh = [&] {
            return link.BitRate() + link.SampleRate() + link.ChannelCount();
        };
        QCOMPARE(refresh(), 128 + 44 + 2);

        player->Hang();
        int last = -1;
        const double stall = LongestEventLoopStallMs(10, 150ms, [&](int) { last = refresh(); });
        qInfo("hung player: longest event-loop stall over ten refreshes %.1f ms", stall);
        QVERIFY2(stall < 100, qPrintable(QString::number(stall)));
        QCOMPARE(last, 0); // its old figures are dropped once its calls time out

        player->Resume();
        LongestEventLoopStallMs(1, 150ms, [&](int) { last = refresh(); });
        QCOMPARE(last, 128 + 44 + 2);
        link.StartPlaying();
        QTRY_COMPARE(player->Status(), QStringLiteral("Playing"));
    }
};

QTEST_GUILESS_MAIN(MprisMediaPlayerTest)
#include "mpris_media_player_test.moc"
