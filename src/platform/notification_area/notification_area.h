#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

namespace platform {

// Which fields of an icon record count in a call.
enum NotifyIconFlag : unsigned
{
    NifMessage = 1, // callbacks are wanted
    NifIcon = 2,
    NifTip = 4,
    NifInfo = 16, // a balloon
};

// The codes a callback carries: the mouse and balloon events on the icon.
namespace NotifyCode {
constexpr unsigned MouseMove = 0x0200;
constexpr unsigned LeftButtonDown = 0x0201;
constexpr unsigned LeftButtonUp = 0x0202;
constexpr unsigned LeftDoubleClick = 0x0203;
constexpr unsigned RightButtonDown = 0x0204;
constexpr unsigned RightButtonUp = 0x0205;
constexpr unsigned MiddleButtonDown = 0x0207;
constexpr unsigned MiddleButtonUp = 0x0208;
constexpr unsigned BalloonShow = 0x0402;
constexpr unsigned BalloonHide = 0x0403;
constexpr unsigned BalloonTimeout = 0x0404;
constexpr unsigned BalloonClick = 0x0405;
} // namespace NotifyCode

// One icon in the notification area. An icon is known by its owner and id;
// flags say which of the other fields a call sets.
struct NotifyIconRecord
{
    const QObject* owner = nullptr;
    int id = 0;
    unsigned flags = 0;
    unsigned callbackMessage = 0;
    QIcon icon;
    QString tip;
    // The balloon, with NifInfo.
    QString infoText;
    QString infoTitle;
    int infoTimeoutMs = 0;
    int infoType = 0; // 0 none, 1 information, 2 warning, 3 error
};

// The desktop's notification area: icons are added, changed and removed by
// their record; what the user does to an icon comes back as callbacks.
// Calls report whether the area took them; callers may ignore that.
class NotificationArea : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Refused when the icon is already there.
    virtual bool Add(const NotifyIconRecord& record) = 0;
    // Refused when the icon is not there.
    virtual bool Modify(const NotifyIconRecord& record) = 0;
    virtual bool Delete(const NotifyIconRecord& record) = 0;
    // Whether the desktop shows a notification area at all just now.
    virtual bool IsAvailable() const = 0;

Q_SIGNALS:
    // Something happened to the icon (owner, id); code is one of NotifyCode.
    void Callback(const QObject* owner, int id, unsigned callbackMessage, unsigned code);
    // The notification area came (back): icons shown before must be added anew.
    void TaskbarCreated();
};

} // namespace platform
