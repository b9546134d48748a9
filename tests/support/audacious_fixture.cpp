#include "audacious_fixture.h"

#include "end_process.h"
#include "event_loop_wait.h"
#include "test_files.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

const QString mprisName = QStringLiteral("org.mpris.MediaPlayer2.audacious");

} // namespace

AudaciousFixture::~AudaciousFixture()
{
    Stop();
}

QVariant AudaciousFixture::PlayerProperty(const QDBusConnection& bus, const QString& name)
{
    return MprisPlayerProperty(bus, mprisName, name);
}

QVariant MprisPlayerProperty(const QDBusConnection& bus, const QString& player,
                             const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        player, QStringLiteral("/org/mpris/MediaPlayer2"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.mpris.MediaPlayer2.Player") << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

bool AudaciousFixture::IsInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("audacious")).isEmpty();
}

bool AudaciousFixture::Start(const QString& busAddress, const QDBusConnection& watchingBus,
                             int timeoutMs)
{
    if (!home_.isValid())
        return false;
    const QString root = home_.path();
    for (const char* folder : {"home", "config", "data", "cache", "runtime"})
        QDir(root).mkpath(QLatin1String(folder));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // No sound card here: ALSA plays into its null device. That device has no
    // mixer, so the player keeps its volume in software, where a volume set
    // stays what it was set to.
    if (!WriteFile(root + QStringLiteral("/home/.asoundrc"), "pcm.!default { type null }\n") ||
        !QDir(root).mkpath(QStringLiteral("config/audacious")) ||
        !WriteFile(root + QStringLiteral("/config/audacious/config"),
                   "[audacious]\nsoftware_volume_control=TRUE\n"))
        return false;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);

    QDBusServiceWatcher watcher(mprisName, watchingBus, QDBusServiceWatcher::WatchForRegistration);
    QSignalSpy registered(&watcher, &QDBusServiceWatcher::serviceRegistered);
    process_.start(QStringLiteral("audacious"), {QStringLiteral("-H")});
    if (!process_.waitForStarted(timeoutMs))
        return false;
    // Its MPRIS plugin comes up a little after the process.
    return watchingBus.interface()->isServiceRegistered(mprisName).value() ||
           registered.wait(timeoutMs);
}

void AudaciousFixture::Stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    EndProcess(process_, 10000);
    output_ = QString::fromLocal8Bit(process_.readAll());
}

bool AudaciousFixture::Enqueue(const QDBusConnection& bus, const QString& url)
{
    QDBusMessage add = QDBusMessage::createMethodCall(
        QStringLiteral("org.atheme.audacious"), QStringLiteral("/org/atheme/audacious"),
        QStringLiteral("org.atheme.audacious"), QStringLiteral("AddUrl"));
    add << url;
    if (bus.call(add).type() != QDBusMessage::ReplyMessage)
        return false;
    // Audacious adds in the background: a play sent before the entry is there
    // finds an empty playlist and stays stopped.
    const QDBusMessage length = QDBusMessage::createMethodCall(
        QStringLiteral("org.atheme.audacious"), QStringLiteral("/org/atheme/audacious"),
        QStringLiteral("org.atheme.audacious"), QStringLiteral("Length"));
    return RunLoopUntil(
        [&] {
            const QDBusMessage reply = bus.call(length);
            return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                   reply.arguments().constFirst().toInt() > 0;
        },
        10000);
}

QByteArray MakeToneMp3(const QString& folder)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    const QString mp3 = folder + QStringLiteral("/tone.mp3");
    if (QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                           QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                           QStringLiteral("16"), wav, QStringLiteral("synth"), QStringLiteral("5"),
                           QStringLiteral("sine"), QStringLiteral("440")}) != 0)
        return {};
    // No Xing header, so that the file can be sent again and again as a stream.
    if (QProcess::execute(QStringLiteral("lame"),
                          {QStringLiteral("--quiet"), QStringLiteral("-t"), QStringLiteral("-b"),
                           QStringLiteral("128"), QStringLiteral("--cbr"), wav, mp3}) != 0)
        return {};
    QFile file(mp3);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PacedStreamServer::PacedStreamServer(QByteArray mp3, int bytesPerSecond)
    : mp3_(std::move(mp3)), bytesPerSecond_(bytesPerSecond)
{
    connect(&server_, &QTcpServer::newConnection, this, &PacedStreamServer::Accept);
    connect(&pace_, &QTimer::timeout, this, &PacedStreamServer::Feed);
    pace_.setInterval(100);
}

bool PacedStreamServer::Listen()
{
    return !mp3_.isEmpty() && server_.listen(QHostAddress::LocalHost);
}

QString PacedStreamServer::Url() const
{
    return QStringLiteral("http://127.0.0.1:%1/stream.mp3").arg(server_.serverPort());
}

void PacedStreamServer::Accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The request itself does not matter: every path is the stream.
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
        // A couple of seconds at once fill the player's buffer, as radio
        // servers do.
        const qsizetype burst = 2 * bytesPerSecond_;
        for (qsizetype sent = 0; sent < burst; sent += mp3_.size())
            socket->write(mp3_.left(std::min(mp3_.size(), burst - sent)));
        position_ = burst % mp3_.size();
        listeners_ << socket;
    }
    pace_.start();
}

void PacedStreamServer::Feed()
{
    QByteArray chunk;
    const qsizetype wanted = bytesPerSecond_ / 10;
    while (chunk.size() < wanted) {
        const qsizetype part = std::min(wanted - chunk.size(), mp3_.size() - position_);
        chunk += mp3_.mid(position_, part);
        position_ = (position_ + part) % mp3_.size();
    }
    for (const QPointer<QTcpSocket>& socket : std::as_const(listeners_)) {
        if (socket)
            socket->write(chunk);
    }
}
