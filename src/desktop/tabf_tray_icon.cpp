#include "tabf_tray_icon.h"

#include "application.h"
#include "window_presence.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>

namespace {
// The record's tip field holds this many characters; the hint setter keeps
// the tip shorter still.
constexpr int kTipFieldLimit = 127;
constexpr int kBalloonTextLimit = 255;
constexpr int kBalloonTitleLimit = 63;

TShiftState CurrentShiftState()
{
    const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
    TShiftState shift = 0;
    if (keys & Qt::ShiftModifier)
        shift |= ssShift;
    if (keys & Qt::ControlModifier)
        shift |= ssCtrl;
    if (keys & Qt::AltModifier)
        shift |= ssAlt;
    return shift;
}

QWidget* MainForm()
{
    Application* app = Application::instance();
    return app ? app->mainForm() : nullptr;
}

void Raise(const TabfTrayIcon::TNotifyEvent& event, QObject* sender)
{
    if (event)
        event(sender);
}
} // namespace

TabfTrayIcon::TabfTrayIcon(QObject* owner, platform::NotificationArea& area, const QString& name)
    : TabfCustomTimer(owner), m_area(area)
{
    setObjectName(name);
    // Cycling off before the handler goes in, so that no timer is armed and
    // dropped again on the way. The tick handler exists only so that the timer
    // runs once CycleIcons is on.
    SetCycleIcons(false);
    SetCycleInterval(200);
    SetOnTimer([](QObject*) {});

    connect(&m_area, &platform::NotificationArea::Callback, this,
            [this](const QObject* iconOwner, int id, unsigned message, unsigned code) {
                if (iconOwner == this && id == m_iconId && message == kCallbackMessage)
                    RunGuarded([&] { HandleCallback(code); });
            });
    connect(&m_area, &platform::NotificationArea::TaskbarCreated, this,
            [this] { RunGuarded([this] { TaskbarCreated(); }); });

    // Hooked whatever MinimizeToTray says; the hook looks at it each time.
    if (Application* app = Application::instance()) {
        m_hooks = &app->windowHooks();
        m_hookId = m_hooks->Install([this](ApplicationWindowMessage message) {
            if (message != ApplicationWindowMessage::Minimized || !m_minimizeToTray)
                return;
            // Once the minimising is over: Qt shows a window again at its end
            // when the program itself minimised it.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    QWidget* form = MainForm();
                    if (!form || form->isMinimized())
                        RunGuarded([this] { MinimiseStep(); });
                },
                Qt::QueuedConnection);
        });
    }
}

TabfTrayIcon::~TabfTrayIcon()
{
    // Out of the notification area, but no window is shown: they are going too.
    if (m_visible) {
        try {
            HideIconOnly();
        } catch (...) {
            // Nothing may escape a destructor; the icon goes with the area anyway.
        }
    }
    if (m_hooks)
        m_hooks->Remove(m_hookId);
}

platform::NotifyIconRecord TabfTrayIcon::Record() const
{
    platform::NotifyIconRecord record;
    record.owner = this;
    record.id = m_iconId;
    record.flags = m_flags;
    record.callbackMessage = kCallbackMessage;
    record.icon = m_icon;
    if (m_showHint)
        record.tip = m_hint.left(kTipFieldLimit);
    return record;
}

void TabfTrayIcon::InsertToTray()
{
    try {
        m_area.Add(Record());
    } catch (...) {
        throw EabfTrayIcon(objectName() + QStringLiteral(".InsertToTray failed"));
    }
}

void TabfTrayIcon::DeleteFromTray()
{
    try {
        m_area.Delete(Record());
    } catch (...) {
        throw EabfTrayIcon(objectName() + QStringLiteral(".DeleteFromTray failed"));
    }
}

void TabfTrayIcon::UpdateIcon()
{
    // Refused while the icon is not in the area; that is fine.
    m_area.Modify(Record());
}

void TabfTrayIcon::ShowIcon()
{
    m_flags |= platform::NifIcon;
    InsertToTray();
    m_visible = true;
    Raise(OnShow, this);
}

void TabfTrayIcon::HideIconOnly()
{
    m_flags &= ~unsigned(platform::NifIcon);
    DeleteFromTray();
    m_visible = false;
    Raise(OnHide, this);
}

void TabfTrayIcon::HideIcon()
{
    HideIconOnly();
    if (m_minimizeToTray)
        ShowApplication();
    // A program hidden without its icon could never be reached again.
    if (auto* window = qobject_cast<QWidget*>(parent()); window && !window->isVisible())
        window->setVisible(true);
}

void TabfTrayIcon::ShowApplication()
{
    QWidget* form = MainForm();
    if (!form)
        return;
    // Shown as normal: out of the minimised state, in front and active.
    PutBackOnScreen(*form);
    form->raise();
    form->activateWindow();
}

void TabfTrayIcon::HideApplication()
{
    QWidget* form = MainForm();
    if (form && form->isVisible())
        form->setVisible(false);
}

void TabfTrayIcon::MinimiseStep()
{
    // Where the desktop has no notification area, hiding would leave the
    // program with no way back: it stays minimised on the taskbar instead.
    if (m_area.IsAvailable())
        HideApplication();
    SetVisible(true);
    Raise(OnMinimize, this);
}

void TabfTrayIcon::Loaded()
{
    if (m_minimizeOnStart) {
        Application* app = Application::instance();
        if (app && m_area.IsAvailable())
            app->setShowMainForm(false);
        MinimiseStep();
    }
    if (m_visible)
        ShowIcon();
}

void TabfTrayIcon::SetHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    qsizetype kept = std::min<qsizetype>(hint.size(), kHintLimit);
    // A character outside the basic plane takes two places: it is kept whole
    // or not at all, never as half a pair the desktop would show as garbage.
    if (kept < hint.size() && kept > 0 && hint.at(kept - 1).isHighSurrogate())
        --kept;
    m_hint = hint.left(kept);
    UpdateIcon();
}

void TabfTrayIcon::SetIcon(const QIcon& icon)
{
    m_icon = icon;
    UpdateIcon();
}

void TabfTrayIcon::SetShowHint(bool show)
{
    if (show == m_showHint)
        return;
    m_showHint = show;
    UpdateIcon();
}

void TabfTrayIcon::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (visible)
        ShowIcon();
    else
        HideIcon();
}

void TabfTrayIcon::SetIconID(int id)
{
    if (id == m_iconId)
        return;
    // Taken out under the old id and put back under the new one.
    const bool wasVisible = m_visible;
    SetVisible(false);
    m_iconId = id;
    SetVisible(wasVisible);
}

void TabfTrayIcon::SetImageList(TImageList* list)
{
    if (list == m_imageList)
        return;
    disconnect(m_imageListLink);
    m_imageList = list;
    if (list) {
        m_imageListLink =
            connect(list, &TImageList::Changed, this, &TabfTrayIcon::RefreshFromImageList);
        RefreshFromImageList();
    }
}

void TabfTrayIcon::SetImageIndex(int index)
{
    m_imageIndex = index;
    RefreshFromImageList();
}

void TabfTrayIcon::RefreshFromImageList()
{
    if (!m_imageList)
        return;
    m_icon = m_imageList->Image(m_imageIndex);
    UpdateIcon();
}

void TabfTrayIcon::Tick()
{
    if (m_imageList) {
        const int count = m_imageList->Count();
        SetImageIndex(m_imageIndex < count - 1 ? m_imageIndex + 1 : 0);
    }
    Raise(OnCycleIcons, this);
}

void TabfTrayIcon::TaskbarCreated()
{
    // The new area knows nothing of us. HideIcon's restore shows a program
    // hidden there, so it cannot be lost if the icon does not come back.
    if (!m_visible)
        return;
    HideIcon();
    ShowIcon();
}

void TabfTrayIcon::HandleCallback(unsigned code)
{
    if (!m_enabled)
        return;
    // Where the pointer is now, not where it was at the click.
    const QPoint at = QCursor::pos();
    const TShiftState shift = CurrentShiftState();
    auto mouseDown = [&](TMouseButton button, TShiftState buttonFlag) {
        if (OnMouseDown)
            OnMouseDown(this, button, shift | buttonFlag, at.x(), at.y());
    };
    switch (code) {
    case platform::NotifyCode::MouseMove:
        if (OnMouseMove)
            OnMouseMove(this, shift, at.x(), at.y());
        break;
    case platform::NotifyCode::LeftButtonDown:
        mouseDown(mbLeft, ssLeft);
        m_clickPending = true;
        break;
    case platform::NotifyCode::LeftButtonUp:
        MouseUpStep(mbLeft, shift | ssLeft, at);
        if (m_clickPending)
            Raise(OnClick, this);
        if (m_popupByLeft)
            PopupAtCursor();
        m_clickPending = false;
        break;
    case platform::NotifyCode::LeftDoubleClick:
        DoubleClickStep();
        break;
    case platform::NotifyCode::RightButtonDown:
        mouseDown(mbRight, ssRight);
        break;
    case platform::NotifyCode::RightButtonUp:
        MouseUpStep(mbRight, shift | ssRight, at);
        PopupAtCursor();
        break;
    case platform::NotifyCode::MiddleButtonDown:
        mouseDown(mbMiddle, ssMiddle);
        break;
    case platform::NotifyCode::MiddleButtonUp:
        MouseUpStep(mbMiddle, shift | ssMiddle, at);
        break;
    case platform::NotifyCode::BalloonShow:
        Raise(OnBalloonShow, this);
        break;
    case platform::NotifyCode::BalloonTimeout:
        Raise(OnBalloonTimeout, this);
        break;
    case platform::NotifyCode::BalloonClick:
        Raise(OnBalloonClick, this);
        break;
    default:
        break;
    }
}

void TabfTrayIcon::BringOwnerForward()
{
    auto* window = qobject_cast<QWidget*>(parent());
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
}

void TabfTrayIcon::MouseUpStep(TMouseButton button, TShiftState shift, const QPoint& at)
{
    BringOwnerForward();
    if (OnMouseUp)
        OnMouseUp(this, button, shift, at.x(), at.y());
}

void TabfTrayIcon::DoubleClickStep()
{
    if (m_popupMenu && m_popupMenu->AutoPopup && !m_popupByLeft) {
        QAction* item = m_popupMenu->defaultAction();
        if (item && m_popupMenu->actions().contains(item)) {
            item->trigger();
            Raise(OnDblClick, this);
            BringOwnerForward();
            return;
        }
    }
    if (qobject_cast<QWidget*>(parent())) {
        // A window the user may not see (minimised by a compositor that does
        // not say so) is shown, never hidden further.
        QWidget* form = MainForm();
        if (m_minimizeToTray && form && IsShownToUser(*form))
            HideApplication();
        else
            ShowApplication();
    }
    Raise(OnDblClick, this);
}

void TabfTrayIcon::PopupAtCursor()
{
    if (!m_popupMenu || !m_popupMenu->AutoPopup)
        return;
    const QPoint at = QCursor::pos();
    QCoreApplication::processEvents();
    if (!m_popupMenu)
        return;
    BringOwnerForward();
    m_popupMenu->PopupComponent = this;
    m_popupMenu->popup(at);
    Raise(OnPopupMenu, this);
}

void TabfTrayIcon::ShowBalloon()
{
    platform::NotifyIconRecord record = Record();
    record.flags = platform::NifInfo;
    record.infoType = m_infoType;
    record.infoTimeoutMs = m_infoTimeout;
    record.infoText = m_infoText.left(kBalloonTextLimit);
    record.infoTitle = m_infoTitle.left(kBalloonTitleLimit);
    m_area.Modify(record);
}
