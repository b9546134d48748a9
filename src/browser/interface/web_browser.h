#pragma once

#include <QString>
#include <functional>

// What started a navigation, as far as a handler needs to tell.
enum class NavigationCause
{
    // A link followed or an address given to Navigate, for the main frame's
    // next document: the ones a handler may stop to look at first.
    Followed,
    // Everything else: redirects, reloads, history steps, form posts, frames.
    Other,
};

// What the program asks of its embedded browser: three operations and two
// events. Handlers are set by assigning the event members, as with the
// designer's event slots; an unset event is skipped. The real control is
// TWebBrowser; handler tests use a double.
class WebBrowser
{
public:
    // Raised before every navigation the browser reports (typed addresses,
    // link clicks, scripts, form posts, redirects, history steps, reloads and
    // frame navigations alike). Setting `cancel` stops the navigation; the
    // browser then stays on the page it shows.
    using BeforeNavigate2Event =
        std::function<void(const QString& url, NavigationCause cause, bool& cancel)>;
    // Raised when a main-frame navigation fails: `statusCode` is the HTTP
    // status (400 and up) or, for a failure below HTTP, the browser engine's
    // negative network error number. Navigations cancelled through
    // OnBeforeNavigate2 are not reported.
    using NavigateErrorEvent = std::function<void(const QString& url, int statusCode)>;

    WebBrowser() = default;
    virtual ~WebBrowser() = default;
    WebBrowser(const WebBrowser&) = delete;
    WebBrowser& operator=(const WebBrowser&) = delete;

    // Each operation throws Error with a readable text when it cannot be done.
    virtual void Navigate(const QString& url) = 0;
    virtual void GoBack() = 0;
    virtual void Refresh() = 0;

    // Runs `work` as soon as the engine has been given the answer of the
    // current OnBeforeNavigate2 (guarded like any handler). Whatever a handler
    // does that waits - a download in a nested event loop, a modal dialog -
    // belongs here: a nested loop inside the event itself stalls the engine
    // (no painting, no scripts, no navigation) until it ends. Cancel is still
    // decided inside the event, so the page holding the link stays shown.
    virtual void ContinueAfterEvent(std::function<void()> work) = 0;

    // While held (a capture downloading or asking for its name), the page is
    // kept as it is, never put away to save memory. Calls nest.
    virtual void HoldPage(bool hold) = 0;

    BeforeNavigate2Event OnBeforeNavigate2;
    NavigateErrorEvent OnNavigateError;
};
