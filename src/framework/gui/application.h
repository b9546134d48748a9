#pragma once

#include "application_events.h"
#include "application_settings.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class ApplicationWindowHooks;
class IdleEvent;
class TMultiCaster;

// The process-wide application object: title, main form, show-main-form flag,
// termination, the idle event and the other application events, hint settings. Every event handler
// runs guarded: an exception that escapes it ends that handler, is shown in the standard error box,
// and the program carries on.
class Application final : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    ~Application() override;

    static Application* instance();
    // The title of the running application, "Wavedock" until someone changes it.
    static QString Title();

    QString title() const { return Title(); }
    void setTitle(const QString& title);

    QWidget* mainForm() const { return m_mainForm; }
    void setMainForm(QWidget* form) { m_mainForm = form; }

    bool showMainForm() const { return m_showMainForm; }
    void setShowMainForm(bool show) { m_showMainForm = show; }

    // Ends the message loop once the current message has been handled.
    void Terminate();
    // The same, with the exit code Run() returns.
    void TerminateWithExitCode(int exitCode);

    // Shows the main form (unless the flag was cleared) and runs the message loop.
    // When termination was asked for before the loop starts, the loop does not
    // run at all: no idle pass, so no start-up work, happens in a copy that ends.
    int Run();

    bool notify(QObject* receiver, QEvent* event) override;

    // The event slots; whoever owns them puts its dispatchers in (see TMultiCaster).
    ApplicationEventSlots& events() { return m_events; }
    ScreenEventSlots& screenEvents() { return m_screenEvents; }
    // The sender of the screen's notifications.
    QObject* screen() const { return m_screen; }

    const HintSettings& hints() const { return *m_hints; }
    // Takes effect at once for every window, including hints already showing.
    void setHints(const HintSettings& hints);
    ApplicationOptions& options() { return m_options; }

    // The application's exception handling: OnException, else the error box.
    void HandleException(std::exception_ptr error);
    // Raises OnHelp; returns whether the request was dealt with.
    bool HelpCommand(int command, qintptr data);
    // Raises OnActionExecute; an action no handler took is triggered.
    bool ExecuteAction(QAction* action);
    // The hooks that see the application window's messages first.
    ApplicationWindowHooks& windowHooks() const { return *m_windowHooks; }

Q_SIGNALS:
    // Raised after OnIdle on each idle pass, for observers that are not components.
    void idle();
    void titleChanged(const QString& title);
    // The desktop's palette, fonts or style hints changed.
    void desktopSettingsChanged();

private:
    void DoIdle();
    void WireEvents();
    // Raises the events that come with delivering one event; true consumes it.
    bool RaiseDeliveryEvents(QObject* receiver, QEvent* event);
    void ApplyHintColour();

    QPointer<QWidget> m_mainForm;
    bool m_showMainForm = true;
    bool m_terminating = false;
    int m_exitCode = 0;
    // Declared before any child object: making a child already delivers events.
    ApplicationEventSlots m_events;
    ScreenEventSlots m_screenEvents;
    std::unique_ptr<TMultiCaster> m_multiCaster;
    // Shared with the proxy style, which reads the delays as hints come and go.
    std::shared_ptr<HintSettings> m_hints;
    ApplicationOptions m_options;
    QColor m_desktopHintBackground;
    QString m_currentHint;
    bool m_restyling = false;
    IdleEvent* m_idleEvent = nullptr;
    QObject* m_screen = nullptr;
    ApplicationWindowHooks* m_windowHooks = nullptr;
};

// Runs one piece of handler code; whatever it throws is shown in the error box.
void RunGuarded(const std::function<void()>& handler);
