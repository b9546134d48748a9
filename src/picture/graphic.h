#pragma once

#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QPainter;

// Where a graphic is in its decoding when it reports progress.
enum class TProgressStage
{
    psStarting,
    psRunning,
    psEnding
};
Q_DECLARE_METATYPE(TProgressStage)

// A colour palette handle; 0 means none. No graphic we decode has one, but the
// control keeps the palette rules for graphics that do.
using TPaletteHandle = std::uintptr_t;

using TNotifyEvent = std::function<void(QObject* sender)>;
using TProgressEvent =
    std::function<void(QObject* sender, TProgressStage stage, quint8 percentDone, bool redrawNow,
                       const QRect& rect, const QString& message)>;

// One decoded picture: its pixels, its transparency and palette flags, and the
// drawing operations the picture container offers.
class TGraphic : public QObject
{
    Q_OBJECT
public:
    ~TGraphic() override;

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    bool Empty() const { return m_image.isNull(); }

    // A transparent graphic leaves its see-through pixels undrawn: those of
    // the colour of its bottom-left pixel.
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    virtual TPaletteHandle Palette() const { return 0; }
    bool PaletteModified() const { return m_paletteModified; }
    void setPaletteModified(bool modified) { m_paletteModified = modified; }

    // Replaces the pixels with those decoded from data; throws Error when the
    // data cannot be decoded, leaving the graphic as it was.
    virtual void LoadFromData(const QByteArray& data) = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    // Draws scaled into target (a plain copy when the sizes match), or
    // unscaled at a point. Both draw nothing for an empty graphic.
    void StretchDraw(QPainter& painter, const QRect& target) const;
    void Draw(QPainter& painter, const QPoint& at) const;

    // The decoded pixels (RGB32 once decoding has finished).
    const QImage& Image() const { return m_image; }

    // The same picture drawn at twice the size, for screens of higher
    // density; the graphic keeps its size and its drawing in logical pixels.
    // New pixels (setImage) drop it.
    const QImage& DoubleSizeImage() const { return m_doubleSize; }
    // Throws Error unless image is exactly twice as wide and high.
    void setDoubleSizeImage(QImage image);

Q_SIGNALS:
    void changed(QObject* sender);
    void progress(QObject* sender, TProgressStage stage, quint8 percentDone, bool redrawNow,
                  const QRect& rect, const QString& message);

protected:
    TGraphic() = default;
    void copyFrom(const TGraphic& other);
    // Takes new pixels and reports the change.
    void setImage(QImage image);
    // Gives decoding code direct access to the rows being filled in.
    QImage& mutableImage();
    void Changed();
    void Progress(TProgressStage stage, quint8 percentDone, bool redrawNow, const QRect& rect,
                  const QString& message = QString());

private:
    const QImage& drawable() const;
    const QImage& drawableDoubleSize() const;
    // Draws the double-size pixels into target; false where the device has
    // no more pixels than logical ones or there are none.
    bool drawDoubleSize(QPainter& painter, const QRect& target) const;
    void dropCaches();

    QImage m_image;
    QImage m_doubleSize;
    bool m_transparent = false;
    bool m_paletteModified = false;
    // Derived images, rebuilt on demand: the see-through version and the last
    // scaled size, so repeated paints of a stretched banner cost one copy.
    mutable QImage m_keyed;
    mutable QImage m_scaled;
    mutable QImage m_keyedDoubleSize;
    mutable QImage m_scaledDoubleSize;
};

// Largest picture we agree to decode: a damaged header must not make us
// allocate gigabytes.
constexpr qint64 kMaxPicturePixels = qint64(16384) * 16384;
