#include "mpris_media_player.h"

#include "last_opened_playlist.h"
#include "mpris_audacious_proxy.h"
#include "mpris_peer.h"
#include "mpris_player_proxy.h"
#include "playing_address.h"
#include "reply_wait.h"
#include "stream_probe.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <algorithm>
#include <chrono>
#include <vector>

namespace platform {

namespace {

const QString mprisNamespace = QStringLiteral("org.mpris.MediaPlayer2");
const QString mprisPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString infoKey = QStringLiteral("Info");
const QString metadataKey = QStringLiteral("Metadata");
// The one handle: "the .pls player", whichever process that is now.
constexpr PlayerHandle thePlaylistPlayer = 1;
// The shortest time between two calls saying the track may have changed.
constexpr std::chrono::milliseconds trackNoticeGap{250};

// The player is there but does not offer the interface.
bool IsMissing(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::UnknownMethod || type == QDBusError::UnknownObject ||
           type == QDBusError::UnknownInterface;
}

QDBusMessage BusDaemonCall(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(arguments);
    return call;
}

QStringList StringList(const QVariant& value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<QStringList>(value.value<QDBusArgument>())
                                             : value.toStringList();
}

} // namespace

MprisMediaPlayer::MprisMediaPlayer(const QDBusConnection& bus, const PlayerCallTiming& timing,
                                   ApplicationLookup application, QObject* parent)
    : QObject(parent), m_bus(bus), m_timing(timing),
      m_lookUpApplication(application ? std::move(application)
                                      : ApplicationLookup(PlaylistApplication)),
      m_replies(std::make_unique<ReplyWait>()), m_probe(std::make_unique<StreamProbe>())
{
    m_trackNotice.setSingleShot(true);
    connect(&m_trackNotice, &QTimer::timeout, this, [this] {
        m_trackNoticedAt.start();
        // Kept for the call: the caller may change it from inside.
        if (const std::function<void()> changed = m_trackChanged)
            changed();
    });
    // Watch first, then list once, so that no player slips between the two.
    m_watcher = std::make_unique<QDBusServiceWatcher>(mprisNamespace + QLatin1Char('*'), m_bus,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            &MprisMediaPlayer::OnOwnerChanged);
    ListRunningPlayers();
}

MprisMediaPlayer::~MprisMediaPlayer() = default;

// The players that run already, asked of the bus daemon: its answers are
// waited for as a player's are, and count whenever they come.
void MprisMediaPlayer::ListRunningPlayers()
{
    const QDBusPendingCall listing = m_bus.asyncCall(BusDaemonCall(QStringLiteral("ListNames")),
                                                     int(m_timing.callTimeout.count()));
    const QDeadlineTimer deadline(m_timing.wait);
    if (m_replies->WaitFor(listing, m_timing.wait)) {
        TakeListing(listing, deadline);
        return;
    }
    auto* watch = new QDBusPendingCallWatcher(listing, this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, watch] {
        watch->deleteLater();
        TakeListing(*watch, QDeadlineTimer(0));
    });
}

void MprisMediaPlayer::TakeListing(const QDBusPendingCall& listing, QDeadlineTimer deadline)
{
    const QDBusMessage reply = listing.reply();
    if (m_listed || reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return;
    m_listed = true;
    for (const QString& name : reply.arguments().constFirst().toStringList()) {
        if (!name.startsWith(mprisPrefix))
            continue;
        const QDBusPendingCall owner =
            m_bus.asyncCall(BusDaemonCall(QStringLiteral("GetNameOwner"), {name}),
                            int(m_timing.callTimeout.count()));
        const auto left = std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()));
        if (m_replies->WaitFor(owner, left)) {
            TakeOwner(name, owner);
            continue;
        }
        auto* watch = new QDBusPendingCallWatcher(owner, this);
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this, watch, name] {
            watch->deleteLater();
            TakeOwner(name, *watch);
        });
    }
}

void MprisMediaPlayer::TakeOwner(const QString& name, const QDBusPendingCall& owner)
{
    const QDBusPendingReply<QString> reply = owner;
    // What the bus announced since is newer than this answer.
    if (!reply.isError() && m_players.count(name) == 0)
        OnOwnerChanged(name, QString(), reply.value());
}

void MprisMediaPlayer::OnOwnerChanged(const QString& name, const QString&, const QString& newOwner)
{
    if (!name.startsWith(mprisPrefix))
        return;
    // A player that quits takes its calls and kept answers with it.
    m_players.erase(name);
    if (!newOwner.isEmpty())
        AddPlayer(name, newOwner);
    NoticeTrackChange();
}

void MprisMediaPlayer::AddPlayer(const QString& name, const QString& owner)
{
    auto peer = std::make_unique<MprisPeer>(m_bus, name, owner, m_timing, *m_replies);
    // What other applications' players play is none of the caller's business.
    connect(peer.get(), &MprisPeer::TrackChanged, this, [this, peer = peer.get()] {
        if (IsPlayerOfApplication(peer->BusName(), peer->DesktopEntry(), Application()))
            NoticeTrackChange();
    });
    m_players[name] = std::move(peer);
}

void MprisMediaPlayer::SetTrackChanged(std::function<void()> changed)
{
    m_trackChanged = std::move(changed);
    if (!m_trackChanged)
        m_trackNotice.stop();
}

// A player tells its status and its track in turn, and one that tells
// without pause would keep the caller busy: the changes of a quarter second
// make one call.
void MprisMediaPlayer::NoticeTrackChange()
{
    if (!m_trackChanged || m_trackNotice.isActive())
        return;
    const qint64 gap = trackNoticeGap.count();
    const qint64 since = m_trackNoticedAt.isValid() ? m_trackNoticedAt.elapsed() : gap;
    m_trackNotice.start(int(std::clamp<qint64>(gap - since, 0, gap)));
}

// Which running player is the desktop's ".pls" player, in this order:
// 1. none when no application opens ".pls" files;
// 2. only players of that application count, known by the DesktopEntry they
//    report or else by a bus name that is its desktop id (see
//    IsPlayerOfApplication);
// 3. of several, the one that says it plays an address of the playlist last
//    handed over (see IsHandedOverAddress);
// 4. else the first of them by bus name.
// Asking GIO costs tens of microseconds; the calls of one readings refresh
// share one answer.
DesktopApplication MprisMediaPlayer::Application()
{
    if (!m_applicationAskedAt.isValid() ||
        m_applicationAskedAt.elapsed() >= m_timing.refresh.count()) {
        m_application = m_lookUpApplication();
        m_applicationAskedAt.start();
    }
    return m_application;
}

MprisPeer* MprisMediaPlayer::ChoosePlayer()
{
    const DesktopApplication application = Application();
    if (application.id.isEmpty())
        return nullptr;
    std::vector<MprisPeer*> candidates;
    for (const auto& [name, peer] : m_players) {
        peer->AskIdentityIfDue();
        if (IsPlayerOfApplication(name, peer->DesktopEntry(), application))
            candidates.push_back(peer.get());
    }
    if (candidates.size() > 1 && m_playlist != nullptr && !m_playlist->Entries().isEmpty()) {
        for (MprisPeer* peer : candidates) {
            const QUrl playing = PlayingAddress(peer->Property(playerInterface, metadataKey, true));
            if (IsHandedOverAddress(playing, m_playlist->Entries()))
                return peer;
        }
    }
    return candidates.empty() ? nullptr : candidates.front();
}

MprisPeer* MprisMediaPlayer::CurrentPlayer(PlayerHandle handle)
{
    return handle == thePlaylistPlayer ? ChoosePlayer() : nullptr;
}

PlayerHandle MprisMediaPlayer::Find()
{
    return ChoosePlayer() != nullptr ? thePlaylistPlayer : 0;
}

void MprisMediaPlayer::Play(PlayerHandle handle)
{
    if (MprisPeer* peer = CurrentPlayer(handle))
        peer->Calls().Send([&] { return peer->Player().Play(); });
}

void MprisMediaPlayer::Pause(PlayerHandle handle)
{
    MprisPeer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return;
    // Players' own Pause differs (some ignore it while paused), so act on
    // the status read first.
    const PlayStatus status = peer->Status(false);
    if (status == PlayStatus::Playing)
        peer->Calls().Send([&] { return peer->Player().Pause(); });
    else if (status == PlayStatus::Paused)
        peer->Calls().Send([&] { return peer->Player().Play(); });
}

void MprisMediaPlayer::Stop(PlayerHandle handle)
{
    if (MprisPeer* peer = CurrentPlayer(handle))
        peer->Calls().Send([&] { return peer->Player().Stop(); });
}

void MprisMediaPlayer::SetVolume(PlayerHandle handle, double volume)
{
    MprisPeer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return;
    // Louder than full would overdrive.
    const double bounded = std::clamp(volume, 0.0, 1.0);
    peer->Calls().Send([&] {
        return peer->PropertyCall(
            QStringLiteral("Set"), playerInterface,
            {QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(bounded))});
    });
}

PlayStatus MprisMediaPlayer::Status(PlayerHandle handle)
{
    MprisPeer* peer = CurrentPlayer(handle);
    return peer == nullptr ? PlayStatus::Stopped : peer->Status(false);
}

StreamFigures MprisMediaPlayer::Figures(PlayerHandle handle)
{
    MprisPeer* peer = CurrentPlayer(handle);
    if (peer == nullptr)
        return {};
    if (peer->LacksFigures())
        return FiguresFromStream(*peer);
    // MPRIS has no stream figures; Audacious offers them on its own interface.
    // A young answer serves the questions of one readings refresh, so its
    // three figures cost one round trip.
    const QDBusMessage info = peer->Calls().Read(
        infoKey, [&] { return peer->Audacious().Info(); }, true);
    if (IsMissing(info)) {
        peer->SetLacksFigures();
        return FiguresFromStream(*peer);
    }
    const QVariantList figures = info.arguments();
    if (info.type() != QDBusMessage::ReplyMessage || figures.size() != 3)
        return {};
    return Bounded(StreamFigures{figures[0].toInt(), figures[1].toInt(), figures[2].toInt()});
}

std::optional<Track> MprisMediaPlayer::PlayingTrack(PlayerHandle handle)
{
    MprisPeer* peer = CurrentPlayer(handle);
    return peer == nullptr ? std::nullopt : peer->PlayingTrack();
}

// Players without a figure interface: the figures of the stream they play,
// read from the stream itself, and only while it plays. The player the
// playlist went to is read at the handed-over address when its own says
// nothing useful.
StreamFigures MprisMediaPlayer::FiguresFromStream(MprisPeer& peer)
{
    if (peer.Status(true) != PlayStatus::Playing)
        return {};
    const QUrl playing = PlayingAddress(peer.Property(playerInterface, metadataKey, true));
    const QUrl address =
        PlaysHandedOverStation(peer) ? AddressToProbe(playing, m_playlist->Entries()) : playing;
    return Bounded(m_probe->Figures(address).value_or(StreamFigures{}));
}

// Whether the playlist last handed over went to this player's application:
// only then may its addresses stand for what this player plays.
bool MprisMediaPlayer::PlaysHandedOverStation(MprisPeer& peer)
{
    if (m_playlist == nullptr || m_playlist->Application().isEmpty())
        return false;
    const DesktopApplication application = Application();
    return m_playlist->Application() == application.id &&
           IsPlayerOfApplication(peer.BusName(), peer.DesktopEntry(), application);
}

// Handing the station to the player that runs keeps one process, playing it
// and driven, whether or not the player has a single-instance mode; starting
// the application again would make a player without one start a second
// process, which could not take the player's bus name. Only a player that
// answered lately is asked, and for a short while: one that does not take it
// in time has the application started for it as before.
bool MprisMediaPlayer::OpenInRunningPlayer(const QUrl& address)
{
    MprisPeer* peer = ChoosePlayer();
    if (peer == nullptr || peer->Calls().IsLate() || !address.isValid())
        return false;
    const QStringList schemes =
        StringList(peer->Property(mprisNamespace, QStringLiteral("SupportedUriSchemes"), false));
    if (!schemes.contains(address.scheme(), Qt::CaseInsensitive))
        return false;
    const QDBusMessage answer = peer->Calls().Ask(
        [&] { return peer->Player().OpenUri(address.toString()); }, m_timing.handOver);
    return answer.type() == QDBusMessage::ReplyMessage;
}

} // namespace platform
