// Station playlists of every format turned into the ".pls" the catalogue keeps,
// and every kind of input that must not get in; the media types and addresses
// that lead to them are checked where links are captured.
#include "playlist_conversion.h"

#include <QtTest>

using namespace playlist;

namespace {
// The expected ".pls" of (address, title) pairs; an empty title is left out.
QByteArray Pls(const QList<QPair<QByteArray, QByteArray>>& entries)
{
    QByteArray pls = "[playlist]\n";
    for (int i = 0; i < entries.size(); ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        pls += "File" + n + '=' + entries[i].first + '\n';
        if (!entries[i].second.isEmpty())
            pls += "Title" + n + '=' + entries[i].second + '\n';
        pls += "Length" + n + "=-1\n";
    }
    return pls + "NumberOfEntries=" + QByteArray::number(entries.size()) + "\nVersion=2\n";
}
} // namespace

class PlaylistConversionTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void convertsEveryFormatAndRefusesWhatIsNoPlaylist_data();
    void convertsEveryFormatAndRefusesWhatIsNoPlaylist();
};

void PlaylistConversionTest::convertsEveryFormatAndRefusesWhatIsNoPlaylist_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("pls");
    QTest::addColumn<QString>("refusal");
    const auto row = [](const char* name, const QByteArray& source, const QByteArray& pls,
                        const QString& refusal = {}) {
        QTest::newRow(name) << source << pls << refusal;
    };
    row("PLS: by number, counted again, CRLF, lengths -1, file: left out, lower case",
        "\r\n[Playlist]\r\nNumberOfEntries=9\r\nFile2=HTTP://B.Example/\r\nfile1 = "
        "http://a.example/"
        "\r\nTitle1=A\r\nLength1=300\r\nFile0=file:///etc/passwd\r\nFile3=file:///etc/passwd\r\n",
        "[playlist]\nFile1=http://a.example/\nTitle1=A\nLength1=-1\nFile2=http://b.example/\n"
        "Length2=-1\nNumberOfEntries=2\nVersion=2\n");
    row("M3U: titles, a quoted comma, byte order mark, CRLF, Latin-1, a blank",
        "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1 tvg-name=\"a,b\",Caf\xE9\r\nhttp://a.example/a b \r\n"
        "\r\nhttps://b.example/live\n",
        Pls({{"http://a.example/a%20b", "Caf\xC3\xA9"}, {"https://b.example/live", ""}}));
    row("XSPF: location and title per track",
        "<?xml version='1.0'?><playlist version='1' xmlns='http://xspf.org/ns/0/'><title>All"
        "</title><trackList><track><location>\n http://x.example/a </location><title>X\nOne"
        "</title></track><track><location>https://x.example/b</location></track></trackList>"
        "</playlist>",
        Pls({{"http://x.example/a", "X One"}, {"https://x.example/b", ""}}));
    row("ASX: tags in any case, bare &, mms left out",
        "<ASX version=\"3.0\"><Title>All</Title><ENTRY><TITLE>Talk</TITLE>"
        "<REF HREF=\"mms://t.example/live\"/><Ref href=\"http://t.example/live?a=1&b=2\"/>"
        "</ENTRY></ASX>",
        Pls({{"http://t.example/live?a=1&b=2", "Talk"}}));
    row("a thousand mirrors: the first hundred", QByteArray("http://m.example/\n").repeated(1000),
        Pls(QList<QPair<QByteArray, QByteArray>>(kMaxEntries, {"http://m.example/", {}})));
    row("HTML page", "\n<!doctype html><html><body>Radio</body></html>", {}, kWebPage);
    row("HTML without doctype", "<html><head><title>x</title></head></html>", {}, kWebPage);
    row("external entity",
        "<?xml version='1.0'?><!DOCTYPE playlist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<playlist><trackList><track><location>http://a.example/&x;</location></track>"
        "</trackList></playlist>",
        {}, kUnreadable);
    row("cut-off XML", "<playlist><trackList><track><location>http://a.example/</location>", {},
        kUnreadable);
    row("binary", QByteArray("\xFF\xFB\x90\x00\x00\x00http://a.example/\n", 23), {}, kUnreadable);
    row("larger than allowed", QByteArray(kMaxSourceBytes + 1, 'a'), {}, kUnreadable);
    row("HLS", "#EXTM3U\n#EXT-X-TARGETDURATION:10\nhttp://a.example/1.ts\n", {}, kHlsStream);
    row("no web address",
        "file:///etc/passwd\ndata:audio/mpeg;base64,AAAA\njavascript:alert(1)\n/home/a.mp3\n"
        "C:\\Radio\\a.mp3\nstream.mp3\nftp://a.example/a.mp3\nhttp://\nhttp://a.example/" +
            QByteArray(kMaxAddressLength, 'x') + "\n",
        {}, kNoUsableEntry);
}

// Each format becomes the same ".pls"; what is not a usable playlist says why.
void PlaylistConversionTest::convertsEveryFormatAndRefusesWhatIsNoPlaylist()
{
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, pls);
    QFETCH(QString, refusal);
    const Conversion converted = ToPls(source);
    QCOMPARE(converted.error, refusal);
    QCOMPARE(converted.pls, pls);
}

QTEST_GUILESS_MAIN(PlaylistConversionTest)

#include "playlist_conversion_test.moc"
