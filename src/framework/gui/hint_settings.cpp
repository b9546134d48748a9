// Hints go through Qt's own tool tips: a proxy style supplies the delays, the
// tool-tip palette the colour, and each control's tool-tip duration how long a
// hint stays (set as its hint is about to show).
#include "application.h"

#include <QPalette>
#include <QProxyStyle>
#include <QToolTip>

namespace {

// Wraps the application's style and answers the hint delays from the settings.
class HintStyle final : public QProxyStyle
{
public:
    // Takes the style it wraps, which keeps drawing everything.
    HintStyle(QStyle* baseStyle, std::shared_ptr<const HintSettings> hints)
        : QProxyStyle(baseStyle), m_hints(std::move(hints))
    {
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        switch (hint) {
        case SH_ToolTip_WakeUpDelay:
            // While a hint shows, moving on to another control takes the short pause.
            return QToolTip::isVisible() ? m_hints->shortPause : m_hints->pause;
        case SH_ToolTip_FallAsleepDelay:
            // Qt's own "moving on" mode would use a fixed delay; the short pause
            // above takes its place.
            return 0;
        default:
            return QProxyStyle::styleHint(hint, option, widget, returnData);
        }
    }

private:
    std::shared_ptr<const HintSettings> m_hints;
};

} // namespace

QColor ColourFromStored(StoredColour stored, const QColor& systemHintBackground)
{
    if ((stored >> 24) == 0xFF)
        return systemHintBackground;
    return QColor(int(stored & 0xFF), int((stored >> 8) & 0xFF), int((stored >> 16) & 0xFF));
}

void Application::setHints(const HintSettings& hints)
{
    if (!m_desktopHintBackground.isValid())
        m_desktopHintBackground = QToolTip::palette().color(QPalette::ToolTipBase);
    *m_hints = hints;
    if (!dynamic_cast<HintStyle*>(style())) {
        // Restyling repolishes every widget; that is our doing, not the desktop's.
        m_restyling = true;
        setStyle(new HintStyle(style(), m_hints));
        m_restyling = false;
    }
    ApplyHintColour();
}

void Application::ApplyHintColour()
{
    if (!m_desktopHintBackground.isValid())
        return;
    QPalette palette = QToolTip::palette();
    palette.setColor(QPalette::ToolTipBase,
                     ColourFromStored(m_hints->color, m_desktopHintBackground));
    QToolTip::setPalette(palette);
}
