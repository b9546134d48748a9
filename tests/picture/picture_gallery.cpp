// Shows the program's five pictures as the windows place them, for a look or
// a screenshot.
#include "ui_picture_gallery.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    Ui::PictureGallery ui;
    ui.setupUi(&window);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(67, 100, 150));
    window.setPalette(palette);
    window.setFixedSize(681, 496);
    window.move(20, 20);
    window.show();
    return app.exec();
}
