#pragma once

#include "application_events.h"

#include <QList>
#include <QPointer>

class TCustomApplicationEvents;

// Forwards each application event to the matching handler of every registered
// application-events component, newest first. It puts its own dispatchers into
// the application's event slots when made.
class TMultiCaster final
{
public:
    explicit TMultiCaster(ApplicationEventSlots& eventSlots);
    ~TMultiCaster();
    Q_DISABLE_COPY_MOVE(TMultiCaster)

    // The one the application made, which components join and leave; null while
    // there is no application. Components find it here rather than through the
    // application, which makes it and so must not be needed to reach it.
    static TMultiCaster* Current();

    void Add(TCustomApplicationEvents* component);
    void Remove(TCustomApplicationEvents* component);
    int Count() const { return int(m_components.size()); }
    // Ends the dispatch in progress after the current handler.
    void CancelDispatch() { m_cancelled = true; }

private:
    // Calls visit on each live component, newest first, until one cancels.
    template <typename Visit> void Walk(Visit visit);
    void DispatchException(QObject* sender, std::exception_ptr error);

    // Shared on copy: a walk, which runs for every event delivered, copies it.
    QList<QPointer<TCustomApplicationEvents>> m_components;
    bool m_cancelled = false;
};
