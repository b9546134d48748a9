#include "private_session_bus.h"

#include "end_process.h"

PrivateSessionBus::PrivateSessionBus()
{
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start();
    if (!daemon_.waitForStarted(10000))
        return;
    // The daemon prints its address once it listens.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus()
{
    EndProcess(daemon_);
}

QDBusConnection PrivateSessionBus::Connect(const QString& connectionName) const
{
    return QDBusConnection::connectToBus(address_, connectionName);
}
