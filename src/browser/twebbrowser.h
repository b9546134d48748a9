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

    QWebEnginePage* page() const;
    QWebEngineView* view() const { return m_view; }

private:
    class Page;

    bool decideNavigation(const QUrl& url);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void newWindowRequested(QWebEngineNewWindowRequest& request);

    QWebEngineView* m_view = nullptr;
    // Navigations stopped by OnBeforeNavigate2: the engine reports each as a
    // failed load, which must not reach OnNavigateError.
    QSet<QUrl> m_cancelled;
};
