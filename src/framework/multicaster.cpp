#include "multicaster.h"

#include "application.h"
#include "custom_application_events.h"
#include "message_boxes.h"

#include <QAction>
#include <algorithm>

TCustomApplicationEvents::TCustomApplicationEvents(QObject* owner) : QObject(owner)
{
    if (Application* app = Application::instance())
        app->multiCaster().Add(this);
}

TCustomApplicationEvents::~TCustomApplicationEvents()
{
    if (Application* app = Application::instance())
        app->multiCaster().Remove(this);
}

void TCustomApplicationEvents::CancelDispatch()
{
    if (Application* app = Application::instance())
        app->multiCaster().CancelDispatch();
}

TMultiCaster::TMultiCaster(ApplicationEventSlots& eventSlots)
{
    // Each dispatcher calls the components' handler of the same name.
    eventSlots.OnActionExecute = [this](QAction* action, bool& handled) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnActionExecute)
                c.OnActionExecute(action, handled);
        });
    };
    eventSlots.OnActionUpdate = [this](QAction* action, bool& handled) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnActionUpdate)
                c.OnActionUpdate(action, handled);
        });
    };
    eventSlots.OnActivate = [this](QObject* sender) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnActivate)
                c.OnActivate(sender);
        });
    };
    eventSlots.OnDeactivate = [this](QObject* sender) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnDeactivate)
                c.OnDeactivate(sender);
        });
    };
    eventSlots.OnException = [this](QObject* sender, std::exception_ptr error) {
        DispatchException(sender, error);
    };
    eventSlots.OnIdle = [this](QObject* sender, bool& done) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnIdle)
                c.OnIdle(sender, done);
        });
    };
    eventSlots.OnHelp = [this](int command, qintptr data, bool& callHelp) {
        bool result = false;
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnHelp)
                result = c.OnHelp(command, data, callHelp);
        });
        return result;
    };
    eventSlots.OnHint = [this](QObject* sender) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnHint)
                c.OnHint(sender);
        });
    };
    eventSlots.OnMessage = [this](QObject* receiver, QEvent* event, bool& handled) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnMessage)
                c.OnMessage(receiver, event, handled);
        });
    };
    eventSlots.OnMinimize = [this](QObject* sender) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnMinimize)
                c.OnMinimize(sender);
        });
    };
    eventSlots.OnRestore = [this](QObject* sender) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnRestore)
                c.OnRestore(sender);
        });
    };
    eventSlots.OnShowHint = [this](QString& hint, bool& canShow, QWidget* control) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnShowHint)
                c.OnShowHint(hint, canShow, control);
        });
    };
    eventSlots.OnShortCut = [this](QKeyEvent* key, bool& handled) {
        Walk([&](TCustomApplicationEvents& c) {
            if (c.OnShortCut)
                c.OnShortCut(key, handled);
        });
    };
}

void TMultiCaster::Add(TCustomApplicationEvents* component)
{
    m_components.emplace_back(component);
}

void TMultiCaster::Remove(TCustomApplicationEvents* component)
{
    // Also drops the entries of components already gone.
    m_components.erase(std::remove_if(m_components.begin(), m_components.end(),
                                      [component](const QPointer<TCustomApplicationEvents>& c) {
                                          return c.isNull() || c.data() == component;
                                      }),
                       m_components.end());
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
