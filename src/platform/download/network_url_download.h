#pragma once

#include "url_download.h"

#include <memory>

class QIODevice;
class QNetworkAccessManager;

namespace platform {

// How long and how much a download may take. A playlist is a few hundred
// bytes, so every bound is generous and none depends on the server's goodwill.
struct DownloadLimits
{
    int stallTimeoutMs = 30000;    // give up after this long without progress
    int totalTimeoutMs = 60000;    // give up after this long whatever arrives
    qint64 maxBytes = 1024 * 1024; // a playlist is small; refuse anything bigger
    // What the network layer may hold for us unread; it stops reading from
    // the server beyond this, so memory stays bounded even when nothing drains.
    qint64 readBufferBytes = 64 * 1024;
    int progressDelayMs = 500; // show the progress display after this long
    int maxRedirects = 5;
};

// UrlDownload over Qt Network. The caller's thread waits in a nested event
// loop: windows keep repainting, user input is held back until a slow
// download's progress display appears (and then only that display may take it).
class NetworkUrlDownload final : public UrlDownload
{
public:
    using Limits = DownloadLimits;

    explicit NetworkUrlDownload(Limits limits = Limits(), DownloadProgress* progress = nullptr);
    ~NetworkUrlDownload() override;
    NetworkUrlDownload(const NetworkUrlDownload&) = delete;
    NetworkUrlDownload& operator=(const NetworkUrlDownload&) = delete;

    int DownloadToFile(const QString& url, const QString& targetFile) override;
    int Download(const QString& url, DownloadedAnswer& answer, const BodyWanted& wantBody) override;

private:
    struct Attempt;
    struct Outcome
    {
        int result;
        QByteArray mediaType;
        bool bodyTurnedDown = false;
    };

    // One download into `sink`, which `openSink` opens once the address is
    // found good; returns a DownloadResult with what the answer said.
    Outcome run(const QString& url, QIODevice& sink, const BodyWanted& wantBody,
                const std::function<int()>& openSink);
    int fetch(Attempt& attempt);

    Limits m_limits;
    DownloadProgress* m_progress;
    std::unique_ptr<QNetworkAccessManager> m_network;
    bool m_busy = false;
};

} // namespace platform
