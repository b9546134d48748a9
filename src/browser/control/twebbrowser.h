#pragma once

#include "web_browser.h"

#include <QTimer>
#include <QUrl>
#include <QWidget>

class BrowserEngine;

// The embedded browser of the browser page: a Chromium view (Qt WebEngine)
// behind the WebBrowser operations and events. Usable from a designer form.
//
// The engine costs hundreds of megabytes, and most of the day nobody looks at
// the directory: it is loaded when the control is first shown (or an
// operation needs it), and while the main window stays hidden or minimised
// the page is discarded, to be reloaded when the window comes back.
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

    // The engine's page (a QWebEnginePage); asking for it starts the engine.
    QObject* EnginePage();
    bool IsEngineRunning() const { return m_engine != nullptr; }
    bool IsPageDiscarded() const;
    void SetDiscardDelayForTesting(int ms) { m_discardTimer.setInterval(ms); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Starts the engine; throws Error when its module cannot be loaded.
    void startEngine();
    void windowPresenceChanged();
    bool windowAway() const;
    void discardPage();
    void wakePage();
    void raiseInsideEngine(const std::function<void()>& event);

    BrowserEngine* m_engine = nullptr; // its widget is our child
    // The address asked for before the engine ran.
    QUrl m_pending;
    QWidget* m_watchedWindow = nullptr;
    QTimer m_discardTimer{this};
    // Captures in flight (download or new-radio dialog): their page stays.
    int m_holds = 0;
};
