#pragma once

#include "notification_area.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <map>
#include <memory>
#include <optional>
#include <utility>

class QDBusServiceWatcher;
class QSystemTrayIcon;
class QTimer;

namespace platform {

// The notification area on Linux through Qt's system tray: a StatusNotifierItem
// over D-Bus where a host is registered, an XEmbed tray icon otherwise.
// StatusNotifierItem hosts only ever "activate" an item; two activations
// within the desktop's double-click interval count as a double-click. A tip
// is shown as written, whatever characters it holds (see TipAsShown).
class SystemTrayNotificationArea final : public NotificationArea
{
    Q_OBJECT
public:
    // bus is where the StatusNotifierItem hosts live (Qt's tray uses the session bus).
    explicit SystemTrayNotificationArea(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                        QObject* parent = nullptr);
    ~SystemTrayNotificationArea() override;
    Q_DISABLE_COPY_MOVE(SystemTrayNotificationArea)

    bool Add(const NotifyIconRecord& record) override;
    bool Modify(const NotifyIconRecord& record) override;
    bool Delete(const NotifyIconRecord& record) override;
    bool IsAvailable() const override;

private:
    using Key = std::pair<const QObject*, int>;
    struct Entry;

    void Apply(Entry& entry, const NotifyIconRecord& record);
    QString TipAsShown(const QString& tip) const;
    void Activated(const Key& key, int reason);
    void Deliver(const Key& key, unsigned code);

    std::map<Key, std::unique_ptr<Entry>> m_icons;
    QDBusConnection m_bus;
    QDBusServiceWatcher* m_hostWatcher;
    // Whether Qt made this process's tray icons StatusNotifierItems; known
    // from the first icon on.
    std::optional<bool> m_iconsAreItems;
};

} // namespace platform
