#pragma once

#include "directory_site.h"
#include "web_browser.h"

#include <QList>
#include <QWidget>
#include <memory>

namespace Ui {
class BrowserPage;
}
namespace platform {
class UrlDownload;
}

// What the browser page needs from the rest of the main window.
struct BrowserPageContext
{
    DirectorySite directory;
    platform::UrlDownload& download;
    QString temporaryPlaylist;
    // The browser the page drives: its own control unless a test hands in a double.
    WebBrowser* browser = nullptr;
};

// The browser page: the embedded browser, navigation buttons, the new-URL
// dialog and playlist capture. Takes over the browser's two events for its lifetime.
class BrowserPage final : public QWidget
{
    Q_OBJECT
public:
    explicit BrowserPage(BrowserPageContext context, QWidget* parent = nullptr);
    ~BrowserPage() override;

    Ui::BrowserPage& form() { return *ui; }
    WebBrowser& browser() { return m_browser; }
    // The page's controls in the order Tab visits them.
    QList<QWidget*> TabStops() const;

    void Button9Click();
    void Button12Click();
    void Button2Click();
    void Button1Click();
    void Button3Click();
    void browserBeforeNavigate2(const QString& url, NavigationCause cause, bool& cancel);
    void browserNavigateError(const QString& url, int statusCode);

    // Whether an address is a playlist to capture by its address alone:
    // ".pls" anywhere in it, whatever the letter case, or a file name ending
    // in ".m3u", ".m3u8", ".xspf" or ".asx".
    static bool IsPlaylistAddress(const QString& url);

Q_SIGNALS:
    // A playlist was captured into the temporary playlist and waits to be
    // installed (the window shows the new-radio dialog for it).
    void playlistCaptured();

private:
    // Fetches the address and, when it gives a station, stores it as the
    // temporary playlist; a followed link that turns out to be a web page is
    // navigated to after all.
    void capture(const QString& url, bool playlistAddress);
    void followAsPage(const QString& url);

    std::unique_ptr<Ui::BrowserPage> ui;
    BrowserPageContext m_context;
    WebBrowser& m_browser;
    // A capture is downloading or its dialog is open.
    bool m_capturing = false;
    // The next followed navigation goes ahead unasked: a page we already know
    // to be one (the directory's own, or one a capture looked at).
    bool m_letNextThrough = false;
};
