#pragma once

#include "notification_area.h"

#include <QSet>
#include <QVector>
#include <utility>

// The notification area as tests see it: keeps icons as the desktop would
// (refusing a second add and changes to absent icons), records every call,
// and lets the test play the user and the desktop.
class FakeNotificationArea final : public platform::NotificationArea
{
    Q_OBJECT
public:
    enum Operation
    {
        Added,
        Modified,
        Deleted,
    };
    struct Call
    {
        Operation operation;
        platform::NotifyIconRecord record;
        bool accepted;
    };

    bool Add(const platform::NotifyIconRecord& record) override
    {
        return Record(Added, record, !Present(record) && Insert(record));
    }
    bool Modify(const platform::NotifyIconRecord& record) override
    {
        return Record(Modified, record, Present(record));
    }
    bool Delete(const platform::NotifyIconRecord& record) override
    {
        return Record(Deleted, record, icons.remove(Key(record)));
    }
    bool IsAvailable() const override { return available; }

    // What the user does to an icon.
    void Click(const QObject* owner, int id, std::initializer_list<unsigned> codes)
    {
        for (unsigned code : codes)
            Q_EMIT Callback(owner, id, 0x04D3, code);
    }
    void DoubleClick(const QObject* owner, int id = 0)
    {
        using namespace platform::NotifyCode;
        Click(owner, id, {LeftButtonDown, LeftButtonUp, LeftDoubleClick, LeftButtonUp});
    }
    // The desktop's notification area restarts and has no icons.
    void Restart()
    {
        icons.clear();
        Q_EMIT TaskbarCreated();
    }
    bool Shows(const QObject* owner, int id = 0) const { return icons.contains({owner, id}); }
    const platform::NotifyIconRecord* Last(Operation operation) const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->operation == operation)
                return &it->record;
        return nullptr;
    }

    QVector<Call> calls;
    QSet<std::pair<const QObject*, int>> icons;
    bool available = true;
    bool failAdds = false; // adds throw, as a broken icon would

private:
    static std::pair<const QObject*, int> Key(const platform::NotifyIconRecord& record)
    {
        return {record.owner, record.id};
    }
    bool Present(const platform::NotifyIconRecord& record) const
    {
        return icons.contains(Key(record));
    }
    bool Insert(const platform::NotifyIconRecord& record)
    {
        if (failAdds)
            throw std::runtime_error("no icon");
        icons.insert(Key(record));
        return true;
    }
    bool Record(Operation operation, const platform::NotifyIconRecord& record, bool accepted)
    {
        calls.push_back({operation, record, accepted});
        return accepted;
    }
};
