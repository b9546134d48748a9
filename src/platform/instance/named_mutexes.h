#pragma once

#include <QString>
#include <memory>

namespace platform {

// A mutex shared by name between the processes of one user. Its owner is the
// process that waited on it; when the owner ends, however it ends, the mutex is
// free again and the next waiter takes it over.
class NamedMutex
{
public:
    virtual ~NamedMutex() = default;

    // A wait with a zero timeout: true when this process owns the mutex now
    // (also when its previous owner died without releasing it), false when
    // another process owns it or the wait itself failed (see WaitFailure).
    virtual bool TryWait() = 0;
    // Why the last TryWait could not ask at all; empty when it could, so that
    // its false means another owner.
    virtual QString WaitFailure() const { return {}; }
    // Gives up ownership; nothing happens when this process does not own it.
    virtual void Release() = 0;
};

// Creates and opens named mutexes. A mutex "already exists" while another
// process owns it: a name that nobody owns is as good as new, so what a dead
// process leaves behind never counts.
class NamedMutexes
{
public:
    struct Created
    {
        std::unique_ptr<NamedMutex> mutex; // null when the mutex could not be made
        // With initialOwner: another process owned the mutex, so this one does not.
        // Without initialOwner nothing is asked and this stays false.
        bool alreadyExisted = false;
        // With a null mutex: why it could not be made or, with initialOwner,
        // asked for. A mutex owned elsewhere is never a failure.
        QString failure;
    };

    virtual ~NamedMutexes() = default;

    // Creates or opens the mutex called `name` (any text; names are compared
    // exactly). With initialOwner the caller owns it on return unless it already
    // existed.
    virtual Created Create(const QString& name, bool initialOwner) = 0;
};

} // namespace platform
