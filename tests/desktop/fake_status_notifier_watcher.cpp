// A StatusNotifierItem host for tests: owns org.kde.StatusNotifierWatcher on
// the session bus named by DBUS_SESSION_BUS_ADDRESS, says a host is
// registered, and lists the items that register until their service goes.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QStringList>

class FakeStatusNotifierWatcher final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

public:
    explicit FakeStatusNotifierWatcher(const QDBusConnection& bus)
        : m_gone(QString(), bus, QDBusServiceWatcher::WatchForUnregistration)
    {
        connect(&m_gone, &QDBusServiceWatcher::serviceUnregistered, this,
                [this](const QString& service) {
                    m_items.removeAll(service);
                    m_gone.removeWatchedService(service);
                    Q_EMIT StatusNotifierItemUnregistered(service);
                });
    }

    QStringList Items() const { return m_items; }
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& serviceOrPath, const QDBusMessage& message)
    {
        // An item names its service, or only its path on the caller's connection.
        const QString service =
            serviceOrPath.startsWith(QLatin1Char('/')) ? message.service() : serviceOrPath;
        if (m_items.contains(service))
            return;
        // Watch first, then check: an item whose name is already gone is dropped.
        m_gone.addWatchedService(service);
        if (!m_gone.connection().interface()->isServiceRegistered(service).value()) {
            m_gone.removeWatchedService(service);
            return;
        }
        m_items << service;
        Q_EMIT StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
    QDBusServiceWatcher m_gone;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    FakeStatusNotifierWatcher watcher(bus);
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return 1;
    return app.exec();
}

#include "fake_status_notifier_watcher.moc"
