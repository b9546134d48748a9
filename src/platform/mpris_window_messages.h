#pragma once

#include "window_messages.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantList>
#include <chrono>
#include <map>
#include <memory>

class QDBusServiceWatcher;

namespace platform {

// Winamp's window messages spoken to a desktop media player over MPRIS2 on a
// D-Bus bus. A "Winamp v1.x" window is a running MPRIS player; its handle
// stands for the player's unique bus name, so like a window handle it dies
// with the player's process. No call waits longer than the timeout, and a
// player that once failed to answer in time is answered for with 0 at once
// until a background probe hears from it again. The three stream figures of
// one reading come from a single Info answer.
class MprisWindowMessages final : public QObject, public WindowMessages
{
    Q_OBJECT
public:
    explicit MprisWindowMessages(const QDBusConnection& bus,
                                 std::chrono::milliseconds timeout = std::chrono::milliseconds(300),
                                 QObject* parent = nullptr);
    ~MprisWindowMessages() override;
    Q_DISABLE_COPY_MOVE(MprisWindowMessages)

    WindowHandle FindWindow(const QString& className) override;
    qint32 SendMessage(WindowHandle window, quint32 message, quintptr wParam,
                       qintptr lParam) override;

    // The desktop entry whose player alone counts ("" when none is named).
    QString PreferredDesktopId() const { return preferredDesktopId_; }

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
    QDBusPendingCall PlayerProperty(const Peer& peer, const QString& method,
                                    const QVariantList& arguments, int timeoutMs);
    // Waits for the call, at most the timeout. False when it failed; a player
    // that did not answer in time is marked unresponsive and probed in the
    // background.
    bool Finished(Peer& peer, QDBusPendingCall call);
    void ProbeUnresponsive();
    const Player* ChoosePlayer() const;
    WindowHandle HandleOf(const QString& uniqueName);

    QDBusConnection bus_;
    int timeoutMs_;
    QString preferredDesktopId_;
    std::unique_ptr<QDBusServiceWatcher> watcher_;
    std::map<QString, Player> players_;    // by well-known name, so in alphabetical order
    QHash<QString, WindowHandle> handles_; // unique name -> handle
    std::map<WindowHandle, std::unique_ptr<Peer>> peers_;
    WindowHandle nextHandle_ = 1;
    QTimer probeTimer_;
};

} // namespace platform
