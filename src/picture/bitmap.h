#pragma once

#include "graphic.h"

// An uncompressed 24-bit Windows bitmap (.bmp), read without any library.
class TBitmap final : public TGraphic
{
    Q_OBJECT
public:
    TBitmap() = default;
    // A bitmap holding the given pixels (converted to RGB32).
    explicit TBitmap(const QImage& pixels);

    // Reads BITMAPFILEHEADER + BITMAPINFOHEADER (or a later version of it),
    // rows bottom-up or top-down, each padded to 4 bytes. Any other kind of
    // bitmap, or one whose pixels are cut short, throws Error.
    void LoadFromData(const QByteArray& data) override;
    std::unique_ptr<TGraphic> Clone() const override;

    // Replaces the pixels and reports the change.
    void Assign(const QImage& pixels);
};
