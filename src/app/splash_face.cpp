#include "splash_face.h"

#include "key_colour.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr QRgb kSeeThrough = qRgb(255, 255, 255);

// Each pixel opaque where it is more than half picture, in the picture's own
// colour (the premultiplied colour divided by its coverage), or clear.
void Harden(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (alpha < 128) {
                row[x] = 0;
                continue;
            }
            const auto channel = [alpha](int value) { return std::min(255, value * 255 / alpha); };
            row[x] = qRgb(channel(qRed(row[x])), channel(qGreen(row[x])), channel(qBlue(row[x])));
        }
    }
}

// The screen pixels [first, last) that logical pixel `at` may cover, whichever
// way the window system rounds its edges.
std::pair<int, int> Cell(int at, qreal ratio, int limit)
{
    const int first = int(std::floor(at * ratio));
    const int last = int(std::ceil((at + 1) * ratio));
    return {std::clamp(first, 0, limit), std::clamp(last, 0, limit)};
}

bool CellOpaque(const QImage& picture, int x, int y, qreal ratio)
{
    const auto [left, right] = Cell(x, ratio, picture.width());
    const auto [top, bottom] = Cell(y, ratio, picture.height());
    if (left == right || top == bottom)
        return false;
    for (int row = top; row < bottom; ++row) {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(row));
        for (int column = left; column < right; ++column) {
            if (qAlpha(pixels[column]) == 0)
                return false;
        }
    }
    return true;
}

QRegion Shape(const QImage& picture, const QSize& window, qreal ratio)
{
    QRegion shape;
    for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width();) {
            if (!CellOpaque(picture, x, y, ratio)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < window.width() && CellOpaque(picture, x, y, ratio))
                ++x;
            shape += QRect(start, y, x - start, 1);
        }
    }
    return shape;
}

} // namespace

SplashFace MakeSplashFace(const QImage& picture, const QImage& doubleSize, const QSize& window,
                          qreal ratio)
{
    // The sharper source for any density above the picture's own.
    const bool fromDouble = ratio > 1.0 && !doubleSize.isNull();
    const QImage source = WithKeyColourClear(fromDouble ? doubleSize : picture, kSeeThrough);
    const QSize shown = (QSizeF(picture.size()) * ratio).toSize();
    QImage face = source.size() == shown
                      ? source
                      : source.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Harden(face);
    // Cut to the window; a picture smaller than the window leaves the rest clear.
    face = face.copy(QRect(QPoint(0, 0), (QSizeF(window) * ratio).toSize()));
    SplashFace result{face, Shape(face, window, ratio)};
    result.picture.setDevicePixelRatio(ratio);
    return result;
}
