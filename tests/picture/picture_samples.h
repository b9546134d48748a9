#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>

// Small pictures made on the spot for the picture tests.

// A picture whose every pixel tells where it came from (see SourceOf): red is
// x modulo 256, green is y, blue is 200 plus x / 256. Blue never falls near
// the window colour's 150, so a pixel is clearly picture or background.
QImage CodedPicture(int width, int height);
// The picture coordinate a coded pixel came from.
QPoint SourceOf(QRgb pixel);
bool IsCoded(QRgb pixel);

// Encodes with libjpeg itself (quality 100), in colour or grey, baseline or
// progressive.
QByteArray EncodeJpeg(const QImage& image, bool grey = false, bool progressive = false);
// Writes an uncompressed 24-bit Windows bitmap, rows bottom-up or top-down.
QByteArray EncodeBmp(const QImage& image, bool topDown = false);
