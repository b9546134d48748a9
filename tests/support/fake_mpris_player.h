#pragma once

#include <QDBusConnection>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <memory>

class QDBusVirtualObject;
class QObject;

// A scriptable MPRIS2 media player for tests: owns "org.mpris.MediaPlayer2.<name>"
// on a bus and, if asked, Audacious's "org.atheme.audacious" Info. It records
// what it receives ("Play", "Pause", "Stop", "Get PlaybackStatus", "Get Metadata",
// "Set Volume 0.5", "Info") and answers scripted values. It answers from a
// thread of its own with its own connection, so a caller blocked in a call on
// the test's thread still gets its answer; Hang() makes it stop answering
// like a frozen player until Resume(). Its habits are those of real players:
// it may take its name before its object answers, and it may take addresses
// through OpenUri ("OpenUri <address>"), which it then plays. Like most
// players it tells of changes of its status and Metadata through
// PropertiesChanged, unless its habits say it keeps quiet.
class FakeMprisPlayer final
{
public:
    struct State;
    struct Habits
    {
        QString desktopEntry; // none when empty
        bool offersFigures = false;
        // For this long after it takes its name, every call to its object is
        // answered UnknownMethod "Object does not exist".
        std::chrono::milliseconds objectLate{0};
        QStringList uriSchemes; // its SupportedUriSchemes
        bool tellsChanges = true;
    };

    FakeMprisPlayer(const QString& busAddress, const QString& name,
                    const QString& desktopEntry = QString(), bool offersFigures = false);
    FakeMprisPlayer(const QString& busAddress, const QString& name, const Habits& habits);
    ~FakeMprisPlayer();
    Q_DISABLE_COPY_MOVE(FakeMprisPlayer)

    bool IsOnBus() const { return onBus_; }
    QString BusName() const { return busName_; }
    QString UniqueName() const { return uniqueName_; }
    // Leaves the bus, as a player does when it quits.
    void Close();

    void SetStatus(const QString& status); // "Playing", "Paused" or "Stopped"
    QString Status() const;
    double Volume() const;
    // Bit rate in bit/s, sample rate in Hz, channels.
    void SetFigures(int bitRate, int sampleRate, int channels);
    // The "xesam:url" of its Metadata; none when empty.
    void SetUrl(const QString& url);
    // The "xesam:artist" (none when empty) and "xesam:title" of its Metadata.
    void SetTrack(const QStringList& artists, const QString& title);

    QStringList Log() const;
    int Count(const QString& entry) const { return Log().count(entry); }
    void ClearLog();

    void Hang();
    void Resume();

private:
    std::shared_ptr<State> state_;
    QThread thread_;
    std::unique_ptr<QObject> endpoint_;
    std::unique_ptr<QDBusVirtualObject> absent_;
    QString connectionName_;
    QString busName_;
    QString uniqueName_;
    bool onBus_ = false;
    QSemaphore resume_;
    bool hung_ = false;
};
