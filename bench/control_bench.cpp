// The cost of one readings refresh (three stream queries) against a scripted
// player and against a real Audacious, and the longest the event loop stalls
// over ten refreshes when the player stops answering.
#include "audacious_fixture.h"
#include "catalogue_store.h"
#include "control_page.h"
#include "event_loop_stall.h"
#include "fake_mpris_player.h"
#include "mpris_window_messages.h"
#include "private_session_bus.h"
#include "recording_shell.h"
#include "winamp_link.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kRefreshes = 200;

// Refreshes run back to back here; a window that keeps no answer between two
// queries shows what each of them costs (a real 3 s refresh shares one).
platform::PlayerCallTiming AskingEveryTime()
{
    platform::PlayerCallTiming timing;
    timing.refresh = std::chrono::milliseconds(0);
    return timing;
}

double RefreshMilliseconds(WinampLink& link)
{
    QElapsedTimer clock;
    clock.start();
    for (int refresh = 0; refresh < kRefreshes; ++refresh) {
        link.BitRate();
        link.SampleRate();
        link.ChannelCount();
    }
    return double(clock.nsecsElapsed()) / 1e6 / kRefreshes;
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

    {
        FakeMprisPlayer player(bus.Address(), QStringLiteral("audacious"), QString(), true);
        player.SetFigures(128000, 44100, 2);
        {
            platform::MprisWindowMessages messages(connection, AskingEveryTime());
            WinampLink link(messages);
            link.DiscoveryStep();
            std::printf("readings refresh, scripted player, three round trips: %.3f ms\n",
                        RefreshMilliseconds(link));
        }
        platform::PlayerCallTiming timing;
        timing.callTimeout = std::chrono::milliseconds(1000);
        platform::MprisWindowMessages messages(connection, timing);
        WinampLink link(messages);
        link.DiscoveryStep();

        player.Hang();
        std::printf("hung player, longest event-loop stall over ten refreshes (wait %d ms, "
                    "calls given up after %d ms): %.1f ms\n",
                    int(timing.wait.count()), int(timing.callTimeout.count()),
                    LongestHungStallMilliseconds(link));
        player.Resume();
    }

    AudaciousFixture audacious;
    if (AudaciousFixture::IsInstalled() && audacious.Start(bus.Address(), connection)) {
        platform::MprisWindowMessages messages(connection, AskingEveryTime());
        WinampLink link(messages);
        link.DiscoveryStep();
        std::printf("readings refresh, idle Audacious, three round trips: %.3f ms\n",
                    RefreshMilliseconds(link));
        audacious.Stop();
    } else {
        std::printf("readings refresh, Audacious: not measured (not installed or did not start)\n");
    }
    return 0;
}
