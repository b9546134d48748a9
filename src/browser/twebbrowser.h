#pragma once

#include "web_browser.h"

#include <QSet>
#include <QUrl>
#include <QWidget>

class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineView;

// The embedded browser of the browser page: a Chromium view (Qt WebEngine)
// behind the WebBrowser operations and events. Usable from a designer form.
class TWebBrowser final : public QWidget, public WebBrowser
{
    Q_OBJECT
public:
    explicit TWebBrowser(QWidget* parent = nullptr);
    ~TWebBrowser() override;

    // The text is taken as an absolute address; one without a scheme
    // ("www.example.com") is completed the way an address bar would.
    // An empty or unreadable address throws Error. A host that cannot be
    // reached is the engine's business: it shows its error page.
    void Navigate(const QString& url) override;
    // Throws Error when there is no earlier page.
    void GoBack() override;
    void Refresh() override;
    void ContinueAfterEvent(std::function<void()> work) override;

    QWebEnginePage* page() const;
    QWebEngineView* view() const { return m_view; }

private:
    class Page;

    void raiseInsideEngine(const std::function<void()>& event);
    bool decideNavigation(const QUrl& url, bool isMainFrame);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void newWindowRequested(QWebEngineNewWindowRequest& request);

    QWebEngineView* m_view = nullptr;
    // Main-frame navigations stopped by OnBeforeNavigate2 and not yet ended:
    // their end must never reach OnNavigateError, whatever the engine calls it.
    QSet<QUrl> m_cancelled;
};
