#include "engine_module.h"
#include "event_loop_wait.h"
#include "fake_web_browser.h"
#include "fixture_http_server.h"
#include "main_window_fixture.h"
#include "test_main.h"
#include "tnoweradio.h"
#include "tnowyopis.h"
#include "tnowyurl.h"
#include "twebbrowser.h"
#include "ui_noweradio.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QTest>

namespace {

constexpr platform::PlayerHandle kPlayer = 7;

bool HasLetter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// Every focusable, shown control under the interface whose name a screen
// reader could not use: empty, glyphs only ("|>"), or the caption of the
// group box it sits in.
void CollectUnnamed(QAccessibleInterface* node, const QStringList& groupCaptions,
                    QStringList& unnamed, int depth = 0)
{
    if (!node || depth > 30)
        return;
    const QAccessible::State state = node->state();
    if (state.focusable && !state.invisible) {
        const QString name = node->text(QAccessible::Name).trimmed();
        if (!HasLetter(name) || groupCaptions.contains(name)) {
            const QString who = node->object() ? node->object()->objectName() : QString();
            unnamed << QStringLiteral("%1 \"%2\"").arg(who, name);
        }
    }
    for (int i = 0; i < node->childCount(); ++i)
        CollectUnnamed(node->child(i), groupCaptions, unnamed, depth + 1);
}

QStringList Unnamed(QWidget* window)
{
    QStringList captions;
    const auto boxes = window->findChildren<QGroupBox*>();
    for (const QGroupBox* box : boxes)
        captions << box->title().trimmed();
    QStringList unnamed;
    CollectUnnamed(QAccessible::queryAccessibleInterface(window), captions, unnamed);
    return unnamed;
}

// The web page's nodes come from Qt WebEngine, which is built without RTTI, so
// the sanitizer's vptr check cannot tell them from broken objects.
__attribute__((no_sanitize("vptr"))) bool TreeSays(QAccessibleInterface* node, const QString& words,
                                                   int depth = 0)
{
    if (!node || depth > 40)
        return false;
    for (const QAccessible::Text kind : {QAccessible::Name, QAccessible::Value}) {
        if (node->text(kind).contains(words))
            return true;
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (TreeSays(node->child(i), words, depth + 1))
            return true;
    }
    return false;
}

// The desktop's accessibility bus, as a session with a screen reader has it:
// Qt turns its bridge on when the bus appears. Ends with the object.
class AccessibilityBus final
{
public:
    AccessibilityBus()
    {
        m_launcher.start(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
                         {QStringLiteral("--launch-immediately")});
    }
    ~AccessibilityBus()
    {
        m_launcher.terminate();
        if (!m_launcher.waitForFinished(3000))
            m_launcher.kill();
        m_launcher.waitForFinished(1000);
    }
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

private:
    QProcess m_launcher;
};

QString SpokenName(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

} // namespace

class AccessibilityTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The program's own settings for the engine (pages reach screen readers
    // only when it is told so), before the first page starts it.
    void initTestCase() { SetBrowserEngineSettings(); }

    // Each page of the main window and each dialog: every control a user can
    // reach is announced by a name of its own.
    void everyFocusableControlHasAName()
    {
        MainWindowFixture f;
        QVERIFY(f.ShowAndRunFirstIdlePass());
        for (const QString& page :
             {f.window().browserPage().windowTitle(), QStringLiteral("Installed radios"),
              QStringLiteral("Winamp control")}) {
            f.window().SelectPage(page);
            const QStringList unnamed = Unnamed(&f.window());
            QVERIFY2(unnamed.isEmpty(), qPrintable(page + ": " + unnamed.join(", ")));
        }
        QCOMPARE(SpokenName(f.controlForm().SpeedButton1), QStringLiteral("Play"));
        QCOMPARE(SpokenName(f.controlForm().aktnazwa), QStringLiteral("Name of the station:"));

        Tnoweradio newRadio(&f.window(), Tnoweradio::Context{f.window().catalogue(), f.shell,
                                                             f.paths.temporaryPlaylist});
        Tnowyopis newDescription(&f.window(), f.window().catalogue(), 0);
        FakeWebBrowser browser;
        Tnowyurl newUrl(&f.window(), browser);
        for (QDialog* dialog :
             std::initializer_list<QDialog*>{&newRadio, &newDescription, &newUrl}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            const QStringList unnamed = Unnamed(dialog);
            QVERIFY2(unnamed.isEmpty(),
                     qPrintable(dialog->windowTitle() + ": " + unnamed.join(", ")));
            dialog->hide();
        }
        QCOMPARE(SpokenName(newRadio.form().nazwaradia), QStringLiteral("Name:"));
    }

    // The readings say their caption, value and, in words, their colour.
    void readingsSayTheirColourInWords()
    {
        MainWindowFixture f;
        Ui::ControlPage& ui = f.controlForm();
        QCOMPARE(SpokenName(ui.brate), QStringLiteral("Bit rate: unknown"));
        f.player.SetPlayer(kPlayer);
        f.player.SetFigures({128000, 22050, 0});
        f.window().controlPage().Timer1Timer();
        QCOMPARE(SpokenName(ui.brate), QStringLiteral("Bit rate: 128 kbit/s, good"));
        QCOMPARE(SpokenName(ui.srate), QStringLiteral("Sample rate: 22 kHz, fair"));
        QCOMPARE(SpokenName(ui.channels), QStringLiteral("Channels: 0, poor"));
    }

    // With an assistive technology listening, the directory's page reaches it
    // as text, though the engine keeps its pages hidden from screen readers
    // on Linux unless told otherwise.
    void directoryPageReachesScreenReaders()
    {
        AccessibilityBus bus;
        QVERIFY2(RunLoopUntil([] { return QAccessible::isActive(); }, 10000),
                 "the session's accessibility bridge is not on");
        FixtureHttpServer server;
        QVERIFY(server.isRunning());
        DirectorySite site;
        site.host = QStringLiteral("127.0.0.1:%1").arg(server.port());
        site.homePage = server.url(QStringLiteral("/"));
        site.listingPage = server.url(QStringLiteral("/directory"));
        MainWindowFixture f(site);
        QVERIFY(f.ShowAndRunFirstIdlePass());
        f.window().SelectPage(site.PageCaption());
        QAccessibleInterface* browser =
            QAccessible::queryAccessibleInterface(f.browserForm().browser);
        QVERIFY(RunLoopUntil([&] { return TreeSays(browser, QStringLiteral("Top 20")); }, 20000));
    }
};

WAVEDOCK_TEST_MAIN(AccessibilityTest)

#include "accessibility_test.moc"
