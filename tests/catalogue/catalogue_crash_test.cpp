#include "catalogue_store.h"
#include "catalogue_writer.h"
#include "error.h"
#include "test_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The stations as the catalogue lists them, in slot order: name and description.
using Stations = QList<QPair<QString, QString>>;

QByteArray PlaylistOf(const QString& name)
{
    return "pls " + name.toUtf8();
}

QStringList Rows(const Stations& stations)
{
    QStringList rows;
    for (int slot = 0; slot < stations.size(); ++slot) {
        rows << QStringLiteral("%1) %2 - %3")
                    .arg(slot)
                    .arg(stations[slot].first, stations[slot].second);
    }
    return rows;
}

// A change as the model sees it: what the catalogue holds once it is done.
struct Change
{
    QStringList arguments; // for the helper
    Stations after;
};

Change Install(Stations stations, const QString& name)
{
    stations.append({name, QStringLiteral("d")});
    return {{QStringLiteral("install"), name}, stations};
}

Change Describe(Stations stations, int slot, const QString& text)
{
    stations[slot].second = text;
    return {{QStringLiteral("describe"), QString::number(slot), text}, stations};
}

Change Delete(Stations stations, int slot)
{
    stations.removeAt(slot);
    return {{QStringLiteral("delete"), QString::number(slot)}, stations};
}

} // namespace

// Catalogue changes killed with SIGKILL at any moment, several processes at once, and file
// systems that get in the way: the stations stay as before or after, each with its own playlist.
class CatalogueCrashTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        // A killed process leaves the page cache whole: flushing to disk is not what a kill
        // tests, so the files live in memory when they can, which keeps hundreds of kills quick.
        if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
            m_root.emplace(QStringLiteral("/dev/shm/wavedock-crash-XXXXXX"));
        } else {
            m_root.emplace();
        }
        QVERIFY(m_root->isValid());
        m_paths = FixedPaths::Under(m_root->path());
        QVERIFY(m_paths.CreateFolders());
        m_store = std::make_unique<CatalogueStore>(m_paths);
    }

    // A kill at each step boundary of every kind of change (after the catalogue commit, after the
    // k-th playlist rename, before cleanup...) is finished or undone by the next start.
    void killAtEveryStepBoundary()
    {
        const Stations eight = MakeStations(8);
        const QList<Change> changes = {Install(eight, QStringLiteral("new")),
                                       Describe(eight, 2, QStringLiteral("fresh")),
                                       Delete(eight, 0), Delete(eight, 4), Delete(eight, 7)};
        int kills = 0;
        for (const Change& change : changes) {
            for (int stopAt = 1;; ++stopAt) {
                QVERIFY2(stopAt < 100, "the change never finished");
                WriteStations(eight);
                const bool killed = RunChange(eight, change, {"--stop-at", stopAt});
                if (QTest::currentTestFailed()) {
                    return;
                }
                kills += killed ? 1 : 0;
                if (!killed) {
                    break;
                }
            }
        }
        QVERIFY(kills >= 30);
    }

    // Kills at random moments of install, install, new description, delete 0, delete 0 on a
    // catalogue of 499 stations (with the step boundaries above, over 200 kills).
    void killAtRandomMoments()
    {
        Stations stations = MakeStations(499);
        WriteStations(stations);
        QHash<QString, qint64> longest; // microseconds each kind of change has taken
        int kills = 0;
        for (int round = 0; kills < 170; ++round) {
            QVERIFY2(round < 700, "too few changes were killed");
            const QString id = QString::number(round);
            Change change;
            // Undone deletions would fill the catalogue: then it deletes instead.
            switch (stations.size() < 500 ? round % 5 : 4) {
            case 0:
            case 1:
                change = Install(stations, QStringLiteral("new ") + id);
                break;
            case 2:
                change = Describe(stations, 3, QStringLiteral("text ") + id);
                break;
            default:
                change = Delete(stations, 0);
            }
            // The first change of each kind runs whole, to learn how long such a change takes.
            const QString kind = change.arguments.first();
            const qint64 delay = longest.contains(kind)
                                     ? QRandomGenerator::global()->bounded(longest[kind] + 1)
                                     : -1;
            qint64 took = 0;
            const bool killed = RunChange(stations, change, {"--kill-after-us", delay}, &took);
            if (QTest::currentTestFailed()) {
                return;
            }
            kills += killed ? 1 : 0;
            longest[kind] = std::max(longest.value(kind), took);
            stations = Rows(change.after) == m_store->StationRows() ? change.after : stations;
        }
    }

    // With the download on another file system (a tmpfs cache) the install still works.
    void installAcrossFileSystems()
    {
        QTemporaryDir disk;
        QVERIFY(disk.isValid());
        FixedPaths paths = FixedPaths::Under(disk.path());
        paths.temporaryPlaylist = m_root->filePath(QStringLiteral("temp.pls"));
        QVERIFY(paths.CreateFolders());
        struct stat data;
        struct stat cache;
        QVERIFY(::stat(QFile::encodeName(disk.path()).constData(), &data) == 0);
        QVERIFY(::stat(QFile::encodeName(m_root->path()).constData(), &cache) == 0);
        if (data.st_dev == cache.st_dev) {
            QSKIP("no second file system here");
        }
        WriteBytes(paths.temporaryPlaylist, "across");
        CatalogueStore store(paths);
        QCOMPARE(store.InstallStation(QStringLiteral("Far"), QString()),
                 CatalogueStore::InstallResult::Installed);
        QCOMPARE(ReadBytesOrMissing(paths.PlaylistFile(0)), QByteArray("across"));
        QVERIFY(!QFile::exists(paths.temporaryPlaylist));
        QCOMPARE(QDir(paths.radiosFolder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("0.pls")});
    }

    // Two processes installing at the same time take turns: every station gets its own slot
    // and its own playlist.
    void twoProcessesInstallAtOnce()
    {
        QProcess first;
        QProcess second;
        for (QProcess* helper : {&first, &second}) {
            const QString prefix = helper == &first ? QStringLiteral("a") : QStringLiteral("b");
            helper->start(QStringLiteral(CATALOGUE_OPERATION_HELPER),
                          {m_root->path(), m_root->filePath(prefix + QStringLiteral(".pls")),
                           QStringLiteral("install-many"), prefix, QStringLiteral("100")});
        }
        for (QProcess* helper : {&first, &second}) {
            QVERIFY(helper->waitForFinished(60000));
            QCOMPARE(helper->exitStatus(), QProcess::NormalExit);
            QCOMPARE(helper->exitCode(), 0);
        }
        QCOMPARE(m_store->StationRows().size(), 200);
        for (int slot = 0; slot < 200; ++slot) {
            QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(slot)),
                     PlaylistOf(m_store->StationName(slot)));
        }
    }

    // A playlist that cannot be moved fails the deletion with its error, and nothing changes.
    void deleteWithUnwritableRadiosFolder()
    {
        const Stations stations = MakeStations(5);
        WriteStations(stations);
        const QByteArray catalogue = ReadBytes(m_paths.catalogueFile);
        // Root writes anywhere: the deletion runs as an ordinary user who owns the files.
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            QVERIFY(::chmod(QFile::encodeName(m_root->path()).constData(), 0755) == 0);
            QDirIterator files(m_root->path(), QDir::AllEntries | QDir::Hidden,
                               QDirIterator::Subdirectories);
            while (files.hasNext()) {
                QVERIFY(::chown(QFile::encodeName(files.next()).constData(), 65534, 65534) == 0);
            }
            QVERIFY(::seteuid(65534) == 0);
        }
        QVERIFY(QFile::setPermissions(m_paths.radiosFolder,
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        std::optional<QString> error;
        try {
            m_store->DeleteStation(1);
        } catch (const Error& raised) {
            error = raised.message();
        }
        QFile::setPermissions(m_paths.radiosFolder, QFileDevice::ReadOwner |
                                                        QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner);
        if (asRoot) {
            QVERIFY(::seteuid(0) == 0);
        }
        QCOMPARE(error.value_or(QString()),
                 QStringLiteral("Unable to write to ") + m_paths.radiosFolder);
        QCOMPARE(ReadBytes(m_paths.catalogueFile), catalogue);
        for (int slot = 0; slot < stations.size(); ++slot) {
            QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(slot)),
                     PlaylistOf(stations[slot].first));
        }
        QCOMPARE(HiddenFiles(), QStringList{QStringLiteral(".wavedock.lst.lock")});
    }

private:
    Stations MakeStations(int count)
    {
        Stations stations;
        for (int slot = 0; slot < count; ++slot) {
            stations.append({QStringLiteral("station %1").arg(slot), QStringLiteral("about")});
        }
        return stations;
    }

    // The catalogue and its playlists as the program writes them; nothing else.
    void WriteStations(const Stations& stations)
    {
        QDir(m_paths.radiosFolder).removeRecursively();
        QVERIFY(WriteDenseCatalogue(m_paths, stations,
                                    [](int, const QString& name) { return PlaylistOf(name); }));
    }

    // Runs the change in the helper process, lets the next start recover, and checks the
    // result. Returns whether the helper was killed.
    bool RunChange(const Stations& before, const Change& change, const QPair<QString, qint64>& kill,
                   qint64* took = nullptr)
    {
        const bool installs = change.arguments.first() == QStringLiteral("install");
        if (installs) {
            [&] { QVERIFY(WriteDownload(PlaylistOf(change.arguments.at(1)))); }();
        }
        QProcess helper;
        helper.start(QStringLiteral(CATALOGUE_OPERATION_HELPER),
                     QStringList{m_root->path(), m_paths.temporaryPlaylist, kill.first,
                                 QString::number(kill.second)} +
                         change.arguments);
        [&] { QVERIFY(helper.waitForFinished(30000)); }();
        const bool killed = helper.exitStatus() == QProcess::CrashExit;
        if (!killed) {
            [&] { QCOMPARE(helper.exitCode(), 0); }();
            if (took != nullptr) {
                *took = helper.readAllStandardOutput().trimmed().toLongLong();
            }
        }

        [&] { QCOMPARE(m_store->Recover(), CatalogueStore::Health::Readable); }();
        const QStringList rows = m_store->StationRows();
        const bool isBefore = rows == Rows(before);
        [&] {
            QVERIFY2(isBefore || rows == Rows(change.after),
                     qPrintable(QStringLiteral("%1 killed at %2 %3: %4 rows")
                                    .arg(change.arguments.join(QLatin1Char(' ')), kill.first)
                                    .arg(kill.second)
                                    .arg(rows.size())));
            const Stations& now = isBefore ? before : change.after;
            for (int slot = 0; slot < now.size(); ++slot) {
                QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(slot)),
                         PlaylistOf(now[slot].first));
            }
            // An install undone keeps its download for another try.
            if (installs && isBefore) {
                QCOMPARE(ReadBytesOrMissing(m_paths.temporaryPlaylist),
                         PlaylistOf(change.arguments.at(1)));
            }
            QCOMPARE(HiddenFiles().join(QLatin1Char(' ')), QStringLiteral(".wavedock.lst.lock"));
        }();
        return killed;
    }

    // As a download writes it: a new file in place of the old, never the old one rewritten (after
    // an install the download and the station's playlist may be one file until it goes).
    bool WriteDownload(const QByteArray& bytes) const
    {
        QSaveFile download(m_paths.temporaryPlaylist);
        return download.open(QIODevice::WriteOnly) && download.write(bytes) == bytes.size() &&
               download.commit();
    }

    // Journals, staged names and half-written files: what must not outlive a recovery.
    QStringList HiddenFiles() const
    {
        QStringList hidden;
        QDirIterator files(QFileInfo(m_paths.catalogueFile).absolutePath(),
                           QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString name = QFileInfo(files.next()).fileName();
            if (name.startsWith(QLatin1Char('.'))) {
                hidden << name;
            }
        }
        return hidden;
    }

    std::optional<QTemporaryDir> m_root;
    FixedPaths m_paths;
    std::unique_ptr<CatalogueStore> m_store;
};

QTEST_GUILESS_MAIN(CatalogueCrashTest)
#include "catalogue_crash_test.moc"
