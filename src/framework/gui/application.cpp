#include "application.h"

#include "application_title.h"
#include "application_window_hooks.h"
#include "idle_event.h"
#include "message_boxes.h"
#include "multicaster.h"

#include <QWidget>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), m_hints(std::make_shared<HintSettings>()),
      m_idleEvent(new IdleEvent(this)), m_screen(new QObject(this)),
      m_windowHooks(new ApplicationWindowHooks([this] { return mainForm(); }, this))
{
    // The title is kept in one place only, where the message boxes read it too.
    SetApplicationTitle(QStringLiteral("Wavedock"));
    m_screen->setObjectName(QStringLiteral("Screen"));
    // Until a component takes them over, the multicaster owns the event slots.
    m_multiCaster = std::make_unique<TMultiCaster>(m_events);
    connect(m_idleEvent, &IdleEvent::idle, this, &Application::DoIdle);
    WireEvents();
}

Application::~Application()
{
    // Without an application object the title is the default again.
    SetApplicationTitle(QStringLiteral("Wavedock"));
}

Application* Application::instance()
{
    return qobject_cast<Application*>(QCoreApplication::instance());
}

QString Application::Title()
{
    return ApplicationTitle();
}

void Application::setTitle(const QString& title)
{
    if (title == ApplicationTitle())
        return;
    SetApplicationTitle(title);
    Q_EMIT titleChanged(title);
}

void Application::Terminate()
{
    m_terminating = true;
    // Posted, so the handler that asked finishes first.
    QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Application::TerminateWithExitCode(int exitCode)
{
    m_exitCode = exitCode;
    Terminate();
}

int Application::Run()
{
    if (m_terminating)
        return m_exitCode;
    if (m_showMainForm && m_mainForm)
        m_mainForm->show();
    const int exitCode = exec();
    return m_exitCode != 0 ? m_exitCode : exitCode;
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        if (RaiseDeliveryEvents(receiver, event))
            return true;
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return false;
}

void RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        if (Application* app = Application::instance())
            app->HandleException(std::current_exception());
        else
            ShowException(std::current_exception());
    }
}
