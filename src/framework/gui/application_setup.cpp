#include "application_setup.h"

#include "application.h"
#include "keyboard_access.h"

#include <QFont>

void PrepareApplication()
{
    // The layouts are in logical pixels and follow the desktop's scale as it
    // is asked (1.25 stays 1.25): rounding 1.5 up to 2 pushed the window off a
    // laptop's screen, and 1.25 down to 1 left it smaller than the rest of the
    // desktop. Pictures are drawn from their double-size sources.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void ConfigureApplication(Application& app)
{
    app.setTitle(QStringLiteral("Wavedock"));
    app.setStyle(new FocusFrameStyle);
    app.installEventFilter(new ReturnPressesFocusedButton(&app));
    // The layouts name Windows fonts; DejaVu Sans is what a Debian desktop has.
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont interfaceFont(QStringLiteral("Verdana"));
    interfaceFont.setPixelSize(11);
    app.setFont(interfaceFont);
}
