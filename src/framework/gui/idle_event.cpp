#include "idle_event.h"

#include <QAbstractEventDispatcher>
#include <QThread>

IdleEvent::IdleEvent(QObject* parent) : QObject(parent)
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
    Q_ASSERT(dispatcher);
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { m_woken = true; });
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &IdleEvent::onAboutToBlock);
}

void IdleEvent::onAboutToBlock()
{
    // A handler that opens a nested loop must not see itself raised again inside it.
    if (!m_woken || m_inside)
        return;
    m_woken = false;
    m_inside = true;
    Q_EMIT idle();
    m_inside = false;
}
