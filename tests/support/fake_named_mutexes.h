#pragma once

#include "named_mutexes.h"

#include <QSet>
#include <QStringList>
#include <memory>

// Named mutexes inside one test: a name can be marked as owned by another
// process, and the names asked for are remembered in order.
class FakeNamedMutexes final : public platform::NamedMutexes
{
public:
    void OwnElsewhere(const QString& name) { m_state->elsewhere.insert(name); }
    const QStringList& created() const { return m_created; }

    Created Create(const QString& name, bool initialOwner) override
    {
        m_created.append(name);
        Created created;
        created.mutex = std::make_unique<Mutex>(m_state, name);
        if (initialOwner)
            created.alreadyExisted = !created.mutex->TryWait();
        return created;
    }

private:
    struct State
    {
        QSet<QString> elsewhere;
    };

    // Shares the state, so a mutex may outlive the fake (the instance mutex is
    // held to the end of the process).
    class Mutex final : public platform::NamedMutex
    {
    public:
        Mutex(std::shared_ptr<State> state, QString name)
            : m_state(std::move(state)), m_name(std::move(name))
        {
        }
        bool TryWait() override { return !m_state->elsewhere.contains(m_name); }
        void Release() override {}

    private:
        std::shared_ptr<State> m_state;
        QString m_name;
    };

    std::shared_ptr<State> m_state = std::make_shared<State>();
    QStringList m_created;
};
