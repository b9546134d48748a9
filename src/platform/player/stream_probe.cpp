#include "stream_probe.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

namespace platform {

namespace {

// "128" or "128,128" (some servers repeat it); 0 unless 1..limit, so that a
// server's figure never overflows what is made of it.
int LeadingNumber(const QByteArray& header, int limit)
{
    bool ok = false;
    const qlonglong value = header.split(',').value(0).trimmed().toLongLong(&ok);
    return ok && value > 0 && value <= limit ? int(value) : 0;
}

std::optional<StreamFigures> FiguresFromHeaders(const QByteArray& bitRate,
                                                const QByteArray& sampleRate)
{
    StreamFigures figures;
    figures.bitRate = LeadingNumber(bitRate, figure_limits::MaxBitRate / 1000) * 1000; // kbit/s
    figures.sampleRate = LeadingNumber(sampleRate, figure_limits::MaxSampleRate);
    if (figures.bitRate == 0 && figures.sampleRate == 0)
        return std::nullopt;
    return figures;
}

// The frames decide; the announced figures fill in what they cannot.
std::optional<StreamFigures> Combined(const QByteArray& body,
                                      const std::optional<StreamFigures>& announced)
{
    std::optional<StreamFigures> figures = FiguresFromFrames(body);
    if (!figures)
        return announced;
    if (figures->bitRate == 0 && announced)
        figures->bitRate = announced->bitRate;
    return figures;
}

// Enough to decide is usually far less than the whole allowance; a bit rate
// measured over pages needs a few of them first.
bool EnoughRead(const QByteArray& body)
{
    const auto figures = FiguresFromFrames(body);
    return figures && figures->bitRate > 0;
}

// The server took the connection but did not speak HTTP as Qt knows it: a
// SHOUTcast v1 server answers "ICY 200 OK", which Qt's client drops.
bool AnsweredOutsideHttp(const QNetworkReply& reply, const QUrl& url, const QByteArray& bytes)
{
    const auto error = reply.error();
    return url.scheme() == QLatin1String("http") && bytes.isEmpty() &&
           !reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
           (error == QNetworkReply::RemoteHostClosedError ||
            error == QNetworkReply::ProtocolFailure);
}

// The header value of `name` in a bare answer's header block, or empty.
QByteArray HeaderValue(const QList<QByteArray>& lines, const QByteArray& name)
{
    for (const QByteArray& line : lines) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// The figures in a bare answer: its status line, headers and first bytes.
std::optional<StreamFigures> FiguresFromBareAnswer(const QByteArray& answer)
{
    const int end = answer.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> lines = answer.left(end).split('\n');
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    const bool ok = status.size() >= 2 && status.at(1) == "200" &&
                    (status.at(0) == "ICY" || status.at(0).startsWith("HTTP/"));
    if (!ok)
        return std::nullopt;
    return Combined(answer.mid(end + 4),
                    FiguresFromHeaders(HeaderValue(lines, "icy-br"), HeaderValue(lines, "icy-sr")));
}

} // namespace

StreamProbe::StreamProbe(Limits limits, QObject* parent)
    : QObject(parent), m_limits(limits), m_network(std::make_unique<QNetworkAccessManager>())
{
}

StreamProbe::~StreamProbe()
{
    // Replies ended as the manager goes must not call back into a probe that
    // is half gone. Sockets are children: their connections go before they do.
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>())
        reply->disconnect(this);
}

std::optional<StreamFigures> StreamProbe::Figures(const QUrl& url)
{
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return std::nullopt;
    const auto known = m_results.constFind(url);
    if (known != m_results.constEnd()) {
        const bool retry = !known->running && !known->figures &&
                           known->since.elapsed() > m_limits.retryAfter.count();
        if (!retry)
            return known->figures;
    }
    if (MakeRoom())
        Start(url);
    return std::nullopt;
}

void StreamProbe::Start(const QUrl& url)
{
    Result& result = m_results[url];
    result.running = true;
    result.figures.reset();
    result.since.start();

    QNetworkRequest request(url);
    // The stream's own bytes only: no metadata blocks spliced into the audio.
    request.setRawHeader("Icy-MetaData", "0");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    request.setTransferTimeout(int(m_limits.timeout.count()));
    // Replies belong to the manager, which ends them when it goes.
    QNetworkReply* reply = m_network->get(request);
    reply->setReadBufferSize(m_limits.maxBytes);

    // The reply and its timer end together; a stream never ends by itself.
    auto bytes = std::make_shared<QByteArray>();
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(m_limits.timeout);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, url, bytes] {
        bytes->append(reply->read(m_limits.maxBytes - bytes->size()));
        if (bytes->size() >= m_limits.maxBytes || EnoughRead(*bytes))
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
    const bool askBare = AnsweredOutsideHttp(*reply, url, bytes);
    const auto figures =
        Combined(bytes, FiguresFromHeaders(reply->rawHeader("icy-br"), reply->rawHeader("icy-sr")));
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    if (askBare && m_results.contains(url))
        StartBare(url, reply->url());
    else
        Record(url, figures);
}

void StreamProbe::StartBare(const QUrl& url, const QUrl& server)
{
    // The socket, its timer and what it read end together.
    auto* socket = new QTcpSocket(this);
    socket->setReadBufferSize(m_limits.maxBytes);
    auto bytes = std::make_shared<QByteArray>();
    auto done = std::make_shared<bool>(false);
    const auto finish = [this, socket, url, bytes, done] {
        if (*done)
            return;
        *done = true;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
        Record(url, FiguresFromBareAnswer(*bytes));
    };
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, finish);
    deadline->start(m_limits.timeout);
    connect(socket, &QTcpSocket::connected, this, [socket, server] {
        QByteArray host = server.host(QUrl::FullyEncoded).toUtf8();
        if (server.port() != -1)
            host += ':' + QByteArray::number(server.port());
        const QByteArray target = server.path(QUrl::FullyEncoded).toUtf8();
        const QByteArray query =
            server.hasQuery() ? '?' + server.query(QUrl::FullyEncoded).toUtf8() : QByteArray();
        socket->write("GET " + (target.isEmpty() ? QByteArray("/") : target) + query +
                      " HTTP/1.0\r\nHost: " + host + "\r\nIcy-MetaData: 0\r\n\r\n");
    });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, bytes, finish] {
        bytes->append(socket->read(m_limits.maxBytes - bytes->size()));
        const int end = bytes->indexOf("\r\n\r\n");
        if (bytes->size() >= m_limits.maxBytes || (end >= 0 && EnoughRead(bytes->mid(end + 4))))
            finish();
    });
    connect(socket, &QTcpSocket::disconnected, this, finish);
    connect(socket, &QTcpSocket::errorOccurred, this, finish);
    socket->connectToHost(server.host(), quint16(server.port(80)));
}

void StreamProbe::Record(const QUrl& url, const std::optional<StreamFigures>& figures)
{
    const auto result = m_results.find(url);
    if (result == m_results.end())
        return;
    result->running = false;
    result->since.start();
    result->figures = figures;
    emit Probed(url);
}

bool StreamProbe::MakeRoom()
{
    while (m_results.size() >= m_limits.addresses) {
        auto oldest = m_results.end();
        for (auto it = m_results.begin(); it != m_results.end(); ++it) {
            if (!it->running &&
                (oldest == m_results.end() || it->since.elapsed() > oldest->since.elapsed()))
                oldest = it;
        }
        // Every place taken by a running probe: no more at once.
        if (oldest == m_results.end())
            return false;
        m_results.erase(oldest);
    }
    return true;
}

} // namespace platform
