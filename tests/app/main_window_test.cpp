#include "application.h"
#include "event_loop_wait.h"
#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "tabbed_notebook.h"
#include "test_files.h"
#include "test_main.h"
#include "tsplash.h"
#include "version.h"

#include <QBitmap>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>

namespace {

int IdlePassesWhile(const std::function<bool()>& condition)
{
    int passes = 0;
    auto counter = QObject::connect(Application::instance(), &Application::idle, [&] { ++passes; });
    RunLoopUntil([&] { return !condition(); }, 3000);
    QObject::disconnect(counter);
    return passes;
}

} // namespace

class MainWindowTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The window opens on "Winamp control" and does its start-up work on the
    // first idle pass: version text, station list, splash, discovery.
    void firstIdlePassInitialises()
    {
        MainWindowFixture f;
        f.WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")},
                          {QStringLiteral("Rock"), QString()}});
        Ui::Ttunely& ui = f.form();
        QListWidget* list = f.radiosForm().list;
        QCOMPARE(ui.wersja->text(), QStringLiteral("Loading program files..."));
        QCOMPARE(list->count(), 0);
        QCOMPARE(ui.silnik->ActivePage(), QStringLiteral("Winamp control"));
        QVERIFY(f.window().timer()->isActive());
        QCOMPARE(f.window().timer()->interval(), 3000);

        QVERIFY(f.ShowAndRunFirstIdlePass());
        QCOMPARE(ui.wersja->text(), QLatin1String(kVersion));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QStringLiteral("0) Jazz - Smooth"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("1) Rock - "));
        QVERIFY(f.window().splash() && f.window().splash()->isVisible());
        QCOMPARE(ui.silnik->ActivePage(), QStringLiteral("Winamp control"));
        QVERIFY(f.player.Lookups() >= 1);
    }

    // Later idle passes never repeat the start-up work: the list is not rebuilt
    // and the splash is the same one.
    void startUpWorkRunsOnce()
    {
        MainWindowFixture f;
        f.WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")}});
        QVERIFY(f.ShowAndRunFirstIdlePass());
        const Tsplash* splash = f.window().splash();
        f.WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")},
                          {QStringLiteral("Late"), QStringLiteral("Arrival")}});
        QTimer ticker;
        ticker.start(20);
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        QVERIFY(IdlePassesWhile([&] { return ticks < 10; }) >= 5);
        QCOMPARE(f.radiosForm().list->count(), 1);
        QCOMPARE(f.window().splash(), splash);
    }

    // Discovery looks on every pass until a player appears, then greets it once
    // with a play-state query and never looks again.
    void discoveryRunsUntilFound()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        QTimer ticker;
        ticker.start(20);
        int ticks = 0;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        const int before = f.player.Lookups();
        IdlePassesWhile([&] { return ticks < 5; });
        QVERIFY(f.player.Lookups() > before);
        QVERIFY(!f.window().winamp().Found());

        f.player.SetPlayer(42);
        QVERIFY(RunLoopUntil([&] { return f.window().winamp().Found(); }));
        const int afterFound = f.player.Lookups();
        ticks = 0;
        IdlePassesWhile([&] { return ticks < 5; });
        QCOMPARE(f.player.Lookups(), afterFound);
        int queries = 0;
        for (const auto& call : f.player.Calls())
            queries += call.verb == RecordingMediaPlayer::Verb::Status;
        QCOMPARE(queries, 1);
        QCOMPARE(f.window().winamp().Handle(), platform::PlayerHandle(42));
    }

    // Pages are chosen by caption in any letter case; an unknown caption or
    // the current page changes nothing; focus on the old page moves to the notebook.
    void pageSelectionByCaption()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        Ui::Ttunely& ui = f.form();
        f.window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.window()));
        QPushButton* download = f.controlForm().Button8;
        download->setFocus();
        QTRY_VERIFY(download->hasFocus());

        f.window().SelectPage(QStringLiteral("INSTALLED RADIOS"));
        QCOMPARE(ui.silnik->currentIndex(), 1);
        QVERIFY(ui.silnik->hasFocus());
        QVERIFY(f.window().installedRadiosPage().isEnabled());
        QVERIFY(!f.window().controlPage().isEnabled());

        f.window().SelectPage(QStringLiteral("No such page"));
        QCOMPARE(ui.silnik->currentIndex(), 1);
        f.window().SelectPage(QStringLiteral("browser: 127.0.0.1:9"));
        QCOMPARE(ui.silnik->currentIndex(), 0);
        QCOMPARE(ui.silnik->ActivePage(), f.window().form().silnik->tabText(0));
    }

    // The splash is see-through exactly on its pure-white pixels, leaves after
    // 3.5 s, and the main window takes clicks meanwhile.
    void splashMaskAndLifetime()
    {
        QElapsedTimer sinceFirstPass;
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        sinceFirstPass.start();
        QPointer<Tsplash> splash = f.window().splash();
        QVERIFY(splash);
        const int remaining = splash->timer()->remainingTime();
        QVERIFY2(remaining > 3000, "the splash's time starts on the first idle pass");
        QCOMPARE(splash->size(), QSize(525, 144));
        QVERIFY(splash->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);

        const QImage face = splash->grab().toImage();
        const QRegion mask = splash->mask();
        int white = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const bool pureWhite = (face.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                white += pureWhite;
                if (mask.contains(QPoint(x, y)) == pureWhite) {
                    QFAIL(qPrintable(QStringLiteral("mask wrong at %1,%2").arg(x).arg(y)));
                }
            }
        }
        QVERIFY2(white > 0, "the splash picture has see-through corners");

        QTest::mouseClick(f.form().Button4, Qt::LeftButton);
        QCOMPARE(f.shell.files(), QStringList{f.paths.readmeFile});
        QVERIFY(splash);

        QTRY_VERIFY_WITH_TIMEOUT(splash.isNull(), 6000);
        // It goes when its 3.5 s from creation are up, not before.
        const qint64 shown = sinceFirstPass.elapsed();
        QVERIFY2(shown >= remaining - 5 && shown <= remaining + 1000,
                 qPrintable(QStringLiteral("%1 ms, %2 ms left").arg(shown).arg(remaining)));
    }

    // The layout keeps its pixel geometry: fixed client area, the page area at
    // (4, 24) inside the notebook, fonts at their 96-dpi pixel sizes.
    void pixelLayout()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        Ui::Ttunely& ui = f.form();
        QCOMPARE(f.window().size(), QSize(681, 496));
        QCOMPARE(f.window().minimumSize(), f.window().maximumSize());
        const auto* stack = ui.silnik->findChild<QStackedWidget*>();
        QCOMPARE(stack->geometry(), QRect(4, 24, 645, 277));
        QCOMPARE(ui.wersja->font().pixelSize(), 11);
        QCOMPARE(f.controlForm().Label4->font().pixelSize(), 19);
        QVERIFY(f.controlForm().Label4->font().bold());
        QCOMPARE(ui.wersja->geometry().right() + 1, 673);
        QVERIFY(ui.wersja->alignment() & Qt::AlignRight);
        QVERIFY(!f.radiosForm().Button10->isEnabled());
        QVERIFY(!ui.startup->isVisible());
    }

    // Tab captions are drawn in the system's button-text colour, not in the
    // notebook's blue (16, 67, 109) that the pages inherit.
    void tabCaptionsInButtonTextColour()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        QTabBar* tabs = f.form().silnik->tabBar();
        const QImage shot = tabs->grab().toImage();
        int captionPixels = 0;
        int bluePixels = 0;
        // Inside the tabs only: the window's own blue shows around them.
        for (int tab = 0; tab < tabs->count(); ++tab) {
            const QRect face = tabs->tabRect(tab).adjusted(3, 3, -3, -3);
            for (int y = face.top(); y <= face.bottom(); ++y) {
                for (int x = face.left(); x <= face.right(); ++x) {
                    const QColor pixel = shot.pixelColor(x, y);
                    captionPixels += pixel.lightness() < 100;
                    bluePixels += pixel.blue() - pixel.red() > 30;
                }
            }
        }
        QVERIFY(captionPixels > 0);
        QCOMPARE(bluePixels, 0);
    }

    // A folder that cannot be made is named once in an error box, and the
    // rest of the start goes on.
    void folderThatCannotBeMadeIsNamedOnce()
    {
        MessageBoxCatcher boxes;
        MainWindowFixture f;
        // A file where the data folder should be keeps the catalogue's folder from being made.
        QVERIFY(WriteFile(f.dir.filePath(QStringLiteral("data")), "in the way"));
        QVERIFY(f.ShowAndRunFirstIdlePass());
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("Unable to create the folder %1.")
                                 .arg(f.dir.filePath(QStringLiteral("data/wavedock")))});
        QCOMPARE(boxes.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(f.form().wersja->text(), QLatin1String(kVersion));
        QVERIFY(QDir(f.dir.filePath(QStringLiteral("cache/wavedock"))).exists());
    }

    // Tab runs through the pages in notebook order, then the window's buttons,
    // although each page brings its own form.
    void tabOrderCrossesThePages()
    {
        MainWindowFixture f;
        QStringList order;
        QWidget* widget = f.form().silnik;
        do {
            const QString name = widget->objectName();
            const bool ours = !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
                              !qobject_cast<QTabBar*>(widget->parentWidget());
            if (ours && (widget->focusPolicy() & Qt::TabFocus))
                order << name;
            widget = widget->nextInFocusChain();
        } while (widget != f.form().silnik);
        QCOMPARE(order,
                 QStringList({"silnik",       "Button1",      "Button2",      "Button3",
                              "Button9",      "Button12",     "list",         "wybraneradiobtn",
                              "Button5",      "Button6",      "Button10",     "Button11",
                              "glosnosc",     "SpeedButton1", "SpeedButton2", "SpeedButton3",
                              "SpeedButton4", "aktnazwa",     "aktopis",      "Button8",
                              "nowPlaying",   "startup",      "Button4",      "Button7",
                              "Button13"}));
    }

    // The window's own hint settings reach every window: a hint waits 250 ms,
    // stays 9 s and shows on light blue (132, 216, 240), not Qt's defaults.
    void ownHintSettings()
    {
        Application::instance()->setHints(HintSettings{});
        MainWindowFixture f;
        QCOMPARE(qApp->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 250);
        QCOMPARE(Application::instance()->hints().hidePause, 9000);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(132, 216, 240));
    }

    // Exit and the close box both end the message loop.
    void exitAndCloseBoxEndTheProgram()
    {
        for (const bool useCloseBox : {false, true}) {
            MainWindowFixture f;
            QVERIFY(f.ShowAndRunFirstIdlePass());
            QTimer::singleShot(0, [&] {
                if (useCloseBox)
                    f.window().close();
                else
                    QTest::mouseClick(f.form().Button7, Qt::LeftButton);
            });
            QTimer safety;
            connect(&safety, &QTimer::timeout, [] { Application::instance()->exit(2); });
            safety.start(5000);
            QCOMPARE(Application::instance()->exec(), 0);
        }
    }
};

WAVEDOCK_TEST_MAIN(MainWindowTest)

#include "main_window_test.moc"
