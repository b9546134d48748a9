#pragma once

#include "media_player.h"
#include "player_calls.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>
#include <map>
#include <memory>

class QDBusServiceWatcher;

namespace platform {

class LastOpenedPlaylist;
class StreamProbe;

// The desktop's ".pls" player driven over MPRIS2 on a D-Bus bus. The handle
// Find() gives stands for "the player of the application that opens ".pls"
// files" (see PlaylistApplicationId), not for one process: every call finds
// that player afresh, so when it quits and is started again (the next station
// handed over starts it), commands and readings reach the new one. A player of
// any other application, such as a web browser, is never driven. Calls are
// asynchronous and waited for briefly (see PlayerCalls): a hung player holds
// the window for one short wait per readings refresh at most. Figures come
// from Audacious's own interface in one answer; other players get theirs
// from the stream they play (see StreamProbe).
class MprisMediaPlayer final : public QObject, public MediaPlayer
{
    Q_OBJECT
public:
    // The desktop id of the ".pls" application, asked again after each
    // readings refresh so that a change of the desktop's choice counts at once.
    using ApplicationLookup = std::function<QString()>;

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

    // Where the playlist last handed over is recorded: its addresses tell the
    // player that plays it among several of the application's, and are probed
    // when that player does not say what it plays.
    void SetLastOpenedPlaylist(const LastOpenedPlaylist* playlist) { m_playlist = playlist; }

private:
    struct Peer;

    void OnOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void AskDesktopEntry(const QString& busName, const QString& uniqueName);
    QString Application();
    Peer* CurrentPlayer(PlayerHandle handle);
    Peer* ChoosePlayer();
    bool PlaysHandedOverStation(Peer& peer);

    PlayStatus ReadStatus(Peer& peer, bool reuseRecent);
    StreamFigures FiguresFromStream(Peer& peer);
    QDBusPendingCall PlayerProperty(const Peer& peer, const QString& method,
                                    const QVariantList& arguments);
    QVariant ReadProperty(Peer& peer, const QString& name, bool reuseRecent);

    QDBusConnection m_bus;
    PlayerCallTiming m_timing;
    ApplicationLookup m_application;
    QString m_applicationId;
    QElapsedTimer m_applicationAskedAt;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    // By well-known name, so in alphabetical order; a player goes with its name.
    std::map<QString, std::unique_ptr<Peer>> m_players;
    const LastOpenedPlaylist* m_playlist = nullptr;
    std::unique_ptr<StreamProbe> m_probe;
};

} // namespace platform
