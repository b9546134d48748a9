#include "player_calls.h"

#include "reply_wait.h"

#include <QDBusError>
#include <QDBusPendingCallWatcher>

namespace platform {

namespace {

bool IsTimeout(const QDBusMessage& reply)
{
    const QDBusError::ErrorType type = QDBusError(reply).type();
    return type == QDBusError::NoReply || type == QDBusError::Timeout ||
           type == QDBusError::TimedOut;
}

} // namespace

PlayerCalls::PlayerCalls(Timing timing, ReplyWait& replies, QObject* parent)
    : QObject(parent), m_timing(timing), m_replies(replies)
{
}

PlayerCalls::~PlayerCalls() = default;

QDBusPendingCall PlayerCalls::Launch(const Start& start, const QString& key, quint64 serial)
{
    QDBusPendingCall call = start();
    // Answers that come after the wait still count: they are the player's
    // sign of life and the next question's answer.
    auto* watch = new QDBusPendingCallWatcher(call, this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this, watch, key, serial] {
        watch->deleteLater();
        if (key.isEmpty())
            Heard();
        else
            Collect(key, serial);
    });
    return call;
}

bool PlayerCalls::WaitBriefly(QDBusPendingCall& call, QElapsedTimer& waitedAt)
{
    if (call.isFinished())
        return true;
    const qint64 refresh = m_timing.refresh.count();
    if ((m_lateSince.isValid() && m_lateSince.elapsed() < refresh) ||
        (waitedAt.isValid() && waitedAt.elapsed() < refresh))
        return false;
    waitedAt.start();
    if (m_replies.WaitFor(call, m_timing.wait))
        return true;
    m_lateSince.start();
    return false;
}

void PlayerCalls::Heard()
{
    m_lateSince.invalidate();
}

void PlayerCalls::Collect(const QString& key, quint64 serial)
{
    const auto found = m_entries.find(key);
    if (found == m_entries.end())
        return;
    Entry& entry = found->second;
    if (!entry.calling || entry.serial != serial || !entry.pending.isFinished())
        return;
    entry.calling = false;
    const QDBusMessage reply = entry.pending.reply();
    Heard();
    if (IsTimeout(reply)) {
        entry.answer = QDBusMessage();
        entry.answerSerial = 0;
        return;
    }
    entry.answer = reply;
    entry.answerSerial = serial;
    entry.answeredAt.start();
}

QDBusMessage PlayerCalls::Read(const QString& key, const Start& start, bool reuseRecent)
{
    Entry& entry = m_entries[key];
    if (entry.calling)
        Collect(key, entry.serial);
    const bool young = entry.answer.type() != QDBusMessage::InvalidMessage &&
                       entry.answeredAt.isValid() &&
                       entry.answeredAt.elapsed() < m_timing.refresh.count();
    if (reuseRecent && young && !entry.calling)
        return entry.answer;
    if (!entry.calling) {
        entry.serial = m_nextSerial++;
        entry.pending = Launch(start, key, entry.serial);
        entry.calling = true;
        entry.waitedAt.invalidate();
    }
    if (WaitBriefly(entry.pending, entry.waitedAt))
        Collect(key, entry.serial);
    if (entry.answer.type() == QDBusMessage::InvalidMessage || !entry.answeredAt.isValid() ||
        entry.answeredAt.elapsed() > m_timing.keep.count())
        return QDBusMessage();
    return entry.answer;
}

void PlayerCalls::Forget()
{
    for (auto& [key, entry] : m_entries) {
        entry.answer = QDBusMessage();
        entry.answerSerial = 0;
    }
}

void PlayerCalls::Send(const Start& start)
{
    Forget();
    QDBusPendingCall call = Launch(start, QString(), 0);
    QElapsedTimer waitedAt;
    if (WaitBriefly(call, waitedAt))
        Heard();
}

QDBusMessage PlayerCalls::Ask(const Start& start, std::chrono::milliseconds bound)
{
    Forget();
    const QDBusPendingCall call = Launch(start, QString(), 0);
    if (!m_replies.WaitFor(call, bound)) {
        m_lateSince.start();
        return QDBusMessage();
    }
    Heard();
    return call.reply();
}

} // namespace platform
