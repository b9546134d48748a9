#include "pro_image.h"

#include <QCoreApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QWindow>

TProImage::TProImage(QWidget* parent) : QWidget(parent), m_picture(std::make_unique<TPicture>())
{
    resize(105, 105);
    connect(m_picture.get(), &TPicture::changed, this, [this] { PictureChanged(); });
    connect(m_picture.get(), &TPicture::progress, this, &TProImage::Progress);
}

TProImage::~TProImage()
{
    m_picture->disconnect(this);
}

QEvent::Type TProImage::QueryNewPaletteEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void TProImage::setPicture(const TPicture& picture)
{
    m_picture->Assign(picture);
}

void TProImage::setPictureFile(const QString& fileName)
{
    if (fileName.isEmpty())
        m_picture->Clear();
    else
        m_picture->LoadFromFile(fileName);
    m_pictureFile = fileName;
}

void TProImage::setAutoSize(bool autoSize)
{
    m_autoSize = autoSize;
    PictureChanged();
}

void TProImage::setCenter(bool center)
{
    if (center == m_center)
        return;
    m_center = center;
    PictureChanged();
}

void TProImage::setStretch(bool stretch)
{
    if (stretch == m_stretch)
        return;
    m_stretch = stretch;
    PictureChanged();
}

void TProImage::setTiled(bool tiled)
{
    if (tiled == m_tiled)
        return;
    m_tiled = tiled;
    PictureChanged();
}

void TProImage::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    PictureChanged();
}

QRect TProImage::DestRect() const
{
    const int pictureWidth = m_picture->Width();
    const int pictureHeight = m_picture->Height();
    if (m_stretch)
        return QRect(0, 0, width(), height());
    if (m_center) {
        // C++ division truncates toward zero, so an oversized picture is cut
        // evenly on both sides (one pixel more on the far side when odd).
        return QRect((width() - pictureWidth) / 2, (height() - pictureHeight) / 2, pictureWidth,
                     pictureHeight);
    }
    return QRect(0, 0, pictureWidth, pictureHeight);
}

TPaletteHandle TProImage::GetPalette() const
{
    const TGraphic* graphic = m_picture->Graphic();
    return graphic ? graphic->Palette() : 0;
}

void TProImage::paintEvent(QPaintEvent*)
{
    const bool wasDrawing = m_drawing;
    m_drawing = true;
    const auto restore = qScopeGuard([&] { m_drawing = wasDrawing; });

    QPainter painter(this);
    if (m_tiled)
        paintTiles(painter);
    else
        m_picture->StretchDraw(painter, DestRect());
}

void TProImage::paintTiles(QPainter& painter) const
{
    const int tileWidth = m_picture->Width();
    const int tileHeight = m_picture->Height();
    // A picture without pixels would never advance the loops.
    if (!m_picture->Graphic() || tileWidth <= 0 || tileHeight <= 0)
        return;
    // All tiles go onto one off-screen image, copied to the screen at once.
    QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        return;
    canvas.fill(Qt::transparent);
    {
        QPainter tiles(&canvas);
        for (int x = 0; x < width(); x += tileWidth) {
            for (int y = 0; y < height(); y += tileHeight)
                m_picture->Draw(tiles, QPoint(x, y));
        }
    }
    painter.drawImage(0, 0, canvas);
}

void TProImage::PictureChanged()
{
    const int pictureWidth = m_picture->Width();
    const int pictureHeight = m_picture->Height();
    if (m_autoSize && pictureWidth > 0 && pictureHeight > 0)
        setGeometry(x(), y(), pictureWidth, pictureHeight);

    if (TGraphic* graphic = m_picture->Graphic()) {
        graphic->setTransparent(m_transparent);
        const bool covers = m_stretch || (pictureWidth >= width() && pictureHeight >= height());
        setAttribute(Qt::WA_OpaquePaintEvent, !graphic->Transparent() && covers);
        // Qt cannot repaint a widget from inside its own paint: ask again.
        if (DoPaletteChange() && m_drawing)
            update();
    } else {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    if (!m_drawing)
        update();
}

bool TProImage::DoPaletteChange()
{
    TGraphic* graphic = m_picture->Graphic();
    if (!isVisible() || !graphic || !graphic->PaletteModified())
        return false;
    if (graphic->Palette() == 0) {
        graphic->setPaletteModified(false);
        return false;
    }
    QWidget* form = window();
    if (form == this || !form->isActiveWindow() || !form->windowHandle())
        return false;
    if (m_drawing) {
        QEvent query(QueryNewPaletteEvent());
        QCoreApplication::sendEvent(form, &query);
    } else {
        QCoreApplication::postEvent(form, new QEvent(QueryNewPaletteEvent()));
    }
    graphic->setPaletteModified(false);
    return true;
}

void TProImage::Progress(QObject* sender, TProgressStage stage, quint8 percentDone, bool redrawNow,
                         const QRect& rect, const QString& message)
{
    if (m_incrementalDisplay && redrawNow) {
        if (DoPaletteChange()) {
            // Paint what is already waiting to be painted, now.
            if (QWidget* form = window())
                QCoreApplication::sendPostedEvents(form, QEvent::UpdateRequest);
        } else {
            repaint();
        }
    }
    if (m_onProgress)
        m_onProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TProImage::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    MouseEnter();
}

void TProImage::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    MouseLeave();
}

void TProImage::MouseEnter()
{
    if (m_onMouseEnter)
        m_onMouseEnter(this);
}

void TProImage::MouseLeave()
{
    if (m_onMouseLeave)
        m_onMouseLeave(this);
}
