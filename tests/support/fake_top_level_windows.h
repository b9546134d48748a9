#pragma once

#include "top_level_windows.h"

#include <QList>
#include <QStringList>

// Published windows inside one test: the test lists them, and the requests
// made to them are recorded as "OpenIcon <handle>" or
// "SetForegroundWindow <handle>".
class FakeTopLevelWindows final : public platform::TopLevelWindows
{
public:
    struct Window
    {
        platform::PublishedWindow handle;
        QString className;
        QString title;
        bool iconic = false;
    };

    QList<Window> windows; // in lookup order, handles ascending
    platform::PublishedWindow own = 0;
    QStringList requests;

    bool Publish(const QString&, const QString&, platform::WindowOwner&) override { return true; }
    void Withdraw() override {}
    platform::PublishedWindow OwnWindow() const override { return own; }

    platform::PublishedWindow FindWindowEx(platform::PublishedWindow after,
                                           const QString& className,
                                           const QString& windowName) override
    {
        for (const Window& window : windows)
            if (window.handle > after && window.className == className &&
                window.title == windowName)
                return window.handle;
        return 0;
    }
    bool IsWindow(platform::PublishedWindow handle) override { return find(handle); }
    bool IsIconic(platform::PublishedWindow handle) override
    {
        const Window* window = find(handle);
        return window && window->iconic;
    }
    bool OpenIcon(platform::PublishedWindow handle) override
    {
        requests.append(QStringLiteral("OpenIcon %1").arg(handle));
        return true;
    }
    bool SetForegroundWindow(platform::PublishedWindow handle) override
    {
        requests.append(QStringLiteral("SetForegroundWindow %1").arg(handle));
        return true;
    }

private:
    const Window* find(platform::PublishedWindow handle) const
    {
        for (const Window& window : windows)
            if (window.handle == handle)
                return &window;
        return nullptr;
    }
};
