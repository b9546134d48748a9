#include "window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// Where a window is wanted: at a place, or in the middle of its screen.
struct Wanted
{
    bool centred = true;
    QPoint position;
};

// One side: the start of a span of `length` wanted at `wanted` inside
// [start, start + extent).
int PlaceAlong(int start, int extent, int length, int wanted)
{
    if (length > extent)
        return start + (extent - length) / 2;
    return std::clamp(wanted, start, start + extent - length);
}

QMargins OwnFrame(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    return QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                    frame.right() - inner.right(), frame.bottom() - inner.bottom());
}

bool Framed(const QWidget& window)
{
    return !(window.windowFlags() & (Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint));
}

// The window's frame or, before the window manager has framed it, the frame
// another window of the program has: window managers frame them alike.
QMargins FrameOf(const QWidget& window)
{
    const QMargins own = OwnFrame(window);
    if (!own.isNull() || !Framed(window))
        return own;
    const QWindow* self = window.windowHandle();
    const auto windows = QGuiApplication::topLevelWindows();
    for (const QWindow* other : windows) {
        if (other != self && other->isVisible() && !other->frameMargins().isNull())
            return other->frameMargins();
    }
    return own;
}

QScreen* ScreenFor(const QWidget& window, const Wanted& wanted)
{
    if (!wanted.centred) {
        if (QScreen* screen = QGuiApplication::screenAt(wanted.position))
            return screen;
    } else if (const QWidget* owner = window.parentWidget()) {
        if (QScreen* screen = owner->window()->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

void Place(QWidget& window, const Wanted& wanted)
{
    const QScreen* screen = ScreenFor(window, wanted);
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window.size().grownBy(FrameOf(window));
    const QPoint at = wanted.centred ? area.topLeft() + QPoint((area.width() - frame.width()) / 2,
                                                               (area.height() - frame.height()) / 2)
                                     : wanted.position;
    const QPoint corner = PlaceInside(area, frame, at);
    // A top-level window's position is that of its frame.
    if (!window.isVisible() || corner != window.pos())
        window.move(corner);
}

// Places a window once more when the window manager has framed it (a move
// tells, as the frame shifts the window's inside), then goes.
class PlaceWhenFramed final : public QObject
{
public:
    PlaceWhenFramed(QWidget& window, const Wanted& wanted)
        : QObject(&window), m_window(window), m_wanted(wanted)
    {
        window.installEventFilter(this);
    }

    void setWanted(const Wanted& wanted) { m_wanted = wanted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        if (watched != &m_window || !moved || !m_window.isVisible() || OwnFrame(m_window).isNull())
            return false;
        m_window.removeEventFilter(this);
        deleteLater();
        Place(m_window, m_wanted);
        return false;
    }

private:
    QWidget& m_window;
    Wanted m_wanted;
};

void PlaceNowAndWhenFramed(QWidget& window, const Wanted& wanted)
{
    Place(window, wanted);
    PlaceWhenFramed* pending = nullptr;
    for (QObject* child : window.children()) {
        if ((pending = dynamic_cast<PlaceWhenFramed*>(child)))
            break;
    }
    if (pending)
        pending->setWanted(wanted);
    else if (Framed(window) && OwnFrame(window).isNull())
        new PlaceWhenFramed(window, wanted);
}

} // namespace

QPoint PlaceInside(const QRect& area, const QSize& frame, const QPoint& wanted)
{
    return QPoint(PlaceAlong(area.left(), area.width(), frame.width(), wanted.x()),
                  PlaceAlong(area.top(), area.height(), frame.height(), wanted.y()));
}

void PlaceOnScreen(QWidget& window, const QPoint& position)
{
    PlaceNowAndWhenFramed(window, Wanted{false, position});
}

void CentreOnScreen(QWidget& window)
{
    PlaceNowAndWhenFramed(window, Wanted{});
}
