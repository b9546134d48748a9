#include "bitmap.h"

#include "error.h"

namespace {

constexpr qint64 kFileHeaderSize = 14;
constexpr qint64 kInfoHeaderSize = 40;

quint32 readU32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 readU16(const uchar* p)
{
    return quint16(p[0] | p[1] << 8);
}

[[noreturn]] void refuse(const QString& why)
{
    throw Error(QStringLiteral("The bitmap cannot be shown: %1").arg(why));
}

} // namespace

TBitmap::TBitmap(const QImage& pixels)
{
    Assign(pixels);
}

void TBitmap::Assign(const QImage& pixels)
{
    setImage(pixels.convertToFormat(QImage::Format_RGB32));
}

void TBitmap::LoadFromData(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    if (size < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
        refuse(QStringLiteral("it is not a Windows bitmap file"));

    const qint64 pixelOffset = readU32(bytes + 10);
    const qint64 infoSize = readU32(bytes + kFileHeaderSize);
    if (infoSize < kInfoHeaderSize)
        refuse(QStringLiteral("its header is of an old or unknown kind"));
    if (size < kFileHeaderSize + kInfoHeaderSize)
        refuse(QStringLiteral("the file is incomplete"));

    const uchar* info = bytes + kFileHeaderSize;
    const auto width = qint64(qint32(readU32(info + 4)));
    const auto signedHeight = qint64(qint32(readU32(info + 8)));
    const quint16 planes = readU16(info + 12);
    const quint16 bitsPerPixel = readU16(info + 14);
    const quint32 compression = readU32(info + 16);
    if (bitsPerPixel != 24)
        refuse(QStringLiteral("only 24-bit bitmaps are supported, this one has %1 bits per pixel")
                   .arg(bitsPerPixel));
    if (compression != 0)
        refuse(QStringLiteral("only uncompressed bitmaps are supported"));
    if (planes != 1)
        refuse(QStringLiteral("its header is damaged"));

    // A negative height marks rows stored top-down.
    const bool topDown = signedHeight < 0;
    const qint64 height = topDown ? -signedHeight : signedHeight;
    if (width <= 0 || height <= 0)
        refuse(QStringLiteral("it has no pixels"));
    if (width * height > kMaxPicturePixels)
        refuse(QStringLiteral("it is too large (%1 x %2 pixels)").arg(width).arg(height));

    const qint64 stride = (width * 3 + 3) / 4 * 4;
    if (pixelOffset < kFileHeaderSize + infoSize || pixelOffset + stride * height > size)
        refuse(QStringLiteral("the file is incomplete"));

    QImage pixels(int(width), int(height), QImage::Format_RGB32);
    if (pixels.isNull())
        refuse(QStringLiteral("not enough memory"));
    Progress(TProgressStage::psStarting, 0, false, QRect());
    for (qint64 y = 0; y < height; ++y) {
        const uchar* source = bytes + pixelOffset + stride * (topDown ? y : height - 1 - y);
        auto* target = reinterpret_cast<QRgb*>(pixels.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x, source += 3)
            target[x] = qRgb(source[2], source[1], source[0]);
    }
    Progress(TProgressStage::psEnding, 100, false, QRect());
    setImage(std::move(pixels));
}

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    auto copy = std::make_unique<TBitmap>();
    copy->copyFrom(*this);
    return copy;
}
