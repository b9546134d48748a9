#include "twebbrowser.h"

#include "application.h"
#include "error.h"

#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <exception>
#include <functional>
#include <utility>

namespace {

// Chromium's net::ERR_ABORTED: a load given up because another one replaced
// it or it was stopped; nothing the user needs to hear about.
constexpr int kNetErrorAborted = -3;

} // namespace

// Hands every navigation decision of the engine to the control.
class TWebBrowser::Page final : public QWebEnginePage
{
public:
    Page(std::function<bool(const QUrl&, bool)> decide, QObject* parent)
        : QWebEnginePage(parent), m_decide(std::move(decide))
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

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent), m_view(new QWebEngineView(this))
{
    auto* page = new Page(
        [this](const QUrl& url, bool isMainFrame) { return decideNavigation(url, isMainFrame); },
        m_view);
    m_view->setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this, &TWebBrowser::loadingChanged);
    connect(page, &QWebEnginePage::newWindowRequested, this, &TWebBrowser::newWindowRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TWebBrowser::~TWebBrowser() = default;

QWebEnginePage* TWebBrowser::page() const
{
    return m_view->page();
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
    m_view->load(address);
}

void TWebBrowser::GoBack()
{
    if (!m_view->history()->canGoBack())
        throw Error(QStringLiteral("There is no earlier page to go back to"));
    m_view->back();
}

void TWebBrowser::Refresh()
{
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
