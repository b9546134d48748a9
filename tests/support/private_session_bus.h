#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

// A D-Bus session bus of the test's own: a dbus-daemon started here and
// stopped with this object, so the players a test puts on it meet nobody else.
class PrivateSessionBus final
{
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    Q_DISABLE_COPY_MOVE(PrivateSessionBus)

    bool IsRunning() const { return !address_.isEmpty(); }
    QString Address() const { return address_; }
    // A new connection to the bus under the given (process-unique) name.
    QDBusConnection Connect(const QString& connectionName) const;

private:
    QProcess daemon_;
    QString address_;
};
