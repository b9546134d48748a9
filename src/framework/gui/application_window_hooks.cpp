#include "application_window_hooks.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindowStateChangeEvent>
#include <algorithm>

ApplicationWindowHooks::ApplicationWindowHooks(std::function<QWidget*()> window, QObject* parent)
    : QObject(parent), m_window(std::move(window))
{
    // Filtering at the application sees the window's events before the window
    // does, whichever form becomes the application window later.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

ApplicationWindowHooks::~ApplicationWindowHooks() = default;

ApplicationWindowHooks::HookId ApplicationWindowHooks::Install(Hook hook)
{
    const HookId id = m_nextId++;
    m_hooks.emplace_back(id, std::move(hook));
    return id;
}

void ApplicationWindowHooks::Remove(HookId id)
{
    m_hooks.erase(std::remove_if(m_hooks.begin(), m_hooks.end(),
                                 [id](const auto& entry) { return entry.first == id; }),
                  m_hooks.end());
}

bool ApplicationWindowHooks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::WindowStateChange || m_hooks.empty())
        return false;
    QWidget* window = m_window ? m_window() : nullptr;
    if (!window || watched != window)
        return false;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool minimised = window->isMinimized() && !(change->oldState() & Qt::WindowMinimized);
    if (!minimised)
        return false;
    // A hook may remove itself or others while it runs.
    const auto hooks = m_hooks;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
        it->second(ApplicationWindowMessage::Minimized);
    return false;
}
