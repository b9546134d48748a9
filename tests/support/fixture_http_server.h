#pragma once

#include <QProcess>
#include <QString>
#include <QUrl>

// Runs tests/support/fixture-http-server on loopback for the life of the object.
class FixtureHttpServer final
{
public:
    explicit FixtureHttpServer(const QString& streamUrl = QString());
    ~FixtureHttpServer();
    FixtureHttpServer(const FixtureHttpServer&) = delete;
    FixtureHttpServer& operator=(const FixtureHttpServer&) = delete;

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    // http://127.0.0.1:PORT followed by `path` (which starts with "/").
    QString url(const QString& path) const;

private:
    QProcess m_process;
    quint16 m_port = 0;
};
