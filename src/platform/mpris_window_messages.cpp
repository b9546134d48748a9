#include "mpris_window_messages.h"

#include "last_opened_playlist.h"
#include "mpris_audacious_proxy.h"
#include "mpris_player_proxy.h"
#include "mpris_pls_default.h"
#include "player_calls.h"
#include "stream_probe.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <algorithm>

namespace platform {

namespace {

const QString mprisNamespace = QStringLiteral("org.mpris.MediaPlayer2");
const QString mprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString mprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString audaciousPath = QStringLiteral("/org/atheme/audacious");
const QString infoKey = QStringLiteral("Info");
// Calls that feed no reading: the desktop entry.
constexpr int desktopEntryTimeoutMs = 5000;

// The player is there but does not offer the interface.
bool IsMissing(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::UnknownMethod || type == QDBusError::UnknownObject ||
           type == QDBusError::UnknownInterface;
}

qint32 Figure(const StreamFigures& figures, quintptr which)
{
    switch (which) {
    case winamp_ipc::InfoBitRate:
        return figures.bitRate / 1000; // bit/s -> kbit/s
    case winamp_ipc::InfoSampleRate:
        return figures.sampleRate / 1000; // Hz -> kHz, 44100 -> 44
    default:
        return figures.channels;
    }
}

// What the player plays, from its Metadata map (empty when it does not say).
QUrl PlayingAddress(const QVariant& metadata)
{
    const QVariantMap map = metadata.canConvert<QDBusArgument>()
                                ? qdbus_cast<QVariantMap>(metadata.value<QDBusArgument>())
                                : metadata.toMap();
    return QUrl(map.value(QStringLiteral("xesam:url")).toString());
}

} // namespace

struct MprisWindowMessages::Peer
{
    QString uniqueName;
    std::unique_ptr<OrgMprisMediaPlayer2PlayerInterface> player;
    std::unique_ptr<OrgAthemeAudaciousInterface> audacious;
    std::unique_ptr<PlayerCalls> calls;
    bool lacksFigures = false; // not Audacious: no need to ask again
    // The Info answer the figures came from last, and which of them it gave.
    quint64 infoSerial = 0;
    unsigned infoAnswered = 0;
};

MprisWindowMessages::MprisWindowMessages(const QDBusConnection& bus, const PlayerCallTiming& timing,
                                         QObject* parent)
    : QObject(parent), bus_(bus), timing_(timing),
      preferredDesktopId_(PlaylistDefaultApplication()), probe_(std::make_unique<StreamProbe>())
{
    // Watch first, then list once, so that no player slips between the two.
    watcher_ = std::make_unique<QDBusServiceWatcher>(mprisNamespace + QLatin1Char('*'), bus_,
                                                     QDBusServiceWatcher::WatchForOwnerChange);
    connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            &MprisWindowMessages::OnOwnerChanged);

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
    auto* watch = new QDBusPendingCallWatcher(bus_.asyncCall(get, desktopEntryTimeoutMs), this);
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
    peer->calls = std::make_unique<PlayerCalls>(timing_);
    peer->player =
        std::make_unique<OrgMprisMediaPlayer2PlayerInterface>(uniqueName, mprisPath, bus_);
    peer->player->setTimeout(peer->calls->CallTimeoutMs());
    peer->audacious =
        std::make_unique<OrgAthemeAudaciousInterface>(uniqueName, audaciousPath, bus_);
    peer->audacious->setTimeout(peer->calls->CallTimeoutMs());
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
    if (peer == nullptr)
        return 0;
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
        peer.calls->Send([&] { return peer.player->Play(); });
        return 0;
    case winamp_ipc::PlayState:
        return PlayState(peer);
    case winamp_ipc::SetVolume: {
        // Louder than full would overdrive; Winamp's own scale ends at 255.
        const double volume = double(std::min<quintptr>(wParam, 255)) / 255.0;
        peer.calls->Send([&] {
            return PlayerProperty(
                peer, QStringLiteral("Set"),
                {QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(volume))},
                peer.calls->CallTimeoutMs());
        });
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
        peer.calls->Send([&] { return peer.player->Stop(); });
    } else if (command == winamp_ipc::CommandPause) {
        // Winamp's pause button toggles; players' own Pause differs (some
        // ignore it while paused), so act on the status read first.
        const qint32 state = PlayState(peer);
        if (state == winamp_ipc::Playing)
            peer.calls->Send([&] { return peer.player->Pause(); });
        else if (state == winamp_ipc::Paused)
            peer.calls->Send([&] { return peer.player->Play(); });
    }
    return 0;
}

QVariant MprisWindowMessages::ReadProperty(Peer& peer, const QString& name, bool reuseRecent)
{
    const QDBusMessage reply = peer.calls->Read(
        name,
        [&] {
            return PlayerProperty(peer, QStringLiteral("Get"), {name}, peer.calls->CallTimeoutMs());
        },
        reuseRecent);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

qint32 MprisWindowMessages::PlayState(Peer& peer)
{
    const QString status = ReadProperty(peer, QStringLiteral("PlaybackStatus"), false).toString();
    if (status == QLatin1String("Playing"))
        return winamp_ipc::Playing;
    if (status == QLatin1String("Paused"))
        return winamp_ipc::Paused;
    return winamp_ipc::Stopped;
}

qint32 MprisWindowMessages::StreamFigure(Peer& peer, quintptr which)
{
    if (which > winamp_ipc::InfoChannels)
        return 0;
    if (peer.lacksFigures)
        return FigureFromStream(peer, which);
    // MPRIS has no stream figures; Audacious offers them on its own interface.
    // One answer serves the three figures of a reading, each once: the next
    // reading asks again, so a change of stream shows at once.
    const unsigned figure = 1u << which;
    const QDBusMessage info = peer.calls->Read(
        infoKey, [&] { return peer.audacious->Info(); }, (peer.infoAnswered & figure) == 0);
    if (peer.calls->AnswerSerial(infoKey) != peer.infoSerial) {
        peer.infoSerial = peer.calls->AnswerSerial(infoKey);
        peer.infoAnswered = 0;
    }
    peer.infoAnswered |= figure;
    if (IsMissing(info)) {
        peer.lacksFigures = true;
        return FigureFromStream(peer, which);
    }
    const QVariantList figures = info.arguments();
    if (info.type() != QDBusMessage::ReplyMessage || figures.size() != 3)
        return 0;
    return Figure(StreamFigures{figures[0].toInt(), figures[1].toInt(), figures[2].toInt()}, which);
}

// Players without a figure interface: the figures of the stream they play,
// read from the stream itself, and only while it plays.
qint32 MprisWindowMessages::FigureFromStream(Peer& peer, quintptr which)
{
    if (ReadProperty(peer, QStringLiteral("PlaybackStatus"), true).toString() !=
        QLatin1String("Playing"))
        return 0;
    QUrl address = PlayingAddress(ReadProperty(peer, QStringLiteral("Metadata"), true));
    if (address.isEmpty() && playlist_ != nullptr)
        address = playlist_->FirstEntry();
    const std::optional<StreamFigures> figures = probe_->Figures(address);
    return figures ? Figure(*figures, which) : 0;
}

QDBusPendingCall MprisWindowMessages::PlayerProperty(const Peer& peer, const QString& method,
                                                     const QVariantList& arguments, int timeoutMs)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(peer.uniqueName, mprisPath, propertiesInterface, method);
    call.setArguments(QVariantList{playerInterface} + arguments);
    return bus_.asyncCall(call, timeoutMs);
}

} // namespace platform
