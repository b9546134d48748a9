#include "browser_page.h"

#include "message_boxes.h"
#include "playlist_conversion.h"
#include "tnowyurl.h"
#include "ui_browser_page.h"
#include "url_download.h"

#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QUrl>
#include <utility>

namespace {
const QString kDownloadFailed = QStringLiteral("Could not download this file. Please try again.");
const QString kNotSaved = QStringLiteral("Could not save the playlist as %1.");

// Whether a followed address may lead to a station, so that its answer is
// looked at before the browser goes there: a web address that does not name
// a static page.
bool MayBeStation(const QString& address)
{
    const QUrl url(address);
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        return false;
    const QString name = url.fileName();
    for (const char* page : {".html", ".htm", ".shtml", ".xhtml"}) {
        if (name.endsWith(QLatin1String(page), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

// The playlist replaces the old one whole, or not at all.
bool WriteWhole(const QString& path, const QByteArray& contents)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() &&
           file.commit();
}
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
    m_letNextThrough = true; // the directory's own pages are pages
    m_browser.Navigate(m_context.directory.homePage);
}

void BrowserPage::Button12Click()
{
    m_letNextThrough = true;
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
    return url.contains(QLatin1String(".pls"), Qt::CaseInsensitive) ||
           playlist::NamesPlaylistFile(QUrl(url));
}

void BrowserPage::browserBeforeNavigate2(const QString& url, NavigationCause cause, bool& cancel)
{
    const bool playlistAddress = IsPlaylistAddress(url);
    if (!playlistAddress) {
        // Only a link followed to a new page may lead to a station; its
        // answer's type tells, and the engine is not shown the stream.
        if (cause != NavigationCause::Followed || !MayBeStation(url))
            return;
        if (std::exchange(m_letNextThrough, false))
            return;
    }
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
    m_browser.ContinueAfterEvent([self, url, playlistAddress] {
        if (self)
            self->capture(url, playlistAddress);
    });
}

void BrowserPage::capture(const QString& url, bool playlistAddress)
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

    using playlist::MediaKind;
    // A stream's body is never read; an address that names a playlist is
    // read whatever its type says (servers often get it wrong), one that
    // does not only when the type names a playlist.
    platform::DownloadedAnswer answer;
    const int result =
        m_context.download.Download(url, answer, [playlistAddress](const QByteArray& mediaType) {
            const MediaKind kind = playlist::KindOfMediaType(mediaType);
            return kind == MediaKind::Playlist || (playlistAddress && kind == MediaKind::Other);
        });
    if (!playlistAddress) {
        if (result == platform::DownloadCancelled)
            return; // the user gave the link up
        const bool station =
            result == platform::DownloadOk &&
            (answer.bodyRead || playlist::KindOfMediaType(answer.mediaType) == MediaKind::Stream);
        // A web page goes to the browser after all, and so does an address
        // that failed: the browser's own error page says what went wrong.
        if (!station) {
            followAsPage(url);
            return;
        }
    } else if (result != platform::DownloadOk) {
        ShowMessage(kDownloadFailed);
        return;
    }
    const playlist::Conversion converted =
        answer.bodyRead ? playlist::ToPls(answer.body) : playlist::StreamToPls(QUrl(url));
    if (!converted.ok()) {
        ShowMessage(converted.error);
        return;
    }
    if (!WriteWhole(m_context.temporaryPlaylist, converted.pls)) {
        ShowMessage(kNotSaved.arg(m_context.temporaryPlaylist));
        return;
    }
    Q_EMIT playlistCaptured();
}

void BrowserPage::followAsPage(const QString& url)
{
    m_letNextThrough = true;
    try {
        m_browser.Navigate(url);
    } catch (...) {
        m_letNextThrough = false;
        throw;
    }
}

void BrowserPage::browserNavigateError(const QString&, int)
{
    // The browser's own error page stands.
}
