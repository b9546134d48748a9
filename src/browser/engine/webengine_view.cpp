// The browser engine module: Qt WebEngine behind the BrowserEngine interface.
#include "browser_engine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QQuickWindow>
#include <QSet>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <utility>

namespace {

// Chromium's net::ERR_ABORTED: a load given up because another one replaced
// it or it was stopped; nothing the user needs to hear about.
constexpr int kNetErrorAborted = -3;

// A directory page and its pictures; Chromium's default would be far larger.
constexpr int kHttpCacheBytes = 16 * 1024 * 1024;

// One small profile for every browser of the program: off the record, so
// nothing of the directory is stored on disk, with a bounded cache in memory.
QWebEngineProfile* SharedProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setHttpCacheMaximumSize(kHttpCacheBytes);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    }
    return profile;
}

// Hands every navigation decision of the engine to the control.
class DecidingPage final : public QWebEnginePage
{
public:
    using Decide = std::function<bool(const QUrl&, bool isMainFrame, bool followed)>;

    DecidingPage(Decide decide, QObject* parent)
        : QWebEnginePage(SharedProfile(), parent), m_decide(std::move(decide))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        // A jump to an anchor of the page shown keeps its document.
        const bool sameDocument =
            url.hasFragment() && url.matches(this->url(), QUrl::RemoveFragment);
        const bool followed = isMainFrame && !sameDocument &&
                              (type == NavigationTypeLinkClicked || type == NavigationTypeTyped);
        return m_decide(url, isMainFrame, followed);
    }

private:
    Decide m_decide;
};

class WebEngineView final : public QWebEngineView, public BrowserEngine
{
public:
    WebEngineView(QWidget* parent, Events events)
        : QWebEngineView(parent), m_events(std::move(events))
    {
        auto* page =
            new DecidingPage([this](const QUrl& url, bool isMainFrame,
                                    bool followed) { return decide(url, isMainFrame, followed); },
                             this);
        setPage(page);
        connect(page, &QWebEnginePage::loadingChanged, this, &WebEngineView::loadingChanged);
        // The program has one browser: a link meant for a new window opens
        // here, through the same before-navigate decision as any other link.
        connect(page, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) { load(request.requestedUrl()); });
    }

    QWidget* widget() override { return this; }
    void load(const QUrl& url) override { QWebEngineView::load(url); }
    bool canGoBack() const override { return history()->canGoBack(); }
    void back() override { QWebEngineView::back(); }
    void reload() override { QWebEngineView::reload(); }
    QObject* page() override { return QWebEngineView::page(); }

    void discard() override
    {
        // Only a page that is not shown may be discarded.
        QWebEnginePage* shown = QWebEngineView::page();
        shown->setVisible(false);
        shown->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
    }
    void wake(bool shown) override
    {
        QWebEnginePage* page = QWebEngineView::page();
        if (page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
            page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        if (shown)
            page->setVisible(true);
    }
    bool isDiscarded() const override
    {
        return QWebEngineView::page()->lifecycleState() ==
               QWebEnginePage::LifecycleState::Discarded;
    }

private:
    bool decide(const QUrl& url, bool isMainFrame, bool followed)
    {
        const bool go =
            !m_events.beforeNavigate || m_events.beforeNavigate(url, isMainFrame, followed);
        if (!go && isMainFrame)
            m_cancelled.insert(url);
        return go;
    }

    void loadingChanged(const QWebEngineLoadingInfo& info)
    {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        if (m_cancelled.remove(info.url()) ||
            info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        if (info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain &&
            info.errorCode() == kNetErrorAborted)
            return;
        if (m_events.navigateError)
            m_events.navigateError(info.url(), info.errorCode());
    }

    Events m_events;
    // Main-frame navigations stopped before they began and not yet ended:
    // their end must never be reported as an error, whatever the engine calls it.
    QSet<QUrl> m_cancelled;
};

} // namespace

extern "C" Q_DECL_EXPORT BrowserEngine* wavedock_create_browser_engine(QWidget* parent,
                                                                       BrowserEngine::Events events)
{
    // Pages are drawn by Qt Quick's software renderer and painted like any
    // widget. A view drawn through OpenGL would make Qt re-create the main
    // window as an OpenGL window when the browser first shows: a new native
    // window, and for a moment none on screen.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return new WebEngineView(parent, std::move(events));
}
