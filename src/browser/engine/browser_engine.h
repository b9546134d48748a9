#pragma once

#include <QUrl>
#include <functional>

class QObject;
class QWidget;

// The Chromium view behind TWebBrowser, built as a module of its own that is
// loaded only when the browser first starts: linking the engine into the
// program would make it set up OpenGL and map the engine at every start,
// tens of megabytes before anyone opens the directory.
class BrowserEngine
{
public:
    struct Events
    {
        // Before every navigation; false stops it. `followed`: a link followed
        // or an address loaded, for a new document in the main frame.
        std::function<bool(const QUrl& url, bool isMainFrame, bool followed)> beforeNavigate;
        // A main-frame navigation that failed (HTTP status, or the engine's
        // negative network error); navigations stopped above are not reported.
        std::function<void(const QUrl& url, int statusCode)> navigateError;
    };

    BrowserEngine() = default;
    virtual ~BrowserEngine() = default;
    BrowserEngine(const BrowserEngine&) = delete;
    BrowserEngine& operator=(const BrowserEngine&) = delete;

    virtual QWidget* widget() = 0;
    virtual void load(const QUrl& url) = 0;
    virtual bool canGoBack() const = 0;
    virtual void back() = 0;
    virtual void reload() = 0;
    // Puts a page that is not shown away (its renderer process ends) and wakes
    // it again, which reloads its last address.
    virtual void discard() = 0;
    virtual void wake(bool shown) = 0;
    virtual bool isDiscarded() const = 0;
    // The engine's own page object (a QWebEnginePage), for tests.
    virtual QObject* page() = 0;
};

// The module's one entry point, looked up by this name.
#define WAVEDOCK_CREATE_BROWSER_ENGINE "wavedock_create_browser_engine"
using CreateBrowserEngine = BrowserEngine* (*)(QWidget* parent, BrowserEngine::Events events);
