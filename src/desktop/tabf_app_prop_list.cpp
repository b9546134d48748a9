#include "tabf_app_prop_list.h"

#include "application.h"
#include "message_boxes.h"

#include <QToolTip>
#include <algorithm>

namespace {
std::shared_ptr<TabfAppPropList>& Shared()
{
    // Freed with the last component, or at the latest when the program ends.
    static std::shared_ptr<TabfAppPropList> list;
    return list;
}

// A walk that only looks for a component that is not chained.
constexpr auto kPass = [](TabfAppPropListMember&) {};
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

void TabfAppPropList::Add(QObject* component, TabfAppPropListMember* member)
{
    const auto same = [component](const Entry& e) { return e.component == component; };
    if (std::any_of(m_components.cbegin(), m_components.cend(), same))
        return;
    m_components.append(Entry{component, member});
    if (m_components.size() == 1)
        TakeOver();
}

void TabfAppPropList::Remove(QObject* component)
{
    m_components.removeIf([component](const Entry& e) {
        return e.component.isNull() || e.component.data() == component;
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
        if (!it->component)
            continue;
        TabfAppPropListMember& member = *it->member;
        visit(member);
        if (!member.Chained())
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
            if (Walk([&](TabfAppPropListMember& c) { visitComponent(c, sender); }) && saved)
                saved(sender);
        };
    };
    screen.OnActiveControlChange =
        screenChain(&ScreenEventSlots::OnActiveControlChange,
                    [](TabfAppPropListMember& c, QObject* s) { c.ActiveControlChanged(s); });
    screen.OnActiveFormChange =
        screenChain(&ScreenEventSlots::OnActiveFormChange,
                    [](TabfAppPropListMember& c, QObject* s) { c.ActiveFormChanged(s); });
    screen.OnHintFontChange =
        screenChain(&ScreenEventSlots::OnHintFontChange, [](TabfAppPropListMember&, QObject*) {
            // Hint windows take the desktop's new hint font.
            QToolTip::setFont(QApplication::font("QTipLabel"));
        });
    screen.OnIconFontChange =
        screenChain(&ScreenEventSlots::OnIconFontChange, [](TabfAppPropListMember&, QObject*) {});
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
