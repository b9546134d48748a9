#include "tsplash.h"

#include "ui_splash.h"
#include "window_fonts.h"
#include "window_placement.h"
#include "window_system.h"

#include <QPainter>
#include <QTimer>
#include <cmath>

namespace {
constexpr int kSplashMilliseconds = 3500;
constexpr QRgb kSeeThrough = qRgb(255, 255, 255);

bool IsSeeThrough(QRgb pixel)
{
    return (pixel & RGB_MASK) == (kSeeThrough & RGB_MASK);
}

// The widget drawn at one logical pixel per pixel, whatever the screen's density.
QImage RenderAt(QWidget& widget, qreal devicePixelRatio)
{
    QImage image((QSizeF(widget.size()) * devicePixelRatio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(kSeeThrough);
    widget.render(&image);
    return image;
}

// The pixels of `picture` that are not pure white, as runs along each row.
QRegion Face(const QImage& picture)
{
    QRegion face;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width();) {
            if (IsSeeThrough(row[x])) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < picture.width() && !IsSeeThrough(row[x]))
                ++x;
            face += QRect(start, y, x - start, 1);
        }
    }
    return face;
}
} // namespace

Tsplash::Tsplash(QWidget* owner, SeeThrough how)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::X11BypassWindowManagerHint),
      ui(std::make_unique<Ui::Tsplash>()), Timer1(new QTimer(this)), m_seeThrough(how)
{
    ui->setupUi(this);
    UsePixelFonts(this);
    setFixedSize(size());
    setAttribute(Qt::WA_DeleteOnClose);

    // Exactly the pure-white pixels are see-through; nearly white ones stay.
    // They are found in the picture as laid out, one pixel per logical pixel,
    // so that a denser screen (or a sharper picture for it) changes nothing.
    m_face = Face(RenderAt(*ui->ProImage1, 1.0));
    if (m_seeThrough == SeeThrough::Alpha) {
        setAttribute(Qt::WA_TranslucentBackground);
        ui->ProImage1->hide(); // drawn here, with its see-through pixels left out
    } else {
        setMask(m_face);
    }

    Timer1->setInterval(kSplashMilliseconds);
    Timer1->setSingleShot(true);
    // A coarse timer may fire up to 5% early; the splash stays its full time.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Tsplash::Timer1Timer);
    Timer1->start();

    // Without a window manager to keep it above, the splash climbs back
    // itself when its owner is shown over it.
    if (owner)
        owner->installEventFilter(this);
}

Tsplash::~Tsplash() = default;

Tsplash::SeeThrough Tsplash::DesktopSeeThrough()
{
    return CompositorDrawsWindows() ? SeeThrough::Alpha : SeeThrough::Shape;
}

void Tsplash::Timer1Timer()
{
    Timer1->stop();
    close();
}

QImage Tsplash::SeeThroughPicture(qreal devicePixelRatio) const
{
    QImage picture = RenderAt(*ui->ProImage1, devicePixelRatio)
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Each pixel of the screen is see-through where its centre falls on a
    // see-through pixel of the layout, and where the picture is pure white.
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const int layoutY = static_cast<int>(std::floor((y + 0.5) / devicePixelRatio));
        for (int x = 0; x < picture.width(); ++x) {
            const int layoutX = static_cast<int>(std::floor((x + 0.5) / devicePixelRatio));
            if (IsSeeThrough(row[x]) || !m_face.contains(QPoint(layoutX, layoutY)))
                row[x] = 0;
        }
    }
    return picture;
}

void Tsplash::paintEvent(QPaintEvent* event)
{
    if (m_seeThrough != SeeThrough::Alpha)
        return QWidget::paintEvent(event);
    const qreal ratio = devicePixelRatioF();
    if (m_picture.isNull() || !qFuzzyCompare(m_picture.devicePixelRatio(), ratio))
        m_picture = SeeThroughPicture(ratio);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(0, 0), m_picture);
}

bool Tsplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        QTimer::singleShot(0, this, &QWidget::raise);
    return QWidget::eventFilter(watched, event);
}

void Tsplash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    CentreOnScreen(*this);
}
