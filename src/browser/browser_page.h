#pragma once

#include "directory_site.h"

#include <QObject>
#include <functional>

class QPushButton;
class QWidget;
class WebBrowser;
namespace platform {
class UrlDownload;
}

// The buttons of the browser page.
struct BrowserWidgets
{
    QPushButton* Button1;  // "Refresh"
    QPushButton* Button2;  // "GoBack"
    QPushButton* Button3;  // "GoTo"
    QPushButton* Button9;  // "Start"
    QPushButton* Button12; // "Top 20"
};

// What the browser page needs from the rest of the main window.
struct BrowserPageContext
{
    WebBrowser& browser;
    DirectorySite directory;
    platform::UrlDownload& download;
    QString temporaryPlaylist;
    // Shows the new-radio dialog modally for the playlist now in the temporary
    // playlist, destroys it, then rebuilds the installed-radios list.
    std::function<void()> installCapturedPlaylist;
    QWidget* owner;
};

// The browser page: navigation buttons, the new-URL dialog and playlist capture.
// Takes over the browser's two events for its lifetime.
class BrowserPage final : public QObject
{
    Q_OBJECT
public:
    BrowserPage(const BrowserWidgets& widgets, BrowserPageContext context);

    void Button9Click();
    void Button12Click();
    void Button2Click();
    void Button1Click();
    void Button3Click();
    void browserBeforeNavigate2(const QString& url, bool& cancel);
    void browserNavigateError(const QString& url, int statusCode);

    // Whether an address is a playlist to capture: ".pls" anywhere in it,
    // whatever the letter case.
    static bool IsPlaylistAddress(const QString& url);

private:
    void capture(const QString& url);

    BrowserWidgets m_widgets;
    BrowserPageContext m_context;
    // A capture is downloading or its dialog is open.
    bool m_capturing = false;
};
