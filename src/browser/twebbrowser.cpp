#include "twebbrowser.h"

#include "application.h"
#include "error.h"

#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>
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
    Page(std::function<bool(const QUrl&)> decide, QObject* parent)
        : QWebEnginePage(parent), m_decide(std::move(decide))
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        return m_decide(url);
    }

private:
    std::function<bool(const QUrl&)> m_decide;
};

TWebBrowser::TWebBrowser(QWidget* parent) : QWidget(parent), m_view(new QWebEngineView(this))
{
    auto* page = new Page([this](const QUrl& url) { return decideNavigation(url); }, m_view);
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

bool TWebBrowser::decideNavigation(const QUrl& url)
{
    bool cancel = false;
    if (OnBeforeNavigate2) {
        // An exception must never unwind through the engine's own frames.
        RunGuarded([&] { OnBeforeNavigate2(url.toString(QUrl::FullyEncoded), cancel); });
    }
    if (cancel)
        m_cancelled.insert(url);
    return !cancel;
}

void TWebBrowser::loadingChanged(const QWebEngineLoadingInfo& info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    if (m_cancelled.remove(info.url()))
        return;
    if (info.errorDomain() != QWebEngineLoadingInfo::HttpStatusCodeDomain &&
        info.errorCode() == kNetErrorAborted)
        return;
    if (OnNavigateError) {
        const QString url = info.url().toString(QUrl::FullyEncoded);
        const int status = info.errorCode();
        RunGuarded([&] { OnNavigateError(url, status); });
    }
}

void TWebBrowser::newWindowRequested(QWebEngineNewWindowRequest& request)
{
    // The program has one browser: a link meant for a new window opens here,
    // through the same before-navigate decision as any other link.
    m_view->load(request.requestedUrl());
}
