#include "graphic.h"

#include <QPainter>

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
    m_transparent = other.m_transparent;
    m_paletteModified = other.m_paletteModified;
    dropCaches();
}

void TGraphic::setImage(QImage image)
{
    m_image = std::move(image);
    dropCaches();
    m_paletteModified = Palette() != 0;
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
}

const QImage& TGraphic::drawable() const
{
    if (!m_transparent || m_image.isNull())
        return m_image;
    if (m_keyed.isNull()) {
        const QRgb key = m_image.pixel(0, m_image.height() - 1) | 0xff000000u;
        QImage keyed = m_image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < keyed.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x) {
                if ((row[x] | 0xff000000u) == key)
                    row[x] = 0;
            }
        }
        m_keyed = keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return m_keyed;
}

void TGraphic::StretchDraw(QPainter& painter, const QRect& target) const
{
    if (m_image.isNull() || target.isEmpty())
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
    painter.drawImage(at, drawable());
}
