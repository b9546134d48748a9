#include "application.h"

#include <QWidget>

int main(int argc, char** argv)
{
    Application app(argc, argv);
    app.setTitle(QStringLiteral("Wavedock"));
    QWidget window;
    window.setWindowTitle(app.title());
    app.setMainForm(&window);
    return app.Run();
}
