#include "tsplash.h"

#include "ui_splash.h"
#include "window_fonts.h"
#include "window_placement.h"

#include <QBitmap>
#include <QTimer>

namespace {
constexpr int kSplashMilliseconds = 3500;
}

Tsplash::Tsplash(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::Tsplash>()), Timer1(new QTimer(this))
{
    ui->setupUi(this);
    UsePixelFonts(this);
    setFixedSize(size());
    setAttribute(Qt::WA_DeleteOnClose);

    // Exactly the pure-white pixels are see-through; nearly white ones stay.
    const QImage face = ui->ProImage1->grab().toImage();
    setMask(QBitmap::fromImage(face.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));

    Timer1->setInterval(kSplashMilliseconds);
    Timer1->setSingleShot(true);
    // A coarse timer may fire up to 5% early; the splash stays its full time.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Tsplash::Timer1Timer);
    Timer1->start();

    // The owner's native window is made anew when its browser first needs
    // OpenGL, and lands on top; without a window manager to keep this one
    // above, it has to climb back itself.
    if (owner)
        owner->installEventFilter(this);
}

Tsplash::~Tsplash() = default;

void Tsplash::Timer1Timer()
{
    Timer1->stop();
    close();
}

bool Tsplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
        QTimer::singleShot(0, this, &QWidget::raise);
    return QWidget::eventFilter(watched, event);
}

void Tsplash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    CentreOnScreen(*this);
}
