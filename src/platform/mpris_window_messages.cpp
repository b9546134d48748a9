#include "mpris_window_messages.h"

#include "mpris_audacious_proxy.h"
#include "mpris_player_proxy.h"
#include "mpris_pls_default.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <algorithm>

namespace platform {

namespace {

const QString mprisNamespace = QStringLiteral("org.mpris.MediaPlayer2");
const QString mprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString mprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString audaciousPath = QStringLiteral("/org/atheme/audacious");
constexpr int probeIntervalMs = 1000;
// A readings refresh asks for the three figures in a row; one Info answer
// serves them, but never for longer than this.
constexpr qint64 infoLifetimeMs = 100;

bool IsTimeout(const QDBusError& error)
{
    return error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
           error.type() == QDBusError::TimedOut;
}

// The player is there but does not offer the interface.
bool IsMissing(const QDBusError& error)
{
    return error.type() == QDBusError::UnknownMethod || error.type() == QDBusError::UnknownObject ||
           error.type() == QDBusError::UnknownInterface;
}

} // namespace

struct MprisWindowMessages::Peer
{
    QString uniqueName;
    std::unique_ptr<OrgMprisMediaPlayer2PlayerInterface> player;
    std::unique_ptr<OrgAthemeAudaciousInterface> audacious;
    bool unresponsive = false;
    bool probePending = false;
    bool lacksFigures = false; // not Audacious: no need to ask again
    // The last Info answer (bit rate, sample rate, channels), good for one
    // reading: each figure is answered from it once, then it is asked again.
    int info[3] = {0, 0, 0};
    bool infoValid = false;
    unsigned infoAnswered = 0; // bit per figure already answered from it
    QElapsedTimer infoAge;
};

MprisWindowMessages::MprisWindowMessages(const QDBusConnection& bus,
                                         std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), bus_(bus), timeoutMs_(std::max<int>(1, int(timeout.count()))),
      preferredDesktopId_(PlaylistDefaultApplication())
{
    // Watch first, then list once, so that no player slips between the two.
    watcher_ = std::make_unique<QDBusServiceWatcher>(mprisNamespace + QLatin1Char('*'), bus_,
                                                     QDBusServiceWatcher::WatchForOwnerChange);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            &MprisWindowMessages::OnOwnerChanged);
    probeTimer_.setInterval(probeIntervalMs);
    connect(&probeTimer_, &QTimer::timeout, this, &MprisWindowMessages::ProbeUnresponsive);

    // These two ask the bus daemon itself, which always answers promptly.
    QDBusConnectionInterface* daemon = bus_.interface();
    if (daemon == nullptr)
        return;
    const QDBusReply<QStringList> names = daemon->registeredServiceNames();
    if (!names.isValid())
        return;
    for (const QString& name : names.value()) {
        if (!name.startsWith(mprisPrefix))
            continue;
        const QDBusReply<QString> owner = daemon->serviceOwner(name);
        if (owner.isValid())
            OnOwnerChanged(name, QString(), owner.value());
    }
}

MprisWindowMessages::~MprisWindowMessages() = default;

void MprisWindowMessages::OnOwnerChanged(const QString& name, const QString&,
                                         const QString& newOwner)
{
    if (!name.startsWith(mprisPrefix))
        return;
    const auto known = players_.find(name);
    if (known != players_.end()) {
        const QString previous = known->second.uniqueName;
        players_.erase(known);
        DropPeerIfUnused(previous);
    }
    if (newOwner.isEmpty())
        return;
    players_[name] = Player{newOwner, QString()};
    AskDesktopEntry(name, newOwner);
}

void MprisWindowMessages::AskDesktopEntry(const QString& busName, const QString& uniqueName)
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(uniqueName, mprisPath, propertiesInterface, "Get");
    get << mprisNamespace << QStringLiteral("DesktopEntry");
    auto* watch = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeoutMs_), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, busName, uniqueName, watch] {
        watch->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watch;
        const auto player = players_.find(busName);
        if (reply.isError() || player == players_.end() || player->second.uniqueName != uniqueName)
            return;
        player->second.desktopEntry = reply.value().variant().toString();
    });
}

void MprisWindowMessages::DropPeerIfUnused(const QString& uniqueName)
{
    for (const auto& [name, player] : players_) {
        if (player.uniqueName == uniqueName)
            return;
    }
    const auto handle = handles_.find(uniqueName);
    if (handle == handles_.end())
        return;
    peers_.erase(handle.value());
    handles_.erase(handle);
}

// Which player stands for Winamp. When the desktop names a program for ".pls"
// playlists, only that one counts: the stations are handed to it, and a web
// browser or video player that happens to be on the bus (they speak MPRIS
// too) must not be found in its place, since the link keeps what it found
// for the whole run. It is matched by the DesktopEntry it reports or by its
// bus name. Only when no default is named does the first player by bus name,
// in alphabetical order, stand in. Null when no such player runs.
const MprisWindowMessages::Player* MprisWindowMessages::ChoosePlayer() const
{
    if (preferredDesktopId_.isEmpty())
        return players_.empty() ? nullptr : &players_.begin()->second;
    for (const auto& [name, player] : players_) {
        if (IsPlayerOfDesktopEntry(name, player.desktopEntry, preferredDesktopId_))
            return &player;
    }
    return nullptr;
}

WindowHandle MprisWindowMessages::FindWindow(const QString& className)
{
    if (className != WinampWindowClass())
        return 0;
    const Player* player = ChoosePlayer();
    return player == nullptr ? 0 : HandleOf(player->uniqueName);
}

WindowHandle MprisWindowMessages::HandleOf(const QString& uniqueName)
{
    const auto known = handles_.constFind(uniqueName);
    if (known != handles_.constEnd())
        return known.value();
    // Proxies on a unique name are made without any bus traffic.
    auto peer = std::make_unique<Peer>();
    peer->uniqueName = uniqueName;
    peer->player =
        std::make_unique<OrgMprisMediaPlayer2PlayerInterface>(uniqueName, mprisPath, bus_);
    peer->player->setTimeout(timeoutMs_);
    peer->audacious =
        std::make_unique<OrgAthemeAudaciousInterface>(uniqueName, audaciousPath, bus_);
    peer->audacious->setTimeout(timeoutMs_);
    const WindowHandle handle = nextHandle_++;
    handles_.insert(uniqueName, handle);
    peers_[handle] = std::move(peer);
    return handle;
}

MprisWindowMessages::Peer* MprisWindowMessages::PeerOf(WindowHandle window)
{
    const auto peer = peers_.find(window);
    return peer == peers_.end() ? nullptr : peer->second.get();
}

qint32 MprisWindowMessages::SendMessage(WindowHandle window, quint32 message, quintptr wParam,
                                        qintptr lParam)
{
    Peer* peer = PeerOf(window);
    if (peer == nullptr || peer->unresponsive)
        return 0;
    // Anything but a query may change what the player plays.
    if (message != WM_USER || (lParam != winamp_ipc::StreamInfo && lParam != winamp_ipc::PlayState))
        peer->infoValid = false;
    if (message == WM_USER)
        return SendUser(*peer, wParam, lParam);
    if (message == WM_COMMAND && lParam == 0)
        return SendCommand(*peer, wParam);
    return 0;
}

qint32 MprisWindowMessages::SendUser(Peer& peer, quintptr wParam, qintptr lParam)
{
    switch (lParam) {
    case winamp_ipc::StartPlaying:
        Finished(peer, peer.player->Play());
        return 0;
    case winamp_ipc::PlayState:
        return PlayState(peer);
    case winamp_ipc::SetVolume: {
        // Louder than full would overdrive; Winamp's own scale ends at 255.
        const double volume = double(std::min<quintptr>(wParam, 255)) / 255.0;
        Finished(peer, PlayerProperty(
                           peer, QStringLiteral("Set"),
                           {QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(volume))},
                           timeoutMs_));
        return 0;
    }
    case winamp_ipc::StreamInfo:
        return StreamFigure(peer, wParam);
    default:
        return 0;
    }
}

qint32 MprisWindowMessages::SendCommand(Peer& peer, quintptr command)
{
    if (command == winamp_ipc::CommandStop) {
        Finished(peer, peer.player->Stop());
    } else if (command == winamp_ipc::CommandPause) {
        // Winamp's pause button toggles; players' own Pause differs (some
        // ignore it while paused), so act on the status read first.
        const qint32 state = PlayState(peer);
        if (state == winamp_ipc::Playing)
            Finished(peer, peer.player->Pause());
        else if (state == winamp_ipc::Paused && !peer.unresponsive)
            Finished(peer, peer.player->Play());
    }
    return 0;
}

qint32 MprisWindowMessages::PlayState(Peer& peer)
{
    QDBusPendingReply<QDBusVariant> reply =
        PlayerProperty(peer, QStringLiteral("Get"), {QStringLiteral("PlaybackStatus")}, timeoutMs_);
    if (!Finished(peer, reply))
        return winamp_ipc::Stopped;
    const QString status = reply.value().variant().toString();
    if (status == QLatin1String("Playing"))
        return winamp_ipc::Playing;
    if (status == QLatin1String("Paused"))
        return winamp_ipc::Paused;
    return winamp_ipc::Stopped;
}

qint32 MprisWindowMessages::StreamFigure(Peer& peer, quintptr which)
{
    if (which > winamp_ipc::InfoChannels || peer.lacksFigures)
        return 0;
    const unsigned figure = 1u << which;
    if (!peer.infoValid || (peer.infoAnswered & figure) != 0 ||
        peer.infoAge.elapsed() > infoLifetimeMs) {
        peer.infoValid = false;
        // MPRIS has no stream figures; Audacious offers them on its own interface.
        QDBusPendingReply<int, int, int> info = peer.audacious->Info();
        if (!Finished(peer, info)) {
            peer.lacksFigures = IsMissing(info.error());
            return 0;
        }
        peer.info[0] = info.argumentAt<0>();
        peer.info[1] = info.argumentAt<1>();
        peer.info[2] = info.argumentAt<2>();
        peer.infoValid = true;
        peer.infoAnswered = 0;
        peer.infoAge.start();
    }
    peer.infoAnswered |= figure;
    switch (which) {
    case winamp_ipc::InfoBitRate:
        return peer.info[0] / 1000; // bit/s -> kbit/s
    case winamp_ipc::InfoSampleRate:
        return peer.info[1] / 1000; // Hz -> kHz, 44100 -> 44
    default:
        return peer.info[2];
    }
}

QDBusPendingCall MprisWindowMessages::PlayerProperty(const Peer& peer, const QString& method,
                                                     const QVariantList& arguments, int timeoutMs)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(peer.uniqueName, mprisPath, propertiesInterface, method);
    call.setArguments(QVariantList{playerInterface} + arguments);
    return bus_.asyncCall(call, timeoutMs);
}

bool MprisWindowMessages::Finished(Peer& peer, QDBusPendingCall call)
{
    // Blocks without running the event loop; the call's own timeout ends it.
    call.waitForFinished();
    if (!call.isError())
        return true;
    if (IsTimeout(call.error())) {
        peer.unresponsive = true;
        if (!probeTimer_.isActive())
            probeTimer_.start();
    }
    return false;
}

void MprisWindowMessages::ProbeUnresponsive()
{
    // A property read is answered by the player's own main loop, unlike a
    // Peer.Ping, which the D-Bus library answers even for a frozen player.
    bool anyUnresponsive = false;
    for (auto& [handle, peer] : peers_) {
        if (!peer->unresponsive)
            continue;
        anyUnresponsive = true;
        if (peer->probePending)
            continue;
        peer->probePending = true;
        auto* watch = new QDBusPendingCallWatcher(PlayerProperty(*peer, QStringLiteral("Get"),
                                                                 {QStringLiteral("PlaybackStatus")},
                                                                 probeIntervalMs),
                                                  this);
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this, handle = handle, watch] {
            watch->deleteLater();
            Peer* probed = PeerOf(handle);
            if (probed == nullptr)
                return;
            probed->probePending = false;
            // Any answer, even an error, shows its loop runs again.
            if (!IsTimeout(watch->error()))
                probed->unresponsive = false;
        });
    }
    if (!anyUnresponsive)
        probeTimer_.stop();
}

} // namespace platform
