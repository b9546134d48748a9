#include "application_setup.h"

#include "application.h"
#include "keyboard_access.h"

#include <QFont>

void PrepareApplication()
{
    // The layouts are in logical pixels and follow the desktop's scale; a
    // fractional scale is rounded to a whole one, as our pictures and
    // one-pixel lines come in whole multiples only.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
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
