#include "fixture_http_server.h"
#include "stream_probe.h"
#include "test_main.h"

#include <QSignalSpy>
#include <QtTest>

using platform::StreamFigures;
using platform::StreamProbe;

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
};

WAVEDOCK_TEST_MAIN(StreamProbeTest)

#include "stream_probe_test.moc"
