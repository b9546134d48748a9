// Times the start-up picture work: decoding each banner and the splash
// picture, and painting each control once, as the windows place them.
#include "pro_image.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Placement
{
    const char* name;
    const char* file;
    QSize control;
    bool stretch;
};

const Placement kPlacements[] = {
    {"header (own size)", ":/pictures/header.jpg", {381, 109}, false},
    {"banner (stretched)", ":/pictures/banner.jpg", {177, 49}, true},
    {"radios (stretched)", ":/pictures/radios.jpg", {149, 69}, true},
    {"player (stretched)", ":/pictures/player.jpg", {313, 53}, true},
    {"splash (own size)", ":/pictures/splash.bmp", {525, 144}, false},
};

double millis(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}

// The median of several runs of work, in milliseconds.
template <typename Work> double median(int runs, Work work)
{
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return millis(times[times.size() / 2]);
}

QByteArray read(const char* path)
{
    QFile file(QString::fromLatin1(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    constexpr int kRuns = 50;

    std::printf("%-22s %10s %12s %12s\n", "picture", "decode ms", "1st paint ms", "paint ms");
    double total = 0;
    for (const Placement& placement : kPlacements) {
        const QByteArray data = read(placement.file);
        const double decode = median(kRuns, [&] {
            TPicture picture;
            picture.LoadFromData(data);
        });

        // A fresh control per run, so the first paint includes the scaling.
        QImage target(placement.control, QImage::Format_RGB32);
        std::vector<qint64> firstPaints;
        for (int i = 0; i < kRuns; ++i) {
            TProImage fresh;
            fresh.Picture().LoadFromData(data);
            fresh.resize(placement.control);
            fresh.setStretch(placement.stretch);
            QElapsedTimer timer;
            timer.start();
            fresh.render(&target);
            firstPaints.push_back(timer.nsecsElapsed());
        }
        std::sort(firstPaints.begin(), firstPaints.end());
        const double firstPaint = millis(firstPaints[firstPaints.size() / 2]);
        TProImage control;
        control.Picture().LoadFromData(data);
        control.resize(placement.control);
        control.setStretch(placement.stretch);
        control.render(&target);
        const double paint = median(kRuns, [&] { control.render(&target); });
        std::printf("%-22s %10.3f %12.3f %12.3f\n", placement.name, decode, firstPaint, paint);
        total += decode + firstPaint;
    }
    std::printf("start-up picture work (decode + first paint of all five): %.3f ms\n", total);
    return 0;
}
