#pragma once

#include "application_settings.h"
#include "custom_application_events.h"
#include "tabf_app_prop_list.h"

#include <QIcon>

enum class TBiDiMode
{
    bdLeftToRight,
    bdRightToLeft,
    bdRightToLeftNoAlign,
    bdRightToLeftReadingOnly
};

// The application's program-wide settings as a component of a window: each
// setter writes through to the application at once, each getter reads the
// application's current value, and the end of loading applies them all again.
// It also hands the application's events on to the window's handlers.
class TabfApplicationProperties final : public TCustomApplicationEvents,
                                        public TabfAppPropListMember
{
    Q_OBJECT
public:
    explicit TabfApplicationProperties(QObject* owner = nullptr);
    ~TabfApplicationProperties() override;
    Q_DISABLE_COPY_MOVE(TabfApplicationProperties)

    // The end-of-loading step, after the whole owning window was read.
    void Loaded();

    bool Chained() const override { return m_chained; }
    void setChained(bool chained) { m_chained = chained; }
    QString HelpFile() const;
    void setHelpFile(const QString& helpFile);
    bool Hidden() const { return m_hidden; }
    void setHidden(bool hidden);
    StoredColour HintColor() const;
    void setHintColor(StoredColour colour);
    int HintHidePause() const;
    void setHintHidePause(int ms);
    int HintPause() const;
    void setHintPause(int ms);
    int HintShortPause() const;
    void setHintShortPause(int ms);
    QIcon Icon() const;
    void setIcon(const QIcon& icon);
    QString Title() const;
    void setTitle(const QString& title);
    bool ShowHint() const;
    void setShowHint(bool show);
    bool UpdateFormatSettings() const;
    void setUpdateFormatSettings(bool update);
    bool ShowMainForm() const;
    void setShowMainForm(bool show);
    bool UpdateMetricSettings() const;
    void setUpdateMetricSettings(bool update);
    TBiDiMode BiDiMode() const;
    void setBiDiMode(TBiDiMode mode);
    bool HintShortCuts() const;
    void setHintShortCuts(bool show);
    bool MouseDragImmediate() const;
    void setMouseDragImmediate(bool immediate);
    int MouseDragThreshold() const;
    void setMouseDragThreshold(int pixels);
    QString BiDiKeyboard() const;
    void setBiDiKeyboard(const QString& layout);
    QString NonBiDiKeyboard() const;
    void setNonBiDiKeyboard(const QString& layout);

    // Never raised here: this desktop paints no minimised application window.
    NotifyEvent OnPaintIcon;
    // The desktop's palette, fonts or style hints changed.
    NotifyEvent OnSettingsChanged;
    NotifyEvent OnActiveControlChange;
    NotifyEvent OnActiveFormChange;

private:
    void ActiveControlChanged(QObject* sender) override;
    void ActiveFormChanged(QObject* sender) override;
    void HidingStep();
    void RaiseSettingsChanged();

    bool m_chained = true;
    QString m_helpFile;
    bool m_hidden = false;
    HintSettings m_hints;
    QIcon m_icon;
    QString m_title;
    bool m_updateFormatSettings = true;
    bool m_showMainForm = true;
    bool m_updateMetricSettings = true;
    TBiDiMode m_biDiMode = TBiDiMode::bdLeftToRight;
    bool m_mouseDragImmediate = true;
    int m_mouseDragThreshold = 5;
    QString m_biDiKeyboard;
    QString m_nonBiDiKeyboard;
};
