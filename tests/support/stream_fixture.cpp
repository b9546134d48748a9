#include "stream_fixture.h"

#include "audacious_fixture.h"
#include "end_process.h"
#include "event_loop_wait.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <unistd.h>

namespace {

const QString kMount = QStringLiteral("/wavedock.mp3");
const QByteArray kPassword = "wavedock-source";

bool WriteFile(const QString& path, const QByteArray& content, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

int FreePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

IcecastStreamFixture::~IcecastStreamFixture()
{
    Stop();
}

bool IcecastStreamFixture::IsInstalled()
{
    for (const char* program : {"icecast2", "ezstream", "sox", "lame"})
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return false;
    return true;
}

bool IcecastStreamFixture::Start(int timeoutMs)
{
    if (!dir_.isValid())
        return false;
    const QString root = dir_.path();
    const QByteArray mp3 = MakeToneMp3(root);
    port_ = FreePort();
    if (mp3.isEmpty() || port_ == 0 || !WriteConfigurations((root + "/tone.mp3").toUtf8())) {
        problem_ = QStringLiteral("could not prepare the stream files");
        return false;
    }

    icecast_.setProcessChannelMode(QProcess::MergedChannels);
    icecast_.start(QStringLiteral("icecast2"), {QStringLiteral("-c"), root + "/icecast.xml"});
    if (!icecast_.waitForStarted(5000)) {
        problem_ = QStringLiteral("icecast2 did not start");
        return false;
    }
    // The source may connect only once the server listens.
    const bool listening = RunLoopUntil(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port_));
            return socket.waitForConnected(200);
        },
        timeoutMs);
    if (!listening) {
        problem_ = QStringLiteral("icecast2 does not listen");
        return false;
    }

    ezstream_.setProcessChannelMode(QProcess::MergedChannels);
    ezstream_.start(QStringLiteral("ezstream"), {QStringLiteral("-c"), root + "/ezstream.xml"});
    if (!ezstream_.waitForStarted(5000)) {
        problem_ = QStringLiteral("ezstream did not start");
        return false;
    }
    // On a busy machine the source's first connection may be refused although
    // the server answered above; ezstream then ends, and is started again.
    const auto mountUp = [this, root] {
        if (ezstream_.state() == QProcess::NotRunning)
            ezstream_.start(QStringLiteral("ezstream"),
                            {QStringLiteral("-c"), root + "/ezstream.xml"});
        return MountAnswers();
    };
    if (!RunLoopUntil(mountUp, timeoutMs)) {
        problem_ = QStringLiteral("the mount never came up");
        return false;
    }
    return true;
}

bool IcecastStreamFixture::WriteConfigurations(const QByteArray& mp3Path)
{
    const QString root = dir_.path();
    const QByteArray logs = (root + "/log").toUtf8();
    QDir(root).mkpath(QStringLiteral("log"));
    // Icecast will not run as root; it drops to nobody, who must reach its logs.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ExeGroup | QFile::ExeOther);
        QFile::setPermissions(root + "/log", QFile::Permissions(0x7777));
    }
    const QByteArray changeOwner =
        asRoot ? "<changeowner><user>nobody</user><group>nogroup</group></changeowner>" : "";
    const QByteArray port = QByteArray::number(port_);
    const QByteArray icecast =
        "<icecast><location>loopback</location><admin>none@localhost</admin>"
        "<limits><clients>20</clients><sources>2</sources><queue-size>524288</queue-size>"
        "<client-timeout>30</client-timeout><header-timeout>15</header-timeout>"
        "<source-timeout>10</source-timeout><burst-size>65536</burst-size></limits>"
        "<authentication><source-password>" +
        kPassword + "</source-password><admin-user>admin</admin-user><admin-password>" + kPassword +
        "</admin-password></authentication>"
        "<hostname>127.0.0.1</hostname>"
        "<listen-socket><port>" +
        port +
        "</port><bind-address>127.0.0.1</bind-address></listen-socket>"
        "<fileserve>1</fileserve>"
        "<paths><basedir>/usr/share/icecast2</basedir><logdir>" +
        logs +
        "</logdir><webroot>/usr/share/icecast2/web</webroot>"
        "<adminroot>/usr/share/icecast2/admin</adminroot></paths>"
        "<logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
        "<loglevel>3</loglevel></logging>"
        "<security><chroot>0</chroot>" +
        changeOwner + "</security></icecast>\n";
    const QByteArray ezstream =
        "<ezstream><servers><server><protocol>HTTP</protocol><hostname>127.0.0.1</hostname>"
        "<port>" +
        port + "</port><password>" + kPassword +
        "</password></server></servers>"
        "<streams><stream><mountpoint>" +
        kMount.toUtf8() +
        "</mountpoint><format>MP3</format><stream_bitrate>128</stream_bitrate>"
        "<stream_samplerate>44100</stream_samplerate><stream_channels>2</stream_channels>"
        "</stream></streams>"
        "<intakes><intake><type>playlist</type><filename>" +
        (root + "/intake.m3u").toUtf8() +
        "</filename><stream_once>No</stream_once></intake></intakes></ezstream>\n";
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    return WriteFile(root + "/icecast.xml", icecast, ownerOnly | QFile::ReadOther) &&
           WriteFile(root + "/ezstream.xml", ezstream, ownerOnly) &&
           WriteFile(root + "/intake.m3u", mp3Path + "\n", ownerOnly);
}

bool IcecastStreamFixture::MountAnswers() const
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port_));
    if (!socket.waitForConnected(500))
        return false;
    socket.write("GET " + kMount.toUtf8() + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    if (!socket.waitForReadyRead(1000))
        return false;
    return socket.readLine().contains(" 200 ");
}

void IcecastStreamFixture::Stop()
{
    // The source first, so the server sees it leave before it goes itself.
    EndProcess(ezstream_);
    EndProcess(icecast_);
}

QString IcecastStreamFixture::Url() const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(kMount);
}

QString IcecastStreamFixture::Diagnostics()
{
    QFile errorLog(dir_.path() + "/log/error.log");
    const QByteArray log = errorLog.open(QIODevice::ReadOnly) ? errorLog.readAll().right(2000) : "";
    return problem_ + QStringLiteral("\nicecast2: ") + QString::fromLocal8Bit(icecast_.readAll()) +
           QStringLiteral("\nezstream: ") + QString::fromLocal8Bit(ezstream_.readAll()) +
           QStringLiteral("\nerror.log: ") + QString::fromLocal8Bit(log);
}
