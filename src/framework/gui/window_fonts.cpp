#include "window_fonts.h"

#include <QWidget>
#include <cmath>

namespace {

void ToPixels(QWidget* widget)
{
    if (!widget->testAttribute(Qt::WA_SetFont))
        return;
    QFont font = widget->font();
    if (font.pointSizeF() <= 0)
        return;
    font.setPixelSize(int(std::lround(font.pointSizeF() * 96.0 / 72.0)));
    widget->setFont(font);
}

} // namespace

void UsePixelFonts(QWidget* root)
{
    ToPixels(root);
    // Parents come before their children in this list, so inherited sizes resolve.
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        ToPixels(child);
}
