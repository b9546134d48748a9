#pragma once

#include "top_level_windows.h"

#include <QHash>
#include <QObject>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace platform {

// Published windows as local sockets in the user's private runtime folder, one
// per process: "window-<hash of class and title>-<pid>". The handle of a window
// is its process id. A request is one line ("ICONIC", "OPENICON <token>",
// "FOREGROUND <token>"); only ICONIC is answered ("1" or "0"), so an asking
// process never waits on a busy owner longer than one short, bounded wait.
// Sockets left by processes that are gone are skipped and removed.
class LocalSocketWindows final : public QObject, public TopLevelWindows
{
    Q_OBJECT
public:
    LocalSocketWindows(QString folder, QString activationToken, QObject* parent = nullptr);
    ~LocalSocketWindows() override;
    Q_DISABLE_COPY_MOVE(LocalSocketWindows)

    // What the desktop handed this process to activate a window with:
    // XDG_ACTIVATION_TOKEN (Wayland), else DESKTOP_STARTUP_ID (X11), else empty.
    static QString ActivationTokenFromEnvironment();

    bool Publish(const QString& className, const QString& windowName, WindowOwner& owner) override;
    void Withdraw() override;
    PublishedWindow OwnWindow() const override;

    PublishedWindow FindWindowEx(PublishedWindow after, const QString& className,
                                 const QString& windowName) override;
    bool IsWindow(PublishedWindow window) override;
    bool IsIconic(PublishedWindow window) override;
    bool OpenIcon(PublishedWindow window) override;
    bool SetForegroundWindow(PublishedWindow window) override;

private:
    QString SocketPrefix(const QString& className, const QString& windowName) const;
    bool Request(PublishedWindow window, const QByteArray& line, QByteArray* answer);
    void Serve(QLocalSocket* connection);
    void Answer(QLocalSocket* connection);

    QString m_folder;
    QString m_activationToken;
    std::unique_ptr<QLocalServer> m_server;
    WindowOwner* m_owner = nullptr;
    QHash<PublishedWindow, QString> m_foundPaths;
};

} // namespace platform
