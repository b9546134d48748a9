#include "system_tray_notification_area.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QTimer>

namespace platform {

namespace {
const QString kHostService = QStringLiteral("org.kde.StatusNotifierWatcher");
// The watcher answers at once when it runs; a hung one delays the first
// icon by this much at most.
constexpr int kHostQuestionTimeoutMs = 1000;

// Qt's own test for whether its tray icons go on the bus, asked as it asks it.
bool HostRegistered(const QDBusConnection& bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kHostService, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kHostService << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false);
    const QDBusMessage reply = bus.call(get, QDBus::Block, kHostQuestionTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

QSystemTrayIcon::MessageIcon BalloonIcon(int infoType)
{
    switch (infoType) {
    case 1:
        return QSystemTrayIcon::Information;
    case 2:
        return QSystemTrayIcon::Warning;
    case 3:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}
} // namespace

struct SystemTrayNotificationArea::Entry
{
    // Deleted later: the icon may be removed from inside one of its own signals.
    struct Later
    {
        void operator()(QObject* object) const { object->deleteLater(); }
    };
    std::unique_ptr<QSystemTrayIcon, Later> icon;
    std::unique_ptr<QTimer, Later> balloonTimer;
    unsigned callbackMessage = 0;
    // Runs from a single activation until it is paired or too old.
    QElapsedTimer sinceActivation;
};

SystemTrayNotificationArea::SystemTrayNotificationArea(const QDBusConnection& bus, QObject* parent)
    : NotificationArea(parent), m_bus(bus),
      m_hostWatcher(new QDBusServiceWatcher(kHostService, bus,
                                            QDBusServiceWatcher::WatchForRegistration, this))
{
    // A host that starts (or restarts) knows none of the icons shown before it.
    connect(m_hostWatcher, &QDBusServiceWatcher::serviceRegistered, this,
            &NotificationArea::TaskbarCreated);
}

SystemTrayNotificationArea::~SystemTrayNotificationArea()
{
    // The loop may already be over, so nothing is left for later.
    for (auto& [key, entry] : m_icons) {
        entry->icon->hide();
        delete entry->icon.release();
        delete entry->balloonTimer.release();
    }
}

bool SystemTrayNotificationArea::Add(const NotifyIconRecord& record)
{
    const Key key(record.owner, record.id);
    if (m_icons.count(key))
        return false;
    // Qt decides once per process, as its first tray icon is made.
    if (!m_iconsAreItems)
        m_iconsAreItems = HostRegistered(m_bus);
    auto entry = std::make_unique<Entry>();
    entry->icon.reset(new QSystemTrayIcon);
    entry->balloonTimer.reset(new QTimer);
    entry->balloonTimer->setSingleShot(true);
    QSystemTrayIcon* icon = entry->icon.get();
    connect(icon, &QSystemTrayIcon::activated, this,
            [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
    connect(icon, &QSystemTrayIcon::messageClicked, this, [this, key] {
        auto found = m_icons.find(key);
        if (found != m_icons.end())
            found->second->balloonTimer->stop();
        Deliver(key, NotifyCode::BalloonClick);
    });
    connect(entry->balloonTimer.get(), &QTimer::timeout, this,
            [this, key] { Deliver(key, NotifyCode::BalloonTimeout); });
    Entry& added = *entry;
    m_icons.emplace(key, std::move(entry));
    Apply(added, record);
    return true;
}

bool SystemTrayNotificationArea::Modify(const NotifyIconRecord& record)
{
    auto found = m_icons.find(Key(record.owner, record.id));
    if (found == m_icons.end())
        return false;
    Apply(*found->second, record);
    return true;
}

bool SystemTrayNotificationArea::Delete(const NotifyIconRecord& record)
{
    auto found = m_icons.find(Key(record.owner, record.id));
    if (found == m_icons.end())
        return false;
    // Hiding takes the item off the bus at once; the object goes later.
    found->second->icon->hide();
    m_icons.erase(found);
    return true;
}

bool SystemTrayNotificationArea::IsAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayNotificationArea::Apply(Entry& entry, const NotifyIconRecord& record)
{
    QSystemTrayIcon& icon = *entry.icon;
    if (record.flags & NifMessage)
        entry.callbackMessage = record.callbackMessage;
    if (record.flags & NifIcon)
        icon.setIcon(record.icon);
    if (record.flags & NifTip)
        icon.setToolTip(TipAsShown(record.tip));
    // A tray icon without an image cannot be shown; it shows once it has one.
    if (!icon.isVisible() && !icon.icon().isNull())
        icon.show();
    if ((record.flags & NifInfo) && icon.isVisible()) {
        icon.showMessage(record.infoTitle, record.infoText, BalloonIcon(record.infoType),
                         record.infoTimeoutMs);
        Deliver(Key(record.owner, record.id), NotifyCode::BalloonShow);
        entry.balloonTimer->start(qMax(0, record.infoTimeoutMs));
    }
}

// A tip carries a station's and a stream's words, which may look like markup
// ("<b>", "&"): they must show as written. Hosts may read an item's tip as
// markup, though the protocol calls it plain text, so its markup characters
// go as entities. Qt's own XEmbed tooltip guesses rich text from the text
// itself, so there the tip goes as rich text that shows it as written.
QString SystemTrayNotificationArea::TipAsShown(const QString& tip) const
{
    if (tip.isEmpty())
        return tip;
    return m_iconsAreItems.value_or(true) ? tip.toHtmlEscaped()
                                          : Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal);
}

void SystemTrayNotificationArea::Activated(const Key& key, int reason)
{
    auto found = m_icons.find(key);
    if (found == m_icons.end())
        return;
    QElapsedTimer& since = found->second->sinceActivation;
    switch (reason) {
    case QSystemTrayIcon::Trigger: {
        const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        if (since.isValid() && since.elapsed() <= interval) {
            // The second press of a pair: what a mouse reports as a double-click.
            since.invalidate();
            Deliver(key, NotifyCode::LeftDoubleClick);
            Deliver(key, NotifyCode::LeftButtonUp);
            return;
        }
        since.start();
        Deliver(key, NotifyCode::LeftButtonDown);
        Deliver(key, NotifyCode::LeftButtonUp);
        return;
    }
    case QSystemTrayIcon::DoubleClick:
        since.invalidate();
        Deliver(key, NotifyCode::LeftDoubleClick);
        Deliver(key, NotifyCode::LeftButtonUp);
        return;
    case QSystemTrayIcon::Context:
        Deliver(key, NotifyCode::RightButtonDown);
        Deliver(key, NotifyCode::RightButtonUp);
        return;
    case QSystemTrayIcon::MiddleClick:
        Deliver(key, NotifyCode::MiddleButtonDown);
        Deliver(key, NotifyCode::MiddleButtonUp);
        return;
    default:
        return;
    }
}

void SystemTrayNotificationArea::Deliver(const Key& key, unsigned code)
{
    // The receiver may delete the icon; read what is needed first.
    auto found = m_icons.find(key);
    if (found == m_icons.end())
        return;
    if (!(found->second->callbackMessage))
        return;
    Q_EMIT Callback(key.first, key.second, found->second->callbackMessage, code);
}

} // namespace platform
