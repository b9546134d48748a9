#include "browser_page.h"

#include "message_boxes.h"
#include "tnowyurl.h"
#include "ui_browser_page.h"
#include "url_download.h"

#include <QPointer>
#include <QPushButton>

namespace {
const QString kDownloadFailed = QStringLiteral("Could not download this file. Please try again.");
} // namespace

namespace {
Ui::BrowserPage* SetUp(Ui::BrowserPage* form, QWidget* page)
{
    form->setupUi(page);
    return form;
}
} // namespace

BrowserPage::BrowserPage(BrowserPageContext context, QWidget* parent)
    : QWidget(parent), ui(SetUp(new Ui::BrowserPage, this)), m_context(std::move(context)),
      m_browser(m_context.browser ? *m_context.browser : *ui->browser)
{
    ui->GroupBox1->setTitle(m_context.directory.GroupCaption());
    connect(ui->Button1, &QPushButton::clicked, this, &BrowserPage::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &BrowserPage::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &BrowserPage::Button3Click);
    connect(ui->Button9, &QPushButton::clicked, this, &BrowserPage::Button9Click);
    connect(ui->Button12, &QPushButton::clicked, this, &BrowserPage::Button12Click);

    m_browser.OnBeforeNavigate2 = [this](const QString& url, NavigationCause cause, bool& cancel) {
        browserBeforeNavigate2(url, cause, cancel);
    };
    m_browser.OnNavigateError = [this](const QString& url, int statusCode) {
        browserNavigateError(url, statusCode);
    };
}

BrowserPage::~BrowserPage() = default;

QList<QWidget*> BrowserPage::TabStops() const
{
    return {ui->browser, ui->Button1, ui->Button2, ui->Button3, ui->Button9, ui->Button12};
}

void BrowserPage::Button9Click()
{
    m_browser.Navigate(m_context.directory.homePage);
}

void BrowserPage::Button12Click()
{
    m_browser.Navigate(m_context.directory.listingPage);
}

void BrowserPage::Button2Click()
{
    m_browser.GoBack();
}

void BrowserPage::Button1Click()
{
    m_browser.Refresh();
}

void BrowserPage::Button3Click()
{
    // A fresh dialog each time, owned by the main window; earlier ones stay.
    auto* dialog = new Tnowyurl(window(), m_browser);
    dialog->show();
}

bool BrowserPage::IsPlaylistAddress(const QString& url)
{
    return url.contains(QLatin1String(".pls"), Qt::CaseInsensitive);
}

void BrowserPage::browserBeforeNavigate2(const QString& url, NavigationCause, bool& cancel)
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
    m_browser.HoldPage(true);
    // The download and the dialog wait in nested loops, which must not run
    // inside the engine's event: they go on once the engine has its answer.
    QPointer<BrowserPage> self(this);
    m_browser.ContinueAfterEvent([self, url] {
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
            page.m_browser.HoldPage(false);
        }
    } done{*this};

    const int result = m_context.download.DownloadToFile(url, m_context.temporaryPlaylist);
    if (result != platform::DownloadOk) {
        ShowMessage(kDownloadFailed);
        return;
    }
    Q_EMIT playlistCaptured();
}

void BrowserPage::browserNavigateError(const QString&, int)
{
    // The browser's own error page stands.
}
