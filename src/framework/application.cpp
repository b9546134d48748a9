#include "application.h"

#include "application_title.h"
#include "idle_event.h"
#include "message_boxes.h"

#include <QWidget>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), m_idleEvent(new IdleEvent(this))
{
    SetApplicationTitle(m_title);
    // Handlers connected to idle() run outside any event delivery, so guard them here.
    connect(m_idleEvent, &IdleEvent::idle, this, [this] { RunGuarded([this] { Q_EMIT idle(); }); });
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
    m_title = title;
    SetApplicationTitle(title);
}

void Application::Terminate()
{
    m_terminating = true;
    // Posted, so the handler that asked finishes first.
    QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
}

int Application::Run()
{
    if (m_terminating)
        return 0;
    if (m_showMainForm && m_mainForm)
        m_mainForm->show();
    return exec();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(std::current_exception());
    }
    return false;
}

void RunGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        ShowException(std::current_exception());
    }
}
