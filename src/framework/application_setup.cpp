#include "application_setup.h"

#include "application.h"

#include <QFont>
#include <QStyleFactory>

void PrepareApplication()
{
    // Windows keep their pixel layout at every screen density.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

void ConfigureApplication(Application& app)
{
    app.setTitle(QStringLiteral("Wavedock"));
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The layouts name Windows fonts; DejaVu Sans is what a Debian desktop has.
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont interfaceFont(QStringLiteral("Verdana"));
    interfaceFont.setPixelSize(11);
    app.setFont(interfaceFont);
}
