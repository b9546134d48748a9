#include "twebbrowser.h"

#include "application.h"
#include "error.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <exception>
#include <functional>
#include <utility>

namespace {

// Chromium's net::ERR_ABORTED: a load given up because another one replaced
// it or it was stopped; nothing the user needs to hear about.
constexpr int kNetErrorAborted = -3;

// A directory page and its pictures; Chromium's default would be far larger.
constexpr int kHttpCacheBytes = 16 * 1024 * 1024;

// The engine reads its switches once, when its first profile is made.
void AppendEngineSwitch(const char* engineSwitch)
{
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains(engineSwitch))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + engineSwitch);
}

// One small profile for every browser of the program: off the record, so
// nothing of the directory is stored on disk, with a bounded cache in memory,
// and all pages in one renderer process.
QWebEngineProfile* SharedProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        AppendEngineSwitch("--renderer-process-limit=1");
        profile = new QWebEngineProfile(qApp);
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setHttpCacheMaximumSize(kHttpCacheBytes);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    }
    return profile;
}

} // namespace

// Hands every navigation decision of the engine to the control.
class TWebBrowser::Page final : public QWebEnginePage
{
public:
    Page(std::function<bool(const QUrl&, bool)> decide, QObject* parent)
        : QWebEnginePage(SharedProfile(), parent), m_decide(std::move(decide))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        return m_decide(url, isMainFrame);
    }

private:
    std::function<bool(const QUrl&, bool)> m_decide;
};

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_discardTimer.setObjectName(QStringLiteral("discardTimer"));
    m_discardTimer.setSingleShot(true);
    m_discardTimer.setInterval(kDiscardAfterMs);
    connect(&m_discardTimer, &QTimer::timeout, this, &TWebBrowser::discardPage);
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::startEngine()
{
    if (m_view)
        return;
    m_view = new QWebEngineView(this);
    auto* page = new Page(
        [this](const QUrl& url, bool isMainFrame) { return decideNavigation(url, isMainFrame); },
        m_view);
    m_view->setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this, &TWebBrowser::loadingChanged);
    connect(page, &QWebEnginePage::newWindowRequested, this, &TWebBrowser::newWindowRequested);
    layout()->addWidget(m_view);
    m_view->show();

    m_watchedWindow = window();
    m_watchedWindow->installEventFilter(this);
    if (!m_pending.isEmpty())
        m_view->load(std::exchange(m_pending, QUrl()));
    windowPresenceChanged();
}

QWebEnginePage* TWebBrowser::page()
{
    startEngine();
    return m_view->page();
}

bool TWebBrowser::IsPageDiscarded() const
{
    return m_view && m_view->page()->lifecycleState() == QWebEnginePage::LifecycleState::Discarded;
}

void TWebBrowser::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    startEngine();
}

bool TWebBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            windowPresenceChanged();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TWebBrowser::windowAway() const
{
    const QWidget* top = window();
    return !top->isVisible() || top->isMinimized();
}

void TWebBrowser::windowPresenceChanged()
{
    if (!m_view)
        return;
    if (!windowAway()) {
        m_discardTimer.stop();
        wakePage();
    } else if (!m_discardTimer.isActive() && !IsPageDiscarded()) {
        m_discardTimer.start();
    }
}

void TWebBrowser::discardPage()
{
    if (!m_view || m_holds > 0 || !windowAway() || IsPageDiscarded())
        return;
    // Only a page that is not shown may be discarded; its renderer process
    // then ends, and the page keeps its address and history.
    QWebEnginePage* page = m_view->page();
    page->setVisible(false);
    page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

void TWebBrowser::wakePage()
{
    QWebEnginePage* page = m_view->page();
    // Waking a discarded page reloads its last address.
    if (page->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    if (m_view->isVisible())
        page->setVisible(true);
}

void TWebBrowser::HoldPage(bool hold)
{
    m_holds += hold ? 1 : -1;
    Q_ASSERT(m_holds >= 0);
    // A capture that ends while the window is away starts the wait again.
    if (m_holds == 0)
        windowPresenceChanged();
}

void TWebBrowser::Navigate(const QString& url)
{
    if (url.trimmed().isEmpty())
        throw Error(QStringLiteral("There is no address to go to"));
    QUrl address(url, QUrl::StrictMode);
    if (address.isValid() && address.isRelative())
        address = QUrl::fromUserInput(url);
    if (!address.isValid() || address.isRelative())
        throw Error(QStringLiteral("\"%1\" is not a valid address").arg(url));
    if (!m_view) {
        m_pending = address;
        return;
    }
    wakePage();
    m_view->load(address);
}

void TWebBrowser::GoBack()
{
    startEngine();
    wakePage();
    if (!m_view->history()->canGoBack())
        throw Error(QStringLiteral("There is no earlier page to go back to"));
    m_view->back();
}

void TWebBrowser::Refresh()
{
    if (!m_view) {
        startEngine(); // shows the kept address, if any
        return;
    }
    if (IsPageDiscarded()) {
        wakePage(); // reloads
        return;
    }
    m_view->reload();
}

void TWebBrowser::ContinueAfterEvent(std::function<void()> work)
{
    // A zero timer fires from the event loop proper, after the engine's call
    // into acceptNavigationRequest has returned.
    QTimer::singleShot(0, this, [work = std::move(work)] { RunGuarded(work); });
}

void TWebBrowser::raiseInsideEngine(const std::function<void()>& event)
{
    // The engine calls us from its own frames: no exception may unwind through
    // them, and the error box (a modal loop) must wait until the engine is free.
    try {
        event();
    } catch (...) {
        ContinueAfterEvent(
            [failure = std::current_exception()] { std::rethrow_exception(failure); });
    }
}

bool TWebBrowser::decideNavigation(const QUrl& url, bool isMainFrame)
{
    bool cancel = false;
    if (OnBeforeNavigate2)
        raiseInsideEngine([&] { OnBeforeNavigate2(url.toString(QUrl::FullyEncoded), cancel); });
    if (cancel && isMainFrame)
        m_cancelled.insert(url);
    return !cancel;
}

void TWebBrowser::loadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    if (m_cancelled.remove(info.url()) || info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    if (info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain &&
        info.errorCode() == kNetErrorAborted)
        return;
    if (OnNavigateError) {
        const QString url = info.url().toString(QUrl::FullyEncoded);
        const int status = info.errorCode();
        raiseInsideEngine([&] { OnNavigateError(url, status); });
    }
}

void TWebBrowser::newWindowRequested(QWebEngineNewWindowRequest& request)
{
    // The program has one browser: a link meant for a new window opens here,
    // through the same before-navigate decision as any other link.
    m_view->load(request.requestedUrl());
}
