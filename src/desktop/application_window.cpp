#include "application_window.h"

#include "application.h"
#include "window_presence.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

namespace {

// On Wayland only a token from the desktop lets a window take the focus; Qt's
// Wayland activation takes it from the environment only (and removes it once
// used), so it goes there despite the threads running. Programs started from
// here never see it: they get the user's environment (ChildEnvironment).
void UseActivationToken(const QString& token)
{
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
}

} // namespace

ApplicationWindow::ApplicationWindow(platform::TopLevelWindows& windows, QObject* parent)
    : QObject(parent), m_windows(windows)
{
    QTimer::singleShot(0, this, &ApplicationWindow::Publish);
}

ApplicationWindow::~ApplicationWindow()
{
    m_windows.Withdraw();
}

void ApplicationWindow::Publish()
{
    if (!m_windows.Publish(kApplicationWindowClass, Application::Title(), *this))
        qWarning("Other copies of %s will not find this one.", qPrintable(Application::Title()));
}

bool ApplicationWindow::IsIconic() const
{
    const Application* app = Application::instance();
    const QWidget* form = app ? app->mainForm() : nullptr;
    return form && !IsShownToUser(*form);
}

void ApplicationWindow::OpenIcon(const QString& activationToken)
{
    const Application* app = Application::instance();
    QWidget* form = app ? app->mainForm() : nullptr;
    if (!form)
        return;
    // Hidden in the notification area, or minimised: back on screen either way.
    PutBackOnScreen(*form);
    SetForegroundWindow(activationToken);
}

void ApplicationWindow::SetForegroundWindow(const QString& activationToken)
{
    const Application* app = Application::instance();
    QWidget* form = app ? app->mainForm() : nullptr;
    if (!form || form->isHidden())
        return;
    UseActivationToken(activationToken);
    form->raise();
    form->activateWindow();
}
