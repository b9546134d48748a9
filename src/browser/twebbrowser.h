#pragma once

#include "web_browser.h"

#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWidget>

class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineView;

// The embedded browser of the browser page: a Chromium view (Qt WebEngine)
// behind the WebBrowser operations and events. Usable from a designer form.
//
// The engine costs hundreds of megabytes in its own processes, and most of the
// day nobody looks at the directory: it starts when the control is first shown
// (or an operation needs it), and while the main window stays hidden or
// minimised the page is discarded, to be reloaded when the window comes back.
class TWebBrowser final : public QWidget, public WebBrowser
{
    Q_OBJECT
public:
    // How long the main window stays away before the page is discarded.
    static constexpr int kDiscardAfterMs = 60'000;

    explicit TWebBrowser(QWidget* parent = nullptr);
    ~TWebBrowser() override;

    // The text is taken as an absolute address; one without a scheme
    // ("www.example.com") is completed the way an address bar would.
    // An empty or unreadable address throws Error. A host that cannot be
    // reached is the engine's business: it shows its error page. Before the
    // engine runs, the address is kept and shown once it is up.
    void Navigate(const QString& url) override;
    // Throws Error when there is no earlier page.
    void GoBack() override;
    void Refresh() override;
    void ContinueAfterEvent(std::function<void()> work) override;
    void HoldPage(bool hold) override;

    // The engine's page; asking for it starts the engine.
    QWebEnginePage* page();
    bool IsEngineRunning() const { return m_view != nullptr; }
    bool IsPageDiscarded() const;
    void SetDiscardDelayForTesting(int ms) { m_discardTimer.setInterval(ms); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Page;

    void startEngine();
    void windowPresenceChanged();
    bool windowAway() const;
    void discardPage();
    void wakePage();
    void raiseInsideEngine(const std::function<void()>& event);
    bool decideNavigation(const QUrl& url, bool isMainFrame);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void newWindowRequested(QWebEngineNewWindowRequest& request);

    QWebEngineView* m_view = nullptr;
    // The address asked for before the engine ran.
    QUrl m_pending;
    QWidget* m_watchedWindow = nullptr;
    QTimer m_discardTimer{this};
    // Captures in flight (download or new-radio dialog): their page stays.
    int m_holds = 0;
    // Main-frame navigations stopped by OnBeforeNavigate2 and not yet ended:
    // their end must never reach OnNavigateError, whatever the engine calls it.
    QSet<QUrl> m_cancelled;
};
