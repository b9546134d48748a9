#include "profile_file.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace platform;

namespace {

// One key written the way the product writes: a whole-file change.
bool WriteKey(const QString& path, const QString& section, const QString& key, const QString& value)
{
    return UpdateProfile(
        path, [&](ProfileDocument& contents) { return contents.WriteString(section, key, value); });
}

bool Erase(const QString& path, const QString& section)
{
    return UpdateProfile(path, [&](ProfileDocument& contents) {
        contents.EraseSection(section);
        return true;
    });
}

} // namespace

class ProfileFileTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(QStringLiteral("wavedock.lst"));
    }

    // Reading follows the Windows rules the stored catalogues were written under.
    void readsLikeTheWindowsProfileFunctions()
    {
        WriteBytes(m_path, "; a comment line\r\n"
                           "orphan=belongs to no section\r\n"
                           "[ Radio ]\r"
                           "  Nazwa  =  Jazz FM  \n"
                           "nazwa=second key loses\r\n"
                           "opis=\r\n"
                           "url=http://x/?a=b\r\n"
                           "; opis=commented\r\n"
                           "plain line\r\n"
                           "[radio]\r\n"
                           "nazwa=second section loses\r\n"
                           "extra=only here\r\n");
        const auto read = [this](const char* section, const char* key) {
            return ReadProfileString(m_path, QString::fromUtf8(section), QString::fromUtf8(key),
                                     QStringLiteral("DEFAULT"));
        };
        QCOMPARE(read("RADIO", "NAZWA"), QStringLiteral("Jazz FM"));
        QCOMPARE(read("radio", "opis"), QString(""));
        QVERIFY(!read("radio", "opis").isNull());
        QCOMPARE(read("radio", "url"), QStringLiteral("http://x/?a=b"));
        QCOMPARE(read("radio", "extra"), QStringLiteral("DEFAULT"));
        QCOMPARE(read("radio", "plain line"), QStringLiteral("DEFAULT"));
        QCOMPARE(read("radio", "; opis"), QStringLiteral("DEFAULT"));
        QCOMPARE(read("radio", "missing"), QStringLiteral("DEFAULT"));
        QCOMPARE(read("other", "nazwa"), QStringLiteral("DEFAULT"));
        QCOMPARE(read("", "orphan"), QStringLiteral("DEFAULT"));
    }

    // An absent file reads as defaults and stays absent; long values are cut at 2047.
    void readsNeverCreateAndCutLongValues()
    {
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("nazwa"),
                                   QStringLiteral("Error")),
                 QStringLiteral("Error"));
        QVERIFY(!QFile::exists(m_path));

        const QString longValue(3000, QLatin1Char('a'));
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("opis"), longValue));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("opis"), QString()),
                 longValue.left(2047));
        // A character outside the basic plane is never cut in half.
        const QString wide = QString(2046, QLatin1Char('b')) + QStringLiteral("\U0001F3B5");
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("opis"), wide));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("opis"), QString()),
                 wide.left(2046));
    }

    // Writes create what is missing: the file, a section at the end, a key at the end of its
    // section.
    void writesCreateFileSectionAndKey()
    {
        QVERIFY(
            WriteKey(m_path, QStringLiteral("0"), QStringLiteral("numer"), QStringLiteral("0")));
        QVERIFY(
            WriteKey(m_path, QStringLiteral("1"), QStringLiteral("nazwa"), QStringLiteral("Rock")));
        QVERIFY(
            WriteKey(m_path, QStringLiteral("0"), QStringLiteral("nazwa"), QStringLiteral("Jazz")));
        QVERIFY(
            WriteKey(m_path, QStringLiteral("0"), QStringLiteral("NUMER"), QStringLiteral("7")));
        QCOMPARE(ReadBytes(m_path), QByteArray("[0]\nnumer=7\nnazwa=Jazz\n[1]\nnazwa=Rock\n"));
    }

    // Changing one key rewrites that line only: every other byte of the file stays.
    void rewriteKeepsEveryOtherByte()
    {
        const QByteArray before = "\xEF\xBB\xBF; kept\r\n"
                                  "[Unknown]\r\n"
                                  "x = 1 \r\n"
                                  "\r\n"
                                  "[0]\n"
                                  "Opis = old\r\n"
                                  "nazwa=Caf\xE9\r\n"
                                  "; trailing comment\r"
                                  "[2]\r\n"
                                  "ansi=\x80\x9F\xFF";
        WriteBytes(m_path, before);
        QVERIFY(
            WriteKey(m_path, QStringLiteral("0"), QStringLiteral("opis"), QStringLiteral("new")));
        QByteArray expected = before;
        expected.replace("Opis = old", "Opis =new");
        QCOMPARE(ReadBytes(m_path), expected);

        // New keys follow the file's line ends, and a last line without one gets one.
        QVERIFY(
            WriteKey(m_path, QStringLiteral("0"), QStringLiteral("numer"), QStringLiteral("0")));
        QVERIFY(WriteKey(m_path, QStringLiteral("2"), QStringLiteral("k"), QStringLiteral("v")));
        expected.replace("nazwa=Caf\xE9\r\n", "nazwa=Caf\xE9\r\nnumer=0\r\n");
        expected += "\r\nk=v\r\n";
        QCOMPARE(ReadBytes(m_path), expected);
    }

    // A new line takes the line end of the line before it, so a lone CR never merges with the LF
    // of an empty line that follows into one CRLF.
    void newLineNeverMergesWithTheNext()
    {
        WriteBytes(m_path, "[a]\rk=1\n\n[b]\rx=2\r");
        QVERIFY(WriteKey(m_path, QStringLiteral("a"), QStringLiteral("new"), QStringLiteral("v")));
        QCOMPARE(ReadBytes(m_path), QByteArray("[a]\rk=1\nnew=v\n\n[b]\rx=2\r"));
    }

    // Text that is not UTF-8 (the ANSI bytes of catalogues written on Windows) reads as
    // Windows-1252; ours is UTF-8.
    void readsAnsiAndWritesUtf8()
    {
        WriteBytes(m_path, "[0]\nnazwa=Caf\xE9 \x80 \x96 Tr\xF3jka\nopis=Tr\xC3\xB3jka\n");
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("nazwa"), QString()),
                 QStringLiteral("Café € – Trójka"));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("opis"), QString()),
                 QStringLiteral("Trójka"));
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("nazwa"),
                         QStringLiteral("Łódź €")));
        QVERIFY(ReadBytes(m_path).contains("nazwa=\xC5\x81\xC3\xB3\x64\xC5\xBA \xE2\x82\xAC\n"));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("nazwa"), QString()),
                 QStringLiteral("Łódź €"));
    }

    // A value can never start a line of its own, and unreadable names are refused.
    void valuesAndNamesCannotInjectLines()
    {
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("opis"),
                         QStringLiteral("a\r\n[1]\rnazwa=evil\nend")));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("opis"), QString()),
                 QStringLiteral("a [1] nazwa=evil end"));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("1"), QStringLiteral("nazwa"),
                                   QStringLiteral("free")),
                 QStringLiteral("free"));

        const QByteArray before = ReadBytes(m_path);
        const QStringList badSections = {QString(), QStringLiteral("  "), QStringLiteral("a]b"),
                                         QStringLiteral("0\n[1"), QStringLiteral("0\r")};
        for (const QString& section : badSections) {
            QVERIFY2(!WriteKey(m_path, section, QStringLiteral("k"), QStringLiteral("v")),
                     qPrintable(section));
        }
        const QStringList badKeys = {QString(), QStringLiteral("nazwa=x"), QStringLiteral("a\nb"),
                                     QStringLiteral(";c"), QStringLiteral("[1]")};
        for (const QString& key : badKeys) {
            QVERIFY2(!WriteKey(m_path, QStringLiteral("0"), key, QStringLiteral("v")),
                     qPrintable(key));
        }
        QCOMPARE(ReadBytes(m_path), before);
    }

    // Erasing takes the first matching section with all its lines; a missing one changes nothing.
    void eraseSection()
    {
        QVERIFY(Erase(m_path, QStringLiteral("3")));
        QVERIFY(!QFile::exists(m_path));

        WriteBytes(m_path, "[A]\r\nk=1\r\n; note\r\n[b]\r\nk=2\r\n[a]\r\nk=3");
        QVERIFY(Erase(m_path, QStringLiteral("a")));
        QCOMPARE(ReadBytes(m_path), QByteArray("[b]\r\nk=2\r\n[a]\r\nk=3"));
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("A"), QStringLiteral("k"), QString()),
                 QStringLiteral("3"));
        QVERIFY(Erase(m_path, QStringLiteral("missing")));
        QCOMPARE(ReadBytes(m_path), QByteArray("[b]\r\nk=2\r\n[a]\r\nk=3"));
    }

    // A replacement keeps the file's permissions and writes through a symbolic link.
    void replacementKeepsPermissionsAndLinks()
    {
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("k"), QStringLiteral("1")));
        const QByteArray native = QFile::encodeName(m_path);
        QCOMPARE(::chmod(native.constData(), 0640), 0);
        QVERIFY(WriteKey(m_path, QStringLiteral("0"), QStringLiteral("k"), QStringLiteral("2")));
        struct stat status;
        QCOMPARE(::stat(native.constData(), &status), 0);
        QCOMPARE(status.st_mode & 07777, 0640u);

        const QString link = m_dir->filePath(QStringLiteral("link.lst"));
        QVERIFY(QFile::link(m_path, link));
        QVERIFY(WriteKey(link, QStringLiteral("0"), QStringLiteral("k"), QStringLiteral("3")));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(ReadProfileString(m_path, QStringLiteral("0"), QStringLiteral("k"), QString()),
                 QStringLiteral("3"));
    }

    // A write that cannot be finished leaves the old file whole and no stray file beside it.
    void failedWriteLeavesTheOldFile()
    {
        const QByteArray before = "[0]\nnazwa=Jazz\n";
        WriteBytes(m_path, before);
        QVERIFY(!WriteKey(m_dir->filePath(QStringLiteral("no/such/folder.lst")),
                          QStringLiteral("0"), QStringLiteral("k"), QStringLiteral("v")));

        // Even root cannot write past the file size limit: the write fails half-way.
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit oldLimit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
        rlimit small = oldLimit;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = WriteKey(m_path, QStringLiteral("0"), QStringLiteral("opis"),
                                      QString(2 * 4096, QLatin1Char('x')));
        setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QCOMPARE(ReadBytes(m_path), before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("wavedock.lst")});
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "profile_file_test.moc"
