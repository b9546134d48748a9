#pragma once

#include "player_calls.h"
#include "window_messages.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <chrono>
#include <map>
#include <memory>

class QDBusServiceWatcher;

namespace platform {

class LastOpenedPlaylist;
class StreamProbe;

// Winamp's window messages spoken to a desktop media player over MPRIS2 on a
// D-Bus bus. A "Winamp v1.x" window is a running MPRIS player; its handle
// stands for the player's unique bus name, so like a window handle it dies
// with the player's process. Calls are asynchronous and waited for briefly
// (see PlayerCalls): a hung player holds the window for one short wait per
// readings refresh at most. The three stream figures of one reading come from
// a single answer. Players without Audacious's figure interface get their
// figures from the stream they play (see StreamProbe).
class MprisWindowMessages final : public QObject, public WindowMessages
{
    Q_OBJECT
public:
    explicit MprisWindowMessages(const QDBusConnection& bus,
                                 const PlayerCallTiming& timing = PlayerCallTiming(),
                                 QObject* parent = nullptr);
    ~MprisWindowMessages() override;
    Q_DISABLE_COPY_MOVE(MprisWindowMessages)

    WindowHandle FindWindow(const QString& className) override;
    qint32 SendMessage(WindowHandle window, quint32 message, quintptr wParam,
                       qintptr lParam) override;

    // The desktop entry whose player alone counts ("" when none is named).
    QString PreferredDesktopId() const { return preferredDesktopId_; }
    // Where the playlist last handed to the player is recorded: its first
    // address is probed when the player does not say what it plays.
    void SetLastOpenedPlaylist(const LastOpenedPlaylist* playlist) { playlist_ = playlist; }

private:
    struct Peer;
    struct Player
    {
        QString uniqueName;
        QString desktopEntry; // filled in when the player tells it
    };

    void OnOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void AskDesktopEntry(const QString& busName, const QString& uniqueName);
    void DropPeerIfUnused(const QString& uniqueName);
    Peer* PeerOf(WindowHandle window);

    qint32 SendUser(Peer& peer, quintptr wParam, qintptr lParam);
    qint32 SendCommand(Peer& peer, quintptr command);
    qint32 PlayState(Peer& peer);
    qint32 StreamFigure(Peer& peer, quintptr which);
    qint32 FigureFromStream(Peer& peer, quintptr which);
    QDBusPendingCall PlayerProperty(const Peer& peer, const QString& method,
                                    const QVariantList& arguments, int timeoutMs);
    QVariant ReadProperty(Peer& peer, const QString& name, bool reuseRecent);
    const Player* ChoosePlayer() const;
    WindowHandle HandleOf(const QString& uniqueName);

    QDBusConnection bus_;
    PlayerCallTiming timing_;
    QString preferredDesktopId_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    std::map<QString, Player> players_;    // by well-known name, so in alphabetical order
    QHash<QString, WindowHandle> handles_; // unique name -> handle
    std::map<WindowHandle, std::unique_ptr<Peer>> peers_;
    WindowHandle nextHandle_ = 1;
    const LastOpenedPlaylist* playlist_ = nullptr;
    std::unique_ptr<StreamProbe> probe_;
};

} // namespace platform
