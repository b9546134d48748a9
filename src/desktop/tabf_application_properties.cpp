#include "tabf_application_properties.h"

#include "application.h"

namespace {
Application* App()
{
    return Application::instance();
}

// Writes one hint setting through to the application, keeping the others.
template <typename T> void WriteHint(T HintSettings::*field, T value)
{
    if (Application* app = App()) {
        HintSettings hints = app->hints();
        hints.*field = value;
        app->setHints(hints);
    }
}

template <typename T> T ReadHint(T HintSettings::*field, const HintSettings& kept)
{
    const Application* app = App();
    return app ? app->hints().*field : kept.*field;
}
} // namespace

TabfApplicationProperties::TabfApplicationProperties(QObject* owner)
    : TCustomApplicationEvents(owner)
{
    const auto list = TabfAppPropList::Ensure();
    if (Application* app = App()) {
        m_helpFile = app->options().helpFile;
        m_icon = app->windowIcon();
        m_title = app->title();
        connect(app, &Application::desktopSettingsChanged, this,
                &TabfApplicationProperties::RaiseSettingsChanged);
    }
    list->Add(this, this);
}

TabfApplicationProperties::~TabfApplicationProperties()
{
    if (const auto list = TabfAppPropList::Instance())
        list->Remove(this);
}

void TabfApplicationProperties::Loaded()
{
    // The application's settings in a fixed order; the single-instance guard may
    // still clear the show-main-form flag after this.
    setHintColor(m_hints.color);
    setHintHidePause(m_hints.hidePause);
    setHintPause(m_hints.pause);
    setHintShortPause(m_hints.shortPause);
    setShowMainForm(m_showMainForm);
    setShowHint(m_hints.showHint);
    setUpdateFormatSettings(m_updateFormatSettings);
    setUpdateMetricSettings(m_updateMetricSettings);
    setHintShortCuts(m_hints.shortCuts);
    setBiDiMode(m_biDiMode);
    setMouseDragImmediate(m_mouseDragImmediate);
    setMouseDragThreshold(m_mouseDragThreshold);
    setBiDiKeyboard(m_biDiKeyboard);
    setNonBiDiKeyboard(m_nonBiDiKeyboard);
    if (m_hidden)
        HidingStep();
}

QString TabfApplicationProperties::HelpFile() const
{
    return App() ? App()->options().helpFile : m_helpFile;
}

void TabfApplicationProperties::setHelpFile(const QString& helpFile)
{
    m_helpFile = helpFile;
    if (Application* app = App())
        app->options().helpFile = helpFile;
}

void TabfApplicationProperties::setHidden(bool hidden)
{
    m_hidden = hidden;
    HidingStep();
}

void TabfApplicationProperties::HidingStep()
{
    // Here the main window carries the taskbar entry. A tool window has none, so
    // hiding takes the entry away while the window itself stays where it was.
    Application* app = App();
    QWidget* window = app ? app->mainForm() : nullptr;
    if (!window || window->windowFlags().testFlag(Qt::Tool) == m_hidden)
        return;
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::Tool, m_hidden);
    if (wasVisible)
        window->show();
}

StoredColour TabfApplicationProperties::HintColor() const
{
    return ReadHint(&HintSettings::color, m_hints);
}

void TabfApplicationProperties::setHintColor(StoredColour colour)
{
    m_hints.color = colour;
    WriteHint(&HintSettings::color, colour);
}

int TabfApplicationProperties::HintHidePause() const
{
    return ReadHint(&HintSettings::hidePause, m_hints);
}

void TabfApplicationProperties::setHintHidePause(int ms)
{
    m_hints.hidePause = ms;
    WriteHint(&HintSettings::hidePause, ms);
}

int TabfApplicationProperties::HintPause() const
{
    return ReadHint(&HintSettings::pause, m_hints);
}

void TabfApplicationProperties::setHintPause(int ms)
{
    m_hints.pause = ms;
    WriteHint(&HintSettings::pause, ms);
}

int TabfApplicationProperties::HintShortPause() const
{
    return ReadHint(&HintSettings::shortPause, m_hints);
}

void TabfApplicationProperties::setHintShortPause(int ms)
{
    m_hints.shortPause = ms;
    WriteHint(&HintSettings::shortPause, ms);
}

QIcon TabfApplicationProperties::Icon() const
{
    return App() ? App()->windowIcon() : m_icon;
}

void TabfApplicationProperties::setIcon(const QIcon& icon)
{
    m_icon = icon;
    if (Application* app = App())
        app->setWindowIcon(icon);
}

QString TabfApplicationProperties::Title() const
{
    return App() ? App()->title() : m_title;
}

void TabfApplicationProperties::setTitle(const QString& title)
{
    m_title = title;
    if (Application* app = App())
        app->setTitle(title);
}

bool TabfApplicationProperties::ShowHint() const
{
    return ReadHint(&HintSettings::showHint, m_hints);
}

void TabfApplicationProperties::setShowHint(bool show)
{
    m_hints.showHint = show;
    WriteHint(&HintSettings::showHint, show);
}

bool TabfApplicationProperties::UpdateFormatSettings() const
{
    return App() ? App()->options().updateFormatSettings : m_updateFormatSettings;
}

void TabfApplicationProperties::setUpdateFormatSettings(bool update)
{
    m_updateFormatSettings = update;
    if (Application* app = App())
        app->options().updateFormatSettings = update;
}

bool TabfApplicationProperties::ShowMainForm() const
{
    return App() ? App()->showMainForm() : m_showMainForm;
}

void TabfApplicationProperties::setShowMainForm(bool show)
{
    m_showMainForm = show;
    if (Application* app = App())
        app->setShowMainForm(show);
}

bool TabfApplicationProperties::UpdateMetricSettings() const
{
    return App() ? App()->options().updateMetricSettings : m_updateMetricSettings;
}

void TabfApplicationProperties::setUpdateMetricSettings(bool update)
{
    m_updateMetricSettings = update;
    if (Application* app = App())
        app->options().updateMetricSettings = update;
}

TBiDiMode TabfApplicationProperties::BiDiMode() const
{
    if (!App())
        return m_biDiMode;
    // Qt knows only the direction; the kept value tells the right-to-left kinds apart.
    if (QGuiApplication::layoutDirection() == Qt::LeftToRight)
        return TBiDiMode::bdLeftToRight;
    return m_biDiMode == TBiDiMode::bdLeftToRight ? TBiDiMode::bdRightToLeft : m_biDiMode;
}

void TabfApplicationProperties::setBiDiMode(TBiDiMode mode)
{
    m_biDiMode = mode;
    if (App())
        QGuiApplication::setLayoutDirection(mode == TBiDiMode::bdLeftToRight ? Qt::LeftToRight
                                                                             : Qt::RightToLeft);
}

bool TabfApplicationProperties::HintShortCuts() const
{
    return ReadHint(&HintSettings::shortCuts, m_hints);
}

void TabfApplicationProperties::setHintShortCuts(bool show)
{
    m_hints.shortCuts = show;
    WriteHint(&HintSettings::shortCuts, show);
}

bool TabfApplicationProperties::MouseDragImmediate() const
{
    return App() ? App()->options().mouseDragImmediate : m_mouseDragImmediate;
}

void TabfApplicationProperties::setMouseDragImmediate(bool immediate)
{
    m_mouseDragImmediate = immediate;
    if (Application* app = App())
        app->options().mouseDragImmediate = immediate;
}

int TabfApplicationProperties::MouseDragThreshold() const
{
    return App() ? QApplication::startDragDistance() : m_mouseDragThreshold;
}

void TabfApplicationProperties::setMouseDragThreshold(int pixels)
{
    m_mouseDragThreshold = pixels;
    if (App())
        QApplication::setStartDragDistance(pixels);
}

QString TabfApplicationProperties::BiDiKeyboard() const
{
    return App() ? App()->options().biDiKeyboard : m_biDiKeyboard;
}

void TabfApplicationProperties::setBiDiKeyboard(const QString& layout)
{
    m_biDiKeyboard = layout;
    if (Application* app = App())
        app->options().biDiKeyboard = layout;
}

QString TabfApplicationProperties::NonBiDiKeyboard() const
{
    return App() ? App()->options().nonBiDiKeyboard : m_nonBiDiKeyboard;
}

void TabfApplicationProperties::setNonBiDiKeyboard(const QString& layout)
{
    m_nonBiDiKeyboard = layout;
    if (Application* app = App())
        app->options().nonBiDiKeyboard = layout;
}

void TabfApplicationProperties::ActiveControlChanged(QObject* sender)
{
    if (OnActiveControlChange)
        OnActiveControlChange(sender);
}

void TabfApplicationProperties::ActiveFormChanged(QObject* sender)
{
    if (OnActiveFormChange)
        OnActiveFormChange(sender);
}

void TabfApplicationProperties::RaiseSettingsChanged()
{
    if (!OnSettingsChanged)
        return;
    try {
        OnSettingsChanged(this);
    } catch (...) {
        App()->HandleException(std::current_exception());
    }
}
