#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace platform {

// Results of UrlDownload::DownloadToFile. Only DownloadOk means the target
// file holds the whole resource; every other value leaves the target as it was.
enum DownloadResult : int
{
    DownloadOk = 0,
    DownloadBadAddress,       // not an absolute http or https address
    DownloadHttpError,        // the server answered with a status other than 2xx
    DownloadNetworkError,     // connection, name lookup or transfer failed
    DownloadTooManyRedirects, // redirect chain too long, or to another scheme
    DownloadTooLarge,         // the resource is bigger than allowed
    DownloadTimedOut,         // nothing arrived for too long, or the whole took too long
    DownloadCancelled,        // the user pressed Cancel
    DownloadFileError,        // the target could not be written
    DownloadBusy,             // another download of this object is still running
    DownloadEmpty,            // the server answered with no content at all
};

// Fetches one address into a local file, waiting until the download has ended.
class UrlDownload
{
public:
    virtual ~UrlDownload() = default;
    // Returns DownloadOk (0) exactly when the whole resource now stands in
    // `targetFile`; otherwise one of the failure results and the old target,
    // if any, is left untouched.
    virtual int DownloadToFile(const QString& url, const QString& targetFile) = 0;
};

// What a progress display learns of a download that takes a while. Kept free
// of widgets so the download layer needs none; the dialog lives with the browser.
class DownloadProgress
{
public:
    virtual ~DownloadProgress() = default;
    // The download has run past its grace period. While shown, the display
    // must keep user input away from every other window (application modal):
    // the download's wait then lets input through so Cancel can be pressed.
    // Calling `cancel` ends the download with DownloadCancelled; it does
    // nothing once the download has ended.
    virtual void Show(const QString& url, std::function<void()> cancel) = 0;
    // `total` is -1 while the size is unknown.
    virtual void Update(qint64 received, qint64 total) = 0;
    virtual void Hide() = 0;
};

} // namespace platform
