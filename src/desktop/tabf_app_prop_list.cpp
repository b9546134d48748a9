#include "tabf_app_prop_list.h"

#include "application.h"
#include "message_boxes.h"
#include "tabf_application_properties.h"

#include <QToolTip>
#include <algorithm>

namespace {
std::shared_ptr<TabfAppPropList>& Shared()
{
    // Freed with the last component, or at the latest when the program ends.
    static std::shared_ptr<TabfAppPropList> list;
    return list;
}
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
    if (std::find(m_components.begin(), m_components.end(), component) != m_components.end())
        return;
    m_components.emplace_back(component);
    if (m_components.size() == 1)
        TakeOver();
}

void TabfAppPropList::Remove(TabfApplicationProperties* component)
{
    m_components.erase(std::remove_if(m_components.begin(), m_components.end(),
                                      [component](const QPointer<TabfApplicationProperties>& c) {
                                          return c.isNull() || c.data() == component;
                                      }),
                       m_components.end());
    if (!m_components.empty())
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
    // the last component, and with it the list.
    const auto self = [] { return Instance(); };
    const auto pass = [](TabfApplicationProperties&) {};
    ApplicationEventSlots& events = app->events();
    const auto chain = [this, self, pass](auto slot) {
        return [this, self, pass, slot](auto&&... args) {
            const auto keep = self();
            const auto saved = m_saved.*slot;
            if (Walk(pass) && saved)
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
    events.OnHelp = [this, self, pass](int command, qintptr data, bool& callHelp) {
        const auto keep = self();
        const HelpEvent saved = m_saved.OnHelp;
        return Walk(pass) && saved ? saved(command, data, callHelp) : false;
    };
    events.OnException = [this, self, pass](QObject* sender, std::exception_ptr error) {
        const auto keep = self();
        const ExceptionEvent saved = m_saved.OnException;
        if (Walk(pass) && saved)
            saved(sender, error);
        else
            ShowException(error);
    };

    ScreenEventSlots& screen = app->screenEvents();
    const auto screenChain = [this, self](NotifyEvent ScreenEventSlots::*slot,
                                          auto visitComponent) {
        return [this, self, slot, visitComponent](QObject* sender) {
            const auto keep = self();
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
