#include "audacious_fixture.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QStandardPaths>

namespace {

const QString mprisName = QStringLiteral("org.mpris.MediaPlayer2.audacious");

bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

AudaciousFixture::~AudaciousFixture()
{
    Stop();
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
    // No sound card here: ALSA plays into its null device.
    if (!WriteFile(root + QStringLiteral("/home/.asoundrc"), "pcm.!default { type null }\n"))
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
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(10000);
    }
    output_ = QString::fromLocal8Bit(process_.readAll());
}
