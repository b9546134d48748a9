#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

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

private:
    QTemporaryDir home_;
    QProcess process_;
    QString output_;
};
