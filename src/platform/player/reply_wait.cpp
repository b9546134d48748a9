#include "reply_wait.h"

#include <QDBusPendingCallWatcher>
#include <future>
#include <memory>

namespace platform {

ReplyWait::ReplyWait() : m_watchers(new QObject)
{
    m_watchers->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_watchers, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("D-Bus answers"));
    m_thread.start();
}

ReplyWait::~ReplyWait()
{
    m_thread.quit();
    m_thread.wait();
}

bool ReplyWait::WaitFor(const QDBusPendingCall& call, std::chrono::milliseconds bound)
{
    // An answer already in needs no thread.
    if (call.isFinished())
        return true;
    auto arrival = std::make_shared<std::promise<void>>();
    std::future<void> arrived = arrival->get_future();
    QObject* watchers = m_watchers;
    QMetaObject::invokeMethod(
        watchers,
        [watchers, call, arrival] {
            auto* watch = new QDBusPendingCallWatcher(call, watchers);
            // An answer that came before the watcher may bring it no signal.
            if (watch->isFinished()) {
                arrival->set_value();
                watch->deleteLater();
                return;
            }
            QObject::connect(watch, &QDBusPendingCallWatcher::finished, watch, [watch, arrival] {
                arrival->set_value();
                watch->deleteLater();
            });
        },
        Qt::QueuedConnection);
    return arrived.wait_for(bound) == std::future_status::ready;
}

} // namespace platform
