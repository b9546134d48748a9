#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// Names one published window of some process of the user's; 0 is no window.
using PublishedWindow = qint64;

// What a published window does when another process asks. The owning process
// carries it out on its own GUI thread.
class WindowOwner
{
public:
    virtual ~WindowOwner() = default;

    // Minimised, or hidden away (in the notification area).
    virtual bool IsIconic() const = 0;
    // Brings the window back from minimised or hidden, raises and activates it.
    virtual void OpenIcon(const QString& activationToken) = 0;
    // Raises and activates the window.
    virtual void SetForegroundWindow(const QString& activationToken) = 0;
};

// The top-level windows that the user's programs publish, found by class name
// and title across processes. A process publishes its own window; any process
// may look up another's and ask it to come forward. The asking side passes on
// the activation token the desktop gave it, if any, so the desktop lets the
// other window take the focus.
class TopLevelWindows
{
public:
    virtual ~TopLevelWindows() = default;

    // Publishes this process's window under `className` and `windowName`,
    // replacing an earlier publication; `owner` must outlive it. Returns false
    // when the window cannot be published.
    virtual bool Publish(const QString& className, const QString& windowName,
                         WindowOwner& owner) = 0;
    virtual void Withdraw() = 0;
    // This process's published window, 0 when there is none.
    virtual PublishedWindow OwnWindow() const = 0;

    // The first published window after `after` (0: from the start) with exactly
    // this class name and title; 0 when there is none.
    virtual PublishedWindow FindWindowEx(PublishedWindow after, const QString& className,
                                         const QString& windowName) = 0;
    virtual bool IsWindow(PublishedWindow window) = 0;
    virtual bool IsIconic(PublishedWindow window) = 0;
    virtual bool OpenIcon(PublishedWindow window) = 0;
    virtual bool SetForegroundWindow(PublishedWindow window) = 0;
};

} // namespace platform
