#include "application.h"

#include "idle_event.h"
#include "message_boxes.h"

#include <QWidget>

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv), m_idleEvent(new IdleEvent(this))
{
    // Handlers connected to idle() run outside any event delivery, so guard them here.
    connect(m_idleEvent, &IdleEvent::idle, this, [this] { RunGuarded([this] { Q_EMIT idle(); }); });
}

Application::~Application() = default;

Application* Application::instance()
{
    return qobject_cast<Application*>(QCoreApplication::instance());
}

QString Application::Title()
{
    const Application* app = instance();
    return app ? app->title() : QStringLiteral("Wavedock");
}

void Application::setTitle(const QString& title)
{
    m_title = title;
}

void Application::Terminate()
{
    // Posted, so the handler that asked finishes first.
    QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
}

int Application::Run()
{
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
