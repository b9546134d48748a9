// Station playlists of every format turned into the ".pls" the catalogue keeps,
// and every kind of input that must not get in.
#include "playlist_conversion.h"

#include <QtTest>

using namespace playlist;

namespace {

struct Entry
{
    const char* address;
    const char* title;
};

QByteArray Pls(std::initializer_list<Entry> entries)
{
    QByteArray pls = "[playlist]\n";
    int n = 0;
    for (const Entry& entry : entries) {
        const QByteArray number = QByteArray::number(++n);
        pls += "File" + number + '=' + entry.address + '\n';
        if (*entry.title)
            pls += "Title" + number + '=' + entry.title + '\n';
        pls += "Length" + number + "=-1\n";
    }
    return pls + "NumberOfEntries=" + QByteArray::number(n) + "\nVersion=2\n";
}

} // namespace

class PlaylistConversionTest final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void convertsEveryFormatAndRefusesWhatIsNoPlaylist_data();
    void convertsEveryFormatAndRefusesWhatIsNoPlaylist();
    void keepsTheFirstHundredEntries();
    void tellsStationsByTypeAndAddress();
};

void PlaylistConversionTest::convertsEveryFormatAndRefusesWhatIsNoPlaylist_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("pls");  // when converted
    QTest::addColumn<QString>("refusal"); // otherwise
    const auto row = [](const char* name, const QByteArray& source, const QByteArray& pls) {
        QTest::newRow(name) << source << pls << QString();
    };
    const auto refused = [](const char* name, const QByteArray& source, const QString& why) {
        QTest::newRow(name) << source << QByteArray() << why;
    };
    row("PLS: by number, counted again, lengths -1",
        "[playlist]\nNumberOfEntries=9\nFile2=http://b.example/\nfile1 = http://a.example/\n"
        "Title1=A\nLength1=300\nVersion=2\n",
        "[playlist]\nFile1=http://a.example/\nTitle1=A\nLength1=-1\nFile2=http://b.example/\n"
        "Length2=-1\nNumberOfEntries=2\nVersion=2\n");
    row("PLS: CRLF, file: left out, scheme and host in lower case",
        "\r\n[Playlist]\r\nFile1=file:///etc/passwd\r\nFile2=HTTP://Radio.Example/live\r\n",
        Pls({{"http://radio.example/live", ""}}));
    row("extended M3U: titles, a quoted comma",
        "#EXTM3U\n#EXTINF:-1,Jazz FM\nhttp://jazz.example:8000/stream\n"
        "#EXTINF:-1 tvg-name=\"a,b\",Rock\nhttps://rock.example/live\n",
        Pls({{"http://jazz.example:8000/stream", "Jazz FM"},
             {"https://rock.example/live", "Rock"}}));
    row("plain list: byte order mark, CRLF, blank lines",
        "\xEF\xBB\xBFhttp://a.example/1\r\n\r\nhttp://a.example/2 \r\n",
        Pls({{"http://a.example/1", ""}, {"http://a.example/2", ""}}));
    row("M3U in Latin-1, blanks in an address", "#EXTINF:-1,Caf\xE9\nhttp://a.example/my stream\n",
        Pls({{"http://a.example/my%20stream", "Caf\xC3\xA9"}}));
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
    refused("HTML page", "\n<!doctype html><html><body>Radio</body></html>", kWebPage);
    refused("HTML without doctype", "<html><head><title>x</title></head></html>", kWebPage);
    refused("XHTML",
            "<?xml version='1.0'?><!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\"><html/>",
            kWebPage);
    refused("external entity",
            "<?xml version='1.0'?><!DOCTYPE playlist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
            "<playlist><trackList><track><location>http://a.example/&x;</location></track>"
            "</trackList></playlist>",
            kUnreadable);
    refused("entity expansion",
            "<!DOCTYPE asx [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
            "<asx><entry><ref href=\"http://a.example/&b;\"/></entry></asx>",
            kUnreadable);
    refused("cut-off XML",
            "<playlist><trackList><track><location>http://a.example/</location></track>",
            kUnreadable);
    refused("other XML", "<rss><channel><link>http://a.example/</link></channel></rss>",
            kUnreadable);
    refused("binary", QByteArray("\xFF\xFB\x90\x00\x00\x00http://a.example/\n", 23), kUnreadable);
    refused("larger than allowed", QByteArray(kMaxSourceBytes + 1, 'a'), kUnreadable);
    refused("HLS", "#EXTM3U\n#EXT-X-TARGETDURATION:10\nhttp://a.example/1.ts\n", kHlsStream);
    refused("no web address",
            "file:///etc/passwd\ndata:audio/mpeg;base64,AAAA\njavascript:alert(1)\n/home/a.mp3\n"
            "C:\\Radio\\a.mp3\nstream.mp3\nftp://a.example/a.mp3\nhttp://\nhttp://a.example/" +
                QByteArray(kMaxAddressLength, 'x') + "\n",
            kNoUsableEntry);
    refused("nothing", "", kNoUsableEntry);
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

// A directory's list of a thousand mirrors keeps its first hundred.
void PlaylistConversionTest::keepsTheFirstHundredEntries()
{
    QByteArray source;
    for (int i = 1; i <= 1000; ++i)
        source += "http://m.example/" + QByteArray::number(i) + '\n';
    const QByteArray pls = ToPls(source).pls;
    QVERIFY(pls.contains("\nFile100=http://m.example/100\n"));
    QVERIFY(!pls.contains("File101"));
    QVERIFY(pls.endsWith("\nNumberOfEntries=100\nVersion=2\n"));
}

// Answers are told by their media type, addresses by their file name, and a
// stream's own address becomes its playlist.
void PlaylistConversionTest::tellsStationsByTypeAndAddress()
{
    QCOMPARE(KindOfMediaType("audio/x-mpegurl"), MediaKind::Playlist);
    QCOMPARE(KindOfMediaType("Application/XSPF+xml"), MediaKind::Playlist);
    QCOMPARE(KindOfMediaType("video/x-ms-asf"), MediaKind::Playlist);
    QCOMPARE(KindOfMediaType("audio/mpeg"), MediaKind::Stream);
    QCOMPARE(KindOfMediaType("application/ogg"), MediaKind::Stream);
    QCOMPARE(KindOfMediaType("text/html"), MediaKind::Other);
    QCOMPARE(KindOfMediaType(""), MediaKind::Other);
    QVERIFY(NamesPlaylistFile(QUrl("http://a.example/x.M3U?id=1")));
    QVERIFY(NamesPlaylistFile(QUrl("http://a.example/x.m3u8")));
    QVERIFY(NamesPlaylistFile(QUrl("http://a.example/x.xspf")));
    QVERIFY(NamesPlaylistFile(QUrl("http://a.example/x.asx")));
    QVERIFY(!NamesPlaylistFile(QUrl("http://a.example/m3u/x")));
    QVERIFY(!NamesPlaylistFile(QUrl("http://a.example/x.html?f=y.m3u")));
    QCOMPARE(StreamToPls(QUrl("http://s.example:8000/live")).pls,
             Pls({{"http://s.example:8000/live", ""}}));
    QCOMPARE(StreamToPls(QUrl("file:///live")).error, kNoUsableEntry);
}

QTEST_GUILESS_MAIN(PlaylistConversionTest)

#include "playlist_conversion_test.moc"
