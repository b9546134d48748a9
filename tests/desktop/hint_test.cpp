#include "application.h"
#include "tabf_application_properties.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QToolTip>

namespace {

// Notes when Qt's own hint window appears and disappears, and when a control
// is asked for its hint, on one clock.
class HintWatch final : public QObject
{
public:
    explicit HintWatch(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

    void Restart()
    {
        clock.start();
        shownAt = hiddenAt = askedAt = movedAt = -1;
    }

    QWidget* tip = nullptr;
    QObject* asked = nullptr;
    QElapsedTimer clock;
    // When the mouse reached the watched control, and when Qt asked it for its hint.
    qint64 shownAt = -1, hiddenAt = -1, askedAt = -1, movedAt = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool isTip = watched->inherits("QTipLabel");
        if (isTip && event->type() == QEvent::Show) {
            tip = static_cast<QWidget*>(watched);
            shownAt = clock.elapsed();
        } else if (isTip && event->type() == QEvent::Hide) {
            hiddenAt = clock.elapsed();
        } else if (watched == asked && event->type() == QEvent::MouseMove && movedAt < 0) {
            movedAt = clock.elapsed();
        } else if (watched == asked && event->type() == QEvent::ToolTip && askedAt < 0) {
            askedAt = clock.elapsed();
        }
        return false;
    }
};

} // namespace

class HintTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // With the main window's settings, a hint shows 250 ms after the mouse rests,
    // in light blue, moves on to the next control after 50 ms while showing,
    // and goes 9 s later.
    void hintsFollowTheSettings()
    {
        TabfApplicationProperties props;
        props.setHintColor(15784068);
        props.setHintHidePause(9000);
        props.setHintPause(250);
        props.Loaded();

        QWidget window;
        // Hints show only in the active window; no window manager decides that here.
        window.setAttribute(Qt::WA_AlwaysShowToolTips);
        // Labels, as on the control page: no hover repaint delays the timers.
        auto* first = new QLabel(QStringLiteral("44100"), &window);
        auto* second = new QLabel(QStringLiteral("128"), &window);
        first->setToolTip(QStringLiteral("Current sample rate (quality of music)."));
        second->setToolTip(QStringLiteral("Current bit rate (connection quality)."));
        auto* row = new QHBoxLayout(&window);
        row->addWidget(first);
        row->addWidget(second);
        // Away from the real pointer, which sits in the middle of the screen.
        window.move(20, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Delays are timed from the mouse event reaching the control. A busy
        // machine only makes them longer, so the lower bounds are the sharp ones.
        HintWatch watch(this);
        watch.Restart();
        watch.asked = first;
        QTest::mouseMove(first, first->rect().center());
        QTRY_VERIFY(watch.shownAt >= 0);
        const qint64 pause = watch.shownAt - watch.movedAt;
        // Qt's own pause would be 700 ms; a busy machine may add to ours.
        QVERIFY2(pause >= 190 && pause <= 550,
                 qPrintable(QStringLiteral("shown after %1 ms").arg(pause)));
        QCOMPARE(QToolTip::text(), first->toolTip());

        // The colour as the screen shows it, away from the text, once painted.
        QVERIFY(watch.tip);
        const auto tipColour = [&] {
            const QRect area = watch.tip->geometry();
            return window.screen()
                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .toImage()
                .pixelColor(3, 3);
        };
        QTRY_COMPARE(tipColour(), QColor(132, 216, 240));

        watch.Restart();
        watch.asked = second;
        QTest::mouseMove(second, second->rect().center());
        QTRY_COMPARE(QToolTip::text(), second->toolTip());
        // Qt's own "moving on" delay would be 20 ms, the full pause 250 ms.
        const qint64 shortPause = watch.askedAt - watch.movedAt;
        QVERIFY2(shortPause >= 45 && shortPause < 200,
                 qPrintable(QStringLiteral("moved on after %1 ms").arg(shortPause)));

        QTRY_VERIFY_WITH_TIMEOUT(watch.hiddenAt >= 0, 12000);
        const qint64 shownFor = watch.hiddenAt - watch.askedAt;
        // Qt's timers may fire 5% early or late; Qt's own default would be 10 s.
        QVERIFY2(shownFor >= 8550 && shownFor <= 9600,
                 qPrintable(QStringLiteral("shown for %1 ms").arg(shownFor)));
    }
};

int main(int argc, char** argv)
{
    Application app(argc, argv);
    HintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hint_test.moc"
