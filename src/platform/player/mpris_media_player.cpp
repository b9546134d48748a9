#include "mpris_media_player.h"

#include "last_opened_playlist.h"
#include "mpris_audacious_proxy.h"
#include "mpris_player_proxy.h"
#include "playlist_application.h"
#include "stream_probe.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
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
const QString statusKey = QStringLiteral("PlaybackStatus");
const QString metadataKey = QStringLiteral("Metadata");
// Calls that feed no reading: the desktop entry.
constexpr int desktopEntryTimeoutMs = 5000;
// The one handle: "the .pls player", whichever process that is now.
constexpr PlayerHandle thePlaylistPlayer = 1;

// The player is there but does not offer the interface.
bool IsMissing(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::UnknownMethod || type == QDBusError::UnknownObject ||
           type == QDBusError::UnknownInterface;
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

struct MprisMediaPlayer::Peer
{
    QString busName;
    QString uniqueName;
    QString desktopEntry; // filled in when the player tells it
    std::unique_ptr<OrgMprisMediaPlayer2PlayerInterface> player;
    std::unique_ptr<OrgAthemeAudaciousInterface> audacious;
    std::unique_ptr<PlayerCalls> calls;
    bool lacksFigures = false; // not Audacious: no need to ask again
};

MprisMediaPlayer::MprisMediaPlayer(const QDBusConnection& bus, const PlayerCallTiming& timing,
                                   ApplicationLookup application, QObject* parent)
    : QObject(parent), m_bus(bus), m_timing(timing),
      m_application(application ? std::move(application)
                                : ApplicationLookup(PlaylistApplicationId)),
      m_probe(std::make_unique<StreamProbe>())
{
    // Watch first, then list once, so that no player slips between the two.
    m_watcher = std::make_unique<QDBusServiceWatcher>(mprisNamespace + QLatin1Char('*'), m_bus,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            &MprisMediaPlayer::OnOwnerChanged);

    // These two ask the bus daemon itself, which always answers promptly.
    QDBusConnectionInterface* daemon = m_bus.interface();
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

MprisMediaPlayer::~MprisMediaPlayer() = default;

void MprisMediaPlayer::OnOwnerChanged(const QString& name, const QString&, const QString& newOwner)
{
    if (!name.startsWith(mprisPrefix))
        return;
    // A player that quits takes its calls and kept answers with it.
    m_players.erase(name);
    if (newOwner.isEmpty())
        return;
    // Proxies on a unique name are made without any bus traffic.
    auto peer = std::make_unique<Peer>();
    peer->busName = name;
    peer->uniqueName = newOwner;
    peer->calls = std::make_unique<PlayerCalls>(m_timing);
    peer->player =
        std::make_unique<OrgMprisMediaPlayer2PlayerInterface>(newOwner, mprisPath, m_bus);
    peer->player->setTimeout(peer->calls->CallTimeoutMs());
    peer->audacious = std::make_unique<OrgAthemeAudaciousInterface>(newOwner, audaciousPath, m_bus);
    peer->audacious->setTimeout(peer->calls->CallTimeoutMs());
    m_players[name] = std::move(peer);
    AskDesktopEntry(name, newOwner);
}

void MprisMediaPlayer::AskDesktopEntry(const QString& busName, const QString& uniqueName)
{
    QDBusMessage get =
        QDBusMessage::createMethodCall(uniqueName, mprisPath, propertiesInterface, "Get");
    get << mprisNamespace << QStringLiteral("DesktopEntry");
    auto* watch = new QDBusPendingCallWatcher(m_bus.asyncCall(get, desktopEntryTimeoutMs), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, busName, uniqueName, watch] {
        watch->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watch;
        const auto player = m_players.find(busName);
        if (reply.isError() || player == m_players.end() ||
            player->second->uniqueName != uniqueName)
            return;
        player->second->desktopEntry = reply.value().variant().toString();
    });
}

// Which running player is the desktop's ".pls" player, in this order:
// 1. none when no application opens ".pls" files;
// 2. only players of that application count, known by the DesktopEntry they
//    report or else by a bus name that is its desktop id (see
//    IsPlayerOfApplication);
// 3. of several, the one that says it plays an address of the playlist last
//    handed over;
// 4. else the first of them by bus name.
// Asking GIO costs tens of microseconds; the calls of one readings refresh
// share one answer.
QString MprisMediaPlayer::Application()
{
    if (!m_applicationAskedAt.isValid() ||
        m_applicationAskedAt.elapsed() >= m_timing.refresh.count()) {
        m_applicationId = m_application();
        m_applicationAskedAt.start();
    }
    return m_applicationId;
}

MprisMediaPlayer::Peer* MprisMediaPlayer::ChoosePlayer()
{
    const QString application = Application();
    if (application.isEmpty())
        return nullptr;
    std::vector<Peer*> candidates;
    for (const auto& [name, peer] : m_players) {
        if (IsPlayerOfApplication(name, peer->desktopEntry, application))
            candidates.push_back(peer.get());
    }
    if (candidates.size() > 1 && m_playlist != nullptr && !m_playlist->Entries().isEmpty()) {
        for (Peer* peer : candidates) {
            const QUrl playing = PlayingAddress(ReadProperty(*peer, metadataKey, true));
            if (!playing.isEmpty() && m_playlist->Entries().contains(playing))
                return peer;
        }
    }
    return candidates.empty() ? nullptr : candidates.front();
}

MprisMediaPlayer::Peer* MprisMediaPlayer::CurrentPlayer(PlayerHandle handle)
{
    return handle == thePlaylistPlayer ? ChoosePlayer() : nullptr;
}

PlayerHandle MprisMediaPlayer::Find()
{
    return ChoosePlayer() != nullptr ? thePlaylistPlayer : 0;
}

void MprisMediaPlayer::Play(PlayerHandle handle)
{
    if (Peer* peer = CurrentPlayer(handle))
        peer->calls->Send([&] { return peer->player->Play(); });
}

void MprisMediaPlayer::Pause(PlayerHandle handle)
{
    Peer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return;
    // Players' own Pause differs (some ignore it while paused), so act on
    // the status read first.
    const PlayStatus status = ReadStatus(*peer, false);
    if (status == PlayStatus::Playing)
        peer->calls->Send([&] { return peer->player->Pause(); });
    else if (status == PlayStatus::Paused)
        peer->calls->Send([&] { return peer->player->Play(); });
}

void MprisMediaPlayer::Stop(PlayerHandle handle)
{
    if (Peer* peer = CurrentPlayer(handle))
        peer->calls->Send([&] { return peer->player->Stop(); });
}

void MprisMediaPlayer::SetVolume(PlayerHandle handle, double volume)
{
    Peer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return;
    // Louder than full would overdrive.
    const double bounded = std::clamp(volume, 0.0, 1.0);
    peer->calls->Send([&] {
        return PlayerProperty(
            *peer, QStringLiteral("Set"),
            {QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(bounded))});
    });
}

PlayStatus MprisMediaPlayer::Status(PlayerHandle handle)
{
    Peer* peer = CurrentPlayer(handle);
    return peer == nullptr ? PlayStatus::Stopped : ReadStatus(*peer, false);
}

StreamFigures MprisMediaPlayer::Figures(PlayerHandle handle)
{
    Peer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return {};
    if (peer->lacksFigures)
        return FiguresFromStream(*peer);
    // MPRIS has no stream figures; Audacious offers them on its own interface.
    // A young answer serves the questions of one readings refresh, so its
    // three figures cost one round trip.
    const QDBusMessage info = peer->calls->Read(
        infoKey, [&] { return peer->audacious->Info(); }, true);
    if (IsMissing(info)) {
        peer->lacksFigures = true;
        return FiguresFromStream(*peer);
    }
    const QVariantList figures = info.arguments();
    if (info.type() != QDBusMessage::ReplyMessage || figures.size() != 3)
        return {};
    return Bounded(StreamFigures{figures[0].toInt(), figures[1].toInt(), figures[2].toInt()});
}

// Players without a figure interface: the figures of the stream they play,
// read from the stream itself, and only while it plays.
StreamFigures MprisMediaPlayer::FiguresFromStream(Peer& peer)
{
    if (ReadStatus(peer, true) != PlayStatus::Playing)
        return {};
    QUrl address = PlayingAddress(ReadProperty(peer, metadataKey, true));
    if (address.isEmpty() && PlaysHandedOverStation(peer))
        address = m_playlist->FirstEntry();
    return Bounded(m_probe->Figures(address).value_or(StreamFigures{}));
}

// Whether the playlist last handed over went to this player's application:
// only then may its addresses stand for what this player plays.
bool MprisMediaPlayer::PlaysHandedOverStation(Peer& peer)
{
    return m_playlist != nullptr &&
           IsPlayerOfApplication(peer.busName, peer.desktopEntry, m_playlist->Application());
}

PlayStatus MprisMediaPlayer::ReadStatus(Peer& peer, bool reuseRecent)
{
    const QString status = ReadProperty(peer, statusKey, reuseRecent).toString();
    if (status == QLatin1String("Playing"))
        return PlayStatus::Playing;
    if (status == QLatin1String("Paused"))
        return PlayStatus::Paused;
    return PlayStatus::Stopped;
}

QVariant MprisMediaPlayer::ReadProperty(Peer& peer, const QString& name, bool reuseRecent)
{
    const QDBusMessage reply = peer.calls->Read(
        name, [&] { return PlayerProperty(peer, QStringLiteral("Get"), {name}); }, reuseRecent);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

QDBusPendingCall MprisMediaPlayer::PlayerProperty(const Peer& peer, const QString& method,
                                                  const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(peer.uniqueName, mprisPath, propertiesInterface, method);
    call.setArguments(QVariantList{playerInterface} + arguments);
    return m_bus.asyncCall(call, peer.calls->CallTimeoutMs());
}

} // namespace platform
