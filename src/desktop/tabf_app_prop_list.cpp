#include "tabf_app_prop_list.h"

#include "application.h"
#include "message_boxes.h"
#include "tabf_application_properties.h"

#include <QToolTip>

namespace {
std::shared_ptr<TabfAppPropList>& Shared()
{
    // Freed with the last component, or at the latest when the program ends.
    static std::shared_ptr<TabfAppPropList> list;
    return list;
}

// A walk that only looks for a component that is not chained.
constexpr auto kPass = [](TabfApplicationProperties&) {};
} // namespace

std::shared_ptr<TabfAppPropList> TabfAppPropList::Instance()
{
    return Shared();
}

std::shared_ptr<TabfAppPropList> TabfAppPropList::Ensure()
{
    if (!Shared())
        Shared() = std::make_shared<TabfAppPropList>();
    return Shared();
}

void TabfAppPropList::Add(TabfApplicationProperties* component)
{
    if (m_components.contains(component))
        return;
    m_components.append(component);
    if (m_components.size() == 1)
        TakeOver();
}

void TabfAppPropList::Remove(TabfApplicationProperties* component)
{
    m_components.removeIf([component](const QPointer<TabfApplicationProperties>& c) {
        return c.isNull() || c.data() == component;
    });
    if (!m_components.isEmpty())
        return;
    GiveBack();
    if (Shared().get() == this)
        Shared().reset(); // a dispatcher still running holds its own reference
}

template <typename Visit> bool TabfAppPropList::Walk(Visit visit)
{
    const auto components = m_components;
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
        TabfApplicationProperties* component = *it;
        if (!component)
            continue;
        visit(*component);
        if (!component->Chained())
            return false;
    }
    return true;
}

void TabfAppPropList::TakeOver()
{
    Application* app = Application::instance();
    if (!app || m_takenOver)
        return;
    m_saved = app->events();
    m_savedScreen = app->screenEvents();
    m_takenOver = true;

    // Each dispatcher keeps the list alive while it runs: a handler may destroy
    // the last component, and with it the list. The dispatchers capture no more
    // than std::function holds without allocating, as the event is copied out of
    // its slot for every event delivered.
    ApplicationEventSlots& events = app->events();
    const auto chain = [this](auto slot) {
        return [this, slot](auto&&... args) {
            const auto keep = Instance();
            const auto saved = m_saved.*slot;
            if (Walk(kPass) && saved)
                saved(args...);
        };
    };
    events.OnActionExecute = chain(&ApplicationEventSlots::OnActionExecute);
    events.OnActionUpdate = chain(&ApplicationEventSlots::OnActionUpdate);
    events.OnActivate = chain(&ApplicationEventSlots::OnActivate);
    events.OnDeactivate = chain(&ApplicationEventSlots::OnDeactivate);
    events.OnIdle = chain(&ApplicationEventSlots::OnIdle);
    events.OnHint = chain(&ApplicationEventSlots::OnHint);
    events.OnMessage = chain(&ApplicationEventSlots::OnMessage);
    events.OnMinimize = chain(&ApplicationEventSlots::OnMinimize);
    events.OnRestore = chain(&ApplicationEventSlots::OnRestore);
    events.OnShowHint = chain(&ApplicationEventSlots::OnShowHint);
    events.OnShortCut = chain(&ApplicationEventSlots::OnShortCut);
    events.OnHelp = [this](int command, qintptr data, bool& callHelp) {
        const auto keep = Instance();
        const HelpEvent saved = m_saved.OnHelp;
        return Walk(kPass) && saved ? saved(command, data, callHelp) : false;
    };
    events.OnException = [this](QObject* sender, std::exception_ptr error) {
        const auto keep = Instance();
        const ExceptionEvent saved = m_saved.OnException;
        if (Walk(kPass) && saved)
            saved(sender, error);
        else
            ShowException(error);
    };

    ScreenEventSlots& screen = app->screenEvents();
    const auto screenChain = [this](NotifyEvent ScreenEventSlots::*slot, auto visitComponent) {
        return [this, slot, visitComponent](QObject* sender) {
            const auto keep = Instance();
            const NotifyEvent saved = m_savedScreen.*slot;
            if (Walk([&](TabfApplicationProperties& c) { visitComponent(c, sender); }) && saved)
                saved(sender);
        };
    };
    screen.OnActiveControlChange = screenChain(&ScreenEventSlots::OnActiveControlChange,
                                               [](TabfApplicationProperties& c, QObject* s) {
                                                   if (c.OnActiveControlChange)
                                                       c.OnActiveControlChange(s);
                                               });
    screen.OnActiveFormChange = screenChain(&ScreenEventSlots::OnActiveFormChange,
                                            [](TabfApplicationProperties& c, QObject* s) {
                                                if (c.OnActiveFormChange)
                                                    c.OnActiveFormChange(s);
                                            });
    screen.OnHintFontChange =
        screenChain(&ScreenEventSlots::OnHintFontChange, [](TabfApplicationProperties&, QObject*) {
            // Hint windows take the desktop's new hint font.
            QToolTip::setFont(QApplication::font("QTipLabel"));
        });
    screen.OnIconFontChange = screenChain(&ScreenEventSlots::OnIconFontChange,
                                          [](TabfApplicationProperties&, QObject*) {});
}

void TabfAppPropList::GiveBack()
{
    Application* app = Application::instance();
    if (!app || !m_takenOver)
        return;
    app->events() = m_saved;
    app->screenEvents() = m_savedScreen;
    m_takenOver = false;
}
