#include "application.h"
#include "application_window_hooks.h"
#include "fake_notification_area.h"
#include "tabf_tray_icon.h"

#include <QAction>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <memory>

using namespace platform::NotifyCode;

// The tray icon's own behaviour against a notification area that the test plays.
class TrayIconTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> form_;
    std::unique_ptr<FakeNotificationArea> area_;
    std::unique_ptr<TabfTrayIcon> tray_;
    QStringList events_;

    TabfTrayIcon& Tray() { return *tray_; }
    void Log(TabfTrayIcon::TNotifyEvent& event, const QString& name)
    {
        event = [this, name](QObject*) { events_ << name; };
    }

private Q_SLOTS:
    // The main window's stored values on a fresh form and tray.
    void init()
    {
        form_ = std::make_unique<QWidget>();
        area_ = std::make_unique<FakeNotificationArea>();
        tray_ = std::make_unique<TabfTrayIcon>(form_.get(), *area_);
        Application::instance()->setMainForm(form_.get());
        events_.clear();
        Log(Tray().OnShow, QStringLiteral("show"));
        Log(Tray().OnHide, QStringLiteral("hide"));
        Log(Tray().OnClick, QStringLiteral("click"));
        Log(Tray().OnDblClick, QStringLiteral("dblclick"));
        Tray().OnMinimize = [this](QObject*) {
            events_ << (form_->isVisible() ? QStringLiteral("minimize, shown")
                                           : QStringLiteral("minimize, hidden"));
        };
        Tray().SetHint(QStringLiteral("Wavedock - internet radio manager for Winamp (R)"));
        QPixmap picture(48, 48);
        picture.fill(Qt::blue);
        Tray().SetIcon(QIcon(picture));
        Tray().SetMinimizeToTray(true);
        Tray().SetVisible(true);
        Tray().Loaded();
        form_->show();
    }
    void cleanup()
    {
        tray_.reset();
        area_.reset();
        form_.reset();
    }

    // The tip is the hint cut to 63 characters (never inside a character),
    // empty without ShowHint; the icon flag joins the flags word while the
    // icon is shown; loading adds again.
    void recordFollowsProperties()
    {
        const auto* added = area_->Last(FakeNotificationArea::Added);
        QVERIFY(added);
        QCOMPARE(added->tip, QStringLiteral("Wavedock - internet radio manager for Winamp (R)"));
        QCOMPARE(added->flags, 7u);
        QCOMPARE(added->callbackMessage, 0x04D3u);
        QCOMPARE(events_, QStringList({"show", "show"}));
        QVERIFY(area_->Shows(tray_.get()));

        Tray().SetHint(QString(70, QLatin1Char('x')));
        QCOMPARE(Tray().Hint(), QString(63, QLatin1Char('x')));
        QCOMPARE(area_->Last(FakeNotificationArea::Modified)->tip, QString(63, QLatin1Char('x')));
        // A character the 63rd place would cut in half goes whole.
        const QString note = QStringLiteral("\U0001F3B5");
        Tray().SetHint(QString(62, QLatin1Char('y')) + note);
        QCOMPARE(Tray().Hint(), QString(62, QLatin1Char('y')));
        Tray().SetShowHint(false);
        QCOMPARE(area_->Last(FakeNotificationArea::Modified)->tip, QString());

        Tray().SetVisible(false);
        QCOMPARE(Tray().Flags(), 5u);
        QVERIFY(!area_->Shows(tray_.get()));
        // Changing the id while shown moves the icon to the new id.
        Tray().SetVisible(true);
        Tray().SetIconID(5);
        QVERIFY(!area_->Shows(tray_.get(), 0));
        QVERIFY(area_->Shows(tray_.get(), 5));
    }

    // Minimising hides the window and keeps the icon; double-clicks toggle,
    // and the window comes back restored.
    void minimiseAndDoubleClickToggle()
    {
        events_.clear();
        form_->showMinimized();
        QTRY_VERIFY(!form_->isVisible());
        QVERIFY(area_->Shows(tray_.get()));
        QCOMPARE(events_, QStringList({"minimize, hidden"}));

        area_->DoubleClick(tray_.get());
        QVERIFY(form_->isVisible());
        QVERIFY(!form_->isMinimized());
        area_->DoubleClick(tray_.get());
        QVERIFY(!form_->isVisible());
        QCOMPARE(events_,
                 QStringList({"minimize, hidden", "click", "dblclick", "click", "dblclick"}));
    }

    // Where no notification area exists, minimising leaves the window reachable.
    void noAreaKeepsTheWindow()
    {
        area_->available = false;
        Tray().OnMinimize = [this](QObject*) { events_ << QStringLiteral("minimize"); };
        events_.clear();
        form_->showMinimized();
        QTRY_COMPARE(events_, QStringList({"minimize"}));
        QVERIFY(form_->isVisible());
        QVERIFY(Tray().Visible());
    }

    // A restarted area gets the icon again, and a hidden program shows.
    void restartedAreaGetsTheIconAgain()
    {
        area_->DoubleClick(tray_.get());
        QVERIFY(!form_->isVisible());
        area_->Restart();
        QVERIFY(area_->Shows(tray_.get()));
        QVERIFY(form_->isVisible());
    }

    // With Enabled off the icon stays but the mouse does nothing.
    void disabledIconIgnoresTheMouse()
    {
        Tray().SetEnabled(false);
        events_.clear();
        area_->DoubleClick(tray_.get());
        QVERIFY(form_->isVisible());
        QVERIFY(events_.isEmpty());
        QVERIFY(area_->Shows(tray_.get()));
    }

    // A popup menu's default item takes the double-click instead of the toggle.
    void defaultMenuItemTakesTheDoubleClick()
    {
        TPopupMenu menu;
        QAction* open = menu.addAction(QStringLiteral("Open"));
        menu.setDefaultAction(open);
        int triggered = 0;
        connect(open, &QAction::triggered, this, [&] { ++triggered; });
        Tray().SetPopupMenu(&menu);
        area_->DoubleClick(tray_.get());
        QCOMPARE(triggered, 1);
        QVERIFY(form_->isVisible());
    }

    // Destruction takes the icon out and shows no window; the hook goes too.
    void destructionOnlyRemovesTheIcon()
    {
        ApplicationWindowHooks& hooks = Application::instance()->windowHooks();
        const int hooked = hooks.Count();
        area_->DoubleClick(tray_.get());
        events_.clear();
        tray_.reset();
        QVERIFY(area_->icons.isEmpty());
        QVERIFY(!form_->isVisible());
        QCOMPARE(events_, QStringList({"hide"}));
        QCOMPARE(hooks.Count(), hooked - 1);
    }

    // A failing add or delete carries the component's name.
    void failuresNameTheComponent()
    {
        Tray().SetVisible(false);
        area_->failAdds = true;
        try {
            Tray().SetVisible(true);
            QFAIL("no error");
        } catch (const EabfTrayIcon& error) {
            QCOMPARE(error.message(), QStringLiteral("tray.InsertToTray failed"));
        }
    }

    // Cycling walks the image list and wraps; the timer runs only with a
    // handler, a non-zero interval and the flag on.
    void cyclingWrapsAndTimerRule()
    {
        TImageList images;
        for (int i = 0; i < 3; ++i)
            images.Add(QIcon());
        Tray().SetImageList(&images);
        QList<int> seen;
        Tray().OnCycleIcons = [&](QObject*) { seen << Tray().ImageIndex(); };
        QVERIFY(!Tray().IsTimerRunning());
        Tray().SetCycleInterval(5);
        Tray().SetCycleIcons(true);
        QVERIFY(Tray().IsTimerRunning());
        QTRY_VERIFY(seen.size() >= 4);
        QCOMPARE(seen.mid(0, 4), QList<int>({1, 2, 0, 1}));
        Tray().SetCycleInterval(0);
        QVERIFY(!Tray().IsTimerRunning());

        TabfCustomTimer bare;
        QVERIFY(!bare.IsTimerRunning());
        bare.SetOnTimer([](QObject*) {});
        QVERIFY(bare.IsTimerRunning());
    }
};

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TrayIconTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tray_icon_test.moc"
