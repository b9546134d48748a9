#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "mpris_media_player.h"
#include "private_session_bus.h"
#include "recording_shell.h"
#include "shown_window.h"
#include "test_main.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// What a station plays, from a scripted MPRIS player through the real player
// layer to the real window's notification-area tip and "Now playing" box.
class NowPlayingTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void titleChangesReachTheTip_data()
    {
        QTest::addColumn<bool>("tellsChanges");
        QTest::newRow("player tells") << true;
        QTest::newRow("player keeps quiet") << false;
    }
    // Each title the player names shows in the tip beside the station's name,
    // as one line within the tip's 63 characters, at once where the player
    // tells of it (the window's timer is stopped then) and by the next tick
    // where it does not; after Stop the tip is the program's own again.
    void titleChangesReachTheTip()
    {
        QFETCH(bool, tellsChanges);
        const QString programTip =
            QStringLiteral("Wavedock - internet radio manager for Winamp (R)");
        QTemporaryDir dir;
        const FixedPaths paths =
            InstallLoopbackStation(dir.path(), QStringLiteral("http://127.0.0.1:9/radio"));
        PrivateSessionBus bus;
        QVERIFY(bus.IsRunning());
        FakeMprisPlayer::Habits habits;
        habits.tellsChanges = tellsChanges;
        FakeMprisPlayer player(bus.Address(), QStringLiteral("audacious"), habits);
        QVERIFY(player.IsOnBus());
        platform::MprisMediaPlayer layer(bus.Connect(QTest::currentDataTag()),
                                         platform::PlayerCallTiming(),
                                         [] { return QStringLiteral("audacious.desktop"); });
        RecordingShell shell;
        ShownWindow shown(paths, shell, layer);
        const auto tip = [&] {
            const auto* last = shown.notificationArea.Last(FakeNotificationArea::Modified);
            return last ? last->tip : programTip;
        };
        QVERIFY(RunLoopUntil(
            [&] { return !shown.ui.startup->isChecked() && shown.window.winamp().Found(); }));
        if (tellsChanges)
            shown.window.timer()->stop();
        shown.ListenToFirstStation();
        player.SetStatus(QStringLiteral("Playing"));

        const QString note = QStringLiteral("\U0001F3B5"), etc = QChar(0x2026);
        // The box shows the track, the tip "Loopback FM: " and the track unless given.
        const struct
        {
            const char* what;
            QStringList artists;
            QString title, box, tip;
        } cases[] = {
            {"artist and title", {"Poets"}, "Sine", "Poets - Sine", {}},
            {"the radio's own title", {"Poets"}, "Poets - Square", "Poets - Square", {}},
            {"breaks, markup, a direction override",
             {"<b>B</b> & Co"},
             "Line\r\none\t\u202Eback",
             "<b>B</b> & Co - Line one back",
             {}},
            {"cut inside a surrogate pair",
             {},
             QString(48, 'x') + note + "tail",
             QString(48, 'x') + note + "tail",
             "Loopback FM: " + QString(48, 'x') + etc},
            {"a title as long as a book",
             {"Band"},
             QString(1'000'000, 'y'),
             "Band - " + QString(199, 'y') + etc,
             "Loopback FM: Band - " + QString(42, 'y') + etc},
            {"no title", {}, "", "", "Loopback FM"},
        };
        const int wait = tellsChanges ? 2000 : 8000;
        for (const auto& row : cases) {
            player.SetTrack(row.artists, row.title);
            const QString expected = row.tip.isNull() ? "Loopback FM: " + row.box : row.tip;
            QTRY_COMPARE_WITH_TIMEOUT(tip(), expected, wait);
            QVERIFY2(shown.control.nowPlaying->text() == row.box, row.what);
        }

        QTest::mouseClick(shown.control.SpeedButton3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(tip(), programTip, wait);
        QCOMPARE(shown.control.nowPlaying->text(), QString());
    }
};

WAVEDOCK_TEST_MAIN(NowPlayingTest)

#include "now_playing_test.moc"
