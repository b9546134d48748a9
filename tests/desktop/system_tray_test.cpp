#include "application.h"
#include "event_loop_wait.h"
#include "fake_url_download.h"
#include "main_window_fixture.h"
#include "private_session_bus.h"
#include "recording_media_player.h"
#include "recording_shell.h"
#include "system_tray_notification_area.h"
#include "tabf_tray_icon.h"
#include "termination_signal.h"
#include "ttunely.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {
const QString kProbe = QStringLiteral("system-tray-test-probe");
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
} // namespace

// The real main window on the real notification-area layer, with a
// StatusNotifierItem host of the test's own on a private bus.
class SystemTrayTest final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<PrivateSessionBus> bus_;
    QProcess host_;
    RecordingShell shell_;
    RecordingMediaPlayer player_;
    FakeUrlDownload download_;
    std::unique_ptr<platform::SystemTrayNotificationArea> area_;
    std::unique_ptr<Ttunely> window_;

    QDBusConnection Probe() const { return QDBusConnection(kProbe); }

    bool StartHost()
    {
        host_.setProgram(QStringLiteral(FAKE_STATUS_NOTIFIER_WATCHER));
        host_.setProcessChannelMode(QProcess::ForwardedChannels);
        host_.start();
        return host_.waitForStarted(10000) && RunLoopUntil([this] {
                   return Probe().interface()->isServiceRegistered(kWatcher).value();
               });
    }
    void StopHost()
    {
        host_.terminate();
        host_.waitForFinished(10000);
    }

    // The items the host knows, asked of the host itself.
    QStringList Items() const
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            kWatcher, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << kWatcher << QStringLiteral("RegisteredStatusNotifierItems");
        const QDBusReply<QDBusVariant> reply = Probe().call(get);
        return reply.isValid() ? reply.value().variant().toStringList() : QStringList();
    }

    // Calls into our own process answer only while its loop runs: never block.
    QDBusMessage CallItem(const QString& service, const QString& interface, const QString& method,
                          const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, kItemPath, interface, method);
        call.setArguments(arguments);
        QDBusPendingCall pending = Probe().asyncCall(call);
        RunLoopUntil([&] { return pending.isFinished(); });
        return pending.reply();
    }

    // The tooltip an item shows: title and text of its ToolTip property.
    QString ItemTip(const QString& service)
    {
        const QDBusMessage reply =
            CallItem(service, QStringLiteral("org.freedesktop.DBus.Properties"),
                     QStringLiteral("Get"), {kItemInterface, QStringLiteral("ToolTip")});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return QStringLiteral("(no reply)");
        const auto tip =
            reply.arguments().at(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        QString iconName, title, text;
        tip.beginStructure();
        tip >> iconName;
        tip.beginArray();
        while (!tip.atEnd()) {
            int width = 0, height = 0;
            QByteArray pixels;
            tip.beginStructure();
            tip >> width >> height >> pixels;
            tip.endStructure();
        }
        tip.endArray();
        tip >> title >> text;
        tip.endStructure();
        return title + text;
    }

    void DoubleClickItem(const QString& service)
    {
        // Both calls go out before either is answered: well within the interval.
        QDBusMessage activate = QDBusMessage::createMethodCall(service, kItemPath, kItemInterface,
                                                               QStringLiteral("Activate"));
        activate << 0 << 0;
        QDBusPendingCall first = Probe().asyncCall(activate);
        QDBusPendingCall second = Probe().asyncCall(activate);
        RunLoopUntil([&] { return first.isFinished() && second.isFinished(); });
    }

private Q_SLOTS:
    void initTestCase()
    {
        bus_ = std::make_unique<PrivateSessionBus>();
        QVERIFY(bus_->IsRunning());
        QVERIFY(bus_->Connect(kProbe).isConnected());
        // Qt's tray and our layer use the session bus: make it the private one
        // before anything opens it.
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->Address().toUtf8());
        QVERIFY(StartHost());

        area_ = std::make_unique<platform::SystemTrayNotificationArea>();
        window_ = std::make_unique<Ttunely>(MainWindowServices{
            FixedPaths::Under(dir_.path()), MainWindowFixture::UnreachableDirectory(), shell_,
            player_, download_, *area_});
        Application::instance()->setMainForm(window_.get());
        window_->show();
    }
    void cleanupTestCase()
    {
        window_.reset();
        area_.reset();
        StopHost();
        QDBusConnection::disconnectFromBus(kProbe);
    }

    // The icon registers with the host, with the main window's tip.
    void iconRegistersWithItsTip()
    {
        QVERIFY(RunLoopUntil([this] { return Items().size() == 1; }));
        QCOMPARE(ItemTip(Items().at(0)),
                 QStringLiteral("Wavedock - internet radio manager for Winamp (R)"));
    }

    // A tip that looks like markup reaches the host as text: hosts may read
    // an item's tip as markup, so its markup characters go as entities.
    void markupInTheTipIsEscaped()
    {
        TabfTrayIcon& tray = window_->trayIcon();
        const auto restore = qScopeGuard([&tray, before = tray.Hint()] { tray.SetHint(before); });
        tray.SetHint(QStringLiteral("R&B <i>FM</i>: \"Hits\""));
        QCOMPARE(ItemTip(Items().value(0)),
                 QStringLiteral("R&amp;B &lt;i&gt;FM&lt;/i&gt;: &quot;Hits&quot;"));
    }

    // Minimising hides the window; a pair of activations brings it back restored.
    void minimiseThenActivatePairRestores()
    {
        int doubleClicks = 0;
        window_->trayIcon().OnDblClick = [&](QObject*) { ++doubleClicks; };
        window_->showMinimized();
        QTRY_VERIFY(!window_->isVisible());
        QCOMPARE(Items().size(), 1);

        DoubleClickItem(Items().at(0));
        QVERIFY(RunLoopUntil([this] { return window_->isVisible(); }));
        QVERIFY(!window_->isMinimized());
        QCOMPARE(doubleClicks, 1);
        window_->trayIcon().OnDblClick = nullptr;
    }

    // A host that restarts gets the icon again.
    void restartedHostGetsTheIconAgain()
    {
        const QString before = Items().value(0);
        StopHost();
        QVERIFY(StartHost());
        // Qt may first bring back the old item by itself; ours replaces it.
        QVERIFY(RunLoopUntil([&] { return Items().size() == 1 && Items().at(0) != before; }));
        QCOMPARE(ItemTip(Items().at(0)),
                 QStringLiteral("Wavedock - internet radio manager for Winamp (R)"));
    }

    // SIGTERM ends the program as Exit does: the icon leaves the host.
    void terminationRemovesTheIcon()
    {
        TerminationSignal termination;
        QVERIFY(termination.IsInstalled());
        connect(&termination, &TerminationSignal::Received, this, [this] { window_.reset(); });
        ::raise(SIGTERM);
        QVERIFY(RunLoopUntil([this] { return !window_; }));
        QVERIFY(RunLoopUntil([this] { return Items().isEmpty(); }));
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    Application app(argc, argv);
    SystemTrayTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "system_tray_test.moc"
