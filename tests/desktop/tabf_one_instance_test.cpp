#include "application.h"
#include "fake_named_mutexes.h"
#include "fake_top_level_windows.h"
#include "message_box_catcher.h"
#include "tabf_one_instance.h"
#include "test_main.h"

#include <QSignalSpy>
#include <QTest>

// The guard's decisions, over doubles of the named mutexes and the windows.
class TabfOneInstanceTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Other copies meet us by these exact names: title or upper-case executable
    // path, then Identifier, backslashes made slashes.
    void namesFollowTitleIdentifierAndExecutable()
    {
        FakeNamedMutexes mutexes;
        TabfOneInstance once(&mutexes, nullptr);
        once.Identifier = QStringLiteral("Radio\\One");
        QVERIFY(!once.Check());
        once.ExeNameAsIdentifier = true;
        QVERIFY(!once.Check());
        const QString exeBase = QCoreApplication::applicationFilePath().toUpper();
        QCOMPARE(mutexes.created(),
                 (QStringList{QStringLiteral("WavedockRadio/One.OneInstance.CriticalSection"),
                              QStringLiteral("WavedockRadio/One.OneInstance.Default"),
                              exeBase + QStringLiteral("Radio/One.OneInstance.CriticalSection"),
                              exeBase + QStringLiteral("Radio/One.OneInstance.Default")}));
    }

    // A guard held elsewhere means another copy is in its own check right now.
    void heldGuardCountsAsAnotherCopy()
    {
        FakeNamedMutexes mutexes;
        mutexes.OwnElsewhere(QStringLiteral("Wavedock.OneInstance.CriticalSection"));
        TabfOneInstance once(&mutexes, nullptr);
        QVERIFY(once.Check());
    }

    // The window's guard keeps what this start's early check took: another
    // copy's check holding the guard just then does not end this copy.
    void laterGuardKeepsEarlyAnswer()
    {
        FakeNamedMutexes mutexes;
        TabfOneInstance early(&mutexes, nullptr);
        early.Identifier = QStringLiteral("Early");
        QVERIFY(!early.Check());
        mutexes.OwnElsewhere(QStringLiteral("WavedockEarly.OneInstance.CriticalSection"));
        TabfOneInstance once(&mutexes, nullptr);
        once.Identifier = early.Identifier;
        QVERIFY(!once.Check());
    }

    // An OnShowMessage handler may keep the second copy: its main form shows.
    void handlerMayKeepSecondCopy()
    {
        Application::instance()->setShowMainForm(true);
        TabfOneInstance once(nullptr, nullptr);
        once.ShowMessage = true;
        QObject* sender = nullptr;
        once.OnShowMessage = [&sender](QObject* from, bool& terminate) {
            sender = from;
            terminate = false;
        };
        once.SecondCopyReaction();
        QCOMPARE(sender, &once);
        QVERIFY(Application::instance()->showMainForm());
    }

    // With ShowMessage and no handler the standard text is shown, and the main
    // form of the second copy stays hidden.
    void standardMessageNamesTheTitle()
    {
        Application::instance()->setShowMainForm(true);
        MessageBoxCatcher catcher;
        TabfOneInstance once(nullptr, nullptr);
        once.ShowMessage = true;
        once.ActivatePrevInstance = false;
        once.SecondCopyReaction();
        QCOMPARE(catcher.texts(),
                 QStringList{QStringLiteral("Application \"Wavedock\" is already running.")});
        QCOMPARE(catcher.boxes()[0].title, QStringLiteral("Wavedock"));
        QCOMPARE(catcher.boxes()[0].icon, QMessageBox::Warning);
        QVERIFY(!Application::instance()->showMainForm());
    }

    // The other copy's window is restored when iconic, brought forward
    // otherwise; our own published window is passed over.
    void activatesTheOtherWindowNotOurOwn()
    {
        const QString app = QStringLiteral("TApplication");
        const QString title = QStringLiteral("Wavedock");
        FakeTopLevelWindows windows;
        windows.own = 3;
        windows.windows = {{2, app, QStringLiteral("Other"), true},
                           {3, app, title, true},
                           {5, app, title, true},
                           {7, app, title, false}};
        TabfOneInstance once(nullptr, &windows);
        once.SecondCopyReaction();
        windows.windows.removeAt(2);
        once.SecondCopyReaction();
        QCOMPARE(windows.requests, (QStringList{QStringLiteral("OpenIcon 5"),
                                                QStringLiteral("SetForegroundWindow 7")}));
    }

    // A second copy ends before its loop turns once: no idle pass, so none of
    // the start-up work that makes folders or reads the catalogue. (Last: the
    // application stays asked to end.)
    void secondCopyNeverReachesAnIdlePass()
    {
        FakeNamedMutexes mutexes;
        mutexes.OwnElsewhere(QStringLiteral("Wavedock.OneInstance.Default"));
        TabfOneInstance once(&mutexes, nullptr);
        once.Loaded();
        QSignalSpy idle(Application::instance(), &Application::idle);
        QCOMPARE(Application::instance()->Run(), 0);
        QCOMPARE(idle.count(), 0);
    }
};

WAVEDOCK_TEST_MAIN(TabfOneInstanceTest)
#include "tabf_one_instance_test.moc"
