#include "graphic.h"

#include "error.h"
#include "key_colour.h"

#include <QPainter>
#include <cmath>

TGraphic::~TGraphic() = default;

void TGraphic::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    dropCaches();
    Changed();
}

void TGraphic::copyFrom(const TGraphic& other)
{
    m_image = other.m_image;
    m_doubleSize = other.m_doubleSize;
    m_transparent = other.m_transparent;
    m_paletteModified = other.m_paletteModified;
    dropCaches();
}

void TGraphic::setImage(QImage image)
{
    m_image = std::move(image);
    m_doubleSize = QImage();
    dropCaches();
    m_paletteModified = Palette() != 0;
    Changed();
}

void TGraphic::setDoubleSizeImage(QImage image)
{
    if (!image.isNull() && image.size() != m_image.size() * 2)
        throw Error(QStringLiteral("The double-size picture is %1 x %2 pixels, not twice %3 x %4")
                        .arg(image.width())
                        .arg(image.height())
                        .arg(m_image.width())
                        .arg(m_image.height()));
    m_doubleSize = std::move(image);
    dropCaches();
    Changed();
}

QImage& TGraphic::mutableImage()
{
    dropCaches();
    return m_image;
}

void TGraphic::Changed()
{
    Q_EMIT changed(this);
}

void TGraphic::Progress(TProgressStage stage, quint8 percentDone, bool redrawNow, const QRect& rect,
                        const QString& message)
{
    // Rows decoded so far may already be painted: nothing cached may outlive them.
    dropCaches();
    Q_EMIT progress(this, stage, percentDone, redrawNow, rect, message);
}

void TGraphic::dropCaches()
{
    m_keyed = QImage();
    m_scaled = QImage();
    m_keyedDoubleSize = QImage();
    m_scaledDoubleSize = QImage();
}

const QImage& TGraphic::drawable() const
{
    if (!m_transparent || m_image.isNull())
        return m_image;
    if (m_keyed.isNull())
        m_keyed = WithKeyColourClear(m_image, m_image.pixel(0, m_image.height() - 1) | 0xff000000u);
    return m_keyed;
}

const QImage& TGraphic::drawableDoubleSize() const
{
    if (!m_transparent)
        return m_doubleSize;
    // The key is the one the normal-size picture has.
    if (m_keyedDoubleSize.isNull())
        m_keyedDoubleSize =
            WithKeyColourClear(m_doubleSize, m_image.pixel(0, m_image.height() - 1) | 0xff000000u);
    return m_keyedDoubleSize;
}

bool TGraphic::drawDoubleSize(QPainter& painter, const QRect& target) const
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (m_doubleSize.isNull() || ratio <= 1.0)
        return false;
    const QImage& source = drawableDoubleSize();
    // The target in device pixels: the double-size picture as it is at 2x,
    // scaled from it (never from the smaller one) at other densities.
    const QSize devicePixels(int(std::lround(target.width() * ratio)),
                             int(std::lround(target.height() * ratio)));
    QImage shown;
    if (source.size() == devicePixels) {
        shown = source;
    } else {
        if (m_scaledDoubleSize.size() != devicePixels)
            m_scaledDoubleSize =
                source.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shown = m_scaledDoubleSize;
    }
    shown.setDevicePixelRatio(ratio);
    painter.drawImage(target.topLeft(), shown);
    return true;
}

void TGraphic::StretchDraw(QPainter& painter, const QRect& target) const
{
    if (m_image.isNull() || target.isEmpty())
        return;
    if (drawDoubleSize(painter, target))
        return;
    const QImage& source = drawable();
    if (target.size() == source.size()) {
        painter.drawImage(target.topLeft(), source);
        return;
    }
    if (m_scaled.size() != target.size())
        m_scaled = source.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(target.topLeft(), m_scaled);
}

void TGraphic::Draw(QPainter& painter, const QPoint& at) const
{
    if (m_image.isNull())
        return;
    if (drawDoubleSize(painter, QRect(at, m_image.size())))
        return;
    painter.drawImage(at, drawable());
}
