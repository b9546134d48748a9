#include "keyboard_access.h"

#include "whole_pixels.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolButton>
#include <cmath>

namespace {

constexpr int kFrameWidth = 2;

double RelativeLuminance(const QColor& colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double Contrast(const QColor& one, const QColor& other)
{
    const double a = RelativeLuminance(one) + 0.05;
    const double b = RelativeLuminance(other) + 0.05;
    return a > b ? a / b : b / a;
}

bool KeyboardFocused(const QStyleOption* option)
{
    const QStyle::State wanted = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    return option && (option->state & wanted) == wanted;
}

void DrawFrame(QPainter* painter, const QRect& rect, const QColor& face)
{
    if (rect.width() <= 2 * kFrameWidth || rect.height() <= 2 * kFrameWidth)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QColor colour = FocusFrameStyle::FrameColour(face);
    // Four filled strips, so the frame covers whole pixels at every scale.
    painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), kFrameWidth), colour);
    painter->fillRect(
        QRect(rect.left(), rect.bottom() - kFrameWidth + 1, rect.width(), kFrameWidth), colour);
    painter->fillRect(QRect(rect.left(), rect.top(), kFrameWidth, rect.height()), colour);
    painter->fillRect(QRect(rect.right() - kFrameWidth + 1, rect.top(), kFrameWidth, rect.height()),
                      colour);
    painter->restore();
}

} // namespace

FocusFrameStyle::FocusFrameStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QColor FocusFrameStyle::FrameColour(const QColor& face)
{
    return Contrast(Qt::black, face) >= Contrast(Qt::white, face) ? QColor(Qt::black)
                                                                  : QColor(Qt::white);
}

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const
{
    if (element == PE_FrameTabWidget) {
        const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(option);
        if (frame) {
            DrawInWholePixels(painter, option->rect, [&](QPainter* target, const QRect& rect) {
                QStyleOptionTabWidgetFrame placed(*frame);
                placed.rect = rect;
                QProxyStyle::drawPrimitive(element, &placed, target, widget);
            });
            return;
        }
    }
    // Fusion's own focus mark is a faint tint; over an item or a check box the
    // solid frame takes its place.
    if (element == PE_FrameFocusRect && KeyboardFocused(option)) {
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        const QColor face = focus && focus->backgroundColor.isValid()
                                ? focus->backgroundColor
                                : option->palette.color(QPalette::Base);
        DrawFrame(painter, option->rect, face);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (!KeyboardFocused(option))
        return;
    switch (element) {
    case CE_PushButton:
    case CE_TabBarTab:
        DrawFrame(painter, option->rect.adjusted(3, 3, -3, -3),
                  option->palette.color(QPalette::Button));
        break;
    case CE_ShapedFrame: // a list box: shown even while it has no current item
        DrawFrame(painter, option->rect, option->palette.color(QPalette::Window));
        break;
    default:
        break;
    }
}

void FocusFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                         QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (!KeyboardFocused(option))
        return;
    if (control == CC_ToolButton)
        DrawFrame(painter, option->rect.adjusted(1, 1, -1, -1),
                  option->palette.color(QPalette::Button));
    else if (control == CC_Slider)
        DrawFrame(painter, option->rect, option->palette.color(QPalette::Window));
}

bool ReturnPressesFocusedButton::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->isAutoRepeat())
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // Push buttons and speed buttons only: on a check box, Return belongs to
    // the window (a dialog's confirming button), as on Windows.
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!qobject_cast<QPushButton*>(watched) && !qobject_cast<QToolButton*>(watched))
        return false;
    if (!button->hasFocus() || !button->isEnabled())
        return false;
    button->click();
    return true;
}
