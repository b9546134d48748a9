#pragma once

#include "media_player.h"
#include "player_calls.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

class OrgAthemeAudaciousInterface;
class OrgMprisMediaPlayer2PlayerInterface;

namespace platform {

class ReplyWait;

// One media player on the bus, from its name taking an owner until that owner
// leaves: its proxies and calls, and what it has said of itself. All that is
// kept of a player lives here and goes with it.
//
// Its DesktopEntry is asked as soon as it appears. Some players take their
// name before their object answers, so a question that fails for any reason
// but "no such property" is asked again 50, 200 and 1,000 ms after the name
// appeared, and after that on lookups while still unknown, at most once a
// second.
//
// What it plays and whether it plays are followed through its
// PropertiesChanged signal: once it has told a property that way, what it
// told is believed until it withdraws it (invalidates it). Until then, and
// for players that never tell, the property is read when asked.
class MprisPeer final : public QObject
{
    Q_OBJECT
public:
    MprisPeer(const QDBusConnection& bus, const QString& busName, const QString& uniqueName,
              const PlayerCallTiming& timing, ReplyWait& replies, QObject* parent = nullptr);
    ~MprisPeer() override;
    Q_DISABLE_COPY_MOVE(MprisPeer)

    const QString& BusName() const { return m_busName; }
    const QString& UniqueName() const { return m_uniqueName; }
    // Empty while unknown, and for a player that has none.
    const QString& DesktopEntry() const { return m_desktopEntry; }
    // For each lookup: asks again for a DesktopEntry still unknown, when due.
    void AskIdentityIfDue();

    PlayerCalls& Calls() { return *m_calls; }
    OrgMprisMediaPlayer2PlayerInterface& Player() { return *m_player; }
    OrgAthemeAudaciousInterface& Audacious() { return *m_audacious; }

    // A property of one of its MPRIS interfaces, read through its calls
    // (see PlayerCalls::Read); invalid when it gives none.
    QVariant Property(const QString& interface, const QString& name, bool reuseRecent);
    PlayStatus Status(bool reuseRecent);
    // Starts a Get or Set on its Properties interface.
    QDBusPendingCall PropertyCall(const QString& method, const QString& interface,
                                  const QVariantList& arguments);

    // While it plays, the track it says it plays (see MediaPlayer::PlayingTrack).
    std::optional<Track> PlayingTrack();

    // Not Audacious: its figures come from the stream, without asking.
    bool LacksFigures() const { return m_lacksFigures; }
    void SetLacksFigures() { m_lacksFigures = true; }

Q_SIGNALS:
    // It told that what it plays, or whether it plays, has changed.
    void TrackChanged();

private Q_SLOTS:
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    enum class Identity
    {
        Asking,
        Known, // told, or it has no such property
        Unknown,
    };

    void AskDesktopEntry();
    void ScheduleIdentityRetry();

    QDBusConnection m_bus;
    QString m_busName;
    QString m_uniqueName;
    QString m_desktopEntry;
    Identity m_identity = Identity::Asking;
    QElapsedTimer m_since;           // since the name took this owner
    QElapsedTimer m_identityAskedAt; // the last DesktopEntry question
    std::size_t m_retriesScheduled = 0;
    std::unique_ptr<PlayerCalls> m_calls;
    std::unique_ptr<OrgMprisMediaPlayer2PlayerInterface> m_player;
    std::unique_ptr<OrgAthemeAudaciousInterface> m_audacious;
    bool m_lacksFigures = false;
    // As last told through PropertiesChanged; empty while untold.
    std::optional<PlayStatus> m_toldStatus;
    std::optional<QVariant> m_toldMetadata;
};

} // namespace platform
