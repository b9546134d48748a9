#include "application.h"
#include "error.h"
#include "event_loop_wait.h"
#include "message_box_catcher.h"
#include "message_boxes.h"
#include "test_main.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <sys/resource.h>

class ApplicationTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The title starts as "Wavedock" and captions the program's own boxes.
    void titleCaptionsTheBoxes()
    {
        auto* app = Application::instance();
        QCOMPARE(app->title(), QStringLiteral("Wavedock"));
        MessageBoxCatcher catcher;
        ShowMessage(QStringLiteral("Click on an item from the list."));
        QCOMPARE(catcher.boxes().size(), 1);
        QCOMPARE(catcher.boxes()[0].title, QStringLiteral("Wavedock"));
        QCOMPARE(catcher.boxes()[0].icon, QMessageBox::NoIcon);
        QCOMPARE(catcher.boxes()[0].text, QStringLiteral("Click on an item from the list."));
    }

    // The error box adds a final period only when the text has none.
    void errorBoxAddsFinalPeriod()
    {
        QCOMPARE(WithFinalPeriod(QStringLiteral("Unable to write to /x")),
                 QStringLiteral("Unable to write to /x."));
        QCOMPARE(WithFinalPeriod(QStringLiteral("Done.")), QStringLiteral("Done."));
        QCOMPARE(WithFinalPeriod(QString()), QStringLiteral("."));
        MessageBoxCatcher catcher;
        ShowError(QStringLiteral("Broken"));
        QCOMPARE(catcher.boxes().size(), 1);
        QCOMPARE(catcher.boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(catcher.boxes()[0].text, QStringLiteral("Broken."));
    }

    // An exception escaping a click handler is shown and the program carries on.
    void exceptionInHandlerIsShownAndLoopSurvives()
    {
        MessageBoxCatcher catcher;
        QPushButton button;
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&] {
            ++clicks;
            throw Error(QStringLiteral("Unable to write to /nowhere/wavedock.lst"));
        });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 2);
        QCOMPARE(catcher.texts(), QStringList(2, QStringLiteral("Unable to write to "
                                                                "/nowhere/wavedock.lst.")));
    }

    // An exception from an idle handler is shown too, and idle keeps coming.
    void exceptionInIdleHandlerIsShown()
    {
        MessageBoxCatcher catcher;
        int passes = 0;
        auto connection = QObject::connect(Application::instance(), &Application::idle, [&] {
            if (++passes == 1)
                throw std::runtime_error("idle failed");
        });
        QVERIFY(RunLoopUntil([&] { return passes >= 2; }));
        QObject::disconnect(connection);
        QCOMPARE(catcher.texts().value(0), QStringLiteral("idle failed."));
    }

    // Idle fires once per wake-up, not continuously: a program that sits still
    // runs no idle passes and uses no CPU.
    void idleFiresOncePerWakeAndNotWhileStill()
    {
        int passes = 0;
        auto connection =
            QObject::connect(Application::instance(), &Application::idle, [&] { ++passes; });
        QVERIFY(RunLoopUntil([&] { return passes >= 1; }));

        // Sit still for half a second: only this timer wakes the loop on purpose, but a busy
        // machine or the display may wake it more often. The property is per wake-up: every
        // tick gives a pass, and no wake-up gives more than one.
        passes = 0;
        int wakes = 0;
        auto wakeCount = QObject::connect(QAbstractEventDispatcher::instance(),
                                          &QAbstractEventDispatcher::awake, [&] { ++wakes; });
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        QTimer still;
        int ticks = 0;
        QObject::connect(&still, &QTimer::timeout, [&] { ++ticks; });
        still.start(100);
        QEventLoop loop;
        QObject::connect(&still, &QTimer::timeout, &loop, [&] {
            if (ticks >= 5)
                loop.quit();
        });
        loop.exec();
        still.stop();
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        QObject::disconnect(connection);
        QObject::disconnect(wakeCount);

        QVERIFY2(passes >= ticks - 1 && passes <= wakes + 1,
                 qPrintable(QStringLiteral("%1 idle passes for %2 ticks and %3 wake-ups")
                                .arg(passes)
                                .arg(ticks)
                                .arg(wakes)));
        const auto cpuMicros = [](const rusage& r) {
            return qint64(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000000 + r.ru_utime.tv_usec +
                   r.ru_stime.tv_usec;
        };
        QVERIFY2(cpuMicros(after) - cpuMicros(before) < 100000,
                 "half a second of sitting still cost more than 100 ms of CPU");
    }

    // Terminate ends the message loop once the handler that asked has finished.
    void terminateEndsTheLoopAfterTheHandler()
    {
        auto* app = Application::instance();
        bool handlerFinished = false;
        QTimer::singleShot(0, [&] {
            app->Terminate();
            handlerFinished = true;
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, app, [app] { app->exit(2); });
        safety.start(5000);
        QCOMPARE(app->exec(), 0);
        QVERIFY(handlerFinished);
    }
};

WAVEDOCK_TEST_MAIN(ApplicationTest)

#include "application_test.moc"
