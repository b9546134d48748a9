#include "recording_media_player.h"
#include "winamp_link.h"

#include <QtTest>

using Call = RecordingMediaPlayer::Call;
using Verb = RecordingMediaPlayer::Verb;

class WinampLinkTest final : public QObject
{
    Q_OBJECT

private slots:
    // Idle passes look Winamp up until it is there, then greet it with exactly
    // one play-state query and never look again.
    void discoveryFindsOnceAndQueriesOnce()
    {
        RecordingMediaPlayer player;
        WinampLink link(player);
        link.DiscoveryStep();
        link.DiscoveryStep();
        QCOMPARE(player.Lookups(), 2);
        QVERIFY(!link.Found());
        QCOMPARE(link.Handle(), platform::PlayerHandle(0));
        QVERIFY(player.Calls().isEmpty());

        player.SetPlayer(7);
        link.DiscoveryStep();
        QVERIFY(link.Found());
        QCOMPARE(link.Handle(), platform::PlayerHandle(7));
        for (int pass = 0; pass < 3; ++pass) {
            link.DiscoveryStep();
            link.LookUpWhileNotFound();
        }
        QCOMPARE(player.Lookups(), 3);
        QCOMPARE(player.Calls(), (QList<Call>{{7, Verb::Status}}));
    }

    // The timer's lookup stores what it finds, 0 included, but leaves the
    // flag and the greeting to the next idle pass.
    void timerLookupStoresHandleWithoutFlag()
    {
        RecordingMediaPlayer player;
        WinampLink link(player);
        player.SetPlayer(5);
        link.LookUpWhileNotFound();
        QCOMPARE(link.Handle(), platform::PlayerHandle(5));
        QVERIFY(!link.Found());
        player.SetPlayer(0);
        link.LookUpWhileNotFound();
        QCOMPARE(link.Handle(), platform::PlayerHandle(0));
        QVERIFY(player.Calls().isEmpty());

        player.SetPlayer(9);
        link.DiscoveryStep();
        QVERIFY(link.Found());
        QCOMPARE(player.Calls(), (QList<Call>{{9, Verb::Status}}));
    }

    // Clearing the flag (first-idle initialisation) lets the next pass look again.
    void clearingTheFlagRestartsDiscovery()
    {
        RecordingMediaPlayer player;
        WinampLink link(player);
        player.SetPlayer(3);
        link.DiscoveryStep();
        link.ClearFound();
        player.SetPlayer(4);
        link.DiscoveryStep();
        QCOMPARE(link.Handle(), platform::PlayerHandle(4));
        QCOMPARE(player.Lookups(), 2);
    }

    // Each of the eight senders is one verb of the player, and the figures
    // come back on Winamp's scales (kbit/s, kHz).
    void eachSenderIsOneVerb()
    {
        RecordingMediaPlayer player;
        player.SetPlayer(11);
        player.SetFigures({128000, 44100, 2});
        player.SetStatus(platform::PlayStatus::Paused);
        WinampLink link(player);
        link.LookUpWhileNotFound();

        link.StartPlaying();
        QCOMPARE(link.PlayStateQuery(), 3);
        link.SetVolume(204);
        QCOMPARE(link.SampleRate(), 44);
        QCOMPARE(link.BitRate(), 128);
        QCOMPARE(link.ChannelCount(), 2);
        link.Pause();
        link.Stop();
        QCOMPARE(player.Calls(), (QList<Call>{{11, Verb::Play},
                                              {11, Verb::Status},
                                              {11, Verb::SetVolume, 0.8},
                                              {11, Verb::Figures},
                                              {11, Verb::Figures},
                                              {11, Verb::Figures},
                                              {11, Verb::Pause},
                                              {11, Verb::Stop}}));
    }

    // A volume outside Winamp's 0..255 scale is clamped to the player's 0..1.
    void volumeIsClamped()
    {
        RecordingMediaPlayer player;
        WinampLink link(player);
        link.SetVolume(-5);
        link.SetVolume(300);
        QCOMPARE(player.Calls(),
                 (QList<Call>{{0, Verb::SetVolume, 0.0}, {0, Verb::SetVolume, 1.0}}));
    }

    // With no player known the verbs still go out, to handle 0, and the
    // figures read 0.
    void sendsToNoPlayerWhileNoneKnown()
    {
        RecordingMediaPlayer player;
        player.SetFigures({128000, 44100, 2});
        WinampLink link(player);
        QCOMPARE(link.BitRate(), 0);
        link.Stop();
        QCOMPARE(player.Calls(), (QList<Call>{{0, Verb::Figures}, {0, Verb::Stop}}));
    }
};

QTEST_GUILESS_MAIN(WinampLinkTest)
#include "winamp_link_test.moc"
