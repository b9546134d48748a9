// The cost of resolving the desktop's ".pls" player (the first time in a
// process and later), of one readings refresh in round trips and time with
// scripted players and with a real Audacious and a real mpv, and the longest
// the event loop stalls over ten refreshes when the player stops answering.
#include "audacious_fixture.h"
#include "catalogue_store.h"
#include "control_page.h"
#include "end_process.h"
#include "event_loop_stall.h"
#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "mpris_media_player.h"
#include "playlist_application.h"
#include "private_session_bus.h"
#include "recording_shell.h"
#include "test_files.h"
#include "winamp_link.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRefreshes = 100;

QString Audacious()
{
    return QStringLiteral("audacious.desktop");
}
QString Mpv()
{
    return QStringLiteral("mpv.desktop");
}

// Answers this young serve one refresh; the bench lets each refresh's
// answers age out before the next, as the window's 3 s do.
platform::PlayerCallTiming BenchTiming()
{
    platform::PlayerCallTiming timing;
    timing.refresh = std::chrono::milliseconds(2);
    return timing;
}

double Microseconds(const QElapsedTimer& clock)
{
    return double(clock.nsecsElapsed()) / 1e3;
}

// The median time of one readings refresh (three figures), in ms.
double RefreshMilliseconds(WinampLink& link)
{
    std::vector<double> times;
    for (int refresh = 0; refresh < kRefreshes; ++refresh) {
        RunLoopUntil([] { return false; }, 4);
        QElapsedTimer clock;
        clock.start();
        link.BitRate();
        link.SampleRate();
        link.ChannelCount();
        times.push_back(Microseconds(clock) / 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Round trips of one refresh against a scripted player, counted by it.
double RoundTrips(FakeMprisPlayer& player, WinampLink& link)
{
    RefreshMilliseconds(link); // settles a stream probe, if any
    player.ClearLog();
    RefreshMilliseconds(link);
    return double(player.Log().size()) / kRefreshes;
}

// The control page on its own, ticking against a frozen player: the
// longest the event loop stalls is how long the window cannot repaint.
double LongestHungStallMilliseconds(WinampLink& link)
{
    QTemporaryDir dir;
    CatalogueStore catalogue(FixedPaths::Under(dir.path()));
    RecordingShell shell;
    ControlPage page(ControlPageContext{link, catalogue, shell, [](const QString&) {},
                                        QStringLiteral("Browser: bench")});
    // Ticks closer together than the window's 3 s, so that the player's
    // calls time out and are asked again within the ten.
    return LongestEventLoopStallMs(10, std::chrono::milliseconds(300),
                                   [&](int) { page.Timer1Timer(); });
}

// The desktop's own answer, as the product gets it: the first time in the
// process GIO reads the desktop's files; later it looks for changes.
void ResolvingFigures(const QDBusConnection& connection, const QString& busAddress)
{
    FakeMprisPlayer browser(busAddress, QStringLiteral("chromium.instance4242"),
                            QStringLiteral("chromium"));
    FakeMprisPlayer player(busAddress, QStringLiteral("mpv"));
    platform::MprisMediaPlayer layer(connection);
    QElapsedTimer clock;
    clock.start();
    const bool found = layer.Find() != 0;
    std::printf("resolving the player, first in the process (.pls application %s, %s): %.0f us\n",
                qPrintable(platform::PlaylistApplicationId()),
                found ? "its player found" : "no player of it", Microseconds(clock));
    constexpr int later = 1000;
    clock.restart();
    for (int i = 0; i < later; ++i)
        layer.Find();
    std::printf("resolving the player, later (two players on the bus): %.1f us per call\n",
                Microseconds(clock) / later);
    clock.restart();
    for (int i = 0; i < later; ++i)
        platform::PlaylistApplicationId();
    std::printf("asking GIO for the .pls application, later: %.1f us per call\n",
                Microseconds(clock) / later);
}

// mpv with its MPRIS plugin, headless, playing `url`, on the bus.
bool StartMpv(QProcess& mpv, const QString& folder, const QString& busAddress, const QString& url,
              const QDBusConnection& connection)
{
    if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty())
        return false;
    QDir().mkpath(folder + QStringLiteral("/mpv"));
    WriteFile(folder + QStringLiteral("/mpv/mpv.conf"), "ao=null\nvo=null\n");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    mpv.setProcessEnvironment(environment);
    mpv.start(QStringLiteral("mpv"), {QStringLiteral("--idle=yes"), url});
    return RunLoopUntil(
        [&] {
            return connection.interface()
                ->isServiceRegistered(QStringLiteral("org.mpris.MediaPlayer2.mpv"))
                .value();
        },
        20000);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrivateSessionBus bus;
    if (!bus.IsRunning()) {
        std::fprintf(stderr, "control_bench: no dbus-daemon\n");
        return 1;
    }
    QDBusConnection connection = bus.Connect(QStringLiteral("control-bench"));
    ResolvingFigures(connection, bus.Address());

    {
        FakeMprisPlayer player(bus.Address(), QStringLiteral("audacious"), QString(), true);
        player.SetFigures(128000, 44100, 2);
        {
            platform::MprisMediaPlayer layer(connection, BenchTiming(), Audacious);
            WinampLink link(layer);
            link.DiscoveryStep();
            std::printf("readings refresh, scripted player with Audacious's Info: %.2f round "
                        "trips, %.3f ms\n",
                        RoundTrips(player, link), RefreshMilliseconds(link));
        }
        platform::PlayerCallTiming timing;
        timing.callTimeout = std::chrono::milliseconds(1000);
        platform::MprisMediaPlayer layer(connection, timing, Audacious);
        WinampLink link(layer);
        link.DiscoveryStep();

        player.Hang();
        std::printf("hung player, longest event-loop stall over ten refreshes (wait %d ms, "
                    "calls given up after %d ms): %.1f ms\n",
                    int(timing.wait.count()), int(timing.callTimeout.count()),
                    LongestHungStallMilliseconds(link));
        player.Resume();
    }

    QTemporaryDir folder;
    PacedStreamServer stream(MakeToneMp3(folder.path()), 128000 / 8);
    stream.Listen();
    {
        FakeMprisPlayer player(bus.Address(), QStringLiteral("mpv"));
        player.SetStatus(QStringLiteral("Playing"));
        player.SetUrl(stream.Url());
        platform::MprisMediaPlayer layer(connection, BenchTiming(), Mpv);
        WinampLink link(layer);
        link.DiscoveryStep();
        RunLoopUntil([&] { return link.BitRate() == 128; }, 20000);
        std::printf("readings refresh, scripted player without Info, figures from the stream: "
                    "%.2f round trips, %.3f ms\n",
                    RoundTrips(player, link), RefreshMilliseconds(link));
    }

    AudaciousFixture audacious;
    if (AudaciousFixture::IsInstalled() && audacious.Start(bus.Address(), connection) &&
        audacious.Enqueue(connection, stream.Url())) {
        platform::MprisMediaPlayer layer(connection, BenchTiming(), Audacious);
        WinampLink link(layer);
        link.DiscoveryStep();
        link.StartPlaying();
        RunLoopUntil([&] { return link.BitRate() == 128; }, 20000);
        std::printf("readings refresh, Audacious playing (%d kbit/s): %.3f ms\n", link.BitRate(),
                    RefreshMilliseconds(link));
        audacious.Stop();
    } else {
        std::printf("readings refresh, Audacious: not measured (not installed or did not start)\n");
    }

    QProcess mpv;
    if (StartMpv(mpv, folder.path(), bus.Address(), stream.Url(), connection)) {
        platform::MprisMediaPlayer layer(connection, BenchTiming(), Mpv);
        WinampLink link(layer);
        link.DiscoveryStep();
        RunLoopUntil([&] { return link.BitRate() == 128; }, 20000);
        std::printf("readings refresh, mpv playing (%d kbit/s): %.3f ms\n", link.BitRate(),
                    RefreshMilliseconds(link));
    } else {
        std::printf("readings refresh, mpv: not measured (not installed or did not start)\n");
    }
    EndProcess(mpv);
    return 0;
}
