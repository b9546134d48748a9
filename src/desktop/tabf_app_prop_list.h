#pragma once

#include "application_events.h"

#include <QList>
#include <QPointer>
#include <memory>

class TabfApplicationProperties;

// The one list per process of application-properties components. While it holds
// any, its dispatchers sit in the application's seventeen event slots: each walks
// the components newest first, stops at one that is not chained, and otherwise
// hands the event on to the handler it found in the slot (the multicaster's).
class TabfAppPropList final
{
public:
    // The shared list, made on first use; null once freed.
    static std::shared_ptr<TabfAppPropList> Instance();
    static std::shared_ptr<TabfAppPropList> Ensure();

    TabfAppPropList() = default;
    Q_DISABLE_COPY_MOVE(TabfAppPropList)

    // The first component in takes the handlers over; a component is never in twice.
    void Add(TabfApplicationProperties* component);
    // The last component out gives the handlers back and frees the list.
    void Remove(TabfApplicationProperties* component);
    bool TakenOver() const { return m_takenOver; }

private:
    void TakeOver();
    void GiveBack();
    // Visits the live components newest first; false when one not chained ended the walk.
    template <typename Visit> bool Walk(Visit visit);

    // Shared on copy: a walk, which runs for every event delivered, copies it.
    QList<QPointer<TabfApplicationProperties>> m_components;
    bool m_takenOver = false;
    ApplicationEventSlots m_saved;
    ScreenEventSlots m_savedScreen;
};
