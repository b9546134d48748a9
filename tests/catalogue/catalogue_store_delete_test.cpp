#include "catalogue_store.h"
#include "catalogue_writer.h"
#include "error.h"
#include "file_operations.h"
#include "ini_file.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <vector>

// A deletion writes the catalogue once, but must leave exactly what the
// slot-by-slot procedure leaves when every key is written to the file on its
// own: the same catalogue bytes and the same playlist files.

namespace {

constexpr int kLastSlot = CatalogueStore::kSlotCount - 1;

// The procedure one key and one file at a time, through separate file writes.
void DeleteSlotBySlot(const FixedPaths& paths, int deleted)
{
    TIniFile catalogue(paths.catalogueFile);
    const QString absent = QStringLiteral("\x01");
    const auto occupied = [&](int slot) {
        return catalogue.ReadString(QString::number(slot), QStringLiteral("nazwa"), absent) !=
               absent;
    };
    const bool full = occupied(kLastSlot);
    for (int from = deleted + 1; from <= kLastSlot; ++from) {
        const QString to = QString::number(from - 1);
        if (occupied(from)) {
            const QString section = QString::number(from);
            const QString name =
                catalogue.ReadString(section, QStringLiteral("nazwa"), QStringLiteral("Error"));
            const QString description =
                catalogue.ReadString(section, QStringLiteral("opis"), QStringLiteral("Error"));
            catalogue.WriteString(to, QStringLiteral("numer"), to);
            catalogue.WriteString(to, QStringLiteral("nazwa"), name);
            catalogue.WriteString(to, QStringLiteral("opis"), description);
            platform::DeleteFile(paths.PlaylistFile(from - 1));
            platform::RenameFile(paths.PlaylistFile(from), paths.PlaylistFile(from - 1));
        } else {
            catalogue.EraseSection(to);
            platform::DeleteFile(paths.PlaylistFile(from - 1));
        }
    }
    if (full) {
        catalogue.EraseSection(QString::number(kLastSlot));
        platform::DeleteFile(paths.PlaylistFile(kLastSlot));
    }
}

QMap<QString, QByteArray> Playlists(const FixedPaths& paths)
{
    QMap<QString, QByteArray> playlists;
    const QDir folder(paths.radiosFolder);
    for (const QString& name : folder.entryList(QDir::Files)) {
        playlists.insert(name, ReadBytesOrMissing(folder.filePath(name)));
    }
    return playlists;
}

QByteArray Dense(int count)
{
    QByteArray text;
    for (int slot = 0; slot < count; ++slot) {
        const QByteArray n = QByteArray::number(slot);
        text +=
            "[" + n + "]\r\nnumer=" + n + "\r\nnazwa=Radio " + n + "\r\nopis=Music " + n + "\r\n";
    }
    return text;
}

// Written by hand or on Windows: comments, other sections, ANSI
// bytes, keys in another order, a missing and an empty description, a gap.
const QByteArray kUntidy = "; my stations\r\n"
                           "[Settings]\r\nskin=blue\r\n"
                           "[0]\r\nnumer=0\r\nnazwa=Caf\xE9 FM\r\nopis=Chanson\r\n"
                           "[1]\r\nNAZWA=Second\r\nnumer=1\r\n\r\n"
                           "[2]\r\nnazwa = Third \r\nopis=\r\n; about the third\r\n"
                           "[3]\r\nnumer=3\r\nnazwa=Error\r\nopis=Error.\r\nextra=kept?\r\n"
                           "[4]\r\nnumer=4\r\nopis=no name\r\n"
                           "[5]\r\nnazwa=Beyond a gap\r\nopis=x";

} // namespace

class CatalogueStoreDeleteTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameResultAsSlotBySlot_data()
    {
        QTest::addColumn<QByteArray>("catalogue");
        QTest::addColumn<QList<int>>("playlists");
        QTest::addColumn<int>("deleted");
        const QList<int> firstSix = {0, 1, 2, 3, 4, 5};
        QTest::newRow("first of three") << Dense(3) << QList<int>{0, 1, 2} << 0;
        QTest::newRow("middle of six") << Dense(6) << firstSix << 2;
        QTest::newRow("last of six") << Dense(6) << firstSix << 5;
        QTest::newRow("free slot with stray files") << Dense(3) << QList<int>{0, 1, 2, 4, 7} << 3;
        QTest::newRow("playlist missing midway") << Dense(6) << QList<int>{0, 1, 3, 4, 5} << 0;
        QTest::newRow("untidy file") << kUntidy << firstSix << 0;
        QTest::newRow("untidy file, gap") << kUntidy << firstSix << 3;
        QTest::newRow("full, last row") << Dense(501) << QList<int>{499, 500} << 500;
        QTest::newRow("full, near the end") << Dense(501) << QList<int>{497, 498, 499, 500} << 497;
    }

    // Batching the writes of a deletion changes nothing in what it leaves behind.
    void sameResultAsSlotBySlot()
    {
        QFETCH(QByteArray, catalogue);
        QFETCH(QList<int>, playlists);
        QFETCH(int, deleted);
        QTemporaryDir batchedRoot;
        QTemporaryDir slotBySlotRoot;
        const FixedPaths batched = FixedPaths::Under(batchedRoot.path());
        const FixedPaths slotBySlot = FixedPaths::Under(slotBySlotRoot.path());
        for (const FixedPaths& paths : {batched, slotBySlot}) {
            QVERIFY(paths.CreateFolders());
            WriteBytes(paths.catalogueFile, catalogue);
            for (int slot : playlists) {
                WriteBytes(paths.PlaylistFile(slot), "playlist of " + QByteArray::number(slot));
            }
        }

        const QMap<QString, QByteArray> playlistsBefore = Playlists(batched);
        CatalogueStore(batched).DeleteStation(deleted);
        DeleteSlotBySlot(slotBySlot, deleted);

        QCOMPARE(ReadBytesOrMissing(batched.catalogueFile),
                 ReadBytesOrMissing(slotBySlot.catalogueFile));
        QCOMPARE(Playlists(batched), Playlists(slotBySlot));
        QVERIFY(ReadBytesOrMissing(batched.catalogueFile) != catalogue ||
                Playlists(batched) != playlistsBefore);
    }

    // A section repeated by hand is read by nobody while the first stands; a
    // deletion takes the copies of every slot it rewrites (an earlier slot's
    // stay), so none comes to light as a station without its playlist.
    void hiddenDuplicatesGoWithTheirSlot()
    {
        QTemporaryDir root;
        const FixedPaths paths = FixedPaths::Under(root.path());
        QVERIFY(paths.CreateFolders());
        WriteBytes(paths.catalogueFile, "[0]\nnazwa=One\n[0]\nnazwa=Kept\n[1]\nnazwa=Two\n"
                                        "[ 1 ]\nnazwa=Hidden\n[3]\nnazwa=Three\n");
        for (int slot : {0, 1, 3})
            WriteBytes(paths.PlaylistFile(slot), "pls");
        CatalogueStore store(paths);
        store.DeleteStation(1);
        QCOMPARE(store.StationRows(), (QStringList{"0) One - Error.", "2) Three - Error"}));
        QVERIFY(QFile::exists(paths.PlaylistFile(0)) && QFile::exists(paths.PlaylistFile(2)));
        QVERIFY(ReadBytes(paths.catalogueFile).contains("Kept"));
    }

    // A catalogue its owner made read-only stays as it is, and so does every
    // playlist; the refusal names the file. Checked on the mode: root too.
    void readOnlyCatalogueIsNotChanged()
    {
        QTemporaryDir root;
        const FixedPaths paths = FixedPaths::Under(root.path());
        QVERIFY(paths.CreateFolders());
        QVERIFY(WriteDenseCatalogue(paths, {{"A", "a"}, {"B", "b"}}));
        WriteBytes(paths.temporaryPlaylist, "captured");
        QVERIFY(QFile::setPermissions(paths.catalogueFile, QFile::ReadOwner));
        const auto files = [&] {
            return Playlists(paths).values() << ReadBytes(paths.catalogueFile);
        };
        const QList<QByteArray> before = files();
        CatalogueStore store(paths);
        const std::vector<std::function<void()>> changes = {
            [&] { store.InstallStation("New", "one"); },
            [&] { store.SetStationDescription(1, "other"); }, [&] { store.DeleteStation(0); }};
        for (const auto& change : changes) {
            QString said;
            try {
                change();
            } catch (const Error& error) {
                said = error.message();
            }
            QCOMPARE(said, store.ReadOnlyMessage());
            QCOMPARE(files(), before);
        }
        QVERIFY(store.ReadOnlyMessage().contains(paths.catalogueFile + " is read-only"));
    }
};

QTEST_GUILESS_MAIN(CatalogueStoreDeleteTest)
#include "catalogue_store_delete_test.moc"
