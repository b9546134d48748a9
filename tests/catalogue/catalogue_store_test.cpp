#include "catalogue_store.h"
#include "error.h"
#include "file_lock.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// A dense catalogue of `count` stations as the program writes it.
QByteArray Catalogue(int count)
{
    QByteArray text;
    for (int slot = 0; slot < count; ++slot) {
        const QByteArray n = QByteArray::number(slot);
        text += "[" + n + "]\nnumer=" + n + "\nnazwa=Station " + n + "\nopis=About " + n + "\n";
    }
    return text;
}

// Makes writes beyond `bytes` fail, even for root, while it lives.
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    Q_DISABLE_COPY_MOVE(FileSizeLimit)

private:
    void (*m_handler)(int);
    rlimit m_old{};
};

void ExpectUnableToWrite(const std::function<void()>& operation, const QString& path)
{
    try {
        operation();
        QFAIL("no error raised");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QStringLiteral("Unable to write to ") + path);
    }
}

} // namespace

class CatalogueStoreTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_root.emplace();
        QVERIFY(m_root->isValid());
        m_paths = FixedPaths::Under(m_root->path());
        QVERIFY(m_paths.CreateFolders());
        m_store = std::make_unique<CatalogueStore>(m_paths);
    }

    // Without a catalogue file nothing is listed; the first install creates slot 0 with its keys in
    // order.
    void firstInstallCreatesTheCatalogue()
    {
        QVERIFY(m_store->StationRows().isEmpty());
        QVERIFY(!QFile::exists(m_paths.catalogueFile));
        DownloadPlaylist("jazz playlist");
        QCOMPARE(m_store->InstallStation(QStringLiteral("Jazz"), QStringLiteral("Smooth")),
                 CatalogueStore::InstallResult::Installed);
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile),
                 QByteArray("[0]\nnumer=0\nnazwa=Jazz\nopis=Smooth\n"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(0)), QByteArray("jazz playlist"));
        QVERIFY(!QFile::exists(m_paths.temporaryPlaylist));
        QCOMPARE(m_store->StationRows(), QStringList{QStringLiteral("0) Jazz - Smooth")});
        QCOMPARE(m_store->StationName(0), QStringLiteral("Jazz"));
        QCOMPARE(m_store->StationDescription(0), QStringLiteral("Smooth"));
    }

    // An install takes the next slot, named in decimal without leading zeros (section 10,
    // file 10.pls).
    void installFillsTheLowestFreeSlot()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(10));
        DownloadPlaylist("tenth");
        QCOMPARE(m_store->InstallStation(QStringLiteral(" Blank  name "), QString()),
                 CatalogueStore::InstallResult::Installed);
        QVERIFY(ReadBytesOrMissing(m_paths.catalogueFile)
                    .endsWith("[10]\nnumer=10\nnazwa= Blank  name \nopis=\n"));
        QCOMPARE(
            ReadBytesOrMissing(m_root->filePath(QStringLiteral("data/wavedock/Radios/10.pls"))),
            QByteArray("tenth"));
        const QStringList rows = m_store->StationRows();
        QCOMPARE(rows.size(), 11);
        QCOMPARE(rows[9], QStringLiteral("9) Station 9 - About 9"));
        QCOMPARE(rows[10], QStringLiteral("10) Blank  name - "));
    }

    // Only "nazwa" makes a slot occupied, whatever its value; missing texts show their defaults.
    void occupancyAndDefaults()
    {
        WriteBytes(m_paths.catalogueFile, "[0]\r\nnazwa=No description\r\n"
                                          "[1]\r\nnazwa=Empty description\r\nopis=\r\n"
                                          "[2]\r\nnumer=2\r\nnazwa=Error\r\nopis=Error.\r\n"
                                          "[3]\r\nnazwa=\r\n"
                                          "[4]\r\nnumer=4\r\nopis=left without a name\r\n"
                                          "[6]\r\nnazwa=After a gap\r\nopis=x\r\n");
        const QStringList expected = {
            QStringLiteral("0) No description - Error."), QStringLiteral("1) Empty description - "),
            QStringLiteral("2) Error - Error."), QStringLiteral("3)  - Error."),
            QStringLiteral("6) After a gap - x")};
        QCOMPARE(m_store->StationRows(), expected);
        QCOMPARE(m_store->StationName(5), QStringLiteral("Error"));
        QCOMPARE(m_store->StationDescription(5), QStringLiteral("Error."));
        QCOMPARE(m_store->StationDescription(1), QString(""));

        DownloadPlaylist("four");
        QCOMPARE(m_store->InstallStation(QStringLiteral("Four"), QStringLiteral("d")),
                 CatalogueStore::InstallResult::Installed);
        QCOMPARE(m_store->StationName(4), QStringLiteral("Four"));
        QCOMPARE(m_store->StationDescription(4), QStringLiteral("d"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(4)), QByteArray("four"));
    }

    // A playlist file left in a free slot belongs to nobody: the install replaces it. A playlist
    // that cannot be placed leaves no station behind and the download in place for another try.
    void installReplacesAnOrphanAndUndoesAFailure()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(5));
        WriteBytes(m_paths.PlaylistFile(5), "stale playlist");
        DownloadPlaylist("fresh playlist");
        QCOMPARE(m_store->InstallStation(QStringLiteral("New"), QStringLiteral("d")),
                 CatalogueStore::InstallResult::Installed);
        QCOMPARE(m_store->StationName(5), QStringLiteral("New"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(5)), QByteArray("fresh playlist"));
        QVERIFY(!QFile::exists(m_paths.temporaryPlaylist));

        QCOMPARE(m_store->InstallStation(QStringLiteral("Next"), QStringLiteral("d")),
                 CatalogueStore::InstallResult::PlaylistNotMoved);
        QCOMPARE(m_store->StationRows().size(), 6);
        QVERIFY(!QFile::exists(m_paths.PlaylistFile(6)));
        QCOMPARE(QString::fromLatin1(kInstallFailedMessage),
                 QStringLiteral("Error while installing file. Please try again."));
    }

    // The last free slot is 500: an install lands there and lists 501 rows; then an install
    // writes nothing and leaves the download alone.
    void installFillsSlot500ThenTheCatalogueIsFull()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(CatalogueStore::kSlotCount - 1));
        DownloadPlaylist("last one");
        QCOMPARE(
            m_store->InstallStation(QStringLiteral("Station 500"), QStringLiteral("About 500")),
            CatalogueStore::InstallResult::Installed);
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(CatalogueStore::kSlotCount));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(500)), QByteArray("last one"));
        QCOMPARE(m_store->StationRows().size(), 501);
        QCOMPARE(m_store->StationRows().last(), QStringLiteral("500) Station 500 - About 500"));

        DownloadPlaylist("one too many");
        QCOMPARE(m_store->InstallStation(QStringLiteral("Extra"), QString()),
                 CatalogueStore::InstallResult::CatalogueFull);
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(CatalogueStore::kSlotCount));
        QCOMPARE(ReadBytesOrMissing(m_paths.temporaryPlaylist), QByteArray("one too many"));
        QCOMPARE(m_store->StationRows().size(), 501);
    }

    // Deleting row 0 of three moves the others down with their playlists; the deleted playlist is
    // gone.
    void deleteMovesLaterStationsDown()
    {
        for (int i = 0; i < 3; ++i) {
            DownloadPlaylist("playlist " + QByteArray::number(i));
            m_store->InstallStation(QStringLiteral("S%1").arg(i), QStringLiteral("D%1").arg(i));
        }
        m_store->DeleteStation(0);
        QCOMPARE(m_store->StationRows(),
                 (QStringList{QStringLiteral("0) S1 - D1"), QStringLiteral("1) S2 - D2")}));
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile),
                 QByteArray("[0]\nnumer=0\nnazwa=S1\nopis=D1\n[1]\nnumer=1\nnazwa=S2\nopis=D2\n"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(0)), QByteArray("playlist 1"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(1)), QByteArray("playlist 2"));
        QVERIFY(!QFile::exists(m_paths.PlaylistFile(2)));

        // The last row goes alone.
        m_store->DeleteStation(1);
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile),
                 QByteArray("[0]\nnumer=0\nnazwa=S1\nopis=D1\n"));
        QCOMPARE(QDir(m_paths.radiosFolder).entryList(QDir::Files), QStringList{"0.pls"});
    }

    // In a full catalogue, deleting a row frees slot 500; deleting row 500 just empties it.
    void deleteFromAFullCatalogue()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(CatalogueStore::kSlotCount));
        for (int slot = 0; slot < CatalogueStore::kSlotCount; ++slot) {
            WriteBytes(m_paths.PlaylistFile(slot), QByteArray::number(slot));
        }
        m_store->DeleteStation(500);
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(500));
        QVERIFY(!QFile::exists(m_paths.PlaylistFile(500)));

        WriteBytes(m_paths.catalogueFile, Catalogue(CatalogueStore::kSlotCount));
        WriteBytes(m_paths.PlaylistFile(500), "500");
        m_store->DeleteStation(0);
        const QStringList rows = m_store->StationRows();
        QCOMPARE(rows.size(), 500);
        QCOMPARE(rows.first(), QStringLiteral("0) Station 1 - About 1"));
        QCOMPARE(rows.last(), QStringLiteral("499) Station 500 - About 500"));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(499)), QByteArray("500"));
        QVERIFY(!QFile::exists(m_paths.PlaylistFile(500)));
        QCOMPARE(m_store->StationName(500), QStringLiteral("Error"));
    }

    // A new description replaces "opis" only; an empty one is stored empty.
    void descriptionChange()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(3));
        WriteBytes(m_paths.PlaylistFile(1), "one");
        m_store->SetStationDescription(1, QStringLiteral("Fresh"));
        QCOMPARE(m_store->StationDescription(1), QStringLiteral("Fresh"));
        QByteArray expected = Catalogue(3);
        expected.replace("opis=About 1", "opis=Fresh");
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), expected);
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(1)), QByteArray("one"));

        m_store->SetStationDescription(2, QString());
        QCOMPARE(m_store->StationRows().last(), QStringLiteral("2) Station 2 - "));
    }

    // Numbers outside 0..500 name no slot and change nothing.
    void slotsOutsideTheCatalogueAreIgnored()
    {
        WriteBytes(m_paths.catalogueFile, Catalogue(3));
        WriteBytes(m_paths.PlaylistFile(0), "zero");
        m_store->DeleteStation(-1);
        m_store->DeleteStation(501);
        m_store->SetStationDescription(-1, QStringLiteral("x"));
        QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(3));
        QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(0)), QByteArray("zero"));
    }

    // A catalogue that cannot be written raises "Unable to write to <path>" and moves no file.
    void unwritableCatalogueRaisesTheError()
    {
        const QString folder = QFileInfo(m_paths.catalogueFile).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        DownloadPlaylist("kept");
        ExpectUnableToWrite([&] { m_store->InstallStation(QStringLiteral("Jazz"), QString()); },
                            m_paths.catalogueFile);
        ExpectUnableToWrite([&] { m_store->SetStationDescription(0, QStringLiteral("x")); },
                            m_paths.catalogueFile);
        QCOMPARE(ReadBytesOrMissing(m_paths.temporaryPlaylist), QByteArray("kept"));
        QVERIFY(m_store->StationRows().isEmpty());

        // A deletion or an install whose catalogue write fails leaves every playlist where it
        // was, with no second name, and the download in place.
        QVERIFY(m_paths.CreateFolders());
        WriteBytes(m_paths.catalogueFile, Catalogue(100));
        WriteBytes(m_paths.PlaylistFile(0), "zero");
        WriteBytes(m_paths.PlaylistFile(1), "one");
        const auto expectUnchanged = [&] {
            QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(100));
            QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(0)), QByteArray("zero"));
            QCOMPARE(ReadBytesOrMissing(m_paths.PlaylistFile(1)), QByteArray("one"));
            QCOMPARE(QDir(m_paths.radiosFolder).entryList(QDir::Files | QDir::Hidden),
                     QStringList({QStringLiteral("0.pls"), QStringLiteral("1.pls")}));
            QCOMPARE(ReadBytesOrMissing(m_paths.temporaryPlaylist), QByteArray("kept"));
        };
        {
            // Room for the deletion's journal, not for the catalogue: the commit itself fails.
            const FileSizeLimit limit(4096);
            ExpectUnableToWrite([&] { m_store->DeleteStation(0); }, m_paths.catalogueFile);
            expectUnchanged();
            ExpectUnableToWrite([&] { m_store->InstallStation(QStringLiteral("J"), QString()); },
                                m_paths.catalogueFile);
            expectUnchanged();
        }

        // A folder that forbids writing (root writes anywhere, so only checked for others).
        if (::geteuid() != 0) {
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            ExpectUnableToWrite([&] { m_store->DeleteStation(0); }, m_paths.catalogueFile);
            ExpectUnableToWrite([&] { m_store->InstallStation(QStringLiteral("J"), QString()); },
                                m_paths.catalogueFile);
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
            QCOMPARE(ReadBytesOrMissing(m_paths.catalogueFile), Catalogue(100));
        }
    }

    // An unreadable catalogue (a folder in its place) is reported by name at start, lists
    // nothing, and no change writes over it.
    void unreadableCatalogueIsReportedAndKept()
    {
        QVERIFY(QDir().mkdir(m_paths.catalogueFile));
        QCOMPARE(m_store->Recover(), CatalogueStore::Health::Unreadable);
        QVERIFY(m_store->UnreadableMessage().contains(m_paths.catalogueFile));
        QVERIFY(m_store->StationRows().isEmpty());
        DownloadPlaylist("kept");
        ExpectUnableToWrite([&] { m_store->InstallStation(QStringLiteral("Jazz"), QString()); },
                            m_paths.catalogueFile);
        ExpectUnableToWrite([&] { m_store->SetStationDescription(0, QStringLiteral("x")); },
                            m_paths.catalogueFile);
        ExpectUnableToWrite([&] { m_store->DeleteStation(0); }, m_paths.catalogueFile);
        QVERIFY(QFileInfo(m_paths.catalogueFile).isDir());
        QCOMPARE(ReadBytesOrMissing(m_paths.temporaryPlaylist), QByteArray("kept"));
        QVERIFY(!QFile::exists(m_paths.PlaylistFile(0)));
    }

    // A start while another holder keeps the writers' lock does not wait for it, and leaves that
    // writer's half-written files alone.
    void startDoesNotWaitForALockHeldElsewhere()
    {
        const QString stray = m_paths.radiosFolder + QStringLiteral("/.7.pls.move.tmp");
        WriteBytes(stray, "in use");
        const QFileInfo catalogue(m_paths.catalogueFile);
        const platform::FileLock elsewhere(catalogue.absolutePath() + QStringLiteral("/.") +
                                           catalogue.fileName() + QStringLiteral(".lock"));
        QVERIFY(elsewhere.IsHeld());
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_store->Recover(), CatalogueStore::Health::Readable);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(QFile::exists(stray));
    }

private:
    void DownloadPlaylist(const QByteArray& contents)
    {
        WriteBytes(m_paths.temporaryPlaylist, contents);
    }

    std::optional<QTemporaryDir> m_root;
    FixedPaths m_paths;
    std::unique_ptr<CatalogueStore> m_store;
};

QTEST_GUILESS_MAIN(CatalogueStoreTest)
#include "catalogue_store_test.moc"
