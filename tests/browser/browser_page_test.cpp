// The browser page's handlers with a recording browser and download.
#include "application.h"
#include "browser_page.h"
#include "fake_url_download.h"
#include "fake_web_browser.h"
#include "message_box_catcher.h"
#include "test_main.h"
#include "tnowyurl.h"
#include "ui_browser_page.h"
#include "ui_nowyurl.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {
const QString kDownloadFailed = QStringLiteral("Could not download this file. Please try again.");
}

class BrowserPageTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void buttonsDriveTheBrowser();
    void browserErrorsReachTheErrorBox();
    void newUrlDialogsAreIndependent();
    void closeBoxOnlyHides();
    void captureMatchesPlsAnywhereInAnyCase_data();
    void captureMatchesPlsAnywhereInAnyCase();
    void failedDownloadShowsMessageOnceAndOpensNoDialog();
    void secondCaptureDuringFirstDoesNotOverwriteItsPlaylist();

private:
    QList<Tnowyurl*> dialogs() const { return m_owner->findChildren<Tnowyurl*>(); }

    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_owner;
    std::unique_ptr<FakeWebBrowser> m_browser;
    std::unique_ptr<FakeUrlDownload> m_download;
    QPushButton* m_buttons[5] = {};
    BrowserPage* m_page = nullptr;
    int m_installs = 0;
    int m_holdsAtInstall = 0; // the page stays while the dialog is open
    QByteArray m_installedBody;
};

void BrowserPageTest::init()
{
    m_owner = std::make_unique<QWidget>();
    m_browser = std::make_unique<FakeWebBrowser>();
    m_download = std::make_unique<FakeUrlDownload>();
    m_installs = 0;
    m_installedBody.clear();
    DirectorySite site;
    site.homePage = QStringLiteral("http://dir.localhost");
    site.listingPage = QStringLiteral("http://dir.localhost/directory");
    const QString temporary = m_dir.filePath(QStringLiteral("temp.pls"));
    m_page = new BrowserPage(BrowserPageContext{site, *m_download, temporary, m_browser.get()},
                             m_owner.get());
    connect(m_page, &BrowserPage::playlistCaptured, this, [this, temporary] {
        ++m_installs;
        m_holdsAtInstall = m_browser->holds;
        QFile file(temporary);
        if (file.open(QIODevice::ReadOnly))
            m_installedBody = file.readAll();
    });
    Ui::BrowserPage& form = m_page->form();
    // Refresh, GoBack, GoTo, Start, Top 20.
    const QList<QPushButton*> buttons{form.Button1, form.Button2, form.Button3, form.Button9,
                                      form.Button12};
    std::copy(buttons.begin(), buttons.end(), m_buttons);
    m_owner->show();
}

void BrowserPageTest::cleanup()
{
    m_owner.reset(); // takes the page and every dialog with it
    m_browser.reset();
    m_download.reset();
}

// Start, Top 20, GoBack and Refresh each reach their browser operation.
void BrowserPageTest::buttonsDriveTheBrowser()
{
    m_browser->canGoBack = true;
    QTest::mouseClick(m_buttons[3], Qt::LeftButton); // Start
    QTest::mouseClick(m_buttons[4], Qt::LeftButton); // Top 20
    QTest::mouseClick(m_buttons[1], Qt::LeftButton); // GoBack
    QTest::mouseClick(m_buttons[0], Qt::LeftButton); // Refresh
    QCOMPARE(m_browser->navigated, (QStringList{QStringLiteral("http://dir.localhost"),
                                                QStringLiteral("http://dir.localhost/directory")}));
    QCOMPARE(m_browser->goBackCalls, 1);
    QCOMPARE(m_browser->refreshCalls, 1);

    // A navigation error page changes nothing of ours.
    m_browser->RaiseNavigateError(QStringLiteral("http://dir.localhost/x"), 404);
    QCOMPARE(m_browser->navigated.size(), 2);
}

// GoBack with no history and a refused address end in the error box.
void BrowserPageTest::browserErrorsReachTheErrorBox()
{
    MessageBoxCatcher boxes;
    QTest::mouseClick(m_buttons[1], Qt::LeftButton);
    m_browser->navigateError = QStringLiteral("Bad address");
    QTest::mouseClick(m_buttons[3], Qt::LeftButton);
    QTRY_COMPARE(boxes.texts(), (QStringList{QStringLiteral("There is no earlier page to go back "
                                                            "to."),
                                             QStringLiteral("Bad address.")}));
    QCOMPARE(boxes.boxes().first().icon, QMessageBox::Critical);
}

// Each GoTo opens a new modeless dialog; Ok sends its own text unchanged and
// closes and releases only that dialog.
void BrowserPageTest::newUrlDialogsAreIndependent()
{
    QTest::mouseClick(m_buttons[2], Qt::LeftButton);
    QTest::mouseClick(m_buttons[2], Qt::LeftButton);
    const QList<Tnowyurl*> open = dialogs();
    QCOMPARE(open.size(), 2);
    QPointer<Tnowyurl> first = open[0];
    QPointer<Tnowyurl> second = open[1];
    QVERIFY(first->isVisible() && second->isVisible());
    QVERIFY(!first->isModal() && QApplication::activeModalWidget() == nullptr);
    QCOMPARE(first->parentWidget(), m_owner.get());

    second->form().adresbox->setText(QStringLiteral("  http://b.localhost/x.PLS "));
    QTest::mouseClick(second->form().Button1, Qt::LeftButton);
    QTRY_VERIFY(second.isNull());
    QVERIFY(first && first->isVisible());

    QCOMPARE(first->form().adresbox->text(), QStringLiteral("http://www."));
    QTest::mouseClick(first->form().Button1, Qt::LeftButton);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(m_browser->navigated, (QStringList{QStringLiteral("  http://b.localhost/x.PLS "),
                                                QStringLiteral("http://www.")}));
}

// The close box hides the dialog without navigating; a refused address keeps
// it open for correction.
void BrowserPageTest::closeBoxOnlyHides()
{
    MessageBoxCatcher boxes;
    QTest::mouseClick(m_buttons[2], Qt::LeftButton);
    QPointer<Tnowyurl> dialog = dialogs().value(0);
    QVERIFY(dialog);
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(m_browser->navigated.isEmpty());

    QTest::mouseClick(m_buttons[2], Qt::LeftButton);
    QPointer<Tnowyurl> refused = dialogs().value(1);
    QVERIFY(refused);
    m_browser->navigateError = QStringLiteral("Empty address");
    refused->form().adresbox->clear();
    QTest::mouseClick(refused->form().Button1, Qt::LeftButton);
    QTRY_COMPARE(boxes.texts(), QStringList{QStringLiteral("Empty address.")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(refused && refused->isVisible());
    QCOMPARE(m_browser->navigated, QStringList{QString()});
}

void BrowserPageTest::captureMatchesPlsAnywhereInAnyCase_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("captured");
    QTest::newRow("path") << "http://a.localhost/station.pls" << true;
    QTest::newRow("upper") << "http://a.localhost/STATION.PLS" << true;
    QTest::newRow("mixed") << "http://a.localhost/Station.PlS" << true;
    QTest::newRow("longer extension") << "http://a.localhost/file.plsx" << true;
    QTest::newRow("query") << "http://a.localhost/tune?file=x.pls" << true;
    QTest::newRow("fragment") << "http://a.localhost/page#top.pls" << true;
    QTest::newRow("host label") << "http://radio.plsstream.localhost/tune/17" << true;
    QTest::newRow("m3u") << "http://a.localhost/list.m3u" << true;
    QTest::newRow("segment without dot") << "http://a.localhost/pls/station" << false;
    QTest::newRow("pls without dot") << "http://a.localhost/stationpls" << false;
}

// ".pls" anywhere, in any case, is cancelled, downloaded into the temporary
// playlist and offered for install; anything else goes ahead untouched.
void BrowserPageTest::captureMatchesPlsAnywhereInAnyCase()
{
    QFETCH(QString, url);
    QFETCH(bool, captured);
    MessageBoxCatcher boxes;
    QCOMPARE(m_browser->RaiseBeforeNavigate2(url), captured);
    QCOMPARE(m_download->urls, captured ? QStringList{url} : QStringList{});
    QCOMPARE(m_installs, captured ? 1 : 0);
    if (captured) {
        QCOMPARE(m_installedBody, m_download->body);
        QCOMPARE(m_holdsAtInstall, 1);
    }
    QCOMPARE(m_browser->holds, 0);
    QVERIFY(boxes.texts().isEmpty());
}

// A failed download shows its message once, stays cancelled, offers nothing,
// and the next capture works again.
void BrowserPageTest::failedDownloadShowsMessageOnceAndOpensNoDialog()
{
    MessageBoxCatcher boxes;
    m_download->result = platform::DownloadHttpError;
    QVERIFY(m_browser->RaiseBeforeNavigate2(QStringLiteral("http://a.localhost/gone.pls")));
    QCOMPARE(boxes.texts(), QStringList{kDownloadFailed});
    QCOMPARE(boxes.boxes().first().icon, QMessageBox::NoIcon);
    QCOMPARE(m_installs, 0);
    QVERIFY(m_browser->navigated.isEmpty());

    m_download->result = platform::DownloadOk;
    QVERIFY(m_browser->RaiseBeforeNavigate2(QStringLiteral("http://a.localhost/ok.pls")));
    QCOMPARE(m_installs, 1);
    QCOMPARE(boxes.texts().size(), 1);
}

// A playlist address raised while a capture is still downloading is stopped
// but not fetched, so the playlist being installed is the one that was clicked.
void BrowserPageTest::secondCaptureDuringFirstDoesNotOverwriteItsPlaylist()
{
    bool innerCancel = false;
    m_download->whileWaiting = [&] {
        m_download->whileWaiting = nullptr;
        innerCancel = m_browser->RaiseBeforeNavigate2(QStringLiteral("http://a.localhost/b.pls"));
    };
    QVERIFY(m_browser->RaiseBeforeNavigate2(QStringLiteral("http://a.localhost/a.pls")));
    QVERIFY(innerCancel);
    QCOMPARE(m_download->urls, QStringList{QStringLiteral("http://a.localhost/a.pls")});
    QCOMPARE(m_installs, 1);

    // Once the first capture has ended, the next one is taken again.
    QVERIFY(m_browser->RaiseBeforeNavigate2(QStringLiteral("http://a.localhost/b.pls")));
    QCOMPARE(m_installs, 2);
}

WAVEDOCK_TEST_MAIN(BrowserPageTest)

#include "browser_page_test.moc"
