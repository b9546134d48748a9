#pragma once

#include "splash_face.h"

#include <QWidget>
#include <memory>

namespace Ui {
class Tsplash;
}
class QTimer;

// The start-up picture: borderless, on top, centred, its pure-white pixels
// see-through. Its own timer closes and destroys it 3.5 s after it was made.
class Tsplash final : public QWidget
{
    Q_OBJECT
public:
    // How the see-through pixels are made: by an alpha channel where a
    // compositor draws the windows (it may ignore window shapes), by the
    // window's shape where none does (nothing would draw the alpha).
    enum class SeeThrough
    {
        Alpha,
        Shape,
    };

    explicit Tsplash(QWidget* owner, SeeThrough how = DesktopSeeThrough());
    ~Tsplash() override;

    // What the desktop the program runs on needs.
    static SeeThrough DesktopSeeThrough();

    void Timer1Timer();
    QTimer* timer() const { return Timer1; }
    SeeThrough seeThrough() const { return m_seeThrough; }
    // The pixels that are not see-through, in the window's own (logical)
    // pixels: all of them at the screen's density (the window's shape).
    const QRegion& face() const { return m_face.shape; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the picture and the shape for a screen of this density.
    void UseDensity(qreal ratio);

    std::unique_ptr<Ui::Tsplash> ui;
    QTimer* Timer1;
    SeeThrough m_seeThrough;
    qreal m_ratio = 0;
    SplashFace m_face;
};
