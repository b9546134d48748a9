#include "tabf_custom_timer.h"

#include "application.h"
#include "error.h"

#include <QTimerEvent>
#include <climits>

TabfCustomTimer::TabfCustomTimer(QObject* owner) : QObject(owner) {}

TabfCustomTimer::~TabfCustomTimer()
{
    if (m_timerId)
        killTimer(m_timerId);
}

void TabfCustomTimer::SetTimerInterval(unsigned milliseconds)
{
    if (milliseconds == m_interval)
        return;
    m_interval = milliseconds;
    UpdateTimer();
}

void TabfCustomTimer::SetTimerEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    UpdateTimer();
}

void TabfCustomTimer::SetOnTimer(TNotifyEvent handler)
{
    m_onTimer = std::move(handler);
    UpdateTimer();
}

void TabfCustomTimer::UpdateTimer()
{
    if (m_timerId) {
        killTimer(m_timerId);
        m_timerId = 0;
    }
    if (m_interval == 0 || !m_enabled || !m_onTimer)
        return;
    // Qt takes intervals as int; anything longer than that waits the longest it can.
    const int interval = m_interval > unsigned(INT_MAX) ? INT_MAX : int(m_interval);
    m_timerId = startTimer(interval);
    if (!m_timerId)
        throw Error(QStringLiteral("Not enough timers available"));
}

void TabfCustomTimer::Tick()
{
    if (m_onTimer)
        m_onTimer(this);
}

void TabfCustomTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timerId || !m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    RunGuarded([this] { Tick(); });
}
