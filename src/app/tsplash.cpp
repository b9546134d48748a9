#include "tsplash.h"

#include "pro_image.h"
#include "ui_splash.h"
#include "window_fonts.h"
#include "window_placement.h"
#include "window_system.h"

#include <QPainter>
#include <QTimer>

namespace {
constexpr int kSplashMilliseconds = 3500;
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

    // The picture control holds the picture; the window draws it, one pixel
    // per screen pixel, with its pure-white pixels left out.
    ui->ProImage1->hide();
    if (m_seeThrough == SeeThrough::Alpha)
        setAttribute(Qt::WA_TranslucentBackground);
    UseDensity(devicePixelRatioF());

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

void Tsplash::UseDensity(qreal ratio)
{
    if (qFuzzyCompare(ratio, m_ratio))
        return;
    m_ratio = ratio;
    const TGraphic* graphic = ui->ProImage1->Picture().Graphic();
    if (!graphic)
        return;
    m_face = MakeSplashFace(graphic->Image(), graphic->DoubleSizeImage(), size(), ratio);
    if (m_seeThrough == SeeThrough::Shape)
        setMask(m_face.shape);
}

void Tsplash::paintEvent(QPaintEvent*)
{
    UseDensity(devicePixelRatioF());
    QPainter painter(this);
    if (m_seeThrough == SeeThrough::Alpha) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
    } else {
        // Outside the shape, so never on screen; white, as the picture has it.
        painter.fillRect(rect(), Qt::white);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(0, 0), m_face.picture);
}

bool Tsplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        QTimer::singleShot(0, this, &QWidget::raise);
    return QWidget::eventFilter(watched, event);
}

void Tsplash::showEvent(QShowEvent* event)
{
    // The screen it opens on is known now; the shape goes before the window is mapped.
    UseDensity(devicePixelRatioF());
    QWidget::showEvent(event);
    CentreOnScreen(*this);
}
