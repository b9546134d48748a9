#include "application.h"
#include "tabf_application_properties.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QPushButton>
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
        shownAt = hiddenAt = askedAt = -1;
    }

    QWidget* tip = nullptr;
    QObject* asked = nullptr;
    QElapsedTimer clock;
    qint64 shownAt = -1, hiddenAt = -1, askedAt = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool isTip = watched->inherits("QTipLabel");
        if (isTip && event->type() == QEvent::Show) {
            tip = static_cast<QWidget*>(watched);
            shownAt = clock.elapsed();
        } else if (isTip && event->type() == QEvent::Hide) {
            hiddenAt = clock.elapsed();
        } else if (event->type() == QEvent::ToolTip && watched == asked && askedAt < 0) {
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
        auto* first = new QPushButton(QStringLiteral("Refresh"), &window);
        auto* second = new QPushButton(QStringLiteral("GoBack"), &window);
        first->setToolTip(QStringLiteral("Refreshes the current page."));
        second->setToolTip(QStringLiteral("Goes one page backward."));
        auto* row = new QHBoxLayout(&window);
        row->addWidget(first);
        row->addWidget(second);
        // Away from the real pointer, which sits in the middle of the screen.
        window.move(20, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        HintWatch watch(this);
        watch.Restart();
        QTest::mouseMove(first, first->rect().center());
        QTRY_VERIFY(watch.shownAt >= 0);
        QVERIFY2(watch.shownAt >= 190 && watch.shownAt <= 310,
                 qPrintable(QStringLiteral("shown after %1 ms").arg(watch.shownAt)));
        QCOMPARE(QToolTip::text(), first->toolTip());

        // The colour as the screen shows it, away from the text.
        QTRY_VERIFY(watch.tip && watch.tip->isVisible());
        const QRect area = watch.tip->geometry();
        const QImage shot = window.screen()
                                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                .toImage();
        QCOMPARE(shot.pixelColor(3, 3), QColor(132, 216, 240));

        watch.Restart();
        watch.asked = second;
        QTest::mouseMove(second, second->rect().center());
        QTRY_COMPARE(QToolTip::text(), second->toolTip());
        QVERIFY2(watch.askedAt >= 40 && watch.askedAt <= 110,
                 qPrintable(QStringLiteral("moved on after %1 ms").arg(watch.askedAt)));

        QTRY_VERIFY_WITH_TIMEOUT(watch.hiddenAt >= 0, 12000);
        const qint64 shownFor = watch.hiddenAt - watch.askedAt;
        QVERIFY2(shownFor >= 8500 && shownFor <= 9600,
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
