#include "jpeg_image.h"

#include "error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// libjpeg reports errors by calling error_exit, whose default ends the
// process. Ours jumps back to the step that was running. Every function
// below that calls setjmp holds only plain C data, so the jump skips no
// destructor; the C++ side (QImage, signals) runs between the steps.
struct DecoderErrors
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void failDecoding(j_common_ptr info)
{
    auto* errors = reinterpret_cast<DecoderErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

extern "C" void reportMessage(j_common_ptr info, int level)
{
    // Level -1 is a warning about corrupt or missing data: libjpeg would fill
    // the rest of the picture with grey and carry on. We refuse the picture.
    if (level < 0)
        failDecoding(info);
}

struct Decoder
{
    jpeg_decompress_struct info;
    DecoderErrors errors;
    bool created = false;
};

bool readHeader(Decoder& d)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_read_header(&d.info, TRUE);
    return true;
}

bool beginOutput(Decoder& d)
{
    if (setjmp(d.errors.jump))
        return false;
    d.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d.info);
    return true;
}

// Reads rows [first, first + count) into the given row pointers.
bool readRows(Decoder& d, JSAMPROW* rows, unsigned count)
{
    if (setjmp(d.errors.jump))
        return false;
    unsigned done = 0;
    while (done < count)
        done += jpeg_read_scanlines(&d.info, rows + done, count - done);
    return true;
}

bool finishDecoding(Decoder& d)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_finish_decompress(&d.info);
    return true;
}

// Owns the decompressor, so that it is destroyed on every way out.
class DecoderHandle final
{
public:
    DecoderHandle()
    {
        m_decoder.info.err = jpeg_std_error(&m_decoder.errors.manager);
        m_decoder.errors.manager.error_exit = failDecoding;
        m_decoder.errors.manager.emit_message = reportMessage;
        m_decoder.errors.message[0] = '\0';
    }
    ~DecoderHandle()
    {
        if (m_decoder.created)
            jpeg_destroy_decompress(&m_decoder.info);
    }
    DecoderHandle(const DecoderHandle&) = delete;
    DecoderHandle& operator=(const DecoderHandle&) = delete;

    Decoder& get() { return m_decoder; }

    [[noreturn]] void fail() const
    {
        throw Error(QStringLiteral("The JPEG picture is damaged or incomplete (%1)")
                        .arg(QString::fromLocal8Bit(m_decoder.errors.message)));
    }

private:
    Decoder m_decoder;
};

bool createDecoder(Decoder& d, const unsigned char* data, unsigned long size)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    jpeg_mem_src(&d.info, data, size);
    return true;
}

// Rows decoded between two progress reports.
constexpr unsigned kRowsPerBatch = 16;

} // namespace

void TJPEGImage::LoadFromData(const QByteArray& data)
{
    if (data.isEmpty())
        throw Error(QStringLiteral("The JPEG picture is empty"));

    DecoderHandle handle;
    Decoder& d = handle.get();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());
    if (!createDecoder(d, bytes, size) || !readHeader(d))
        handle.fail();

    const qint64 width = d.info.image_width;
    const qint64 height = d.info.image_height;
    if (width <= 0 || height <= 0 || width * height > kMaxPicturePixels)
        throw Error(QStringLiteral("The JPEG picture is too large (%1 x %2 pixels)")
                        .arg(width)
                        .arg(height));
    if (!beginOutput(d))
        handle.fail();

    QImage pixels(int(width), int(height), QImage::Format_RGB888);
    if (pixels.isNull())
        throw Error(
            QStringLiteral("Not enough memory for a %1 x %2 JPEG picture").arg(width).arg(height));
    pixels.fill(Qt::black);

    // Rows appear in the graphic as they are decoded, so that a control with
    // incremental display can show them; a failure puts the old pixels back.
    const QImage previous = Image();
    const bool previousPalette = PaletteModified();
    const auto restore = [&] {
        mutableImage() = previous;
        setPaletteModified(previousPalette);
    };
    QImage& target = mutableImage();
    target = std::move(pixels);
    try {
        Progress(TProgressStage::psStarting, 0, false, QRect());
        JSAMPROW rows[kRowsPerBatch];
        unsigned row = 0;
        while (row < d.info.output_height) {
            const unsigned count = std::min(kRowsPerBatch, d.info.output_height - row);
            for (unsigned i = 0; i < count; ++i)
                rows[i] = target.scanLine(int(row + i));
            if (!readRows(d, rows, count))
                handle.fail();
            const QRect band(0, int(row), int(width), int(count));
            row += count;
            Progress(TProgressStage::psRunning, quint8(row * 100 / d.info.output_height), true,
                     band);
        }
        if (!finishDecoding(d))
            handle.fail();
        Progress(TProgressStage::psEnding, 100, false, QRect());
    } catch (...) {
        restore();
        throw;
    }
    setImage(target.convertToFormat(QImage::Format_RGB32));
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    auto copy = std::make_unique<TJPEGImage>();
    copy->copyFrom(*this);
    return copy;
}
