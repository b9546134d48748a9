#include "mpris_peer.h"

#include "mpris_audacious_proxy.h"
#include "mpris_player_proxy.h"
#include "track_metadata.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>
#include <algorithm>
#include <array>

namespace platform {

namespace {

using namespace std::chrono_literals;

const QString mprisNamespace = QStringLiteral("org.mpris.MediaPlayer2");
const QString mprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString audaciousPath = QStringLiteral("/org/atheme/audacious");
// The DesktopEntry feeds no reading: its question may take its time.
constexpr int identityTimeoutMs = 5000;
// When an unanswered DesktopEntry is asked again, from the name's new owner on.
constexpr std::array<std::chrono::milliseconds, 3> identityRetries{50ms, 200ms, 1000ms};
constexpr qint64 identityGapMs = 1000;

std::optional<PlayStatus> StatusNamed(const QString& name)
{
    if (name == QLatin1String("Playing"))
        return PlayStatus::Playing;
    if (name == QLatin1String("Paused"))
        return PlayStatus::Paused;
    if (name == QLatin1String("Stopped"))
        return PlayStatus::Stopped;
    return std::nullopt;
}

// Qt answers UnknownProperty, GDBus InvalidArgs ("No such property").
bool HasNoSuchProperty(const QDBusError& error)
{
    return error.type() == QDBusError::UnknownProperty || error.type() == QDBusError::InvalidArgs;
}

} // namespace

MprisPeer::MprisPeer(const QDBusConnection& bus, const QString& busName, const QString& uniqueName,
                     const PlayerCallTiming& timing, ReplyWait& replies, QObject* parent)
    : QObject(parent), m_bus(bus), m_busName(busName), m_uniqueName(uniqueName),
      m_calls(std::make_unique<PlayerCalls>(timing, replies))
{
    m_since.start();
    // Proxies on a unique name are made without any bus traffic.
    m_player = std::make_unique<OrgMprisMediaPlayer2PlayerInterface>(uniqueName, mprisPath, m_bus);
    m_player->setTimeout(m_calls->CallTimeoutMs());
    m_audacious = std::make_unique<OrgAthemeAudaciousInterface>(uniqueName, audaciousPath, m_bus);
    m_audacious->setTimeout(m_calls->CallTimeoutMs());
    // Only this owner's signals: a player that quits and comes back is a new peer.
    m_bus.connect(m_uniqueName, mprisPath, propertiesInterface, QStringLiteral("PropertiesChanged"),
                  this, SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
    AskDesktopEntry();
}

MprisPeer::~MprisPeer() = default;

void MprisPeer::AskDesktopEntry()
{
    m_identity = Identity::Asking;
    m_identityAskedAt.start();
    QDBusMessage get = QDBusMessage::createMethodCall(m_uniqueName, mprisPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << mprisNamespace << QStringLiteral("DesktopEntry");
    // The watcher is this player's: it goes when the player does.
    auto* watch = new QDBusPendingCallWatcher(m_bus.asyncCall(get, identityTimeoutMs), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, watch] {
        watch->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watch;
        if (!reply.isError()) {
            m_desktopEntry = reply.value().variant().toString();
            m_identity = Identity::Known;
        } else if (HasNoSuchProperty(reply.error())) {
            m_identity = Identity::Known;
        } else {
            m_identity = Identity::Unknown;
            ScheduleIdentityRetry();
        }
    });
}

void MprisPeer::ScheduleIdentityRetry()
{
    if (m_retriesScheduled >= identityRetries.size())
        return;
    const qint64 at = identityRetries[m_retriesScheduled++].count();
    QTimer::singleShot(std::max<qint64>(0, at - m_since.elapsed()), this, [this] {
        if (m_identity == Identity::Unknown)
            AskDesktopEntry();
    });
}

void MprisPeer::AskIdentityIfDue()
{
    if (m_identity == Identity::Unknown && m_identityAskedAt.elapsed() >= identityGapMs)
        AskDesktopEntry();
}

QVariant MprisPeer::Property(const QString& interface, const QString& name, bool reuseRecent)
{
    const QDBusMessage reply = m_calls->Read(
        name, [&] { return PropertyCall(QStringLiteral("Get"), interface, {name}); }, reuseRecent);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

PlayStatus MprisPeer::Status(bool reuseRecent)
{
    const QString status =
        Property(m_player->interface(), QStringLiteral("PlaybackStatus"), reuseRecent).toString();
    return StatusNamed(status).value_or(PlayStatus::Stopped);
}

std::optional<Track> MprisPeer::PlayingTrack()
{
    const PlayStatus status = m_toldStatus ? *m_toldStatus : Status(true);
    if (status != PlayStatus::Playing)
        return std::nullopt;
    return TrackFrom(m_toldMetadata
                         ? *m_toldMetadata
                         : Property(m_player->interface(), QStringLiteral("Metadata"), true));
}

void MprisPeer::OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated)
{
    if (interface != m_player->interface())
        return;
    const QString statusKey = QStringLiteral("PlaybackStatus");
    const QString metadataKey = QStringLiteral("Metadata");
    bool told = false;
    if (changed.contains(statusKey)) {
        // A status it has no word for is read again, as if untold.
        m_toldStatus = StatusNamed(changed.value(statusKey).toString());
        told = true;
    }
    if (changed.contains(metadataKey)) {
        // Kept as it came: it is read only if this player is the one asked about.
        m_toldMetadata = changed.value(metadataKey);
        told = true;
    }
    if (invalidated.contains(statusKey)) {
        m_toldStatus.reset();
        told = true;
    }
    if (invalidated.contains(metadataKey)) {
        m_toldMetadata.reset();
        told = true;
    }
    if (told)
        Q_EMIT TrackChanged();
}

QDBusPendingCall MprisPeer::PropertyCall(const QString& method, const QString& interface,
                                         const QVariantList& arguments)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_uniqueName, mprisPath, propertiesInterface, method);
    call.setArguments(QVariantList{interface} + arguments);
    return m_bus.asyncCall(call, m_calls->CallTimeoutMs());
}

} // namespace platform
