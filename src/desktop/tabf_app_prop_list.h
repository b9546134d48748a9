#pragma once

#include "application_events.h"

#include <QList>
#include <QPointer>
#include <memory>

// What the list needs of each component it holds; the components implement it,
// so the list never needs to know their class.
class TabfAppPropListMember
{
public:
    // False ends a walk at this component: older components and the handler
    // found in the slot are not reached.
    virtual bool Chained() const = 0;
    // The screen's notifications, for the component's own handlers.
    virtual void ActiveControlChanged(QObject* sender) = 0;
    virtual void ActiveFormChanged(QObject* sender) = 0;

protected:
    ~TabfAppPropListMember() = default;
};

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

    // The first component in takes the handlers over; a component is never in
    // twice. `component` is the member as an object: the list skips it once it
    // is destroyed.
    void Add(QObject* component, TabfAppPropListMember* member);
    // The last component out gives the handlers back and frees the list.
    void Remove(QObject* component);
    bool TakenOver() const { return m_takenOver; }

private:
    struct Entry
    {
        QPointer<QObject> component;
        TabfAppPropListMember* member = nullptr;
    };

    void TakeOver();
    void GiveBack();
    // Visits the live components newest first; false when one not chained ended the walk.
    template <typename Visit> bool Walk(Visit visit);

    // Shared on copy: a walk, which runs for every event delivered, copies it.
    QList<Entry> m_components;
    bool m_takenOver = false;
    ApplicationEventSlots m_saved;
    ScreenEventSlots m_savedScreen;
};
