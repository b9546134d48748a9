// Runs one catalogue change in a process of its own, so that a test can kill it
// with SIGKILL: at a chosen step boundary of the change, or a chosen number of
// microseconds after the change started.
//   catalogue_operation_helper <root> <temporary playlist> [--stop-at N]
//       [--kill-after-us U] install NAME | describe SLOT TEXT | delete SLOT
//       | install-many PREFIX COUNT
// Exit: 0 done (the change's time in microseconds on stdout), 2 an error was
// thrown, 3 the playlist was not placed, 4 the catalogue is full.

#include "catalogue_store.h"
#include "error.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>

namespace {

void KillNow(int)
{
    std::raise(SIGKILL);
}

int Install(CatalogueStore& store, const QString& name)
{
    switch (store.InstallStation(name, QStringLiteral("d"))) {
    case CatalogueStore::InstallResult::Installed:
        return 0;
    case CatalogueStore::InstallResult::PlaylistNotMoved:
        return 3;
    case CatalogueStore::InstallResult::CatalogueFull:
        return 4;
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        return 1;
    }
    FixedPaths paths = FixedPaths::Under(QString::fromLocal8Bit(argv[1]));
    paths.temporaryPlaylist = QString::fromLocal8Bit(argv[2]);
    CatalogueStore store(paths);
    int next = 3;
    long stopAt = 0;
    long killAfter = -1;
    for (; next + 1 < argc && std::strncmp(argv[next], "--", 2) == 0; next += 2) {
        (std::strcmp(argv[next], "--stop-at") == 0 ? stopAt : killAfter) =
            std::atol(argv[next + 1]);
    }
    long steps = 0;
    store.SetStepHook([&] {
        if (++steps == stopAt) {
            std::raise(SIGKILL);
        }
    });
    const QByteArray operation = next < argc ? argv[next] : "";
    const auto argument = [&](int i) {
        return next + i < argc ? QString::fromLocal8Bit(argv[next + i]) : QString();
    };

    if (killAfter >= 0) {
        std::signal(SIGALRM, KillNow);
        itimerval timer{};
        timer.it_value.tv_sec = killAfter / 1000000;
        timer.it_value.tv_usec = killAfter % 1000000;
        timer.it_value.tv_usec += (killAfter == 0) ? 1 : 0;
        setitimer(ITIMER_REAL, &timer, nullptr);
    }
    QElapsedTimer elapsed;
    elapsed.start();
    int result = 0;
    try {
        if (operation == "install") {
            result = Install(store, argument(1));
        } else if (operation == "describe") {
            store.SetStationDescription(argument(1).toInt(), argument(2));
        } else if (operation == "delete") {
            store.DeleteStation(argument(1).toInt());
        } else if (operation == "install-many") {
            for (int i = 0; i < argument(2).toInt() && result == 0; ++i) {
                const QString name = argument(1) + QString::number(i);
                QSaveFile download(paths.temporaryPlaylist); // a new file, as downloads are
                if (!download.open(QIODevice::WriteOnly) ||
                    download.write("pls " + name.toUtf8()) < 0 || !download.commit()) {
                    return 1;
                }
                result = Install(store, name);
            }
        } else {
            return 1;
        }
    } catch (const Error& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.message()));
        return 2;
    }
    std::printf("%lld\n", static_cast<long long>(elapsed.nsecsElapsed() / 1000));
    return result;
}
