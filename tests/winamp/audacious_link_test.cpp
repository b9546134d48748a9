#include "audacious_fixture.h"
#include "event_loop_wait.h"
#include "mpris_media_player.h"
#include "private_session_bus.h"
#include "winamp_link.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>
#include <memory>

// The Winamp link driving a real, headless Audacious on a bus of the test's own.
class AudaciousLinkTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateSessionBus> bus_;
    AudaciousFixture audacious_;
    QTemporaryDir workspace_;
    std::unique_ptr<platform::MprisMediaPlayer> layer_;
    std::unique_ptr<WinampLink> link_;

    QDBusConnection Client() const { return QDBusConnection(QStringLiteral("audacious-client")); }

    // Read straight from Audacious, not through the code under test.
    QVariant PlayerProperty(const QString& name) const
    {
        return AudaciousFixture::PlayerProperty(Client(), name);
    }
    QString Status() const { return PlayerProperty(QStringLiteral("PlaybackStatus")).toString(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(AudaciousFixture::IsInstalled(), "audacious is not installed");
        QVERIFY(workspace_.isValid());
        bus_ = std::make_unique<PrivateSessionBus>();
        QVERIFY(bus_->IsRunning());
        QVERIFY(bus_->Connect(QStringLiteral("audacious-client")).isConnected());
        QVERIFY2(audacious_.Start(bus_->Address(), Client()), qPrintable(audacious_.Output()));
        // Audacious is the desktop's ".pls" application here, whatever this
        // machine's own associations say.
        layer_ = std::make_unique<platform::MprisMediaPlayer>(
            Client(), platform::PlayerCallTiming(),
            [] { return QStringLiteral("audacious.desktop"); });
        link_ = std::make_unique<WinampLink>(*layer_);
    }

    void cleanupTestCase()
    {
        link_.reset();
        layer_.reset();
        audacious_.Stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("audacious-client"));
    }

    // The layer finds Audacious as the player, and with nothing playing the three
    // readings are 0.
    void foundAndIdleReadingsAreZero()
    {
        link_->DiscoveryStep();
        QVERIFY(link_->Found());
        QCOMPARE(link_->PlayStateQuery(), 0);
        QCOMPARE(link_->BitRate(), 0);
        QCOMPARE(link_->SampleRate(), 0);
        QCOMPARE(link_->ChannelCount(), 0);
    }

    // Play, pause, stop and volume change Audacious's real state, and a
    // playing stream gives its real figures.
    void controlsRealPlayback()
    {
        PacedStreamServer stream(MakeToneMp3(workspace_.path()), 128000 / 8);
        QVERIFY(stream.Listen());
        QVERIFY(audacious_.Enqueue(Client(), stream.Url()));

        link_->StartPlaying();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Playing"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(link_->BitRate(), 128, 20000);
        QCOMPARE(link_->SampleRate(), 44);
        QCOMPARE(link_->ChannelCount(), 2);
        QCOMPARE(link_->PlayStateQuery(), 1);

        link_->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Paused"), 10000);
        QCOMPARE(link_->PlayStateQuery(), 3);
        link_->Pause();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Playing"), 10000);

        link_->SetVolume(128);
        QTRY_VERIFY_WITH_TIMEOUT(
            qAbs(PlayerProperty(QStringLiteral("Volume")).toDouble() - 128 / 255.0) < 0.02, 10000);
        link_->SetVolume(255);
        QTRY_VERIFY_WITH_TIMEOUT(
            qAbs(PlayerProperty(QStringLiteral("Volume")).toDouble() - 1.0) < 0.02, 10000);

        link_->Stop();
        QTRY_COMPARE_WITH_TIMEOUT(Status(), QStringLiteral("Stopped"), 10000);
        QCOMPARE(link_->PlayStateQuery(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(link_->BitRate(), 0, 10000);
    }
};

QTEST_GUILESS_MAIN(AudaciousLinkTest)
#include "audacious_link_test.moc"
