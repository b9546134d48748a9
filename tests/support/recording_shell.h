#pragma once

#include "shell.h"

#include <QStringList>
#include <QVector>

// The shell's "open" as tests see it: records every request, opens nothing,
// and answers `failure` (none unless a test sets one).
class RecordingShell final : public platform::Shell
{
public:
    struct Request
    {
        QString file;
        platform::ShowCommand show;
    };

    platform::OpenResult Open(const QString& file, platform::ShowCommand show) override
    {
        requests.push_back({file, show});
        return {failure};
    }

    QStringList files() const
    {
        QStringList all;
        for (const Request& request : requests)
            all << request.file;
        return all;
    }

    QVector<Request> requests;
    QString failure;
};
