#include "application.h"
#include "event_loop_wait.h"
#include "tabf_app_prop_list.h"
#include "tabf_application_properties.h"

#include <QAbstractEventDispatcher>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <memory>

namespace {

// Raises the screen's active-form change the way a window activation does.
void RaiseActiveFormChange()
{
    Application* app = Application::instance();
    if (const NotifyEvent handler = app->screenEvents().OnActiveFormChange)
        handler(app->screen());
}

} // namespace

class ApplicationPropertiesTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Events reach the newer of two components first, through the list and then
    // through the multicaster; idle comes from the application with Done true.
    void newestComponentFirst()
    {
        TabfApplicationProperties older;
        TabfApplicationProperties newer;
        QStringList calls;
        older.OnActiveFormChange = [&](QObject*) { calls << "older form"; };
        newer.OnActiveFormChange = [&](QObject*) { calls << "newer form"; };
        RaiseActiveFormChange();
        QCOMPARE(calls, QStringList({"newer form", "older form"}));

        calls.clear();
        bool doneWasTrue = true;
        older.OnIdle = [&](QObject* sender, bool& done) {
            doneWasTrue = doneWasTrue && done && sender == Application::instance();
            calls << "older idle";
        };
        newer.OnIdle = [&](QObject*, bool& done) {
            doneWasTrue = doneWasTrue && done;
            calls << "newer idle";
        };
        QVERIFY(RunLoopUntil([&] { return calls.size() >= 2; }));
        QCOMPARE(calls.mid(0, 2), QStringList({"newer idle", "older idle"}));
        QVERIFY(doneWasTrue);
    }

    // A component that is not chained ends the walk: older components and the
    // multicaster (so every OnIdle) are never reached.
    void unchainedComponentEndsDispatch()
    {
        TabfApplicationProperties older;
        TabfApplicationProperties newer;
        newer.setChained(false);
        int olderForm = 0, newerForm = 0, idles = 0, ticks = 0;
        older.OnActiveFormChange = [&](QObject*) { ++olderForm; };
        newer.OnActiveFormChange = [&](QObject*) { ++newerForm; };
        older.OnIdle = newer.OnIdle = [&](QObject*, bool&) { ++idles; };
        RaiseActiveFormChange();
        QCOMPARE(newerForm, 1);
        QCOMPARE(olderForm, 0);

        // The application's own idle signal proves passes happened meanwhile.
        auto counter = connect(Application::instance(), &Application::idle, [&] { ++ticks; });
        QVERIFY(RunLoopUntil([&] { return ticks >= 3; }));
        disconnect(counter);
        QCOMPARE(idles, 0);
    }

    // The first component takes the handlers over, the last one gives the
    // multicaster's back, and plain application-events components keep working.
    void lastComponentRestoresHandlers()
    {
        Application* app = Application::instance();
        const auto& original = app->events().OnIdle.target_type();
        TCustomApplicationEvents plain;
        int plainIdles = 0;
        plain.OnIdle = [&](QObject*, bool&) { ++plainIdles; };
        {
            auto first = std::make_unique<TabfApplicationProperties>();
            QVERIFY(app->events().OnIdle.target_type() != original);
            auto second = std::make_unique<TabfApplicationProperties>();
            first.reset();
            QVERIFY(TabfAppPropList::Instance());
            QVERIFY(app->events().OnIdle.target_type() != original);
        }
        QVERIFY(!TabfAppPropList::Instance());
        QVERIFY(app->events().OnIdle.target_type() == original);
        QVERIFY(app->screenEvents().OnActiveFormChange == nullptr);
        QVERIFY(RunLoopUntil([&] { return plainIdles >= 1; }));
    }

    // A burst of events brings no idle pass until all of it is handled, then
    // one; never more than one pass per wake-up.
    void idleOncePerBurst()
    {
        TabfApplicationProperties props;
        int idles = 0, sinceWake = 0, mostPerWake = 0;
        props.OnIdle = [&](QObject*, bool&) {
            ++idles;
            mostPerWake = std::max(mostPerWake, ++sinceWake);
        };
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &props,
                [&] { sinceWake = 0; });

        constexpr int kBurst = 200;
        QList<int> idlesSeen;
        QObject receiver;
        for (int i = 0; i < kBurst; ++i)
            QMetaObject::invokeMethod(
                &receiver, [&] { idlesSeen << idles; }, Qt::QueuedConnection);
        QVERIFY(
            RunLoopUntil([&] { return idlesSeen.size() == kBurst && idles > idlesSeen.last(); }));
        QCOMPARE(idlesSeen, QList<int>(kBurst, idlesSeen.first()));
        QCOMPARE(mostPerWake, 1);
    }

    // A new desktop palette raises OnSettingsChanged and leaves the hint colour ours.
    void desktopPaletteChangeIsReported()
    {
        TabfApplicationProperties props;
        props.setHintColor(15784068);
        int changes = 0;
        props.OnSettingsChanged = [&](QObject* sender) {
            QCOMPARE(sender, &props);
            ++changes;
        };
        QPalette desktop = QGuiApplication::palette();
        desktop.setColor(QPalette::ToolTipBase, Qt::red);
        desktop.setColor(QPalette::Window, QColor(1, 2, 3));
        QGuiApplication::setPalette(desktop);
        QCOMPARE(changes, 1);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(132, 216, 240));
    }

    // A title equal to the current one changes nothing; another renames.
    void titleWritesThroughOnlyWhenDifferent()
    {
        Application* app = Application::instance();
        TabfApplicationProperties props;
        QSignalSpy renamed(app, &Application::titleChanged);
        props.setTitle(QStringLiteral("Wavedock"));
        QCOMPARE(renamed.count(), 0);
        props.setTitle(QStringLiteral("Other"));
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(Application::Title(), QStringLiteral("Other"));
        props.setTitle(QStringLiteral("Wavedock"));
        QCOMPARE(props.Title(), QStringLiteral("Wavedock"));
    }
};

int main(int argc, char** argv)
{
    Application app(argc, argv);
    ApplicationPropertiesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "application_properties_test.moc"
