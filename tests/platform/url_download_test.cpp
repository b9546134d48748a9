// The URL download layer against the loopback fixture server, with its
// progress window.
#include "application.h"
#include "download_progress_dialog.h"
#include "fixture_http_server.h"
#include "network_url_download.h"
#include "test_main.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace platform;

namespace {

const QString kStream = QStringLiteral("http://127.0.0.1:9/test-stream");

qint64 StatusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Starts a fresh peak-resident-memory count for this process (Linux 4.0+).
bool ResetPeakMemory()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Remembers what a download told its progress display.
class RecordingProgress final : public DownloadProgress
{
public:
    void Show(const QString&, std::function<void()> cancel) override
    {
        ++shown;
        this->cancel = std::move(cancel);
    }
    void Update(qint64, qint64) override { ++updates; }
    void Hide() override { ++hidden; }

    int shown = 0;
    int updates = 0;
    int hidden = 0;
    std::function<void()> cancel;
};

} // namespace

class UrlDownloadTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void successStoresTheWholeResource_data();
    void successStoresTheWholeResource();
    void failuresKeepTheOldTarget_data();
    void failuresKeepTheOldTarget();
    void stalledDownloadGivesUpAtTheTimeLimit();
    void hostileServersCostLittleTimeAndMemory_data();
    void hostileServersCostLittleTimeAndMemory();
    void fastDownloadShowsNoProgress();
    void slowDownloadShowsProgressAndCancelEndsIt();
    void slowDownloadThatFinishesHidesItsProgress();
    void secondDownloadDuringTheWaitIsRefused();
    void cancelAfterTheEndDoesNothing();

private:
    QString target() const { return m_dir->filePath(QStringLiteral("temp.pls")); }
    void writeOldTarget();
    // Nothing but the target may remain beside it.
    QStringList leftovers() const;

    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void UrlDownloadTest::initTestCase()
{
    m_server = std::make_unique<FixtureHttpServer>(kStream);
    QVERIFY(m_server->isRunning());
}

void UrlDownloadTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void UrlDownloadTest::writeOldTarget()
{
    QFile file(target());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("old playlist");
}

QStringList UrlDownloadTest::leftovers() const
{
    QStringList names = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(QStringLiteral("temp.pls"));
    return names;
}

void UrlDownloadTest::successStoresTheWholeResource_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("localhostName");
    QTest::newRow("plain") << "/station.pls" << false;
    QTest::newRow("upper case") << "/STATION.PLS" << false;
    QTest::newRow("redirected") << "/redirect" << false;
    QTest::newRow("redirected twice") << "/redirect?to=/redirect" << false;
    QTest::newRow("name under .localhost") << "/tune/17" << true;
}

// A good download replaces the old target with exactly the served playlist.
void UrlDownloadTest::successStoresTheWholeResource()
{
    QFETCH(QString, path);
    QFETCH(bool, localhostName);
    writeOldTarget();
    const QString url = localhostName ? QStringLiteral("http://radio.plsstream.localhost:%1%2")
                                            .arg(m_server->port())
                                            .arg(path)
                                      : m_server->url(path);
    NetworkUrlDownload download;
    QCOMPARE(download.DownloadToFile(url, target()), int(DownloadOk));
    const QByteArray body = ReadAll(target());
    QVERIFY2(body.startsWith("[playlist]\n"), body.constData());
    QVERIFY(body.contains("File1=" + kStream.toUtf8() + "\n"));
    QVERIFY(body.endsWith("Version=2\n"));
    QCOMPARE(leftovers(), QStringList());
}

void UrlDownloadTest::failuresKeepTheOldTarget_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("result");
    const auto served = [this](const char* path) {
        return m_server->url(QString::fromLatin1(path));
    };
    QTest::newRow("404") << served("/missing") << int(DownloadHttpError);
    QTest::newRow("redirect loop") << served("/redirect-loop") << int(DownloadTooManyRedirects);
    QTest::newRow("redirect to a file")
        << served("/redirect?to=file:///etc/hostname") << int(DownloadTooManyRedirects);
    QTest::newRow("too big, size announced") << served("/huge") << int(DownloadTooLarge);
    QTest::newRow("too big, size unknown") << served("/huge?length=0") << int(DownloadTooLarge);
    QTest::newRow("file scheme") << "file:///etc/hostname" << int(DownloadBadAddress);
    QTest::newRow("ftp scheme") << "ftp://127.0.0.1/station.pls" << int(DownloadBadAddress);
    QTest::newRow("empty") << "" << int(DownloadBadAddress);
    QTest::newRow("no host") << "http://" << int(DownloadBadAddress);
    QTest::newRow("nobody listening")
        << "http://127.0.0.1:1/station.pls" << int(DownloadNetworkError);
    QTest::newRow("204 no content") << served("/empty") << int(DownloadEmpty);
    QTest::newRow("200 with nothing") << served("/empty?status=200") << int(DownloadEmpty);
}

// Every failure is reported as such and never touches the old target.
void UrlDownloadTest::failuresKeepTheOldTarget()
{
    QFETCH(QString, url);
    QFETCH(int, result);
    writeOldTarget();
    NetworkUrlDownload download;
    QCOMPARE(download.DownloadToFile(url, target()), result);
    QCOMPARE(ReadAll(target()), QByteArray("old playlist"));
    QCOMPARE(leftovers(), QStringList());
}

// Without progress for the time limit the download ends as timed out.
void UrlDownloadTest::stalledDownloadGivesUpAtTheTimeLimit()
{
    NetworkUrlDownload::Limits limits;
    limits.stallTimeoutMs = 300;
    NetworkUrlDownload download(limits);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(download.DownloadToFile(m_server->url("/slow?seconds=10"), target()),
             int(DownloadTimedOut));
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!QFile::exists(target()));
    QCOMPARE(leftovers(), QStringList());
}

void UrlDownloadTest::hostileServersCostLittleTimeAndMemory_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("maxMs");
    // Error and redirect bodies are never read; the 404 body would take 10 s.
    QTest::newRow("500, endless body") << "/endless?status=500" << int(DownloadHttpError) << 4000;
    QTest::newRow("302, endless body") << "/endless?status=302" << int(DownloadOk) << 4000;
    QTest::newRow("404, 100 MB body")
        << "/huge?status=404&bytes=100000000&pause=0.0065" << int(DownloadHttpError) << 4000;
    // One byte a second never stalls; the overall deadline (2 s here) ends it.
    QTest::newRow("1 byte/s") << "/drip" << int(DownloadTimedOut) << 5000;
}

// Whatever a server sends, a download ends in bounded time and memory.
void UrlDownloadTest::hostileServersCostLittleTimeAndMemory()
{
    QFETCH(QString, path);
    QFETCH(int, result);
    QFETCH(int, maxMs);
    writeOldTarget();
    NetworkUrlDownload::Limits limits;
    limits.totalTimeoutMs = 2000;
    NetworkUrlDownload download(limits);
    const qint64 before = StatusKilobytes("VmRSS:");
    QVERIFY(ResetPeakMemory());
    QElapsedTimer clock;
    clock.start();
    const int got = download.DownloadToFile(m_server->url(path), target());
    const qint64 elapsed = clock.elapsed();
    const qint64 grownMb = (StatusKilobytes("VmHWM:") - before) / 1024;
    qInfo("%lld ms, peak memory %lld MB above the %lld MB before", elapsed, grownMb, before / 1024);
    QVERIFY2(grownMb < 50, qPrintable(QString::number(grownMb)));
    QVERIFY2(elapsed < maxMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(got, result);
    if (result == DownloadOk)
        QVERIFY(ReadAll(target()).startsWith("[playlist]"));
    else
        QCOMPARE(ReadAll(target()), QByteArray("old playlist"));
    QCOMPARE(leftovers(), QStringList());
}

// A quick download never bothers the user with a progress window.
void UrlDownloadTest::fastDownloadShowsNoProgress()
{
    RecordingProgress progress;
    NetworkUrlDownload download(NetworkUrlDownload::Limits(), &progress);
    QCOMPARE(download.DownloadToFile(m_server->url("/station.pls"), target()), int(DownloadOk));
    QCOMPARE(progress.shown, 0);
    QCOMPARE(progress.hidden, 0);
}

// Past half a second the progress window appears; its Cancel ends the download
// as a failure at once and leaves no file behind.
void UrlDownloadTest::slowDownloadShowsProgressAndCancelEndsIt()
{
    DownloadProgressDialog progress;
    NetworkUrlDownload download(NetworkUrlDownload::Limits(), &progress);
    QElapsedTimer clock;
    qint64 shownAfterMs = -1;
    bool modal = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        QProgressDialog* dialog = progress.dialog();
        if (!dialog || !dialog->isVisible() || shownAfterMs >= 0)
            return;
        shownAfterMs = clock.elapsed();
        modal = dialog->windowModality() == Qt::ApplicationModal;
        const auto buttons = dialog->findChildren<QPushButton*>();
        for (QPushButton* button : buttons)
            if (button->text() == QLatin1String("Cancel"))
                button->click();
    });
    watcher.start(10);
    clock.start();
    QCOMPARE(download.DownloadToFile(m_server->url("/slow?seconds=5"), target()),
             int(DownloadCancelled));
    const qint64 endedAfterMs = clock.elapsed();
    QVERIFY2(shownAfterMs >= 500, qPrintable(QString::number(shownAfterMs)));
    QVERIFY(modal);
    QVERIFY2(endedAfterMs < 3000, qPrintable(QString::number(endedAfterMs)));
    QCOMPARE(progress.dialog(), nullptr);
    QVERIFY(!QFile::exists(target()));
    QCOMPARE(leftovers(), QStringList());
}

// A slow download left alone completes, and its progress window goes away.
void UrlDownloadTest::slowDownloadThatFinishesHidesItsProgress()
{
    RecordingProgress progress;
    NetworkUrlDownload download(NetworkUrlDownload::Limits(), &progress);
    QCOMPARE(download.DownloadToFile(m_server->url("/slow?seconds=1"), target()), int(DownloadOk));
    QCOMPARE(progress.shown, 1);
    QCOMPARE(progress.hidden, 1);
    QVERIFY(ReadAll(target()).startsWith("[playlist]"));
}

// A timer firing during the wait cannot start a second download on the same
// object; the first one still completes.
void UrlDownloadTest::secondDownloadDuringTheWaitIsRefused()
{
    NetworkUrlDownload download;
    int inner = -1;
    QTimer::singleShot(100, this, [&] {
        inner = download.DownloadToFile(m_server->url("/station.pls"),
                                        m_dir->filePath(QStringLiteral("other.pls")));
    });
    QCOMPARE(download.DownloadToFile(m_server->url("/slow?seconds=1"), target()), int(DownloadOk));
    QCOMPARE(inner, int(DownloadBusy));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("other.pls"))));
}

// A Cancel action kept by the display past the download's end is harmless.
void UrlDownloadTest::cancelAfterTheEndDoesNothing()
{
    RecordingProgress progress;
    NetworkUrlDownload download(NetworkUrlDownload::Limits(), &progress);
    QCOMPARE(download.DownloadToFile(m_server->url("/slow?seconds=1"), target()), int(DownloadOk));
    QVERIFY(progress.cancel);
    progress.cancel();
    QCOMPARE(download.DownloadToFile(m_server->url("/station.pls"), target()), int(DownloadOk));
}

WAVEDOCK_TEST_MAIN(UrlDownloadTest)

#include "url_download_test.moc"
