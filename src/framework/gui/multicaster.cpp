#include "multicaster.h"

#include "custom_application_events.h"
#include "message_boxes.h"

#include <QAction>

namespace {
TMultiCaster*& Made()
{
    static TMultiCaster* made = nullptr;
    return made;
}
} // namespace

TCustomApplicationEvents::TCustomApplicationEvents(QObject* owner) : QObject(owner)
{
    if (TMultiCaster* multiCaster = TMultiCaster::Current())
        multiCaster->Add(this);
}

TCustomApplicationEvents::~TCustomApplicationEvents()
{
    if (TMultiCaster* multiCaster = TMultiCaster::Current())
        multiCaster->Remove(this);
}

void TCustomApplicationEvents::CancelDispatch()
{
    if (TMultiCaster* multiCaster = TMultiCaster::Current())
        multiCaster->CancelDispatch();
}

TMultiCaster::TMultiCaster(ApplicationEventSlots& eventSlots)
{
    // Each dispatcher calls the components' handler of the same name.
    const auto dispatch = [multiCaster = this](auto slot) {
        return [multiCaster, slot](auto&&... args) {
            multiCaster->Walk([&](TCustomApplicationEvents& c) {
                if (c.*slot)
                    (c.*slot)(args...);
            });
        };
    };
    eventSlots.OnActionExecute = dispatch(&ApplicationEventSlots::OnActionExecute);
    eventSlots.OnActionUpdate = dispatch(&ApplicationEventSlots::OnActionUpdate);
    eventSlots.OnActivate = dispatch(&ApplicationEventSlots::OnActivate);
    eventSlots.OnDeactivate = dispatch(&ApplicationEventSlots::OnDeactivate);
    eventSlots.OnException = [this](QObject* sender, std::exception_ptr error) {
        DispatchException(sender, error);
    };
    eventSlots.OnIdle = dispatch(&ApplicationEventSlots::OnIdle);
    eventSlots.OnHelp = [this](int command, qintptr data, bool& callHelp) {
        bool result = false;
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnHelp)
                result = c.OnHelp(command, data, callHelp);
        });
        return result;
    };
    eventSlots.OnHint = dispatch(&ApplicationEventSlots::OnHint);
    eventSlots.OnMessage = dispatch(&ApplicationEventSlots::OnMessage);
    eventSlots.OnMinimize = dispatch(&ApplicationEventSlots::OnMinimize);
    eventSlots.OnRestore = dispatch(&ApplicationEventSlots::OnRestore);
    eventSlots.OnShowHint = dispatch(&ApplicationEventSlots::OnShowHint);
    eventSlots.OnShortCut = dispatch(&ApplicationEventSlots::OnShortCut);
    Made() = this;
}

TMultiCaster::~TMultiCaster()
{
    if (Made() == this)
        Made() = nullptr;
}

TMultiCaster* TMultiCaster::Current()
{
    return Made();
}

void TMultiCaster::Add(TCustomApplicationEvents* component)
{
    m_components.append(component);
}

void TMultiCaster::Remove(TCustomApplicationEvents* component)
{
    // Also drops the entries of components already gone.
    m_components.removeIf([component](const QPointer<TCustomApplicationEvents>& c) {
        return c.isNull() || c.data() == component;
    });
}

template <typename Visit> void TMultiCaster::Walk(Visit visit)
{
    // A copy, so that a handler may make or destroy components meanwhile.
    const auto components = m_components;
    const bool outerCancelled = m_cancelled;
    m_cancelled = false;
    for (auto it = components.rbegin(); it != components.rend() && !m_cancelled; ++it) {
        if (*it)
            visit(**it);
    }
    m_cancelled = outerCancelled;
}

void TMultiCaster::DispatchException(QObject* sender, std::exception_ptr error)
{
    bool anyHandler = false;
    Walk([&](TCustomApplicationEvents& c) {
        if (c.OnException) {
            anyHandler = true;
            c.OnException(sender, error);
        }
    });
    if (!anyHandler)
        ShowException(error);
}
