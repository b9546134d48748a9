#pragma once

#include "stream_frames.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace platform {

// How much one probe may read, and for how long.
struct StreamProbeLimits
{
    qint64 maxBytes = 64 * 1024;
    std::chrono::milliseconds timeout{10000};
    std::chrono::milliseconds retryAfter{30000};
    int addresses = 16; // results kept, probes running included; the oldest goes first
};

// The figures of internet radio streams, read from the streams themselves
// for players that do not report them. Each address is listened to once, in
// the background: at most `maxBytes` of it, for at most `timeout`, with no
// ICY metadata mixed in; the frames decide (see FiguresFromFrames), and the
// server's "icy-br" and "icy-sr" headers only when the frames cannot. The
// result is kept per address; an address that gave nothing is tried again
// after `retryAfter`. A plain-http server that answers as SHOUTcast v1 does
// ("ICY 200 OK", refused by Qt's client) is asked again over a bare socket,
// within the same limits.
class StreamProbe final : public QObject
{
    Q_OBJECT
public:
    using Limits = StreamProbeLimits;

    explicit StreamProbe(Limits limits = Limits(), QObject* parent = nullptr);
    ~StreamProbe() override;
    Q_DISABLE_COPY_MOVE(StreamProbe)

    // The figures of the stream at an http(s) address: known at once when it
    // was probed; otherwise the probe starts (unless it runs) and the answer
    // is nothing for now. Nothing, too, when nothing could be decided.
    std::optional<StreamFigures> Figures(const QUrl& url);

signals:
    // A probe ended, with or without figures.
    void Probed(const QUrl& url);

private:
    struct Result
    {
        bool running = false;
        std::optional<StreamFigures> figures;
        QElapsedTimer since;
    };

    void Start(const QUrl& url);
    void Finish(QNetworkReply* reply, const QUrl& url, const QByteArray& bytes);
    // Asks the plain-http server that answered for `url` once more over a
    // bare socket, for answers Qt's HTTP client refuses ("ICY 200 OK").
    void StartBare(const QUrl& url, const QUrl& server);
    void Record(const QUrl& url, const std::optional<StreamFigures>& figures);
    bool MakeRoom();

    Limits m_limits;
    std::unique_ptr<QNetworkAccessManager> m_network;
    QHash<QUrl, Result> m_results;
};

} // namespace platform
