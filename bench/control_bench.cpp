// The cost of one readings refresh (three stream queries) against a scripted
// player and against a real Audacious, and the longest the window is held when
// the player stops answering.
#include "audacious_fixture.h"
#include "catalogue_store.h"
#include "control_page.h"
#include "fake_mpris_player.h"
#include "fake_web_browser.h"
#include "mpris_window_messages.h"
#include "private_session_bus.h"
#include "recording_shell.h"
#include "winamp_link.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRefreshes = 200;

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

// The control page on plain widgets, ticking by hand against a frozen player:
// the longest single tick is how long the window cannot repaint.
double WorstHungTickMilliseconds(WinampLink& link)
{
    QTemporaryDir dir;
    CatalogueStore catalogue(FixedPaths::Under(dir.path()));
    RecordingShell shell;
    FakeWebBrowser browser;
    QWidget form;
    ControlWidgets widgets{new QToolButton(&form), new QToolButton(&form), new QToolButton(&form),
                           new QToolButton(&form), new QSlider(&form),     new QPushButton(&form),
                           new QLineEdit(&form),   new QLineEdit(&form),   new QLabel(&form),
                           new QLabel(&form),      new QLabel(&form)};
    ControlPage page(widgets,
                     ControlPageContext{link, catalogue, shell, browser, [](const QString&) {},
                                        QStringLiteral("Browser: bench")},
                     nullptr);
    double worst = 0;
    for (int tick = 0; tick < 10; ++tick) {
        QElapsedTimer clock;
        clock.start();
        page.Timer1Timer();
        worst = std::max(worst, double(clock.nsecsElapsed()) / 1e6);
        QApplication::processEvents();
    }
    return worst;
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
        platform::MprisWindowMessages messages(connection);
        WinampLink link(messages);
        link.DiscoveryStep();
        std::printf("readings refresh, scripted player: %.3f ms\n", RefreshMilliseconds(link));

        player.Hang();
        std::printf("worst tick with a hung player (link timeout 300 ms): %.1f ms\n",
                    WorstHungTickMilliseconds(link));
        player.Resume();
    }

    AudaciousFixture audacious;
    if (AudaciousFixture::IsInstalled() && audacious.Start(bus.Address(), connection)) {
        platform::MprisWindowMessages messages(connection);
        WinampLink link(messages);
        link.DiscoveryStep();
        std::printf("readings refresh, idle Audacious: %.3f ms\n", RefreshMilliseconds(link));
        audacious.Stop();
    } else {
        std::printf("readings refresh, Audacious: not measured (not installed or did not start)\n");
    }
    return 0;
}
