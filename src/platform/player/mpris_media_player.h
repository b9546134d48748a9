#pragma once

#include "media_player.h"
#include "player_calls.h"
#include "playlist_application.h"
#include "playlist_player.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class QDBusServiceWatcher;

namespace platform {

class LastOpenedPlaylist;
class MprisPeer;
class ReplyWait;
class StreamProbe;

// The desktop's ".pls" player driven over MPRIS2 on a D-Bus bus. The handle
// Find() gives stands for "the player of the application that opens ".pls"
// files" (see PlaylistApplication), not for one process: every call finds
// that player afresh, so when it quits and is started again (the next station
// handed over starts it), commands and readings reach the new one. A player of
// any other application, such as a web browser, is never driven. Calls are
// asynchronous and waited for briefly (see PlayerCalls): a hung player holds
// the window for one short wait per readings refresh at most. Figures come
// from Audacious's own interface in one answer; other players get theirs
// from the stream they play (see StreamProbe).
//
// A running player that says it opens http(s) addresses (SupportedUriSchemes)
// is handed the next station through its own OpenUri, so that one process
// plays it and stays the one driven (see OpenInRunningPlayer).
//
// What the player plays is followed through its PropertiesChanged signal
// (see MprisPeer); nothing of it is read from the stream.
class MprisMediaPlayer final : public QObject, public MediaPlayer, public PlaylistPlayer
{
    Q_OBJECT
public:
    // The ".pls" application, asked again after each readings refresh so
    // that a change of the desktop's choice counts at once.
    using ApplicationLookup = std::function<DesktopApplication()>;

    explicit MprisMediaPlayer(const QDBusConnection& bus,
                              const PlayerCallTiming& timing = PlayerCallTiming(),
                              ApplicationLookup application = nullptr, QObject* parent = nullptr);
    ~MprisMediaPlayer() override;
    Q_DISABLE_COPY_MOVE(MprisMediaPlayer)

    PlayerHandle Find() override;
    void Play(PlayerHandle player) override;
    void Pause(PlayerHandle player) override;
    void Stop(PlayerHandle player) override;
    void SetVolume(PlayerHandle player, double volume) override;
    StreamFigures Figures(PlayerHandle player) override;
    PlayStatus Status(PlayerHandle player) override;
    std::optional<Track> PlayingTrack(PlayerHandle player) override;
    void SetTrackChanged(std::function<void()> changed) override;

    bool OpenInRunningPlayer(const QUrl& address) override;

    // Where the playlist last handed over is recorded: its addresses tell the
    // player that plays it among several of the application's, and are probed
    // when that player does not say what it plays.
    void SetLastOpenedPlaylist(const LastOpenedPlaylist* playlist) { m_playlist = playlist; }

private:
    void ListRunningPlayers();
    void TakeListing(const QDBusPendingCall& listing, QDeadlineTimer deadline);
    void TakeOwner(const QString& name, const QDBusPendingCall& owner);
    void OnOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    DesktopApplication Application();
    MprisPeer* CurrentPlayer(PlayerHandle handle);
    MprisPeer* ChoosePlayer();
    bool PlaysHandedOverStation(MprisPeer& peer);
    StreamFigures FiguresFromStream(MprisPeer& peer);
    void AddPlayer(const QString& name, const QString& owner);
    void NoticeTrackChange();

    QDBusConnection m_bus;
    PlayerCallTiming m_timing;
    ApplicationLookup m_lookUpApplication;
    DesktopApplication m_application;
    QElapsedTimer m_applicationAskedAt;
    std::unique_ptr<ReplyWait> m_replies;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    bool m_listed = false;
    // By well-known name, so in alphabetical order; a player goes with its name.
    std::map<QString, std::unique_ptr<MprisPeer>> m_players;
    const LastOpenedPlaylist* m_playlist = nullptr;
    std::unique_ptr<StreamProbe> m_probe;
    std::function<void()> m_trackChanged;
    QTimer m_trackNotice;
    QElapsedTimer m_trackNoticedAt;
};

} // namespace platform
