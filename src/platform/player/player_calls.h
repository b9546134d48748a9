#pragma once

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <map>

namespace platform {

// How long a media player's calls may hold the caller, and how long answers last.
struct PlayerCallTiming
{
    // The longest one wait for an answer holds the caller.
    std::chrono::milliseconds wait{40};
    // When an unanswered call is given up.
    std::chrono::milliseconds callTimeout{5000};
    // Questions this close together belong to one readings refresh: an
    // answer this young is given again without asking (the three readings
    // cost one round trip), and a late player is waited for once in it.
    std::chrono::milliseconds refresh{250};
    // An answer older than this is not given for a call that is late.
    std::chrono::milliseconds keep{10000};
    // The longest a station handed to a running player is waited for: longer
    // than a reading's wait, since a player that does not take it in time is
    // started again, and shorter than a user notices.
    std::chrono::milliseconds handOver{300};
};

class ReplyWait;

// One media player's D-Bus calls, made so that a hung or slow player never
// holds the caller long. Every call is asynchronous, and the caller waits
// for it at most `wait`, once per refresh: when a wait runs out, further
// questions of the same refresh are answered at once from what the player
// said last. Answers that come later are kept for the next question, and the
// next refresh waits for an overdue call again, so the first refresh after a
// player recovers gets fresh answers. A call unanswered for `callTimeout` is
// given up, and its kept answer with it (a player that says nothing has
// nothing to report).
class PlayerCalls final : public QObject
{
    Q_OBJECT
public:
    using Start = std::function<QDBusPendingCall()>;
    using Timing = PlayerCallTiming;

    // `replies` waits for the answers; it outlives this object.
    PlayerCalls(Timing timing, ReplyWait& replies, QObject* parent = nullptr);
    ~PlayerCalls() override;
    Q_DISABLE_COPY_MOVE(PlayerCalls)

    // The player's answer to the question kept under `key` (a reply or an
    // error message), started by `start` unless a call for it is on its way
    // (or, with reuseRecent, a young answer is at hand). An invalid message
    // when there is no answer to give.
    QDBusMessage Read(const QString& key, const Start& start, bool reuseRecent);
    // A command: sent, waited for like a question, its answer dropped. The
    // kept answers are forgotten, since the command changes them.
    void Send(const Start& start);
    // A command whose answer matters: sent, waited for at most `bound`, and
    // its answer given (invalid when none came in time). The kept answers
    // are forgotten, as with Send.
    QDBusMessage Ask(const Start& start, std::chrono::milliseconds bound);
    // Whether the player left a wait unanswered and has said nothing since.
    bool IsLate() const { return m_lateSince.isValid(); }
    // How long a call may stay unanswered before it is given up; the starts
    // passed in make their calls with it.
    int CallTimeoutMs() const { return int(m_timing.callTimeout.count()); }

private:
    struct Entry
    {
        QDBusPendingCall pending{QDBusPendingCall::fromCompletedCall(QDBusMessage())};
        bool calling = false;
        QElapsedTimer waitedAt;
        quint64 serial = 0;
        QDBusMessage answer;
        quint64 answerSerial = 0;
        QElapsedTimer answeredAt;
    };

    QDBusPendingCall Launch(const Start& start, const QString& key, quint64 serial);
    bool WaitBriefly(QDBusPendingCall& call, QElapsedTimer& waitedAt);
    void Collect(const QString& key, quint64 serial);
    void Heard();
    void Forget();

    Timing m_timing;
    ReplyWait& m_replies;
    std::map<QString, Entry> m_entries;
    quint64 m_nextSerial = 1;
    QElapsedTimer m_lateSince; // valid while a wait ran out and nothing was heard since
};

} // namespace platform
