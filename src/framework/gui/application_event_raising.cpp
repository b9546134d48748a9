// The application's side of its events: where each one is raised.
#include "application.h"
#include "message_boxes.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QStyleHints>
#include <QToolTip>
#include <QWindow>

void Application::DoIdle()
{
    bool done = true;
    // A handler that replaces the slot's dispatcher must not destroy the one running.
    if (const IdleEventHandler handler = m_events.OnIdle)
        RunGuarded([&] { handler(this, done); });
    RunGuarded([this] { Q_EMIT idle(); });
    if (!done) {
        // Asked for more: wake the loop so that the next pass follows at once.
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->wakeUp();
        return;
    }
    // The action-update pass, then the loop blocks until the next message.
    if (m_mainForm && m_events.OnActionUpdate) {
        const ActionEvent handler = m_events.OnActionUpdate;
        for (QAction* action : m_mainForm->actions()) {
            bool handled = false;
            RunGuarded([&] { handler(action, handled); });
        }
    }
}

void Application::HandleException(std::exception_ptr error)
{
    const ExceptionEvent handler = m_events.OnException;
    if (!handler) {
        ShowException(error);
        return;
    }
    try {
        handler(this, error);
    } catch (...) {
        // A failing error handler must not take the program down.
        ShowException(std::current_exception());
    }
}

bool Application::HelpCommand(int command, qintptr data)
{
    bool callHelp = true;
    if (const HelpEvent handler = m_events.OnHelp)
        return handler(command, data, callHelp);
    return false;
}

bool Application::ExecuteAction(QAction* action)
{
    bool handled = false;
    if (const ActionEvent handler = m_events.OnActionExecute)
        handler(action, handled);
    if (!handled && action) {
        action->trigger();
        handled = true;
    }
    return handled;
}

void Application::WireEvents()
{
    const auto raise = [this](NotifyEvent ScreenEventSlots::*slot, QObject* sender) {
        if (const NotifyEvent handler = m_screenEvents.*slot)
            RunGuarded([&] { handler(sender); });
    };
    connect(this, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                const NotifyEvent handler =
                    state == Qt::ApplicationActive ? m_events.OnActivate : m_events.OnDeactivate;
                if (handler && (state == Qt::ApplicationActive || state == Qt::ApplicationInactive))
                    RunGuarded([&] { handler(this); });
            });
    connect(this, &QApplication::focusChanged, this,
            [this, raise] { raise(&ScreenEventSlots::OnActiveControlChange, m_screen); });
    connect(this, &QGuiApplication::focusWindowChanged, this,
            [this, raise] { raise(&ScreenEventSlots::OnActiveFormChange, m_screen); });

    // Style hints the desktop may change while we run. The drag distance is left
    // out: the program sets it itself.
    const auto changed = [this] { Q_EMIT desktopSettingsChanged(); };
    QStyleHints* hints = styleHints();
    connect(hints, &QStyleHints::cursorFlashTimeChanged, this, changed);
    connect(hints, &QStyleHints::keyboardInputIntervalChanged, this, changed);
    connect(hints, &QStyleHints::mouseDoubleClickIntervalChanged, this, changed);
    connect(hints, &QStyleHints::mousePressAndHoldIntervalChanged, this, changed);
    connect(hints, &QStyleHints::startDragTimeChanged, this, changed);
    connect(hints, &QStyleHints::tabFocusBehaviorChanged, this, changed);
    connect(hints, &QStyleHints::useHoverEffectsChanged, this, changed);
    connect(hints, &QStyleHints::wheelScrollLinesChanged, this, changed);
}

bool Application::RaiseDeliveryEvents(QObject* receiver, QEvent* event)
{
    if (const MessageEvent handler = m_events.OnMessage) {
        bool handled = false;
        handler(receiver, event, handled);
        if (handled)
            return true;
    }
    switch (event->type()) {
    case QEvent::ApplicationPaletteChange:
    case QEvent::ApplicationFontChange:
        if (receiver != this)
            break;
        // A new desktop palette brings its own tool-tip colours: ours go back on top.
        if (event->type() == QEvent::ApplicationPaletteChange)
            ApplyHintColour();
        if (event->type() == QEvent::ApplicationFontChange) {
            for (auto slot :
                 {&ScreenEventSlots::OnIconFontChange, &ScreenEventSlots::OnHintFontChange}) {
                if (const NotifyEvent handler = m_screenEvents.*slot)
                    handler(m_screen);
            }
        }
        if (!m_restyling)
            Q_EMIT desktopSettingsChanged();
        break;
    case QEvent::KeyPress:
        // Key presses reach the focused control, or the active window when none
        // has focus; other receivers (windows of their own, some half torn
        // down) are compared, never called.
        if (const ShortCutEvent handler = m_events.OnShortCut;
            handler &&
            (receiver == QApplication::focusWidget() || receiver == QApplication::activeWindow())) {
            bool handled = false;
            handler(static_cast<QKeyEvent*>(event), handled);
            return handled;
        }
        break;
    case QEvent::WindowStateChange:
        if (receiver == m_mainForm.data()) {
            const NotifyEvent handler =
                m_mainForm->isMinimized() ? m_events.OnMinimize : m_events.OnRestore;
            const bool wasMinimized =
                static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
            if (handler && (m_mainForm->isMinimized() || wasMinimized))
                handler(this);
        }
        break;
    case QEvent::ToolTip:
        if (receiver->isWidgetType()) {
            auto* control = static_cast<QWidget*>(receiver);
            if (!m_hints->showHint) {
                event->ignore();
                return true;
            }
            // Every control of every window stays up as long as the settings say.
            control->setToolTipDuration(m_hints->hidePause);
            const QString hint = control->toolTip();
            if (hint != m_currentHint) {
                m_currentHint = hint;
                if (const NotifyEvent handler = m_events.OnHint)
                    handler(this);
            }
            if (const ShowHintEvent handler = m_events.OnShowHint; handler && !hint.isEmpty()) {
                QString shown = hint;
                bool canShow = true;
                handler(shown, canShow, control);
                if (!canShow) {
                    event->ignore();
                    return true;
                }
                if (shown != hint) {
                    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), shown, control,
                                       QRect(), m_hints->hidePause);
                    return true;
                }
            }
        }
        break;
    default:
        break;
    }
    return false;
}
