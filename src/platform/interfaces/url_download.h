#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace platform {

// Results of UrlDownload's operations. Only DownloadOk means the target
// file holds the whole resource (or the answer all that was wanted); every
// other value leaves the target as it was.
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

// What UrlDownload::Download learned of an address.
struct DownloadedAnswer
{
    // The final answer's Content-Type without its parameters, in lower case;
    // empty when the server named none.
    QByteArray mediaType;
    QByteArray body;
    bool bodyRead = false; // false when the body was turned down
};

// Fetches one address, waiting until the download has ended.
class UrlDownload
{
public:
    // Decides from the final answer's media type whether its body is wanted.
    using BodyWanted = std::function<bool(const QByteArray& mediaType)>;

    virtual ~UrlDownload() = default;
    // Returns DownloadOk (0) exactly when the whole resource now stands in
    // `targetFile`; otherwise one of the failure results and the old target,
    // if any, is left untouched.
    virtual int DownloadToFile(const QString& url, const QString& targetFile) = 0;
    // The same fetch, under the same limits, into memory. Once the final
    // answer's headers are in, `wantBody` decides: a body turned down is not
    // read at all (an audio stream never ends), and the result is then
    // DownloadOk with `answer.bodyRead` false.
    virtual int Download(const QString& url, DownloadedAnswer& answer,
                         const BodyWanted& wantBody) = 0;
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
