#include "event_loop_stall.h"
#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "mpris_window_messages.h"
#include "private_session_bus.h"
#include "winamp_link.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace std::chrono_literals;
using platform::MprisWindowMessages;

// The Winamp link over the MPRIS layer, against scriptable players on a bus
// of the test's own.
class MprisWindowMessagesTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> bus_;
    std::unique_ptr<QTemporaryDir> xdg_;
    QString clientName_;
    int clients_ = 0;

    QDBusConnection Client() const { return QDBusConnection(clientName_); }
    // Waits long enough for a loaded machine, where these tests look at what
    // each message did right after sending it.
    static platform::PlayerCallTiming Patient()
    {
        platform::PlayerCallTiming timing;
        timing.wait = 1000ms;
        return timing;
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
    void SetPlaylistDefault(const QString& desktopId)
    {
        QFile list(xdg_->filePath(QStringLiteral("config/mimeapps.list")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("[Default Applications]\naudio/x-scpls=" + desktopId.toUtf8() +
                   ";other.desktop;\n");
    }

private slots:
    void initTestCase()
    {
        bus_ = std::make_unique<PrivateSessionBus>();
        QVERIFY(bus_->IsRunning());
    }

    void init()
    {
        // Desktop defaults of this machine must not steer the choice of player.
        xdg_ = std::make_unique<QTemporaryDir>();
        QVERIFY(xdg_->isValid());
        for (const char* folder : {"config", "configdirs", "data", "datadirs"})
            QDir(xdg_->path()).mkpath(QLatin1String(folder));
        qputenv("XDG_CONFIG_HOME", xdg_->filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_CONFIG_DIRS", xdg_->filePath(QStringLiteral("configdirs")).toUtf8());
        qputenv("XDG_DATA_HOME", xdg_->filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_DATA_DIRS", xdg_->filePath(QStringLiteral("datadirs")).toUtf8());
        clientName_ = QStringLiteral("layer-client-%1").arg(++clients_);
        QVERIFY(bus_->Connect(clientName_).isConnected());
    }

    void cleanup() { QDBusConnection::disconnectFromBus(clientName_); }

    // A player already running is found on the first idle pass, and the whole
    // run sends it one play-state query.
    void runningPlayerFoundOnFirstPass()
    {
        const auto player = StartPlayer(QStringLiteral("alpha"));
        MprisWindowMessages layer(Client(), Patient());
        WinampLink link(layer);
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
        MprisWindowMessages layer(Client(), Patient());
        WinampLink link(layer);
        link.DiscoveryStep();
        QVERIFY(!link.Found());
        const auto player = StartPlayer(QStringLiteral("late"));
        QVERIFY(RunLoopUntil([&] {
            link.DiscoveryStep();
            return link.Found();
        }));
        player->SetStatus(QStringLiteral("Playing"));
        QCOMPARE(link.PlayStateQuery(), 1);
    }

    // Once the found player quits, readings are 0 and commands do nothing; a
    // new player is not looked for (its handle would be another window).
    void playerClosedAfterDiscovery()
    {
        auto first = StartPlayer(QStringLiteral("first"), QString(), true);
        first->SetFigures(128000, 44100, 2);
        MprisWindowMessages layer(Client(), Patient());
        WinampLink link(layer);
        link.DiscoveryStep();
        QCOMPARE(link.BitRate(), 128);
        const platform::WindowHandle handle = link.Handle();
        first->Close();
        const auto second = StartPlayer(QStringLiteral("second"), QString(), true);
        second->SetFigures(64000, 22050, 1);
        QVERIFY(RunLoopUntil([&] {
            return layer.FindWindow(QStringLiteral("Winamp v1.x")) != 0 &&
                   layer.FindWindow(QStringLiteral("Winamp v1.x")) != handle;
        }));
        link.DiscoveryStep();
        link.LookUpWhileNotFound();
        QCOMPARE(link.Handle(), handle);
        QCOMPARE(link.BitRate(), 0);
        QCOMPARE(link.SampleRate(), 0);
        QCOMPARE(link.ChannelCount(), 0);
        link.StartPlaying();
        QVERIFY(second->Log().isEmpty());
    }

    // The eight Winamp messages reach the player as their MPRIS counterparts;
    // pause toggles like Winamp's button whatever the player's Pause does.
    void eightMessagesDriveThePlayer()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        MprisWindowMessages layer(Client(), Patient());
        WinampLink link(layer);
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

    // A reading's three figures cost one Info round trip, and the next reading
    // asks again, so a change of stream shows at once.
    void oneInfoPerReading()
    {
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        MprisWindowMessages layer(Client(), Patient());
        WinampLink link(layer);
        link.DiscoveryStep();
        player->ClearLog();
        QCOMPARE(link.BitRate() + link.SampleRate() + link.ChannelCount(), 128 + 44 + 2);
        QCOMPARE(player->Count(QStringLiteral("Info")), 1);
        player->SetFigures(64000, 22050, 1);
        QCOMPARE(link.BitRate(), 64);
        QCOMPARE(link.SampleRate(), 22);
        QCOMPARE(link.ChannelCount(), 1);
        QCOMPARE(player->Count(QStringLiteral("Info")), 2);
    }

    // Other window classes, unknown handles, unknown messages and players
    // without stream figures all answer 0.
    void unknownsAnswerZero()
    {
        const auto player = StartPlayer(QStringLiteral("plain"));
        player->SetStatus(QStringLiteral("Playing"));
        MprisWindowMessages layer(Client(), Patient());
        QCOMPARE(layer.FindWindow(QStringLiteral("Notepad")), platform::WindowHandle(0));
        const platform::WindowHandle handle = layer.FindWindow(QStringLiteral("Winamp v1.x"));
        QVERIFY(handle != 0);
        QCOMPARE(layer.SendMessage(handle, platform::WM_USER, 0, 104), 1);
        QCOMPARE(layer.SendMessage(handle + 100, platform::WM_USER, 0, 104), 0);
        QCOMPARE(layer.SendMessage(0, platform::WM_USER, 0, 104), 0);
        QCOMPARE(layer.SendMessage(handle, platform::WM_USER, 0, 999), 0);
        QCOMPARE(layer.SendMessage(handle, 0x10, 0, 104), 0);
        QCOMPARE(layer.SendMessage(handle, platform::WM_USER, 3, 126), 0);
        for (quintptr which = 0; which < 3; ++which)
            QCOMPARE(layer.SendMessage(handle, platform::WM_USER, which, 126), 0);
    }

    // With several players, the one the desktop opens ".pls" files with wins,
    // by bus name or by the DesktopEntry it reports; else the first by name.
    void prefersThePlaylistPlayer()
    {
        const auto alpha = StartPlayer(QStringLiteral("alpha"));
        const auto zeta = StartPlayer(QStringLiteral("zeta"));
        const auto zulu = StartPlayer(QStringLiteral("mu"), QStringLiteral("org.example.Zulu"));
        const auto chosen = [&](MprisWindowMessages& layer) {
            const platform::WindowHandle handle = layer.FindWindow(QStringLiteral("Winamp v1.x"));
            for (FakeMprisPlayer* player : {alpha.get(), zeta.get(), zulu.get()})
                player->ClearLog();
            layer.SendMessage(handle, platform::WM_USER, 0, 102);
            for (FakeMprisPlayer* player : {alpha.get(), zeta.get(), zulu.get()}) {
                if (!player->Log().isEmpty())
                    return player->BusName();
            }
            return QString();
        };
        {
            MprisWindowMessages layer(Client(), Patient());
            QCOMPARE(layer.PreferredDesktopId(), QString());
            QCOMPARE(chosen(layer), alpha->BusName());
        }
        SetPlaylistDefault(QStringLiteral("zeta.desktop"));
        {
            MprisWindowMessages layer(Client(), Patient());
            QCOMPARE(layer.PreferredDesktopId(), QStringLiteral("zeta.desktop"));
            QCOMPARE(chosen(layer), zeta->BusName());
        }
        SetPlaylistDefault(QStringLiteral("org.example.Zulu.desktop"));
        {
            MprisWindowMessages layer(Client(), Patient());
            // The DesktopEntry arrives with the player's asynchronous answer.
            QVERIFY(RunLoopUntil([&] { return chosen(layer) == zulu->BusName(); }));
        }
    }

    // When the desktop names a ".pls" player, another player already on the
    // bus (a web browser) is never taken for it: the named one is found when
    // it comes, and the controls and readings go to it alone.
    void onlyTheNamedPlaylistPlayerCounts()
    {
        SetPlaylistDefault(QStringLiteral("audacious.desktop"));
        const auto browser =
            StartPlayer(QStringLiteral("chromium.instance42"), QStringLiteral("chromium"), true);
        MprisWindowMessages layer(Client());
        WinampLink link(layer);
        link.DiscoveryStep();
        QVERIFY(!link.Found());
        const auto player = StartPlayer(QStringLiteral("audacious"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        QVERIFY(RunLoopUntil([&] {
            link.DiscoveryStep();
            return link.Found();
        }));
        link.StartPlaying();
        link.SetVolume(51);
        QTRY_COMPARE(player->Status(), QStringLiteral("Playing"));
        QTRY_COMPARE(player->Volume(), 0.2);
        QTRY_COMPARE(link.BitRate(), 128);
        QVERIFY(browser->Log().isEmpty());
    }

    // A frozen player never holds the event loop near 100 ms over ten
    // refreshes, its calls timing out and being asked again included; once
    // it answers again, the next refresh is right.
    void hungPlayerNeverStallsTheLoop()
    {
        const auto player = StartPlayer(QStringLiteral("frozen"), QString(), true);
        player->SetFigures(128000, 44100, 2);
        platform::PlayerCallTiming timing;
        timing.callTimeout = 400ms;
        timing.refresh = 100ms;
        MprisWindowMessages layer(Client(), timing);
        WinampLink link(layer);
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

QTEST_GUILESS_MAIN(MprisWindowMessagesTest)
#include "mpris_window_messages_test.moc"
