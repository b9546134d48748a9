#pragma once

#include "application_events.h"

#include <QObject>

// A component that receives the application's events: it registers with the
// application's multicaster when made and leaves it when destroyed. Each of its
// handlers (the same slots the application has) is reached through the
// multicaster, newest component first.
class TCustomApplicationEvents : public QObject, public ApplicationEventSlots
{
    Q_OBJECT
public:
    explicit TCustomApplicationEvents(QObject* owner = nullptr);
    ~TCustomApplicationEvents() override;
    Q_DISABLE_COPY_MOVE(TCustomApplicationEvents)

    // Stops the event being dispatched to older components.
    void CancelDispatch();
};
