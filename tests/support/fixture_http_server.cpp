#include "fixture_http_server.h"

#include "end_process.h"

#include <QDeadlineTimer>

#ifndef FIXTURE_HTTP_SERVER
#error "FIXTURE_HTTP_SERVER must name the fixture server script"
#endif

FixtureHttpServer::FixtureHttpServer(const QString& streamUrl)
{
    QStringList arguments{QStringLiteral(FIXTURE_HTTP_SERVER), QStringLiteral("--port"),
                          QStringLiteral("0")};
    if (!streamUrl.isEmpty())
        arguments << QStringLiteral("--stream-url") << streamUrl;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("python3"), arguments);
    if (!m_process.waitForStarted(10000))
        return;
    // The server prints its port on the first line once it listens.
    const QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running &&
           !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    if (m_process.canReadLine())
        m_port = m_process.readLine().trimmed().toUShort();
}

FixtureHttpServer::~FixtureHttpServer()
{
    EndProcess(m_process);
}

QString FixtureHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}
