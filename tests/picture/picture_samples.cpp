#include "picture_samples.h"

#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

QImage CodedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xff, y & 0xff, 200 + (x >> 8)));
    }
    return image;
}

QPoint SourceOf(QRgb pixel)
{
    return QPoint(qRed(pixel) + 256 * (qBlue(pixel) - 200), qGreen(pixel));
}

bool IsCoded(QRgb pixel)
{
    return qBlue(pixel) >= 200;
}

QByteArray EncodeJpeg(const QImage& image, bool grey, bool progressive)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = grey ? 1 : 3;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const QImage source =
        image.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(source.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray data(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return data;
}

namespace {
void put32(QByteArray& data, int at, quint32 value)
{
    qToLittleEndian(value, data.data() + at);
}
void put16(QByteArray& data, int at, quint16 value)
{
    qToLittleEndian(value, data.data() + at);
}
} // namespace

QByteArray EncodeBmp(const QImage& image, bool topDown)
{
    const int stride = (image.width() * 3 + 3) / 4 * 4;
    const int pixels = stride * image.height();
    QByteArray data(54 + pixels, '\0');
    data[0] = 'B';
    data[1] = 'M';
    put32(data, 2, quint32(data.size()));
    put32(data, 10, 54);
    put32(data, 14, 40);
    put32(data, 18, quint32(image.width()));
    put32(data, 22, quint32(topDown ? -image.height() : image.height()));
    put16(data, 26, 1);
    put16(data, 28, 24);
    for (int y = 0; y < image.height(); ++y) {
        const int row = topDown ? y : image.height() - 1 - y;
        char* out = data.data() + 54 + row * stride;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            *out++ = char(qBlue(pixel));
            *out++ = char(qGreen(pixel));
            *out++ = char(qRed(pixel));
        }
        // Padding bytes are junk in the wild; they must never be read as pixels.
        for (int pad = image.width() * 3; pad < stride; ++pad)
            *out++ = char(0xA5);
    }
    return data;
}
