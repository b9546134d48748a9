#include "recording_window_messages.h"
#include "winamp_link.h"

#include <QtTest>

using platform::WM_COMMAND;
using platform::WM_USER;
using Sent = RecordingWindowMessages::Sent;

class WinampLinkTest final : public QObject
{
    Q_OBJECT

private slots:
    // Idle passes look Winamp up until it is there, then greet it with exactly
    // one play-state query and never look again.
    void discoveryFindsOnceAndQueriesOnce()
    {
        RecordingWindowMessages messages;
        WinampLink link(messages);
        link.DiscoveryStep();
        link.DiscoveryStep();
        QCOMPARE(messages.Lookups(), 2);
        QCOMPARE(messages.LastClassName(), QStringLiteral("Winamp v1.x"));
        QVERIFY(!link.Found());
        QCOMPARE(link.Handle(), platform::WindowHandle(0));
        QVERIFY(messages.SentMessages().isEmpty());

        messages.SetWindow(7);
        link.DiscoveryStep();
        QVERIFY(link.Found());
        QCOMPARE(link.Handle(), platform::WindowHandle(7));
        for (int pass = 0; pass < 3; ++pass) {
            link.DiscoveryStep();
            link.LookUpWhileNotFound();
        }
        QCOMPARE(messages.Lookups(), 3);
        QCOMPARE(messages.SentMessages(), (QList<Sent>{{7, WM_USER, 0, 104}}));
    }

    // The timer's lookup stores what it finds, 0 included, but leaves the
    // flag and the greeting to the next idle pass.
    void timerLookupStoresHandleWithoutFlag()
    {
        RecordingWindowMessages messages;
        WinampLink link(messages);
        messages.SetWindow(5);
        link.LookUpWhileNotFound();
        QCOMPARE(link.Handle(), platform::WindowHandle(5));
        QVERIFY(!link.Found());
        messages.SetWindow(0);
        link.LookUpWhileNotFound();
        QCOMPARE(link.Handle(), platform::WindowHandle(0));
        QVERIFY(messages.SentMessages().isEmpty());

        messages.SetWindow(9);
        link.DiscoveryStep();
        QVERIFY(link.Found());
        QCOMPARE(messages.SentMessages(), (QList<Sent>{{9, WM_USER, 0, 104}}));
    }

    // Clearing the flag (first-idle initialisation) lets the next pass look again.
    void clearingTheFlagRestartsDiscovery()
    {
        RecordingWindowMessages messages;
        WinampLink link(messages);
        messages.SetWindow(3);
        link.DiscoveryStep();
        link.ClearFound();
        messages.SetWindow(4);
        link.DiscoveryStep();
        QCOMPARE(link.Handle(), platform::WindowHandle(4));
        QCOMPARE(messages.Lookups(), 2);
    }

    // Each sender puts Winamp's own message on the wire and hands back the
    // answers of the three figure queries.
    void sendersSpeakWinampMessages()
    {
        RecordingWindowMessages messages;
        messages.SetWindow(11);
        messages.SetAnswer(WM_USER, 0, 126, 44);
        messages.SetAnswer(WM_USER, 1, 126, 128);
        messages.SetAnswer(WM_USER, 2, 126, 2);
        messages.SetAnswer(WM_USER, 0, 104, 3);
        WinampLink link(messages);
        link.LookUpWhileNotFound();

        link.StartPlaying();
        QCOMPARE(link.PlayStateQuery(), 3);
        link.SetVolume(200);
        QCOMPARE(link.SampleRate(), 44);
        QCOMPARE(link.BitRate(), 128);
        QCOMPARE(link.ChannelCount(), 2);
        link.Pause();
        link.Stop();
        QCOMPARE(messages.SentMessages(), (QList<Sent>{{11, WM_USER, 0, 102},
                                                       {11, WM_USER, 0, 104},
                                                       {11, WM_USER, 200, 122},
                                                       {11, WM_USER, 0, 126},
                                                       {11, WM_USER, 1, 126},
                                                       {11, WM_USER, 2, 126},
                                                       {11, WM_COMMAND, 40046, 0},
                                                       {11, WM_COMMAND, 40047, 0}}));
    }

    // A volume outside Winamp's 0..255 scale is clamped rather than wrapped
    // into a huge unsigned value.
    void volumeIsClamped()
    {
        RecordingWindowMessages messages;
        WinampLink link(messages);
        link.SetVolume(-5);
        link.SetVolume(300);
        QCOMPARE(messages.SentMessages(),
                 (QList<Sent>{{0, WM_USER, 0, 122}, {0, WM_USER, 255, 122}}));
    }

    // With no Winamp known the messages still go out, to handle 0, and the
    // figures read 0.
    void sendsToNoWindowWhileNoneKnown()
    {
        RecordingWindowMessages messages;
        messages.SetAnswer(WM_USER, 1, 126, 128);
        WinampLink link(messages);
        QCOMPARE(link.BitRate(), 0);
        link.Stop();
        QCOMPARE(messages.SentMessages(),
                 (QList<Sent>{{0, WM_USER, 1, 126}, {0, WM_COMMAND, 40047, 0}}));
    }
};

QTEST_GUILESS_MAIN(WinampLinkTest)
#include "winamp_link_test.moc"
