#pragma once

#include "shell.h"

#include <QStringList>
#include <QVector>

// The shell's "open" as tests see it: records every request, opens nothing.
class RecordingShell final : public platform::Shell
{
public:
    struct Request
    {
        QString file;
        platform::ShowCommand show;
    };

    void Open(const QString& file, platform::ShowCommand show) override
    {
        requests.push_back({file, show});
    }

    QStringList files() const
    {
        QStringList all;
        for (const Request& request : requests)
            all << request.file;
        return all;
    }

    QVector<Request> requests;
};
