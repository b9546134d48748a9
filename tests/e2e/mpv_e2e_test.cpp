#include "audacious_fixture.h"
#include "event_loop_wait.h"
#include "fake_mpris_player.h"
#include "last_opened_playlist.h"
#include "mpris_media_player.h"
#include "playing_address.h"
#include "playlist_application.h"
#include "private_session_bus.h"
#include "shown_window.h"
#include "stream_fixture.h"
#include "test_files.h"
#include "test_main.h"
#include "xdg_shell.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <memory>
#include <signal.h>

namespace {

const QString kConnection = QStringLiteral("mpv-e2e");
const QString kMpvPrefix = QStringLiteral("org.mpris.MediaPlayer2.mpv");

} // namespace

// mpv with its MPRIS plugin as the desktop's ".pls" player, started by the
// shell from its own desktop entry as a desktop would (so it ends on Stop),
// playing an Icecast radio on loopback into a null audio device, driven by
// the real main window.
class MpvEndToEndTest final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workspace_;
    std::unique_ptr<PrivateSessionBus> bus_;
    IcecastStreamFixture radio_;
    QList<uint> processes_; // every mpv seen, to end what the test started

    QDBusConnection Bus() const { return QDBusConnection(kConnection); }
    QString Path(const QString& relative) const { return workspace_.filePath(relative); }

    // The bus name of the running mpv, empty when none runs.
    QString Mpv()
    {
        const QStringList names = Bus().interface()->registeredServiceNames().value();
        for (const QString& name : names) {
            if (!name.startsWith(kMpvPrefix))
                continue;
            const uint process = Bus().interface()->servicePid(name).value();
            if (process != 0 && !processes_.contains(process))
                processes_ << process;
            return name;
        }
        return QString();
    }
    QString MpvUniqueName()
    {
        const QString name = Mpv();
        return name.isEmpty() ? QString() : Bus().interface()->serviceOwner(name).value();
    }
    // Read straight from mpv; "gone" when no mpv runs.
    QString MpvStatus()
    {
        const QString name = Mpv();
        return name.isEmpty()
                   ? QStringLiteral("gone")
                   : MprisPlayerProperty(Bus(), name, QStringLiteral("PlaybackStatus")).toString();
    }
    // How many mpv players are on the bus.
    int MpvCount()
    {
        const QStringList names = Bus().interface()->registeredServiceNames().value();
        return int(std::count_if(names.cbegin(), names.cend(),
                                 [](const QString& name) { return name.startsWith(kMpvPrefix); }));
    }
    QUrl MpvAddress()
    {
        return platform::PlayingAddress(
            MprisPlayerProperty(Bus(), Mpv(), QStringLiteral("Metadata")));
    }
    double MpvVolume()
    {
        return MprisPlayerProperty(Bus(), Mpv(), QStringLiteral("Volume")).toDouble();
    }

    // Names mpv in the user's mimeapps.list, or names nothing; either way GIO
    // must then answer mpv (it sees the change through its file monitors).
    void NameMpvTheDefault(bool named)
    {
        const QString list = Path(QStringLiteral("config/mimeapps.list"));
        if (named)
            QVERIFY(WriteFile(list, "[Default Applications]\naudio/x-scpls=mpv.desktop\n"));
        else
            QFile::remove(list);
        QTRY_COMPARE(platform::PlaylistApplicationId(), QStringLiteral("mpv.desktop"));
    }

    // Listens to the station and waits until mpv plays it and the window
    // shows its figures in green.
    void ListenUntilPlaying(ShownWindow& shown)
    {
        // The first idle pass fills the list.
        QVERIFY(RunLoopUntil([&] { return shown.radios.list->count() == 1; }, 20000));
        shown.ListenToFirstStation();
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Playing"), 60000);
        QVERIFY2(RunLoopUntil([&] { return shown.ShowsFigures(); }, 60000),
                 qPrintable(shown.Readings()));
    }

    // The layers the product wires in main(), on the test's bus, and the
    // real window over them on one installed station.
    struct Desktop
    {
        Desktop(const QDBusConnection& bus, const FixedPaths& paths)
            : player(bus), shell(&opened, &player), shown(paths, shell, player)
        {
            player.SetLastOpenedPlaylist(&opened);
        }
        platform::LastOpenedPlaylist opened;
        platform::MprisMediaPlayer player;
        platform::XdgShell shell;
        ShownWindow shown;
    };
    FixedPaths Station(const QString& folder) const
    {
        return InstallLoopbackStation(Path(folder), radio_.Url());
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("mpv")).isEmpty() ||
            !QFile::exists(QStringLiteral("/etc/mpv/scripts/mpris.so")))
            QSKIP("mpv or mpv-mpris is missing (scripts/install-deps)");
        if (!IcecastStreamFixture::IsInstalled())
            QSKIP("icecast2, ezstream, sox or lame is missing");
        QVERIFY(workspace_.isValid());
        // The mpv the shell starts meets the test on the test's bus, plays
        // into nothing, and the desktop's associations are the test's own
        // (GIO reads where they are once, when first asked).
        bus_ = SessionBusForChildren(kConnection);
        QVERIFY(bus_);
        qputenv("XDG_CONFIG_HOME", Path(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", Path(QStringLiteral("data")).toUtf8());
        QVERIFY(QDir().mkpath(Path(QStringLiteral("config/mpv"))));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("data/applications"))));
        QVERIFY(WriteFile(Path(QStringLiteral("config/mpv/mpv.conf")), "ao=null\nvo=null\n"));
        QVERIFY2(radio_.Start(60000), qPrintable(radio_.Diagnostics()));
    }

    void cleanup()
    {
        for (const uint process : std::as_const(processes_))
            ::kill(pid_t(process), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(Mpv().isEmpty(), 10000);
        processes_.clear();
    }

    void cleanupTestCase()
    {
        radio_.Stop();
        QDBusConnection::disconnectFromBus(kConnection);
    }

    // (a) The desktop names mpv for ".pls" files: Listen starts it on the
    // station, the readings turn green, and each button does its work on it.
    void defaultNamedDrivesMpv()
    {
        NameMpvTheDefault(true);
        Desktop desktop(Bus(), Station(QStringLiteral("a")));
        ShownWindow& shown = desktop.shown;
        ListenUntilPlaying(shown);
        QVERIFY(shown.window.winamp().Found());

        QTest::mouseClick(shown.control.SpeedButton2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Paused"), 10000);
        QTest::mouseClick(shown.control.SpeedButton1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Playing"), 10000);
        for (const int position : {51, 255}) {
            shown.control.glosnosc->setSliderPosition(position);
            QTRY_VERIFY_WITH_TIMEOUT(qAbs(MpvVolume() - position / 255.0) < 0.02, 10000);
        }

        // mpv started from its desktop entry ends on Stop: that is no player,
        // not a fault, and Play then finds nothing to start.
        QTest::mouseClick(shown.control.SpeedButton3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("gone"), 10000);
        QVERIFY(RunLoopUntil([&] { return shown.ShowsNoPlayer(); }, 15000));
        QTest::mouseClick(shown.control.SpeedButton1, Qt::LeftButton);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QCOMPARE(MpvStatus(), QStringLiteral("gone"));
    }

    // (b) No default named, the user's application database lists mpv, and a
    // web browser's player is on the bus first by name: mpv is driven, the
    // browser receives nothing.
    void databaseChoiceDrivesMpvNotTheBrowser()
    {
        QVERIFY(WriteFile(Path(QStringLiteral("data/applications/mimeinfo.cache")),
                          "[MIME Cache]\naudio/x-scpls=mpv.desktop;\n"));
        NameMpvTheDefault(false);
        FakeMprisPlayer browser(bus_->Address(), QStringLiteral("chromium.instance4242"),
                                QStringLiteral("chromium"));
        QVERIFY(browser.IsOnBus());
        browser.SetStatus(QStringLiteral("Playing"));
        Desktop desktop(Bus(), Station(QStringLiteral("b")));
        ShownWindow& shown = desktop.shown;
        ListenUntilPlaying(shown);

        QTest::mouseClick(shown.control.SpeedButton2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Paused"), 10000);
        shown.control.glosnosc->setSliderPosition(102);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(MpvVolume() - 0.4) < 0.02, 10000);
        QTest::mouseClick(shown.control.SpeedButton3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("gone"), 10000);
        QCOMPARE(browser.Log().filter(QRegularExpression(QStringLiteral("^(Play|Pause|Stop|Set)"))),
                 QStringList());
        QCOMPARE(browser.Status(), QStringLiteral("Playing"));
    }

    // (c) mpv quits on Stop and the next Listen starts it again: the buttons
    // reach the new mpv, Eject included.
    void restartedMpvIsDriven()
    {
        NameMpvTheDefault(true);
        Desktop desktop(Bus(), Station(QStringLiteral("c")));
        ShownWindow& shown = desktop.shown;
        ListenUntilPlaying(shown);
        const QString first = MpvUniqueName();
        QTest::mouseClick(shown.control.SpeedButton3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("gone"), 10000);

        ListenUntilPlaying(shown);
        QVERIFY(MpvUniqueName() != first);
        QTest::mouseClick(shown.control.SpeedButton2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Paused"), 10000);
        QTest::mouseClick(shown.control.SpeedButton1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Playing"), 10000);
        QTest::mouseClick(shown.control.SpeedButton4, Qt::LeftButton);
        QCOMPARE(shown.ui.silnik->ActivePage(), QStringLiteral("Installed radios"));
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("gone"), 10000);
    }

    // (d) A second Listen while mpv plays goes to that same mpv, which plays
    // the new station, reads green and still takes the buttons: one process.
    void secondListenKeepsOneMpv()
    {
        NameMpvTheDefault(true);
        const FixedPaths paths = Station(QStringLiteral("d"));
        Desktop desktop(Bus(), paths);
        ShownWindow& shown = desktop.shown;
        ListenUntilPlaying(shown);
        const QString first = MpvUniqueName();

        const QString next = radio_.Url() + QStringLiteral("?next");
        QVERIFY(WriteFile(paths.PlaylistFile(0), "[playlist]\nFile1=" + next.toUtf8() + "\n"));
        QElapsedTimer clock;
        clock.start();
        shown.ListenToFirstStation();
        QTRY_COMPARE_WITH_TIMEOUT(MpvAddress(), QUrl(next), 30000);
        qInfo("second Listen: new station playing after %lld ms", clock.elapsed());
        QVERIFY2(RunLoopUntil([&] { return shown.ShowsFigures(); }, 60000),
                 qPrintable(shown.Readings()));
        QCOMPARE(MpvUniqueName(), first);
        QCOMPARE(MpvCount(), 1);
        QTest::mouseClick(shown.control.SpeedButton2, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(MpvStatus(), QStringLiteral("Paused"), 10000);
    }
};

WAVEDOCK_TEST_MAIN(MpvEndToEndTest)

#include "mpv_e2e_test.moc"
