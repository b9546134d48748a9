#include "file_operations.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

using Rename = std::function<bool(const QString&, const QString&)>;

} // namespace

Q_DECLARE_METATYPE(Rename)

class FileOperationsTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void renameNeverReplaces_data()
    {
        QTest::addColumn<Rename>("rename");
        QTest::newRow("no-replace rename") << Rename(&platform::RenameFile);
        QTest::newRow("link fallback") << Rename(&platform::detail::RenameFileByLink);
        QTest::newRow("copy across file systems") << Rename(&platform::detail::RenameFileByCopy);
    }

    // A rename moves the file, but never over an existing file, from a missing one or into a
    // missing folder.
    void renameNeverReplaces()
    {
        QFETCH(Rename, rename);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString temporary = dir.filePath(QStringLiteral("temp.pls"));
        const QString installed = dir.filePath(QStringLiteral("5.pls"));
        WriteBytes(temporary, "new playlist");
        WriteBytes(installed, "old playlist");

        QVERIFY(!rename(temporary, installed));
        QCOMPARE(ReadBytesOrMissing(temporary), QByteArray("new playlist"));
        QCOMPARE(ReadBytesOrMissing(installed), QByteArray("old playlist"));

        QVERIFY(!rename(temporary, dir.filePath(QStringLiteral("Radios/6.pls"))));
        QCOMPARE(ReadBytesOrMissing(temporary), QByteArray("new playlist"));

        const QString free = dir.filePath(QStringLiteral("6.pls"));
        QVERIFY(rename(temporary, free));
        QVERIFY(!QFile::exists(temporary));
        QCOMPARE(ReadBytesOrMissing(free), QByteArray("new playlist"));

        QVERIFY(!rename(temporary, dir.filePath(QStringLiteral("7.pls"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("7.pls"))));
    }

    // Deleting removes a file and reports a missing file or a folder as a failure.
    void deleteReportsWhatHappened()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("0.pls"));
        WriteBytes(file, "x");
        QVERIFY(platform::DeleteFile(file));
        QVERIFY(!QFile::exists(file));
        QVERIFY(!platform::DeleteFile(file));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Radios")));
        QVERIFY(!platform::DeleteFile(dir.filePath(QStringLiteral("Radios"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Radios"))));
    }
};

QTEST_GUILESS_MAIN(FileOperationsTest)
#include "file_operations_test.moc"
