#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>

// A real Audacious for tests: started headless on a given bus with a home and
// XDG folders of its own and ALSA's null device for sound, stopped with this
// object.
class AudaciousFixture final
{
public:
    AudaciousFixture() = default;
    ~AudaciousFixture();
    Q_DISABLE_COPY_MOVE(AudaciousFixture)

    static bool IsInstalled();
    // Starts it and waits until its MPRIS name is on the bus.
    bool Start(const QString& busAddress, const QDBusConnection& watchingBus,
               int timeoutMs = 30000);
    void Stop();
    QString Output() const { return output_; }
    // Appends a file or URL to its playlist through its own interface.
    bool Enqueue(const QDBusConnection& bus, const QString& url);
    // One MPRIS player property read straight from Audacious, bypassing the
    // code under test; invalid when it does not answer.
    static QVariant PlayerProperty(const QDBusConnection& bus, const QString& name);

private:
    QTemporaryDir home_;
    QProcess process_;
    QString output_;
};

// One MPRIS player property read straight from the player with the given bus
// name, bypassing the code under test; invalid when it does not answer.
QVariant MprisPlayerProperty(const QDBusConnection& bus, const QString& player,
                             const QString& name);

// A 128 kbit/s, 44.1 kHz stereo MP3 of a tone, made with sox and lame; empty
// when they fail.
QByteArray MakeToneMp3(const QString& folder);

// An internet-radio-like MP3 stream on 127.0.0.1 for tests: sends the given
// MP3 over and over at its bit rate, so a player keeps playing in real time
// even into ALSA's null device, which would swallow a file at once.
class PacedStreamServer final : public QObject
{
    Q_OBJECT
public:
    PacedStreamServer(QByteArray mp3, int bytesPerSecond);
    bool Listen();
    QString Url() const;

private:
    void Accept();
    void Feed();

    QByteArray mp3_;
    int bytesPerSecond_;
    qsizetype position_ = 0;
    QTcpServer server_;
    QTimer pace_;
    QList<QPointer<QTcpSocket>> listeners_;
};
