#pragma once

#include <QDBusPendingCall>
#include <QThread>
#include <chrono>

namespace platform {

// Lets the calling thread wait a bounded time for a D-Bus answer. Qt takes an
// answer in only in an event loop or in waitForFinished(), whose only bound
// is the call's own timeout; running the caller's event loop instead would
// let its other events in mid-call. So each awaited call is watched from an
// event loop on a thread of this object's own, whose QDBusPendingCallWatcher
// wakes the caller as soon as the answer is in.
class ReplyWait final
{
public:
    ReplyWait();
    ~ReplyWait();
    Q_DISABLE_COPY_MOVE(ReplyWait)

    // Whether `call` has its answer, waiting for it at most `bound`. The call
    // goes on either way.
    bool WaitFor(const QDBusPendingCall& call, std::chrono::milliseconds bound);

private:
    QThread m_thread;
    // Lives in m_thread and holds the watchers there; it goes with the
    // thread's last deferred deletions.
    QObject* m_watchers;
};

} // namespace platform
