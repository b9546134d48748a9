// The embedded browser control against a real engine and the loopback
// station directory.
#include "application.h"
#include "error.h"
#include "fixture_http_server.h"
#include "message_box_catcher.h"
#include "test_main.h"
#include "twebbrowser.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QtTest>
#include <memory>

namespace {
constexpr int kLoadTimeoutMs = 30000;
}

class TWebBrowserTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void linkClicksTypedAddressesAndFramesRaiseTheEvent();
    void cancelKeepsThePageAndReportsNoError();
    void failedNavigationsRaiseNavigateError();
    void unusableAddressesThrowButUnreachableHostsDoNot();
    void goBackThrowsWithoutHistoryAndStepsBackOtherwise();
    void refreshReloadsThePage();
    void continuationRunsWithTheEngineAwake();
    void handlerErrorsReachTheErrorBoxWithoutBreakingNavigation();
    void newWindowLinksOpenInTheSameBrowser();
    void engineStartsWhenFirstShownWithTheKeptAddress();
    void pagesAwayAreDiscardedUnlessHeldAndReloadWhenBack();

private:
    // Navigates (or runs `action`) and waits for the main frame's load to end;
    // returns the load's ok flag.
    bool loadAndWait(const std::function<void()>& action);
    void navigateAndWait(const QString& path);
    void click(const QString& id);
    QString currentPath() { return page()->url().path(); }
    QWebEnginePage* page() { return qobject_cast<QWebEnginePage*>(m_browser->EnginePage()); }

    std::unique_ptr<FixtureHttpServer> m_server;
    std::unique_ptr<TWebBrowser> m_browser;
    QStringList m_seen;
    QList<bool> m_followed; // beside m_seen: whether the event called it followed
    QStringList m_errors;
    QList<int> m_statuses;
};

void TWebBrowserTest::initTestCase()
{
    m_server = std::make_unique<FixtureHttpServer>();
    QVERIFY(m_server->isRunning());
}

void TWebBrowserTest::init()
{
    m_seen.clear();
    m_followed.clear();
    m_errors.clear();
    m_statuses.clear();
    m_browser = std::make_unique<TWebBrowser>();
    m_browser->resize(800, 600);
    m_browser->show();
    m_browser->OnBeforeNavigate2 = [this](const QString& url, NavigationCause cause, bool&) {
        m_seen << url;
        m_followed << (cause == NavigationCause::Followed);
    };
    m_browser->OnNavigateError = [this](const QString& url, int status) {
        m_errors << url;
        m_statuses << status;
    };
}

void TWebBrowserTest::cleanup()
{
    m_browser.reset();
}

bool TWebBrowserTest::loadAndWait(const std::function<void()>& action)
{
    QSignalSpy finished(page(), &QWebEnginePage::loadFinished);
    action();
    if (!finished.wait(kLoadTimeoutMs))
        return false;
    return finished.last().at(0).toBool();
}

void TWebBrowserTest::navigateAndWait(const QString& path)
{
    QVERIFY(loadAndWait([&] { m_browser->Navigate(m_server->url(path)); }));
}

void TWebBrowserTest::click(const QString& id)
{
    page()->runJavaScript(QStringLiteral("document.querySelector('a#%1').click()").arg(id));
}

// Typed addresses, followed links and frame contents all pass through the
// event; only the first two are called followed, reloads and frames are not.
void TWebBrowserTest::linkClicksTypedAddressesAndFramesRaiseTheEvent()
{
    navigateAndWait(QStringLiteral("/directory"));
    QCOMPARE(m_seen, QStringList{m_server->url("/directory")});

    QVERIFY(loadAndWait([&] { click(QStringLiteral("segment")); }));
    QCOMPARE(m_seen.last(), m_server->url("/pls/station"));
    QCOMPARE(currentPath(), QStringLiteral("/pls/station"));
    QVERIFY(loadAndWait([&] { m_browser->Refresh(); }));

    navigateAndWait(QStringLiteral("/frames"));
    QTRY_VERIFY_WITH_TIMEOUT(m_seen.contains(m_server->url("/frame-content")), kLoadTimeoutMs);
    QCOMPARE(m_followed, (QList<bool>{true, true, false, true, false}));
    QVERIFY(m_errors.isEmpty());
}

// A cancelled link leaves the page in place, without an error report, and the
// browser goes on working afterwards.
void TWebBrowserTest::cancelKeepsThePageAndReportsNoError()
{
    m_browser->OnBeforeNavigate2 = [this](const QString& url, NavigationCause, bool& cancel) {
        m_seen << url;
        cancel = url.contains(QLatin1String(".pls"));
    };
    navigateAndWait(QStringLiteral("/directory"));

    QVERIFY(!loadAndWait([&] { click(QStringLiteral("pls")); }));
    QCOMPARE(m_seen.last(), m_server->url("/station.pls"));
    QCOMPARE(currentPath(), QStringLiteral("/directory"));

    // A typed address is cancelled alike.
    QVERIFY(!loadAndWait([&] { m_browser->Navigate(m_server->url("/STATION.PLS")); }));
    QCOMPARE(currentPath(), QStringLiteral("/directory"));

    navigateAndWait(QStringLiteral("/counter"));
    QCOMPARE(currentPath(), QStringLiteral("/counter"));
    QVERIFY2(m_errors.isEmpty(), qPrintable(m_errors.join(' ')));
}

// HTTP errors and unreachable servers raise OnNavigateError with their code.
void TWebBrowserTest::failedNavigationsRaiseNavigateError()
{
    QVERIFY(!loadAndWait([&] { m_browser->Navigate(m_server->url("/missing")); }));
    QCOMPARE(m_errors, QStringList{m_server->url("/missing")});
    QCOMPARE(m_statuses, QList<int>{404});

    // Nothing listens on port 1 of loopback: a failure below HTTP.
    QVERIFY(!loadAndWait([&] { m_browser->Navigate(QStringLiteral("http://127.0.0.1:1/")); }));
    QCOMPARE(m_errors.size(), 2);
    QVERIFY(m_statuses.last() < 0);
}

// Navigate refuses what is no address at all, but hands a well-formed address
// with a bad host, or one with characters a strict parser refuses, to the
// engine, whose page then stands.
void TWebBrowserTest::unusableAddressesThrowButUnreachableHostsDoNot()
{
    QVERIFY_THROWS_EXCEPTION(Error, m_browser->Navigate(QString()));
    QVERIFY_THROWS_EXCEPTION(Error, m_browser->Navigate(QStringLiteral("   ")));
    QVERIFY_THROWS_EXCEPTION(Error, m_browser->Navigate(QStringLiteral("http://[::1")));
    QVERIFY(m_seen.isEmpty());

    QVERIFY(!loadAndWait([&] { m_browser->Navigate(QStringLiteral("http://www.")); }));
    QCOMPARE(m_seen, QStringList{QStringLiteral("http://www./")});
    QCOMPARE(m_errors.size(), 1);

    // Text a strict parser refuses (a blank, a '|') reaches the engine encoded.
    m_seen.clear();
    loadAndWait([&] { m_browser->Navigate(m_server->url("/a b|c")); });
    QCOMPARE(m_seen, QStringList{m_server->url("/a%20b%7Cc")});
}

// GoBack with nothing behind raises the usual error; with history it steps back.
void TWebBrowserTest::goBackThrowsWithoutHistoryAndStepsBackOtherwise()
{
    try {
        m_browser->GoBack();
        QFAIL("GoBack on a fresh browser did not throw");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("There is no earlier page to go back to"));
    }
    navigateAndWait(QStringLiteral("/"));
    QVERIFY_THROWS_EXCEPTION(Error, m_browser->GoBack());
    navigateAndWait(QStringLiteral("/directory"));
    QVERIFY(loadAndWait([&] { m_browser->GoBack(); }));
    QCOMPARE(currentPath(), QStringLiteral("/"));
}

// Refresh fetches the page again from the server.
void TWebBrowserTest::refreshReloadsThePage()
{
    navigateAndWait(QStringLiteral("/counter"));
    const QString first = page()->title();
    QVERIFY(loadAndWait([&] { m_browser->Refresh(); }));
    QTRY_VERIFY_WITH_TIMEOUT(page()->title() != first, kLoadTimeoutMs);
    QVERIFY(page()->title().startsWith(QLatin1String("Load ")));
    QCOMPARE(m_seen.size(), 2);
}

// Work queued from the event runs after the engine has its answer, so a nested
// loop there (download, modal dialog) sees a live engine: scripts answer and
// new navigations go ahead.
void TWebBrowserTest::continuationRunsWithTheEngineAwake()
{
    QString titleSeenInside;
    QString pathAfterInnerLoad;
    bool insideEvent = false;
    bool ranInsideEvent = true;
    m_browser->OnBeforeNavigate2 = [&](const QString& url, NavigationCause, bool& cancel) {
        if (!url.contains(QLatin1String(".pls")))
            return;
        cancel = true;
        insideEvent = true;
        m_browser->ContinueAfterEvent([&] {
            ranInsideEvent = insideEvent;
            QEventLoop loop;
            page()->runJavaScript(QStringLiteral("document.title"), [&](const QVariant& title) {
                titleSeenInside = title.toString();
                loop.quit();
            });
            QTimer::singleShot(kLoadTimeoutMs, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
            pathAfterInnerLoad = loadAndWait([&] { m_browser->Navigate(m_server->url("/")); })
                                     ? currentPath()
                                     : QString();
        });
        insideEvent = false;
    };
    navigateAndWait(QStringLiteral("/directory"));
    click(QStringLiteral("pls"));
    QTRY_VERIFY_WITH_TIMEOUT(!pathAfterInnerLoad.isEmpty(), kLoadTimeoutMs);
    QVERIFY(!ranInsideEvent);
    QCOMPARE(titleSeenInside, QStringLiteral("Directory"));
    QCOMPARE(pathAfterInnerLoad, QStringLiteral("/"));
}

// A throwing handler shows the error box once the engine is free, and its
// navigation goes on as if not cancelled.
void TWebBrowserTest::handlerErrorsReachTheErrorBoxWithoutBreakingNavigation()
{
    MessageBoxCatcher boxes;
    m_browser->OnBeforeNavigate2 = [](const QString&, NavigationCause, bool&) {
        throw Error(QStringLiteral("Handler failed"));
    };
    navigateAndWait(QStringLiteral("/directory"));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.texts(), QStringList{QStringLiteral("Handler failed.")},
                              kLoadTimeoutMs);
    QCOMPARE(currentPath(), QStringLiteral("/directory"));
}

// A link aimed at a new window opens in this browser, through the event.
void TWebBrowserTest::newWindowLinksOpenInTheSameBrowser()
{
    navigateAndWait(QStringLiteral("/directory"));
    QVERIFY(loadAndWait([&] { click(QStringLiteral("blank")); }));
    QCOMPARE(currentPath(), QStringLiteral("/counter"));
    QCOMPARE(m_seen.last(), m_server->url("/counter"));
}

// The engine starts only when the control is first shown; an address asked
// for before that is kept and shown then.
void TWebBrowserTest::engineStartsWhenFirstShownWithTheKeptAddress()
{
    TWebBrowser later;
    later.resize(400, 300);
    later.Navigate(m_server->url(QStringLiteral("/directory")));
    QVERIFY(!later.IsEngineRunning());
    later.show();
    QVERIFY(later.IsEngineRunning());
    QTRY_COMPARE_WITH_TIMEOUT(qobject_cast<QWebEnginePage*>(later.EnginePage())->title(),
                              QStringLiteral("Directory"), kLoadTimeoutMs);
}

// Away from the screen past the delay, the page is discarded and its renderer
// ends, but not while a capture holds it; back on screen it reloads its address.
void TWebBrowserTest::pagesAwayAreDiscardedUnlessHeldAndReloadWhenBack()
{
    m_browser->SetDiscardDelayForTesting(100);
    navigateAndWait(QStringLiteral("/directory"));
    QTRY_VERIFY(page()->renderProcessPid() != 0);

    QSignalSpy waited(m_browser->findChild<QTimer*>(QStringLiteral("discardTimer")),
                      &QTimer::timeout);
    m_browser->HoldPage(true);
    m_browser->hide();
    QVERIFY(waited.wait());
    QVERIFY(!m_browser->IsPageDiscarded());
    m_browser->HoldPage(false);
    QTRY_VERIFY(m_browser->IsPageDiscarded());
    QTRY_COMPARE_WITH_TIMEOUT(page()->renderProcessPid(), 0, kLoadTimeoutMs);

    QVERIFY(loadAndWait([&] { m_browser->show(); }));
    QCOMPARE(currentPath(), QStringLiteral("/directory"));
    QVERIFY(page()->renderProcessPid() != 0);
}

WAVEDOCK_TEST_MAIN(TWebBrowserTest)

#include "twebbrowser_test.moc"
