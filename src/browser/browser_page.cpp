#include "browser_page.h"

#include "message_boxes.h"
#include "tnowyurl.h"
#include "url_download.h"
#include "web_browser.h"

#include <QPointer>
#include <QPushButton>

namespace {
const QString kDownloadFailed = QStringLiteral("Could not download this file. Please try again.");
} // namespace

BrowserPage::BrowserPage(const BrowserWidgets& widgets, BrowserPageContext context)
    : QObject(context.owner), m_widgets(widgets), m_context(std::move(context))
{
    connect(m_widgets.Button1, &QPushButton::clicked, this, &BrowserPage::Button1Click);
    connect(m_widgets.Button2, &QPushButton::clicked, this, &BrowserPage::Button2Click);
    connect(m_widgets.Button3, &QPushButton::clicked, this, &BrowserPage::Button3Click);
    connect(m_widgets.Button9, &QPushButton::clicked, this, &BrowserPage::Button9Click);
    connect(m_widgets.Button12, &QPushButton::clicked, this, &BrowserPage::Button12Click);

    m_context.browser.OnBeforeNavigate2 = [this](const QString& url, bool& cancel) {
        browserBeforeNavigate2(url, cancel);
    };
    m_context.browser.OnNavigateError = [this](const QString& url, int statusCode) {
        browserNavigateError(url, statusCode);
    };
}

void BrowserPage::Button9Click()
{
    m_context.browser.Navigate(m_context.directory.homePage);
}

void BrowserPage::Button12Click()
{
    m_context.browser.Navigate(m_context.directory.listingPage);
}

void BrowserPage::Button2Click()
{
    m_context.browser.GoBack();
}

void BrowserPage::Button1Click()
{
    m_context.browser.Refresh();
}

void BrowserPage::Button3Click()
{
    // A fresh dialog each time, owned by the main window; earlier ones stay.
    auto* dialog = new Tnowyurl(m_context.owner, m_context.browser);
    dialog->show();
}

bool BrowserPage::IsPlaylistAddress(const QString& url)
{
    return url.contains(QLatin1String(".pls"), Qt::CaseInsensitive);
}

void BrowserPage::browserBeforeNavigate2(const QString& url, bool& cancel)
{
    if (!IsPlaylistAddress(url))
        return;
    cancel = true;
    // While one capture downloads or shows its dialog, a second one would
    // overwrite the temporary playlist the first is about to install: such an
    // address (a script or frame navigating meanwhile) is only stopped.
    if (m_capturing)
        return;
    m_capturing = true;
    m_context.browser.HoldPage(true);
    // The download and the dialog wait in nested loops, which must not run
    // inside the engine's event: they go on once the engine has its answer.
    QPointer<BrowserPage> self(this);
    m_context.browser.ContinueAfterEvent([self, url] {
        if (self)
            self->capture(url);
    });
}

void BrowserPage::capture(const QString& url)
{
    struct Done
    {
        BrowserPage& page;
        ~Done()
        {
            page.m_capturing = false;
            page.m_context.browser.HoldPage(false);
        }
    } done{*this};

    const int result = m_context.download.DownloadToFile(url, m_context.temporaryPlaylist);
    if (result != platform::DownloadOk) {
        ShowMessage(kDownloadFailed);
        return;
    }
    m_context.installCapturedPlaylist();
}

void BrowserPage::browserNavigateError(const QString&, int)
{
    // The browser's own error page stands.
}
