#include "stream_probe.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace platform {

namespace {

// "128" or "128,128" (some servers repeat it); kbit/s.
int LeadingNumber(const QByteArray& header)
{
    bool ok = false;
    const int value = header.split(',').value(0).trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

std::optional<StreamFigures> FiguresFromHeaders(const QNetworkReply& reply)
{
    StreamFigures figures;
    figures.bitRate = LeadingNumber(reply.rawHeader("icy-br")) * 1000;
    figures.sampleRate = LeadingNumber(reply.rawHeader("icy-sr"));
    if (figures.bitRate == 0 && figures.sampleRate == 0)
        return std::nullopt;
    return figures;
}

} // namespace

StreamProbe::StreamProbe(Limits limits, QObject* parent)
    : QObject(parent), limits_(limits), network_(std::make_unique<QNetworkAccessManager>())
{
}

StreamProbe::~StreamProbe() = default;

std::optional<StreamFigures> StreamProbe::Figures(const QUrl& url)
{
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return std::nullopt;
    const auto known = results_.constFind(url);
    if (known != results_.constEnd()) {
        const bool retry = !known->running && !known->figures &&
                           known->since.elapsed() > limits_.retryAfter.count();
        if (!retry)
            return known->figures;
    }
    if (MakeRoom())
        Start(url);
    return std::nullopt;
}

void StreamProbe::Start(const QUrl& url)
{
    Result& result = results_[url];
    result.running = true;
    result.figures.reset();
    result.since.start();

    QNetworkRequest request(url);
    // The stream's own bytes only: no metadata blocks spliced into the audio.
    request.setRawHeader("Icy-MetaData", "0");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    request.setTransferTimeout(int(limits_.timeout.count()));
    // Replies belong to the manager, which ends them when it goes.
    QNetworkReply* reply = network_->get(request);
    reply->setReadBufferSize(limits_.maxBytes);

    // The reply and its timer end together; a stream never ends by itself.
    auto bytes = std::make_shared<QByteArray>();
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(limits_.timeout);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, url, bytes] {
        bytes->append(reply->read(limits_.maxBytes - bytes->size()));
        // Enough to decide is usually far less than the whole allowance; a
        // bit rate measured over pages needs a few of them first.
        const bool full = bytes->size() >= limits_.maxBytes;
        const auto figures = full ? std::nullopt : FiguresFromFrames(*bytes);
        if (full || (figures && figures->bitRate > 0))
            Finish(reply, url, *bytes);
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, url, bytes] { Finish(reply, url, *bytes); });
}

void StreamProbe::Finish(QNetworkReply* reply, const QUrl& url, const QByteArray& bytes)
{
    if (reply->property("done").toBool())
        return;
    reply->setProperty("done", true);
    std::optional<StreamFigures> figures = FiguresFromFrames(bytes);
    const std::optional<StreamFigures> announced = FiguresFromHeaders(*reply);
    if (!figures)
        figures = announced;
    else if (figures->bitRate == 0 && announced)
        figures->bitRate = announced->bitRate;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    const auto result = results_.find(url);
    if (result == results_.end())
        return;
    result->running = false;
    result->since.start();
    result->figures = figures;
    emit Probed(url);
}

bool StreamProbe::MakeRoom()
{
    while (results_.size() >= limits_.addresses) {
        auto oldest = results_.end();
        for (auto it = results_.begin(); it != results_.end(); ++it) {
            if (!it->running &&
                (oldest == results_.end() || it->since.elapsed() > oldest->since.elapsed()))
                oldest = it;
        }
        // Every place taken by a running probe: no more at once.
        if (oldest == results_.end())
            return false;
        results_.erase(oldest);
    }
    return true;
}

} // namespace platform
