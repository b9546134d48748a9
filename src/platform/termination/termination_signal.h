#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Turns SIGTERM (sent at desktop logout) into a Qt signal on the GUI thread.
// The signal handler only writes a byte to a pipe; the pipe's reader emits.
// At most one exists at a time; it puts the previous handler back when it goes.
class TerminationSignal final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignal(QObject* parent = nullptr);
    ~TerminationSignal() override;
    Q_DISABLE_COPY_MOVE(TerminationSignal)

    // False when the pipe or the handler could not be set up.
    bool IsInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void Received();

private:
    void Drain();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
