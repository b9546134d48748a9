#include "application.h"
#include "audacious_fixture.h"
#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "last_opened_playlist.h"
#include "mpris_media_player.h"
#include "private_session_bus.h"
#include "recording_shell.h"
#include "shown_window.h"
#include "stream_fixture.h"
#include "test_files.h"
#include "test_main.h"
#include "winamp_link.h"
#include "xdg_shell.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <memory>

namespace {

const QString kConnection = QStringLiteral("control-e2e");

} // namespace

// The whole road of a station with real programs: an Icecast radio on
// loopback, the desktop's ".pls" application started by the shell, a headless
// Audacious as the player, and the real main window driving it; and the
// readings of a player that reports no figures, read from the stream.
class ControlEndToEndTest final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workspace_;
    std::unique_ptr<PrivateSessionBus> bus_;
    IcecastStreamFixture radio_;
    AudaciousFixture audacious_;
    QElapsedTimer volumeRightSince_;

    QDBusConnection Bus() const { return QDBusConnection(kConnection); }

    // Read straight from Audacious, not through the code under test.
    QVariant PlayerProperty(const QString& name) const
    {
        return AudaciousFixture::PlayerProperty(Bus(), name);
    }
    QString Status() const { return PlayerProperty(QStringLiteral("PlaybackStatus")).toString(); }

    FixedPaths InstallStation(const QString& folder) const
    {
        return InstallLoopbackStation(workspace_.path() + QLatin1Char('/') + folder, radio_.Url());
    }

    // True once the player's volume has read `wanted` for a whole second: a
    // value that only shows for a moment and then falls back does not count.
    bool VolumeSettledAt(double wanted)
    {
        if (qAbs(PlayerProperty(QStringLiteral("Volume")).toDouble() - wanted) >= 0.02) {
            volumeRightSince_.invalidate();
            return false;
        }
        if (!volumeRightSince_.isValid())
            volumeRightSince_.start();
        return volumeRightSince_.elapsed() >= 1000;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!IcecastStreamFixture::IsInstalled())
            QSKIP("icecast2, ezstream, sox or lame is missing");
        QVERIFY(workspace_.isValid());
        // The Audacious the shell starts, and the one it wakes, must meet on
        // the test's bus, and the shell must find the test's own ".pls"
        // association (read once, when first asked).
        bus_ = SessionBusForChildren(kConnection);
        QVERIFY(bus_);
        const QString config = workspace_.path() + QStringLiteral("/config");
        QVERIFY(QDir().mkpath(config));
        QVERIFY(WriteFile(config + QStringLiteral("/mimeapps.list"),
                          "[Default Applications]\naudio/x-scpls=audacious.desktop\n"));
        qputenv("XDG_CONFIG_HOME", config.toUtf8());

        QVERIFY2(radio_.Start(60000), qPrintable(radio_.Diagnostics()));
    }

    // A player without Audacious's figure interface, playing the radio: the
    // window shows the stream's own figures in green, from the address the
    // player reports and, when it reports none, from the playlist handed over.
    void figuresReadFromTheStream()
    {
        // The desktop's ".pls" player is this one, not Audacious.
        const auto plain = [] { return QStringLiteral("plain.desktop"); };
        FakeMprisPlayer player(bus_->Address(), QStringLiteral("plain"));
        QVERIFY(player.IsOnBus());
        player.SetStatus(QStringLiteral("Playing"));
        player.SetUrl(radio_.Url());

        const FixedPaths paths = InstallStation(QStringLiteral("plain-root"));
        RecordingShell shell;
        platform::MprisMediaPlayer layer(Bus(), platform::PlayerCallTiming(), plain);
        // A second layer, for the playlist the shell is handed.
        platform::LastOpenedPlaylist opened;
        platform::MprisMediaPlayer fallback(Bus(), platform::PlayerCallTiming(), plain);
        fallback.SetLastOpenedPlaylist(&opened);
        ShownWindow shown(paths, shell, layer);
        QVERIFY(RunLoopUntil([&] { return shown.window.winamp().Found(); }, 20000));
        shown.ListenToFirstStation();
        QVERIFY2(RunLoopUntil([&] { return shown.ShowsFigures(); }, 30000),
                 qPrintable(shown.Readings()));

        // Without the player's word, the playlist the shell was handed says
        // what plays; a layer of its own probes it afresh.
        player.SetUrl(QString());
        QCOMPARE(shell.files(), QStringList{paths.PlaylistFile(0)});
        opened.Record(shell.files().constLast(), plain());
        WinampLink link(fallback);
        link.DiscoveryStep();
        QVERIFY(RunLoopUntil(
            [&] {
                return link.BitRate() == 128 && link.SampleRate() == 44 && link.ChannelCount() == 2;
            },
            30000));
    }

    void cleanupTestCase()
    {
        audacious_.Stop();
        radio_.Stop();
        QDBusConnection::disconnectFromBus(kConnection);
    }

    // Listening to an installed station on the real window ends with the
    // stream's true figures, all green, and the transport buttons and the
    // volume bar change the player's real state.
    void listenAndControlARealStation()
    {
        if (!AudaciousFixture::IsInstalled())
            QSKIP("audacious is missing");
        QVERIFY2(audacious_.Start(bus_->Address(), Bus(), 60000), qPrintable(audacious_.Output()));
        const FixedPaths paths = InstallStation(QStringLiteral("root"));

        // Audacious runs already: the station is handed to it as the program does.
        platform::LastOpenedPlaylist opened;
        platform::MprisMediaPlayer layer(Bus());
        layer.SetLastOpenedPlaylist(&opened);
        platform::XdgShell shell(&opened, &layer);
        ShownWindow shown(paths, shell, layer);
        Ttunely& window = shown.window;
        const Ui::ControlPage& control = shown.control;
        QVERIFY(RunLoopUntil(
            [&] { return !shown.ui.startup->isChecked() && window.winamp().Found(); }, 20000));
        QCOMPARE(shown.radios.list->count(), 1);

        shown.ListenToFirstStation();
        QCOMPARE(shown.ui.silnik->ActivePage(), QStringLiteral("Winamp control"));
        QCOMPARE(control.aktnazwa->text(), QStringLiteral("Loopback FM"));
        QCOMPARE(control.aktopis->text(), QStringLiteral("A tone"));

        // The window's own 3 s timer brings the figures in once the stream plays.
        const bool figures = RunLoopUntil([&] { return shown.ShowsFigures(); }, 60000);
        QVERIFY2(figures, qPrintable(shown.Readings() + " status " + Status()));
        const QByteArray shots = qgetenv("WAVEDOCK_SHOTS_DIR");
        if (!shots.isEmpty())
            window.grab().save(QString::fromLocal8Bit(shots) + "/control-readings.png");

        QTest::mouseClick(control.SpeedButton2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Paused"), 10000);
        QTest::mouseClick(control.SpeedButton1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Playing"), 10000);

        // Dragging the bar sets the player's volume, and it stays set.
        for (const int position : {51, 255}) {
            volumeRightSince_.invalidate();
            control.glosnosc->setSliderPosition(position);
            QTRY_VERIFY_WITH_TIMEOUT(VolumeSettledAt(position / 255.0), 10000);
        }

        QTest::mouseClick(control.SpeedButton3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Stopped"), 10000);
        QVERIFY(RunLoopUntil([&] { return control.brate->text() == QLatin1String("0"); }, 15000));
        QCOMPARE(control.brate->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    }
};

WAVEDOCK_TEST_MAIN(ControlEndToEndTest)

#include "control_e2e_test.moc"
