#include "application.h"
#include "catalogue_store.h"
#include "catalogue_writer.h"
#include "control_page.h"
#include "fake_web_browser.h"
#include "fixed_paths.h"
#include "installed_radios_page.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "recording_media_player.h"
#include "recording_shell.h"
#include "test_main.h"
#include "ui_control_page.h"
#include "ui_installed_radios_page.h"
#include "winamp_link.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>

namespace {

using Call = RecordingMediaPlayer::Call;
using Verb = RecordingMediaPlayer::Verb;
constexpr platform::PlayerHandle kPlayer = 7;
const Call kStop{kPlayer, Verb::Stop};

const QColor kRed(255, 0, 0);
const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 128, 0);

// The control page and the installed-radios page side by side, with recording
// doubles around them.
struct PageFixture
{
    PageFixture()
        : paths(FixedPaths::Under(dir.path())), catalogue(paths), link(player),
          page(new ControlPage(
              ControlPageContext{link, catalogue, shell,
                                 [this](const QString& caption) { pages << caption; },
                                 QStringLiteral("Browser: example.org")},
              &form)),
          radios(new InstalledRadiosPage(catalogue, &form)), widgets(page->form()),
          list(radios->form().list), listen(radios->form().wybraneradiobtn)
    {
        radios->move(0, page->height());
        form.resize(page->width(), page->height() + radios->height());
        // Wired as the main window wires them.
        QObject::connect(radios, &InstalledRadiosPage::listenRequested, page, &ControlPage::Listen);
        QObject::connect(page, &ControlPage::browserRefreshRequested,
                         [this] { browser.Refresh(); });
        player.SetPlayer(kPlayer);
        link.LookUpWhileNotFound();
    }

    // Slots 0..n-1 with the given name and description lines, listed as the
    // installed-radios page lists them.
    void WriteCatalogue(const QStringList& names)
    {
        QList<QPair<QString, QString>> stations;
        for (const QString& name : names)
            stations.append({name, QStringLiteral("About ") + name});
        WriteDenseCatalogue(paths, stations);
        list->clear();
        list->addItems(catalogue.StationRows());
    }

    // On the page's scales: kbit/s, kHz, channels.
    void SetReadings(qint32 bitRate, qint32 sampleRate, qint32 channels)
    {
        player.SetFigures({bitRate * 1000, sampleRate * 1000, channels});
    }

    QTemporaryDir dir;
    FixedPaths paths;
    CatalogueStore catalogue;
    RecordingMediaPlayer player;
    WinampLink link;
    RecordingShell shell;
    FakeWebBrowser browser;
    QStringList pages;
    QWidget form;
    ControlPage* page;
    InstalledRadiosPage* radios;
    Ui::ControlPage& widgets;
    QListWidget* list;
    QPushButton* listen;
};

QList<Call> ReadingsQueries(int refreshes)
{
    return QList<Call>(refreshes * 3, Call{kPlayer, Verb::Figures});
}

QColor TextColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class ControlPageTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Play, pause and stop send their one message each; eject stops and then
    // shows the installed radios; "Download another radio" stops, shows the
    // browser page and reloads the page the browser shows.
    void transportButtonsSendTheirMessages()
    {
        PageFixture f;
        QTest::mouseClick(f.widgets.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(f.widgets.SpeedButton2, Qt::LeftButton);
        QTest::mouseClick(f.widgets.SpeedButton3, Qt::LeftButton);
        QCOMPARE(f.player.Calls(),
                 (QList<Call>{{kPlayer, Verb::Play}, {kPlayer, Verb::Pause}, kStop}));
        QVERIFY(f.pages.isEmpty());

        f.player.Clear();
        f.page->SpeedButton4Click();
        QCOMPARE(f.player.Calls(), QList<Call>{kStop});
        QCOMPARE(f.pages, QStringList{QStringLiteral("Installed radios")});

        f.player.Clear();
        f.pages.clear();
        QTest::mouseClick(f.widgets.Button8, Qt::LeftButton);
        QCOMPARE(f.player.Calls(), QList<Call>{kStop});
        QCOMPARE(f.pages, QStringList{QStringLiteral("Browser: example.org")});
        QCOMPARE(f.browser.refreshCalls, 1);
        QVERIFY(f.browser.navigated.isEmpty());
    }

    // Every notification of the volume bar sends one set-volume message with
    // the bar's position at that moment, unfiltered: steps past the end repeat
    // 255, and a drag sends each position it passes.
    void volumeFollowsEveryNotification()
    {
        PageFixture f;
        for (int step = 0; step < 300; ++step)
            f.widgets.glosnosc->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        const QList<Call>& sent = f.player.Calls();
        QCOMPARE(sent.size(), 300);
        for (int i = 0; i < sent.size(); ++i)
            QCOMPARE(sent[i], (Call{kPlayer, Verb::SetVolume, std::min(i + 1, 255) / 255.0}));
        f.widgets.glosnosc->setSliderPosition(40);
        QCOMPARE(f.player.Calls().size(), 301);
        QCOMPARE(f.player.Calls().last(), (Call{kPlayer, Verb::SetVolume, 40 / 255.0}));
    }

    void readingsTakeTheirBandColours_data()
    {
        QTest::addColumn<int>("bitRate");
        QTest::addColumn<int>("sampleRate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QColor>("bitColour");
        QTest::addColumn<QColor>("sampleColour");
        QTest::addColumn<QColor>("channelsColour");
        QTest::newRow("just below fair") << 29 << 19 << 0 << kRed << kRed << kRed;
        QTest::newRow("lowest fair") << 30 << 20 << 1 << kYellow << kYellow << kYellow;
        QTest::newRow("highest fair") << 70 << 40 << 1 << kYellow << kYellow << kYellow;
        QTest::newRow("just above fair") << 71 << 41 << 2 << kGreen << kGreen << kGreen;
        QTest::newRow("negative") << -1 << -5 << -1 << kRed << kRed << kRed;
        QTest::newRow("a real stream") << 128 << 44 << 2 << kGreen << kGreen << kGreen;
    }

    // A tick asks bit rate, sample rate and channels in that order and shows
    // each as a signed decimal in its band's colour, switching bands exactly
    // at the edges.
    void readingsTakeTheirBandColours()
    {
        QFETCH(int, bitRate);
        QFETCH(int, sampleRate);
        QFETCH(int, channels);
        PageFixture f;
        f.SetReadings(bitRate, sampleRate, channels);
        f.page->Timer1Timer();
        QCOMPARE(f.player.Calls(), ReadingsQueries(1));
        QCOMPARE(f.widgets.brate->text(), QString::number(bitRate));
        QCOMPARE(f.widgets.srate->text(), QString::number(sampleRate));
        QCOMPARE(f.widgets.channels->text(), QString::number(channels));
        QTEST(TextColour(f.widgets.brate), "bitColour");
        QTEST(TextColour(f.widgets.srate), "sampleColour");
        QTEST(TextColour(f.widgets.channels), "channelsColour");
    }

    // A reading label stays anchored at its right edge, and a caption wider
    // than its laid-out width grows it leftwards instead of being cut off.
    void readingLabelsKeepTheirRightEdge()
    {
        PageFixture f;
        f.SetReadings(128, 44, 2);
        f.page->Timer1Timer();
        QCOMPARE(f.widgets.brate->geometry(), QRect(248, 40, 52, 13));
        const QLabel* label = f.widgets.channels;
        const int rightEdge = label->x() + label->width();
        f.SetReadings(0, 0, -2147483647 - 1);
        f.page->Timer1Timer();
        QCOMPARE(label->text(), QStringLiteral("-2147483648"));
        QCOMPARE(label->x() + label->width(), rightEdge);
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    }

    // Listening without a selected line only says so: no shell request, no
    // page change, no message to the player.
    void listenWithoutSelectionOnlyExplains()
    {
        PageFixture f;
        f.WriteCatalogue({QStringLiteral("Jazz")});
        MessageBoxCatcher catcher;
        QTest::mouseClick(f.listen, Qt::LeftButton);
        QCOMPARE(catcher.texts(), QStringList{QStringLiteral("Click on an item from the list.")});
        QVERIFY(f.shell.requests.isEmpty());
        QVERIFY(f.pages.isEmpty());
        QVERIFY(f.player.Calls().isEmpty());
        QCOMPARE(f.widgets.aktnazwa->text(), QString());
    }

    // Double-clicking a line opens that slot's playlist minimised through the
    // shell, shows the control page with the station's name and description,
    // and refreshes the readings twice; nothing tells the player to play.
    void doubleClickListensToTheLine()
    {
        PageFixture f;
        f.WriteCatalogue({QStringLiteral("Jazz"), QStringLiteral("Rock")});
        f.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.form));
        QListWidget* list = f.list;
        const QRect line = list->visualItemRect(list->item(1));
        MessageBoxCatcher catcher;
        // A real double-click starts with a click, which selects the line.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, line.center());
        QVERIFY(catcher.boxes().isEmpty());
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(f.shell.files(), QStringList{f.paths.PlaylistFile(1)});
        QCOMPARE(f.shell.requests.first().show, platform::ShowCommand::Minimize);
        QCOMPARE(f.pages, QStringList{QStringLiteral("Winamp control")});
        QCOMPARE(f.widgets.aktnazwa->text(), QStringLiteral("Rock"));
        QCOMPARE(f.widgets.aktopis->text(), QStringLiteral("About Rock"));
        QCOMPARE(f.player.Calls(), ReadingsQueries(2));
    }

    // When no program takes the playlist, Listen says why and nothing else:
    // no page switch, no station shown as playing, no question to the player.
    void listenThatNoProgramTakesOnlySaysWhy()
    {
        PageFixture f;
        f.WriteCatalogue({QStringLiteral("Jazz")});
        f.shell.failure = QStringLiteral("No program on this desktop plays station playlists.");
        f.list->item(0)->setSelected(true);
        MessageBoxCatcher catcher;
        f.radios->wybraneradiobtnClick();
        QCOMPARE(catcher.texts(), QStringList{f.shell.failure});
        QCOMPARE(f.shell.files(), QStringList{f.paths.PlaylistFile(0)});
        QVERIFY(f.pages.isEmpty());
        QCOMPARE(f.widgets.aktnazwa->text(), QString());
        QVERIFY(f.player.Calls().isEmpty());
    }

    // A listed line whose slot has no keys shows the defaults "Error" and
    // "Error." instead of failing.
    void listenToAMissingSlotShowsDefaults()
    {
        PageFixture f;
        f.WriteCatalogue({QStringLiteral("Jazz")});
        f.list->addItem(QStringLiteral("1) Gone - "));
        f.list->item(1)->setSelected(true);
        f.radios->wybraneradiobtnClick();
        QCOMPARE(f.shell.files(), QStringList{f.paths.PlaylistFile(1)});
        QCOMPARE(f.widgets.aktnazwa->text(), QStringLiteral("Error"));
        QCOMPARE(f.widgets.aktopis->text(), QStringLiteral("Error."));
    }

    // With no player running, the window's own timer turns the three readings
    // into 0 in red about three seconds after the window is made.
    void noPlayerReadsZeroInRedAfterThreeSeconds()
    {
        QElapsedTimer clock;
        clock.start();
        MainWindowFixture f;
        Ui::ControlPage& ui = f.controlForm();
        f.window().show();
        QCOMPARE(ui.brate->text(), QStringLiteral("Unknown"));
        QTRY_COMPARE_WITH_TIMEOUT(ui.channels->text(), QStringLiteral("0"), 6000);
        // A coarse timer may fire up to 5% early.
        QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
        for (const QLabel* label : {ui.brate, ui.srate, ui.channels}) {
            QCOMPARE(label->text(), QStringLiteral("0"));
            QCOMPARE(TextColour(label), kRed);
        }
        QCOMPARE(ui.srate->x() + ui.srate->width(), 301);
        QCOMPARE(ui.brate->x() + ui.brate->width(), 300);
        QCOMPARE(ui.channels->x() + ui.channels->width(), 300);
        QVERIFY(ui.brate->alignment() & Qt::AlignRight);
    }
};

WAVEDOCK_TEST_MAIN(ControlPageTest)

#include "control_page_test.moc"
