#include "fake_mpris_player.h"

#include <QAtomicInt>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QTimer>

struct FakeMprisPlayer::State
{
    mutable QMutex mutex;
    QString desktopEntry;
    QStringList uriSchemes;
    QString status = QStringLiteral("Stopped");
    double volume = 1.0;
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
    QString url;
    QStringList artists;
    QString title;
    QStringList log;
    QString connection; // to tell of changes on
    bool tellsChanges = true;

    void Record(const QString& entry)
    {
        QMutexLocker lock(&mutex);
        log << entry;
    }
    // Called with the mutex held.
    QVariantMap Metadata() const
    {
        QVariantMap metadata;
        if (!url.isEmpty())
            metadata.insert(QStringLiteral("xesam:url"), url);
        if (!artists.isEmpty())
            metadata.insert(QStringLiteral("xesam:artist"), artists);
        if (!title.isEmpty())
            metadata.insert(QStringLiteral("xesam:title"), title);
        return metadata;
    }
    // Changes its state, then tells of its status and Metadata as they are now.
    template <typename Edit> void Change(const Edit& change)
    {
        QMutexLocker lock(&mutex);
        change();
        if (!tellsChanges)
            return;
        QDBusMessage changed = QDBusMessage::createSignal(
            QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.mpris.MediaPlayer2.Player")
                << QVariantMap{{QStringLiteral("PlaybackStatus"), status},
                               {QStringLiteral("Metadata"), Metadata()}}
                << QStringList();
        QDBusConnection(connection).send(changed);
    }
};

namespace {

using State = FakeMprisPlayer::State;

class FakeRootAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
public:
    FakeRootAdaptor(QObject* parent, std::shared_ptr<State> state)
        : QDBusAbstractAdaptor(parent), state_(std::move(state))
    {
    }
    QString identity() const { return QStringLiteral("Fake player"); }
    QString desktopEntry() const
    {
        QMutexLocker lock(&state_->mutex);
        return state_->desktopEntry;
    }
    QStringList supportedUriSchemes() const
    {
        QMutexLocker lock(&state_->mutex);
        return state_->uriSchemes;
    }

private:
    std::shared_ptr<State> state_;
};

class FakePlayerAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
public:
    FakePlayerAdaptor(QObject* parent, std::shared_ptr<State> state)
        : QDBusAbstractAdaptor(parent), state_(std::move(state))
    {
    }
    QString playbackStatus() const
    {
        state_->Record(QStringLiteral("Get PlaybackStatus"));
        QMutexLocker lock(&state_->mutex);
        return state_->status;
    }
    QVariantMap metadata() const
    {
        state_->Record(QStringLiteral("Get Metadata"));
        QMutexLocker lock(&state_->mutex);
        return state_->Metadata();
    }
    double volume() const
    {
        QMutexLocker lock(&state_->mutex);
        return state_->volume;
    }
    void setVolume(double volume)
    {
        state_->Record(QStringLiteral("Set Volume %1").arg(volume));
        QMutexLocker lock(&state_->mutex);
        state_->volume = volume;
    }

public slots:
    // Like most players, Pause does nothing unless playing.
    void Play() { Act(QStringLiteral("Play"), QStringLiteral("Playing"), false); }
    void Pause() { Act(QStringLiteral("Pause"), QStringLiteral("Paused"), true); }
    void Stop() { Act(QStringLiteral("Stop"), QStringLiteral("Stopped"), false); }
    void OpenUri(const QString& uri)
    {
        Act(QStringLiteral("OpenUri ") + uri, QStringLiteral("Playing"), false, uri);
    }

private:
    void Act(const QString& entry, const QString& newStatus, bool onlyWhenPlaying,
             const QString& url = QString())
    {
        state_->Record(entry);
        state_->Change([&] {
            if (!url.isEmpty())
                state_->url = url;
            if (!onlyWhenPlaying || state_->status == QLatin1String("Playing"))
                state_->status = newStatus;
        });
    }

    std::shared_ptr<State> state_;
};

class FakeAudaciousAdaptor final : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.atheme.audacious")
public:
    FakeAudaciousAdaptor(QObject* parent, std::shared_ptr<State> state)
        : QDBusAbstractAdaptor(parent), state_(std::move(state))
    {
    }

public slots:
    int Info(int& freq, int& nch)
    {
        state_->Record(QStringLiteral("Info"));
        QMutexLocker lock(&state_->mutex);
        freq = state_->sampleRate;
        nch = state_->channels;
        return state_->bitRate;
    }

private:
    std::shared_ptr<State> state_;
};

// The object of a player that has taken its name but not yet made its object,
// as some players' toolkits answer for it.
class AbsentObject final : public QDBusVirtualObject
{
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        return connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                        QStringLiteral("Object does not exist")));
    }
    QString introspect(const QString&) const override { return {}; }
};

QAtomicInt connectionCounter;

} // namespace

FakeMprisPlayer::FakeMprisPlayer(const QString& busAddress, const QString& name,
                                 const QString& desktopEntry, bool offersFigures)
    : FakeMprisPlayer(busAddress, name, Habits{desktopEntry, offersFigures, {}, {}})
{
}

FakeMprisPlayer::FakeMprisPlayer(const QString& busAddress, const QString& name,
                                 const Habits& habits)
    : state_(std::make_shared<State>()), endpoint_(std::make_unique<QObject>()),
      absent_(std::make_unique<AbsentObject>()),
      connectionName_(
          QStringLiteral("fake-mpris-player-%1").arg(connectionCounter.fetchAndAddRelaxed(1))),
      busName_(QStringLiteral("org.mpris.MediaPlayer2.") + name)
{
    state_->desktopEntry = habits.desktopEntry;
    state_->uriSchemes = habits.uriSchemes;
    state_->connection = connectionName_;
    state_->tellsChanges = habits.tellsChanges;
    // Adaptors are children of the object they export; all of them move to
    // the player's thread, where their calls are then delivered.
    auto* mpris = new QObject(endpoint_.get());
    new FakeRootAdaptor(mpris, state_);
    new FakePlayerAdaptor(mpris, state_);
    auto* audacious = new QObject(endpoint_.get());
    new FakeAudaciousAdaptor(audacious, state_);
    endpoint_->moveToThread(&thread_);
    absent_->moveToThread(&thread_);
    thread_.start();

    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, connectionName_);
    if (!bus.isConnected())
        return;
    const QString path = QStringLiteral("/org/mpris/MediaPlayer2");
    const bool late = habits.objectLate.count() > 0;
    bool registered = late ? bus.registerVirtualObject(path, absent_.get())
                           : bus.registerObject(path, mpris, QDBusConnection::ExportAdaptors);
    if (habits.offersFigures)
        registered = registered && bus.registerObject(QStringLiteral("/org/atheme/audacious"),
                                                      audacious, QDBusConnection::ExportAdaptors);
    onBus_ = registered && bus.registerService(busName_);
    uniqueName_ = bus.baseService();
    if (!late || !onBus_)
        return;
    // The object comes after the name, on the player's own clock.
    const QString connection = connectionName_;
    const auto objectLate = habits.objectLate;
    QMetaObject::invokeMethod(
        endpoint_.get(),
        [endpoint = endpoint_.get(), mpris, connection, path, objectLate] {
            QTimer::singleShot(objectLate, endpoint, [mpris, connection, path] {
                QDBusConnection bus(connection);
                bus.unregisterObject(path);
                bus.registerObject(path, mpris, QDBusConnection::ExportAdaptors);
            });
        },
        Qt::QueuedConnection);
}

FakeMprisPlayer::~FakeMprisPlayer()
{
    Close();
    Resume();
    // The objects hand themselves back from their own thread, then die here.
    QObject* endpoint = endpoint_.get();
    QObject* absent = absent_.get();
    QThread* home = QThread::currentThread();
    QMetaObject::invokeMethod(
        endpoint,
        [endpoint, absent, home] {
            endpoint->moveToThread(home);
            absent->moveToThread(home);
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void FakeMprisPlayer::Close()
{
    if (!onBus_)
        return;
    QDBusConnection::disconnectFromBus(connectionName_);
    onBus_ = false;
}

void FakeMprisPlayer::SetStatus(const QString& status)
{
    state_->Change([&] { state_->status = status; });
}

QString FakeMprisPlayer::Status() const
{
    QMutexLocker lock(&state_->mutex);
    return state_->status;
}

double FakeMprisPlayer::Volume() const
{
    QMutexLocker lock(&state_->mutex);
    return state_->volume;
}

void FakeMprisPlayer::SetFigures(int bitRate, int sampleRate, int channels)
{
    QMutexLocker lock(&state_->mutex);
    state_->bitRate = bitRate;
    state_->sampleRate = sampleRate;
    state_->channels = channels;
}

void FakeMprisPlayer::SetUrl(const QString& url)
{
    QMutexLocker lock(&state_->mutex);
    state_->url = url;
}

void FakeMprisPlayer::SetTrack(const QStringList& artists, const QString& title)
{
    state_->Change([&] {
        state_->artists = artists;
        state_->title = title;
    });
}

QStringList FakeMprisPlayer::Log() const
{
    QMutexLocker lock(&state_->mutex);
    return state_->log;
}

void FakeMprisPlayer::ClearLog()
{
    QMutexLocker lock(&state_->mutex);
    state_->log.clear();
}

void FakeMprisPlayer::Hang()
{
    if (hung_)
        return;
    hung_ = true;
    // Blocks the player's thread, so calls queue up unanswered.
    QMetaObject::invokeMethod(
        endpoint_.get(), [this] { resume_.acquire(); }, Qt::QueuedConnection);
}

void FakeMprisPlayer::Resume()
{
    if (!hung_)
        return;
    hung_ = false;
    resume_.release();
}

#include "fake_mpris_player.moc"
