#pragma once

#include <QObject>
#include <QProxyStyle>

// The program's style: Fusion, plus a solid focus frame in black or white,
// whichever stands out more from the face under it (at least 3 : 1), drawn
// only once the keyboard has moved the focus. Untouched by the keyboard,
// every control looks exactly as Fusion draws it; at a fractional scale the
// notebook's page frame keeps to whole screen pixels (whole_pixels.h).
class FocusFrameStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    FocusFrameStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

    // Black or white, whichever contrasts more with the given face.
    static QColor FrameColour(const QColor& face);
};

// Return (or Enter) on a focused push or speed button presses it, as on
// Windows, wherever the button is; Qt alone presses it only with Space.
class ReturnPressesFocusedButton final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
