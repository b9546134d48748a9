#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real internet radio on 127.0.0.1 for end-to-end tests: an Icecast server
// on a free port, fed in a loop by ezstream with a generated 128 kbit/s
// 44.1 kHz stereo MP3. Everything lives in a folder of its own and both
// programs are stopped with this object.
class IcecastStreamFixture final
{
public:
    IcecastStreamFixture() = default;
    ~IcecastStreamFixture();
    Q_DISABLE_COPY_MOVE(IcecastStreamFixture)

    static bool IsInstalled();
    // Starts both programs and waits until the mount answers listeners.
    bool Start(int timeoutMs = 30000);
    void Stop();
    QString Url() const;
    // What went wrong, for the test's failure message.
    QString Diagnostics();

private:
    bool WriteConfigurations(const QByteArray& mp3Path);
    bool MountAnswers() const;

    QTemporaryDir dir_;
    int port_ = 0;
    QProcess icecast_;
    QProcess ezstream_;
    QString problem_;
};
