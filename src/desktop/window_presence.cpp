#include "window_presence.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {
bool ReportsMinimising()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
} // namespace

bool IsShownToUser(const QWidget& window)
{
    if (!window.isVisible() || window.isMinimized())
        return false;
    if (ReportsMinimising())
        return true;
    const QWindow* handle = window.windowHandle();
    return handle && handle->isExposed() && window.isActiveWindow();
}

void PutBackOnScreen(QWidget& window)
{
    if (window.isVisible() && !ReportsMinimising() && !IsShownToUser(window))
        window.setVisible(false);
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.setVisible(true);
}
