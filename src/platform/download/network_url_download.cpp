#include "network_url_download.h"

#include <QBuffer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>
#include <utility>

namespace platform {

namespace {

bool IsWebAddress(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// Names under .localhost are loopback (RFC 6761), as the embedded browser
// treats them; the system resolver often does not know them. Only plain http,
// so no certificate is ever checked against a rewritten host.
QNetworkRequest RequestFor(const QUrl& url)
{
    QUrl target = url;
    QNetworkRequest request;
    const QString host = url.host();
    if (url.scheme() == QLatin1String("http") &&
        (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))) {
        target.setHost(QStringLiteral("127.0.0.1"));
        const QString hostHeader =
            url.port() == -1 ? host : host + ':' + QString::number(url.port());
        request.setRawHeader("Host", hostHeader.toUtf8());
    }
    request.setUrl(target);
    // Redirects are followed by hand, so every hop is checked and counted.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    return request;
}

// "audio/x-mpegurl; charset=utf-8" -> "audio/x-mpegurl".
QByteArray MediaTypeOf(const QNetworkReply& reply)
{
    const QByteArray type = reply.rawHeader("Content-Type");
    const qsizetype parameters = type.indexOf(';');
    return (parameters < 0 ? type : type.left(parameters)).trimmed().toLower();
}

} // namespace

// One download, shared with the progress display's cancel action,
// which may outlive it.
struct NetworkUrlDownload::Attempt
{
    QUrl url;
    QUrl redirect; // where the current hop's answer points, if anywhere
    QIODevice* sink = nullptr;
    UrlDownload::BodyWanted wantBody; // none: every body is wanted
    QByteArray mediaType;             // of the current hop's answer
    bool bodyTurnedDown = false;
    QPointer<QNetworkReply> reply;
    QEventLoop* loop = nullptr;
    QTimer stall;
    QTimer deadline;
    qint64 received = 0;
    int failure = DownloadOk; // first failure seen while the reply ran
    bool replyDone = false;
    bool inputAllowed = false;

    void fail(int result)
    {
        if (failure == DownloadOk)
            failure = result;
        if (reply && reply->isRunning())
            reply->abort();
    }

    void wake()
    {
        if (loop)
            loop->quit();
    }
};

NetworkUrlDownload::NetworkUrlDownload(Limits limits, DownloadProgress* progress)
    : m_limits(limits), m_progress(progress), m_network(std::make_unique<QNetworkAccessManager>())
{
}

NetworkUrlDownload::~NetworkUrlDownload() = default;

int NetworkUrlDownload::DownloadToFile(const QString& url, const QString& targetFile)
{
    // The body goes to a temporary file beside the target; it replaces the
    // target only once complete, so a failure never leaves half a playlist.
    QSaveFile file(targetFile);
    int result = run(url, file, nullptr, [&] {
                     return file.open(QIODevice::WriteOnly) ? DownloadOk : DownloadFileError;
                 }).result;
    if (result == DownloadOk && !file.commit())
        result = DownloadFileError;
    return result;
}

int NetworkUrlDownload::Download(const QString& url, DownloadedAnswer& answer,
                                 const BodyWanted& wantBody)
{
    answer = DownloadedAnswer();
    QBuffer buffer(&answer.body);
    const Outcome outcome = run(url, buffer, wantBody, [&] {
        buffer.open(QIODevice::WriteOnly);
        return DownloadOk;
    });
    answer.mediaType = outcome.mediaType;
    answer.bodyRead = outcome.result == DownloadOk && !outcome.bodyTurnedDown;
    if (!answer.bodyRead)
        answer.body.clear();
    return outcome.result;
}

NetworkUrlDownload::Outcome NetworkUrlDownload::run(const QString& url, QIODevice& sink,
                                                    const BodyWanted& wantBody,
                                                    const std::function<int()>& openSink)
{
    // The wait below runs events, so a timer could start another download.
    if (m_busy)
        return {DownloadBusy, {}};
    auto attempt = std::make_shared<Attempt>();
    attempt->url = QUrl(url, QUrl::StrictMode);
    if (!IsWebAddress(attempt->url))
        return {DownloadBadAddress, {}};
    if (const int opened = openSink(); opened != DownloadOk)
        return {opened, {}};
    attempt->sink = &sink;
    attempt->wantBody = wantBody;

    m_busy = true;
    bool progressShown = false;
    const auto done = qScopeGuard([&] {
        m_busy = false;
        if (progressShown)
            m_progress->Hide();
    });

    attempt->stall.setSingleShot(true);
    attempt->stall.setInterval(m_limits.stallTimeoutMs);
    QObject::connect(&attempt->stall, &QTimer::timeout,
                     [a = attempt.get()] { a->fail(DownloadTimedOut); });
    // A server dripping a byte now and then never stalls; this ends it anyway.
    attempt->deadline.setSingleShot(true);
    attempt->deadline.setInterval(m_limits.totalTimeoutMs);
    QObject::connect(&attempt->deadline, &QTimer::timeout,
                     [a = attempt.get()] { a->fail(DownloadTimedOut); });
    attempt->deadline.start();

    QTimer progressDelay;
    progressDelay.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; "after half a second" means after.
    progressDelay.setTimerType(Qt::PreciseTimer);
    if (m_progress) {
        QObject::connect(&progressDelay, &QTimer::timeout, [&] {
            progressShown = true;
            const std::weak_ptr<Attempt> weak = attempt;
            m_progress->Show(url, [weak] {
                if (const auto a = weak.lock())
                    a->fail(DownloadCancelled);
            });
            // From now on the display holds input away from other windows,
            // and its Cancel button has to be reachable.
            attempt->inputAllowed = true;
            attempt->wake();
        });
        progressDelay.start(m_limits.progressDelayMs);
    }

    int result = DownloadTooManyRedirects;
    for (int hop = 0; hop <= m_limits.maxRedirects; ++hop) {
        result = fetch(*attempt);
        if (result != -1)
            break;
        result = DownloadTooManyRedirects;
    }
    attempt->deadline.stop();
    // An empty answer (204 No Content, or 200 with nothing) is no playlist.
    if (result == DownloadOk && !attempt->bodyTurnedDown && attempt->received == 0)
        result = DownloadEmpty;
    return {result, attempt->mediaType, attempt->bodyTurnedDown};
}

// Runs one request to its end. Returns a DownloadResult, or -1 when the server
// redirected to another web address (now in attempt.url).
int NetworkUrlDownload::fetch(Attempt& attempt)
{
    attempt.replyDone = false;
    attempt.redirect.clear();
    attempt.mediaType.clear();
    bool answerSeen = false;
    const std::unique_ptr<QNetworkReply> reply(m_network->get(RequestFor(attempt.url)));
    reply->setReadBufferSize(m_limits.readBufferBytes);
    attempt.reply = reply.get();
    const auto status = [&] {
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };
    const auto success = [&] { return status() >= 200 && status() < 300; };

    // The status line and headers decide everything but a good answer's body:
    // an error page or a redirect's body is not the resource, and the server
    // may send one without end, so the reply ends before any of it is read.
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, [&] {
        const int code = status();
        if (code >= 300 && code < 400 && reply->hasRawHeader("Location")) {
            attempt.redirect = attempt.url.resolved(
                QUrl::fromEncoded(reply->rawHeader("Location"), QUrl::StrictMode));
            reply->abort();
            return;
        }
        if (!success()) {
            attempt.fail(DownloadHttpError);
            return;
        }
        if (std::exchange(answerSeen, true))
            return;
        attempt.mediaType = MediaTypeOf(*reply);
        // Checked before the size: a stream that announces a vast length is
        // turned down, not too large.
        if (attempt.wantBody && !attempt.wantBody(attempt.mediaType)) {
            attempt.bodyTurnedDown = true;
            reply->abort();
            return;
        }
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_limits.maxBytes)
            attempt.fail(DownloadTooLarge);
    });
    const auto drain = [&] {
        if (!success() || attempt.bodyTurnedDown)
            return;
        const QByteArray data = reply->read(m_limits.maxBytes + 1 - attempt.received);
        attempt.received += data.size();
        if (attempt.received > m_limits.maxBytes)
            attempt.fail(DownloadTooLarge);
        else if (attempt.sink->write(data) != data.size())
            attempt.fail(DownloadFileError);
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, [&] {
        attempt.stall.start();
        drain();
    });
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress,
                     [&](qint64 received, qint64 total) {
                         attempt.stall.start();
                         if (attempt.inputAllowed && m_progress)
                             m_progress->Update(received, total);
                     });
    QObject::connect(reply.get(), &QNetworkReply::finished, [&] {
        if (attempt.failure == DownloadOk && reply->bytesAvailable() > 0)
            drain();
        attempt.replyDone = true;
        attempt.wake();
    });

    attempt.stall.start();
    // A cancel that came while the previous hop ended is honoured here.
    if (attempt.failure != DownloadOk)
        reply->abort();
    while (!attempt.replyDone) {
        QEventLoop loop;
        attempt.loop = &loop;
        loop.exec(attempt.inputAllowed ? QEventLoop::AllEvents
                                       : QEventLoop::ExcludeUserInputEvents);
        attempt.loop = nullptr;
    }
    attempt.stall.stop();
    attempt.reply = nullptr;
    reply->disconnect();

    if (attempt.failure != DownloadOk)
        return attempt.failure;
    if (!attempt.redirect.isEmpty()) {
        if (!IsWebAddress(attempt.redirect))
            return DownloadTooManyRedirects;
        attempt.url = attempt.redirect;
        return -1;
    }
    if (attempt.bodyTurnedDown)
        return DownloadOk;
    if (status() == 0)
        return DownloadNetworkError;
    if (!success())
        return DownloadHttpError;
    if (reply->error() != QNetworkReply::NoError)
        return DownloadNetworkError; // cut off part way
    return DownloadOk;
}

} // namespace platform
