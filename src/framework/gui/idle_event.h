#pragma once

#include <QObject>

// Raised once each time the thread's event queue runs empty: the dispatcher
// wakes (flag set), handles what came, and just before it would block again the
// flag is consumed and idle() emitted. A program that sits still never wakes, so
// it costs no CPU.
class IdleEvent final : public QObject
{
    Q_OBJECT
public:
    explicit IdleEvent(QObject* parent = nullptr);

Q_SIGNALS:
    void idle();

private:
    void onAboutToBlock();

    bool m_woken = true;
    bool m_inside = false;
};
