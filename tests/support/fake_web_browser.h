#pragma once

#include "application.h"
#include "error.h"
#include "web_browser.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <vector>

// A browser double for handler tests: records the operations and raises the
// events on demand. Header-only, so only tests that use it need the browser's
// include path (link wavedock_browser_control).
class FakeWebBrowser final : public WebBrowser
{
public:
    void Navigate(const QString& url) override
    {
        navigated << url;
        if (!navigateError.isEmpty())
            throw Error(navigateError);
    }
    void GoBack() override
    {
        ++goBackCalls;
        if (!canGoBack)
            throw Error(QStringLiteral("There is no earlier page to go back to"));
    }
    void Refresh() override { ++refreshCalls; }
    void HoldPage(bool hold) override { holds += hold ? 1 : -1; }
    void ContinueAfterEvent(std::function<void()> work) override
    {
        m_queued.push_back(std::move(work));
    }

    // Raises OnBeforeNavigate2 as the engine would and returns the handler's
    // Cancel. As with the real control, a handler's exception and the work it
    // queued with ContinueAfterEvent come after the event has returned
    // (here: before this call returns), each guarded like a handler.
    bool RaiseBeforeNavigate2(const QString& url, NavigationCause cause = NavigationCause::Other)
    {
        bool cancel = false;
        if (OnBeforeNavigate2) {
            try {
                OnBeforeNavigate2(url, cause, cancel);
            } catch (...) {
                const std::exception_ptr failure = std::current_exception();
                m_queued.push_back([failure] { std::rethrow_exception(failure); });
            }
        }
        ++eventsRaised;
        runQueued();
        return cancel;
    }
    void RaiseNavigateError(const QString& url, int statusCode)
    {
        if (OnNavigateError)
            RunGuarded([&] { OnNavigateError(url, statusCode); });
    }

    QStringList navigated;
    int goBackCalls = 0;
    int refreshCalls = 0;
    int eventsRaised = 0;
    int holds = 0; // captures holding the page now
    bool canGoBack = false;
    QString navigateError; // when set, Navigate throws Error with this text

private:
    void runQueued()
    {
        std::vector<std::function<void()>> queued;
        queued.swap(m_queued);
        for (const auto& work : queued)
            RunGuarded(work);
    }

    std::vector<std::function<void()>> m_queued;
};
