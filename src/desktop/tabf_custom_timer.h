#pragma once

#include <QObject>
#include <functional>

// A non-visual component with an optional periodic timer: the base of the
// components that want ticks and messages of their own.
class TabfCustomTimer : public QObject
{
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    explicit TabfCustomTimer(QObject* owner = nullptr);
    ~TabfCustomTimer() override;
    Q_DISABLE_COPY_MOVE(TabfCustomTimer)

    unsigned TimerInterval() const { return m_interval; }
    void SetTimerInterval(unsigned milliseconds);
    bool TimerEnabled() const { return m_enabled; }
    void SetTimerEnabled(bool enabled);
    const TNotifyEvent& OnTimer() const { return m_onTimer; }
    void SetOnTimer(TNotifyEvent handler);

    bool IsTimerRunning() const { return m_timerId != 0; }

protected:
    // One tick; by default raises OnTimer.
    virtual void Tick();
    void timerEvent(QTimerEvent* event) override;

private:
    // The one arming rule, applied whenever interval, flag or handler change.
    void UpdateTimer();

    unsigned m_interval = 1000;
    bool m_enabled = true;
    TNotifyEvent m_onTimer;
    int m_timerId = 0;
};
