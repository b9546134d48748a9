#include "main_window_fixture.h"
#include "message_box_catcher.h"
#include "tabbed_notebook.h"
#include "test_main.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <cmath>

namespace {

using Call = RecordingMediaPlayer::Call;
using Verb = RecordingMediaPlayer::Verb;
constexpr platform::PlayerHandle kPlayer = 7;

// What the transport buttons sent, without the readings the timer asks for.
QList<Call> Commands(const RecordingMediaPlayer& player)
{
    QList<Call> commands;
    for (const Call& call : player.Calls()) {
        if (call.verb != Verb::Figures && call.verb != Verb::Status)
            commands << call;
    }
    return commands;
}

void Press(int key)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
}

double Luminance(QRgb pixel)
{
    const auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) +
           0.0722 * channel(qBlue(pixel));
}

// Pixels whose focused look differs from the resting look by at least 3 : 1.
int StrongChanges(const QImage& rest, const QImage& focused)
{
    int strong = 0;
    for (int y = 0; y < rest.height(); ++y) {
        for (int x = 0; x < rest.width(); ++x) {
            const double a = Luminance(rest.pixel(x, y)) + 0.05;
            const double b = Luminance(focused.pixel(x, y)) + 0.05;
            strong += std::max(a, b) / std::min(a, b) >= 3.0;
        }
    }
    return strong;
}

} // namespace

class KeyboardTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<MainWindowFixture>();
        m_fixture->WriteCatalogue({{QStringLiteral("Jazz"), QStringLiteral("Smooth")},
                                   {QStringLiteral("Rock"), QStringLiteral("Loud")}});
        m_fixture->player.SetPlayer(kPlayer);
        QVERIFY(m_fixture->ShowAndRunFirstIdlePass());
        m_fixture->window().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_fixture->window()));
    }
    void cleanup() { m_fixture.reset(); }

    // Tab goes from the volume bar through the four transport buttons, and
    // Return presses each; the keyboard's focus shows as a frame that differs
    // from the resting look by 3 : 1 or more, and leaves no trace behind.
    void transportButtonsByKeys()
    {
        MainWindowFixture& f = *m_fixture;
        Ui::ControlPage& ui = f.controlForm();
        const QList<QPair<QToolButton*, QList<Call>>> buttons{
            {ui.SpeedButton1, {{kPlayer, Verb::Play}}},
            {ui.SpeedButton2, {{kPlayer, Verb::Pause}}},
            {ui.SpeedButton3, {{kPlayer, Verb::Stop}}},
            {ui.SpeedButton4, {{kPlayer, Verb::Stop}}},
        };
        ui.glosnosc->setFocus(Qt::TabFocusReason);
        for (const auto& [button, expected] : buttons) {
            const QImage rest = button->grab().toImage();
            Press(Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), button);
            const QImage focused = button->grab().toImage();
            const int edge = 2 * (button->width() + button->height());
            QVERIFY2(StrongChanges(rest, focused) >= edge,
                     qPrintable(button->objectName() + " shows no clear focus frame"));
            f.player.Clear();
            Press(Qt::Key_Return);
            QCOMPARE(Commands(f.player), expected);
            if (button != ui.SpeedButton4) {
                Press(Qt::Key_Tab);
                QCOMPARE(button->grab().toImage(), rest);
                button->setFocus(Qt::TabFocusReason);
            }
        }
        // Eject shows the installed radios.
        QCOMPARE(f.form().silnik->ActivePage(), QStringLiteral("Installed radios"));
    }

    void tabsShowTheKeyboardFocus_data()
    {
        QTest::addColumn<bool>("byArrow");
        QTest::newRow("Tab from the window's last button") << false;
        QTest::newRow("an arrow after a click on a tab") << true;
    }

    // The current tab shows the keyboard's focus, reached by Tab or moved by
    // an arrow, as clearly as a button does (3 : 1 or more); a click shows none.
    void tabsShowTheKeyboardFocus()
    {
        QFETCH(bool, byArrow);
        QTabBar* tabs = m_fixture->form().silnik->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        const QRect tab = tabs->tabRect(1);
        const QImage rest = tabs->grab(tab).toImage();
        if (byArrow) {
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
            Press(Qt::Key_Left);
        } else {
            m_fixture->form().Button13->setFocus();
            Press(Qt::Key_Tab); // round from the last button to the tab row
        }
        QCOMPARE(QApplication::focusWidget(), tabs);
        QCOMPARE(tabs->currentIndex(), 1);
        QVERIFY2(StrongChanges(rest, tabs->grab(tab).toImage()) >= 2 * (tab.width() + tab.height()),
                 "the focused tab shows no clear focus frame");
    }

    // From the tab row to a listed station and "Listen to selected radio",
    // with keys only: the station's playlist opens and the control page shows.
    void listenByKeys()
    {
        MainWindowFixture& f = *m_fixture;
        MessageBoxCatcher boxes;
        f.form().silnik->tabBar()->setFocus(Qt::TabFocusReason);
        Press(Qt::Key_Left); // from "Winamp control" to "Installed radios"
        QCOMPARE(f.form().silnik->ActivePage(), QStringLiteral("Installed radios"));
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.radiosForm().list);
        Press(Qt::Key_Down); // the focus sits on the first line: Down selects the second
        QCOMPARE(f.radiosForm().list->currentRow(), 1);
        Press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.radiosForm().wybraneradiobtn);
        Press(Qt::Key_Return);
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(f.shell.files(), QStringList{f.paths.PlaylistFile(1)});
        QCOMPARE(f.form().silnik->ActivePage(), QStringLiteral("Winamp control"));
        QCOMPARE(f.controlForm().aktnazwa->text(), QStringLiteral("Rock"));
    }

private:
    std::unique_ptr<MainWindowFixture> m_fixture;
};

WAVEDOCK_TEST_MAIN(KeyboardTest)

#include "keyboard_test.moc"
