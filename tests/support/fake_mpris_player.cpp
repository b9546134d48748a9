#include "fake_mpris_player.h"

#include <QAtomicInt>
#include <QDBusAbstractAdaptor>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

struct FakeMprisPlayer::State
{
    mutable QMutex mutex;
    QString desktopEntry;
    QString status = QStringLiteral("Stopped");
    double volume = 1.0;
    int bitRate = 0;
    int sampleRate = 0;
    int channels = 0;
    QString url;
    QStringList log;

    void Record(const QString& entry)
    {
        QMutexLocker lock(&mutex);
        log << entry;
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
        if (state_->url.isEmpty())
            return {};
        return {{QStringLiteral("xesam:url"), state_->url}};
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

private:
    void Act(const QString& entry, const QString& newStatus, bool onlyWhenPlaying)
    {
        state_->Record(entry);
        QMutexLocker lock(&state_->mutex);
        if (!onlyWhenPlaying || state_->status == QLatin1String("Playing"))
            state_->status = newStatus;
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

QAtomicInt connectionCounter;

} // namespace

FakeMprisPlayer::FakeMprisPlayer(const QString& busAddress, const QString& name,
                                 const QString& desktopEntry, bool offersFigures)
    : state_(std::make_shared<State>()), endpoint_(std::make_unique<QObject>()),
      connectionName_(
          QStringLiteral("fake-mpris-player-%1").arg(connectionCounter.fetchAndAddRelaxed(1))),
      busName_(QStringLiteral("org.mpris.MediaPlayer2.") + name)
{
    state_->desktopEntry = desktopEntry;
    // Adaptors are children of the object they export; all of them move to
    // the player's thread, where their calls are then delivered.
    auto* mpris = new QObject(endpoint_.get());
    new FakeRootAdaptor(mpris, state_);
    new FakePlayerAdaptor(mpris, state_);
    auto* audacious = new QObject(endpoint_.get());
    new FakeAudaciousAdaptor(audacious, state_);
    endpoint_->moveToThread(&thread_);
    thread_.start();

    QDBusConnection bus = QDBusConnection::connectToBus(busAddress, connectionName_);
    if (!bus.isConnected())
        return;
    bool registered = bus.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), mpris,
                                         QDBusConnection::ExportAdaptors);
    if (offersFigures)
        registered = registered && bus.registerObject(QStringLiteral("/org/atheme/audacious"),
                                                      audacious, QDBusConnection::ExportAdaptors);
    onBus_ = registered && bus.registerService(busName_);
    uniqueName_ = bus.baseService();
}

FakeMprisPlayer::~FakeMprisPlayer()
{
    Close();
    Resume();
    // The endpoint hands itself back from its own thread, then dies here.
    QObject* endpoint = endpoint_.get();
    QThread* home = QThread::currentThread();
    QMetaObject::invokeMethod(
        endpoint, [endpoint, home] { endpoint->moveToThread(home); }, Qt::BlockingQueuedConnection);
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
    QMutexLocker lock(&state_->mutex);
    state_->status = status;
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
