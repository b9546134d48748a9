#include "event_loop_stall.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

double LongestEventLoopStallMs(int times, std::chrono::milliseconds interval,
                               const std::function<void(int)>& step)
{
    QEventLoop loop;
    QElapsedTimer sinceTurn;
    double longest = 0;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        longest = std::max(longest, double(sinceTurn.nsecsElapsed()) / 1e6);
        sinceTurn.restart();
    });
    int done = 0;
    QTimer stepper;
    stepper.setTimerType(Qt::PreciseTimer);
    stepper.setInterval(interval);
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        step(done);
        if (++done < times)
            return;
        stepper.stop();
        QTimer::singleShot(interval, &loop, &QEventLoop::quit);
    });
    sinceTurn.start();
    watch.start();
    stepper.start();
    loop.exec();
    // The last gap, up to the end, counts as well.
    return std::max(longest, double(sinceTurn.nsecsElapsed()) / 1e6);
}
