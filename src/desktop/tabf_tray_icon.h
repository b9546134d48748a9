#pragma once

#include "application_window_hooks.h"
#include "error.h"
#include "notification_area.h"
#include "tabf_custom_timer.h"
#include "tray_support.h"

#include <QIcon>
#include <QPointer>

class QWidget;

// The tray icon's errors.
class EabfTrayIcon final : public Error
{
public:
    using Error::Error;
};

enum TMouseButton
{
    mbLeft,
    mbRight,
    mbMiddle,
};

// A set of shift-state flags.
enum TShiftStateFlag : unsigned
{
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
};
using TShiftState = unsigned;

enum TTrayIconInfoType
{
    tiiNone,
    tiiInfo,
    tiiWarning,
    tiiError,
};

// The program's icon in the notification area, with its tip, balloon, popup
// menu and mouse events; optionally hides the program there when minimised
// and brings it back on a double-click.
class TabfTrayIcon final : public TabfCustomTimer
{
    Q_OBJECT
public:
    using TMouseEvent = std::function<void(QObject*, TMouseButton, TShiftState, int, int)>;
    using TMouseMoveEvent = std::function<void(QObject*, TShiftState, int, int)>;

    static constexpr unsigned kCallbackMessage = 0x04D3;
    // The longest hint, in UTF-16 units: a character outside the basic plane
    // counts twice.
    static constexpr int kHintLimit = 63;

    // owner is the form the component sits on; name is its component name.
    TabfTrayIcon(QObject* owner, platform::NotificationArea& area,
                 const QString& name = QStringLiteral("tray"));
    ~TabfTrayIcon() override;

    // Properties.
    bool CycleIcons() const { return TimerEnabled(); }
    void SetCycleIcons(bool cycle) { SetTimerEnabled(cycle); }
    unsigned CycleInterval() const { return TimerInterval(); }
    void SetCycleInterval(unsigned milliseconds) { SetTimerInterval(milliseconds); }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }
    const QString& Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    const QIcon& Icon() const { return m_icon; }
    void SetIcon(const QIcon& icon);
    TImageList* ImageList() const { return m_imageList; }
    void SetImageList(TImageList* list);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    int IconID() const { return m_iconId; }
    void SetIconID(int id);
    bool MinimizeToTray() const { return m_minimizeToTray; }
    void SetMinimizeToTray(bool minimize) { m_minimizeToTray = minimize; }
    bool MinimizeOnStart() const { return m_minimizeOnStart; }
    void SetMinimizeOnStart(bool minimize) { m_minimizeOnStart = minimize; }
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* menu) { m_popupMenu = menu; }
    bool PopupByLeft() const { return m_popupByLeft; }
    void SetPopupByLeft(bool byLeft) { m_popupByLeft = byLeft; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool VisibleOnDesigning() const { return m_visibleOnDesigning; }
    void SetVisibleOnDesigning(bool visible) { m_visibleOnDesigning = visible; }
    const QString& InfoText() const { return m_infoText; }
    void SetInfoText(const QString& text) { m_infoText = text; }
    const QString& InfoTitle() const { return m_infoTitle; }
    void SetInfoTitle(const QString& title) { m_infoTitle = title; }
    int InfoTimeout() const { return m_infoTimeout; }
    void SetInfoTimeout(int milliseconds) { m_infoTimeout = milliseconds; }
    TTrayIconInfoType InfoType() const { return m_infoType; }
    void SetInfoType(TTrayIconInfoType type) { m_infoType = type; }

    // Events; unassigned ones are skipped.
    TNotifyEvent OnMinimize, OnClick, OnDblClick, OnPopupMenu, OnShow, OnHide, OnCycleIcons,
        OnBalloonShow, OnBalloonTimeout, OnBalloonClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown, OnMouseUp;

    // Operations.
    void ShowIcon();
    void HideIcon();
    void InsertToTray();
    void DeleteFromTray();
    void UpdateIcon();
    void ShowApplication();
    void HideApplication();
    void PopupAtCursor();
    void ShowBalloon();

    // The end-of-loading step, once the owner's stored values are all set.
    void Loaded();

    // The flags word of the icon record.
    unsigned Flags() const { return m_flags; }
    platform::NotifyIconRecord Record() const;

protected:
    void Tick() override;

private:
    void HideIconOnly();
    void MinimiseStep();
    void HandleCallback(unsigned code);
    void MouseUpStep(TMouseButton button, TShiftState shift, const QPoint& at);
    void DoubleClickStep();
    void BringOwnerForward();
    void TaskbarCreated();
    void RefreshFromImageList();

    platform::NotificationArea& m_area;
    QPointer<ApplicationWindowHooks> m_hooks;
    ApplicationWindowHooks::HookId m_hookId = 0;
    unsigned m_flags = platform::NifMessage | platform::NifTip;
    bool m_clickPending = false;

    bool m_enabled = true;
    QString m_hint;
    QIcon m_icon;
    QPointer<TImageList> m_imageList;
    QMetaObject::Connection m_imageListLink;
    int m_imageIndex = 0;
    int m_iconId = 0;
    bool m_minimizeToTray = false;
    bool m_minimizeOnStart = false;
    QPointer<TPopupMenu> m_popupMenu;
    bool m_popupByLeft = false;
    bool m_showHint = true;
    bool m_visible = false;
    bool m_visibleOnDesigning = false;
    QString m_infoText;
    QString m_infoTitle;
    int m_infoTimeout = 10000;
    TTrayIconInfoType m_infoType = tiiNone;
};
