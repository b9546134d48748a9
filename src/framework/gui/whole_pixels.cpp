#include "whole_pixels.h"

#include <QImage>
#include <QPainter>

void DrawInWholePixels(QPainter* painter, const QRect& rect,
                       const std::function<void(QPainter*, const QRect&)>& draw)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    if (rect.isEmpty() || qFuzzyCompare(ratio, 1.0)) {
        draw(painter, rect);
        return;
    }
    QImage image(rect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter onImage(&image);
        draw(&onImage, QRect(QPoint(0, 0), rect.size()));
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(rect, image);
    painter->restore();
}
