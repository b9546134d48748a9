#pragma once

#include <QProcess>

// Ends a helper process the test started: asks it to stop, and kills it if it
// has not within `waitMs`. Nothing happens when it is not running.
inline void EndProcess(QProcess& process, int waitMs = 5000)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished(waitMs);
    }
}
