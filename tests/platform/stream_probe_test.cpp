#include "fixture_http_server.h"
#include "stream_probe.h"
#include "test_main.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using platform::StreamFigures;
using platform::StreamProbe;

namespace {

// A server on loopback that answers every request with `head` and then sends
// `filler` for as long as the client takes it, counting the bytes the client
// was sent before it hung up. Small socket buffers keep what is in flight
// when it hangs up small too.
class CountingServer final : public QObject
{
public:
    CountingServer(QByteArray head, QByteArray filler)
        : head_(std::move(head)), filler_(std::move(filler))
    {
        connect(&server_, &QTcpServer::newConnection, this, &CountingServer::Accept);
        server_.listen(QHostAddress::LocalHost);
    }
    QUrl Url() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/stream").arg(server_.serverPort()));
    }
    qint64 Sent() const { return sent_; }
    int Open() const { return open_; }

private:
    void Accept()
    {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++open_;
            socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 16 * 1024);
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket](qint64 bytes) {
                sent_ += bytes;
                if (socket->bytesToWrite() == 0)
                    socket->write(filler_);
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --open_;
                socket->deleteLater();
            });
            socket->write(head_);
            if (filler_.isEmpty())
                socket->disconnectFromHost();
        }
    }

    QTcpServer server_;
    QByteArray head_;
    QByteArray filler_;
    qint64 sent_ = 0;
    int open_ = 0;
};

} // namespace

// Stream figures from servers that answer as SHOUTcast v1 does ("ICY 200
// OK"), which Qt's HTTP client refuses.
class StreamProbeTest final : public QObject
{
    Q_OBJECT
    FixtureHttpServer server_;

private slots:
    void initTestCase() { QVERIFY(server_.isRunning()); }

    void shoutcastAnswersAreRead_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        // The frames decide over the announced 96 kbit/s.
        QTest::newRow("frames") << "/icy?frames=8" << 128000 << 44100 << 2;
        QTest::newRow("headers only") << "/icy" << 96000 << 44100 << 0;
        // A header that never ends is read up to the allowance and decides nothing.
        QTest::newRow("endless header") << "/icy?endless=1" << -1 << -1 << -1;
    }

    void shoutcastAnswersAreRead()
    {
        QFETCH(QString, path);
        QFETCH(int, bitRate);
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        StreamProbe probe;
        QSignalSpy probed(&probe, &StreamProbe::Probed);
        const QUrl url(server_.url(path));
        QVERIFY(!probe.Figures(url));
        QVERIFY(probed.wait(8000));
        const std::optional<StreamFigures> figures = probe.Figures(url);
        if (bitRate < 0) {
            QVERIFY(!figures);
            return;
        }
        QVERIFY(figures);
        QCOMPARE(figures->bitRate, bitRate);
        QCOMPARE(figures->sampleRate, sampleRate);
        QCOMPARE(figures->channels, channels);
    }

    // Every road into a stream stops reading at the probe's allowance: an
    // endless answer that never decides is hung up on long before the probe's
    // time runs out, whether Qt's client or the bare socket reads it.
    void endlessAnswersAreCutAtTheAllowance_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("filler");
        const QByteArray noise(16 * 1024, '\x01');
        QTest::newRow("http body")
            << QByteArray("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n") << noise;
        QTest::newRow("icy body") << QByteArray("ICY 200 OK\r\nicy-br: 128\r\n\r\n") << noise;
        QTest::newRow("icy header") << QByteArray("ICY 200 OK\r\n")
                                    << QByteArray("icy-notice: ").append(noise).append("\r\n");
    }

    void endlessAnswersAreCutAtTheAllowance()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, filler);
        CountingServer server(head, filler);
        StreamProbe probe;
        QSignalSpy probed(&probe, &StreamProbe::Probed);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!probe.Figures(server.Url()));
        QVERIFY(probed.wait(20000));
        QTRY_COMPARE(server.Open(), 0);
        qInfo("sent before the probe hung up: %lld bytes after %lld ms", server.Sent(),
              clock.elapsed());
        QVERIFY(clock.elapsed() < StreamProbe::Limits().timeout.count());
        // The allowance plus what socket buffers on loopback hold in flight.
        QVERIFY2(server.Sent() < 4 * 1024 * 1024, qPrintable(QString::number(server.Sent())));
    }

    // Servers' figures beyond reason (an icy-br whose bit/s overflow an int)
    // read as unknown instead of wrapping around, on either road.
    void absurdAnnouncedFiguresAreUnknown_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::newRow("http") << QByteArray("HTTP/1.0 200 OK");
        QTest::newRow("icy") << QByteArray("ICY 200 OK");
    }

    void absurdAnnouncedFiguresAreUnknown()
    {
        QFETCH(QByteArray, status);
        CountingServer server(status + "\r\nicy-br: 2147484\r\nicy-sr: 2147483647\r\n\r\n",
                              QByteArray());
        StreamProbe probe;
        QSignalSpy probed(&probe, &StreamProbe::Probed);
        QVERIFY(!probe.Figures(server.Url()));
        QVERIFY(probed.wait(20000));
        const std::optional<StreamFigures> figures = probe.Figures(server.Url());
        QVERIFY2(!figures, qPrintable(QString::number(figures ? figures->bitRate : 0)));
    }
};

WAVEDOCK_TEST_MAIN(StreamProbeTest)

#include "stream_probe_test.moc"
