#include "local_socket_windows.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

// Every wait on another process is short: a second copy must end at once.
constexpr int kRequestMilliseconds = 100;
// A connection that sends no complete request in time is dropped.
constexpr int kServeMilliseconds = 2000;
constexpr qint64 kLongestRequest = 600;
constexpr qsizetype kLongestToken = 512;

bool ProcessIsGone(PublishedWindow pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

bool Reachable(const QString& path)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    const bool connected = socket.waitForConnected(kRequestMilliseconds);
    socket.abort();
    return connected;
}

// Tokens are short printable text; anything else is not passed on.
QString CleanToken(const QByteArray& token)
{
    if (token.size() > kLongestToken)
        return {};
    for (const char c : token)
        if (c <= ' ' || c > '~')
            return {};
    return QString::fromLatin1(token);
}

} // namespace

LocalSocketWindows::LocalSocketWindows(QString folder, QString activationToken, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)),
      m_activationToken(CleanToken(activationToken.toLatin1()))
{
}

LocalSocketWindows::~LocalSocketWindows()
{
    Withdraw();
}

QString LocalSocketWindows::ActivationTokenFromEnvironment()
{
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

QString LocalSocketWindows::SocketPrefix(const QString& className, const QString& windowName) const
{
    // Hashed, so any title fits within a socket path's short limit.
    const QByteArray key =
        QCryptographicHash::hash((className + QLatin1Char('\n') + windowName).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24);
    return QStringLiteral("window-") + QString::fromLatin1(key) + QLatin1Char('-');
}

bool LocalSocketWindows::Publish(const QString& className, const QString& windowName,
                                 WindowOwner& owner)
{
    Withdraw();
    if (m_folder.isEmpty())
        return false;
    const QString path = m_folder + QLatin1Char('/') + SocketPrefix(className, windowName) +
                         QString::number(::getpid());
    // A socket of this process id can only be left over from an earlier boot.
    QLocalServer::removeServer(path);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path))
        return false;
    connect(server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection())
            Serve(connection);
    });
    m_server = std::move(server);
    m_owner = &owner;
    return true;
}

void LocalSocketWindows::Withdraw()
{
    if (m_server)
        m_server->close(); // removes the socket file
    m_server.reset();
    m_owner = nullptr;
}

PublishedWindow LocalSocketWindows::OwnWindow() const
{
    return m_server ? PublishedWindow(::getpid()) : 0;
}

PublishedWindow LocalSocketWindows::FindWindowEx(PublishedWindow after, const QString& className,
                                                 const QString& windowName)
{
    if (m_folder.isEmpty())
        return 0;
    const QString prefix = SocketPrefix(className, windowName);
    const QDir folder(m_folder);
    QList<PublishedWindow> candidates;
    for (const QString& entry :
         folder.entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files | QDir::Hidden)) {
        bool number = false;
        const PublishedWindow pid = entry.mid(prefix.size()).toLongLong(&number);
        if (number && pid > after)
            candidates.append(pid);
    }
    std::sort(candidates.begin(), candidates.end());
    for (const PublishedWindow pid : candidates) {
        const QString path = folder.filePath(prefix + QString::number(pid));
        if (pid == OwnWindow() || Reachable(path)) {
            m_foundPaths.insert(pid, path);
            return pid;
        }
        // A socket nobody listens on is left from a process that is gone.
        if (ProcessIsGone(pid))
            QFile::remove(path);
    }
    return 0;
}

bool LocalSocketWindows::IsWindow(PublishedWindow window)
{
    const QString path = m_foundPaths.value(window);
    return !path.isEmpty() && Reachable(path);
}

bool LocalSocketWindows::IsIconic(PublishedWindow window)
{
    QByteArray answer;
    return Request(window, "ICONIC\n", &answer) && answer == "1";
}

bool LocalSocketWindows::OpenIcon(PublishedWindow window)
{
    return Request(window, "OPENICON " + m_activationToken.toLatin1() + '\n', nullptr);
}

bool LocalSocketWindows::SetForegroundWindow(PublishedWindow window)
{
    return Request(window, "FOREGROUND " + m_activationToken.toLatin1() + '\n', nullptr);
}

bool LocalSocketWindows::Request(PublishedWindow window, const QByteArray& line, QByteArray* answer)
{
    const QString path = m_foundPaths.value(window);
    if (path.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kRequestMilliseconds))
        return false;
    socket.write(line);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(kRequestMilliseconds))
            return false;
    if (answer) {
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(kRequestMilliseconds))
                return false;
        *answer = socket.readLine(16).trimmed();
    }
    socket.disconnectFromServer();
    return true;
}

void LocalSocketWindows::Serve(QLocalSocket* connection)
{
    connection->setParent(m_server.get());
    connect(connection, &QLocalSocket::readyRead, this, [this, connection] { Answer(connection); });
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    QTimer::singleShot(kServeMilliseconds, connection, [connection] {
        connection->abort();
        connection->deleteLater();
    });
    if (connection->bytesAvailable() > 0)
        Answer(connection);
}

void LocalSocketWindows::Answer(QLocalSocket* connection)
{
    if (!connection->canReadLine()) {
        if (connection->bytesAvailable() > kLongestRequest)
            connection->abort();
        return;
    }
    const QByteArray line = connection->readLine(kLongestRequest).trimmed();
    const qsizetype blank = line.indexOf(' ');
    const QByteArray command = blank < 0 ? line : line.left(blank);
    const QString token = blank < 0 ? QString() : CleanToken(line.mid(blank + 1));
    if (m_owner) {
        if (command == "ICONIC")
            connection->write(m_owner->IsIconic() ? "1\n" : "0\n");
        else if (command == "OPENICON")
            m_owner->OpenIcon(token);
        else if (command == "FOREGROUND")
            m_owner->SetForegroundWindow(token);
    }
    connection->disconnectFromServer();
}

} // namespace platform
