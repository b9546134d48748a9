#pragma once

#include <QImage>

// The image with every pixel of the key colour see-through, premultiplied, so
// that smooth scaling mixes the rest only with nothing, never with the key.
QImage WithKeyColourClear(const QImage& image, QRgb key);
