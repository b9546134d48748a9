// Times the catalogue operations that run on the GUI thread, on a full
// 501-station catalogue with names and descriptions as people type them.

#include "catalogue_store.h"
#include "catalogue_writer.h"
#include "fixed_paths.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char* const kStyles[] = {
    "Jazz",    "Classic Rock", "Chillout Lounge",  "Smooth Jazz", "Top 40 Hits",  "Trance",
    "Country", "Blues",        "Muzyka Klasyczna", "Drum'n'Bass", "Radio Trójka", "Ambient"};
const char* const kPlaces[] = {"Kraków",   "New York", "Berlin",  "London", "São Paulo",
                               "Warszawa", "Tokyo",    "Chicago", "Paris",  "Gdańsk"};

QString Name(int slot)
{
    return QStringLiteral("%1 %2 FM #%3")
        .arg(QString::fromUtf8(kPlaces[slot % 10]), QString::fromUtf8(kStyles[slot % 12]))
        .arg(slot);
}

QString Description(int slot)
{
    return QStringLiteral("The best of %1 from %2, 24 hours a day; 128 kbit/s MP3 stream, "
                          "no adverts, listener requests on weekends (%3)")
        .arg(QString::fromUtf8(kStyles[(slot * 7) % 12]), QString::fromUtf8(kPlaces[slot % 10]))
        .arg(slot);
}

// The catalogue as the program writes it, with one playlist file per station.
void MakeCatalogue(const FixedPaths& paths, int stations)
{
    for (int slot = stations; slot < CatalogueStore::kSlotCount; ++slot)
        QFile::remove(paths.PlaylistFile(slot));
    QList<QPair<QString, QString>> entries;
    for (int slot = 0; slot < stations; ++slot)
        entries.append({Name(slot), Description(slot)});
    WriteDenseCatalogue(paths, entries);
}

// Runs `operation` `runs` times, each after `prepare`, and prints the times.
void Measure(const char* what, int runs, const std::function<void()>& prepare,
             const std::function<void()>& operation)
{
    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        operation();
        milliseconds.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("%-48s median %8.3f ms   min %8.3f ms   max %8.3f ms   (%d runs)\n", what,
                milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back(),
                runs);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const FixedPaths paths = FixedPaths::Under(root.path());
    if (!root.isValid() || !paths.CreateFolders()) {
        std::fprintf(stderr, "catalogue_bench: cannot make a scratch folder\n");
        return 1;
    }
    CatalogueStore store(paths);

    MakeCatalogue(paths, CatalogueStore::kSlotCount);
    std::printf("catalogue of %d stations: %lld bytes\n", CatalogueStore::kSlotCount,
                static_cast<long long>(QFileInfo(paths.catalogueFile).size()));
    int rows = 0;
    Measure(
        "StationRows (RefreshStationList), 501 stations", 50, [] {},
        [&] { rows = store.StationRows().size(); });
    if (rows != CatalogueStore::kSlotCount) {
        std::fprintf(stderr, "catalogue_bench: %d rows instead of 501\n", rows);
        return 1;
    }

    auto result = CatalogueStore::InstallResult::CatalogueFull;
    Measure(
        "InstallStation into slot 500, 500 stations", 10,
        [&] {
            MakeCatalogue(paths, CatalogueStore::kSlotCount - 1);
            QFile temporary(paths.temporaryPlaylist);
            temporary.open(QIODevice::WriteOnly | QIODevice::Truncate);
            temporary.write("[playlist]\nNumberOfEntries=1\nFile1=http://127.0.0.1:8000/new\n");
        },
        [&] { result = store.InstallStation(Name(500), Description(500)); });
    if (result != CatalogueStore::InstallResult::Installed) {
        std::fprintf(stderr, "catalogue_bench: the install did not happen\n");
        return 1;
    }

    Measure(
        "DeleteStation(0), 501 stations", 10,
        [&] { MakeCatalogue(paths, CatalogueStore::kSlotCount); }, [&] { store.DeleteStation(0); });
    if (store.StationRows().size() != CatalogueStore::kSlotCount - 1) {
        std::fprintf(stderr, "catalogue_bench: the deletion did not happen\n");
        return 1;
    }
    return 0;
}
