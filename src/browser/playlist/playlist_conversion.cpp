#include "playlist_conversion.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <map>
#include <optional>
#include <vector>

namespace playlist {

const QString kNoUsableEntry =
    QStringLiteral("This playlist holds no http or https address of a station.");
const QString kWebPage =
    QStringLiteral("This address leads to a web page, not to a station playlist.");
const QString kUnreadable = QStringLiteral("This file is not a station playlist that can be read.");
const QString kHlsStream =
    QStringLiteral("This is an HLS stream (.m3u8), which cannot be installed as a station.");

namespace {

Conversion Refused(const QString& why)
{
    return {{}, why};
}

struct Entry
{
    QString address;
    QString title;
};

// The usable entries of a source, in its order, up to the limit.
class Entries final
{
public:
    void Add(const QString& address, const QString& title)
    {
        if (Full())
            return;
        const QString trimmed = address.trimmed();
        if (trimmed.size() > kMaxAddressLength)
            return;
        // Tolerant: stray blanks and the like in real playlists are encoded, not refused.
        const QUrl url(trimmed, QUrl::TolerantMode);
        const QString scheme = url.scheme(); // QUrl keeps schemes in lower case
        if (!url.isValid() || url.host().isEmpty() ||
            (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            return;
        // Encoded, an address can hold no line break or blank that would end its line.
        const QString encoded = QString::fromLatin1(url.toEncoded());
        if (encoded.size() > kMaxAddressLength)
            return;
        QString shortTitle = title.simplified();
        if (shortTitle.size() > kMaxTitleLength) {
            const bool splitsPair = shortTitle.at(kMaxTitleLength - 1).isHighSurrogate();
            shortTitle.truncate(splitsPair ? kMaxTitleLength - 1 : kMaxTitleLength);
        }
        m_entries.push_back({encoded, shortTitle});
    }

    bool Full() const { return m_entries.size() >= std::size_t(kMaxEntries); }

    Conversion ToPls() const
    {
        if (m_entries.empty())
            return Refused(kNoUsableEntry);
        QByteArray pls = "[playlist]\n";
        int number = 0;
        for (const Entry& entry : m_entries) {
            const QByteArray n = QByteArray::number(++number);
            pls += "File" + n + '=' + entry.address.toUtf8() + '\n';
            if (!entry.title.isEmpty())
                pls += "Title" + n + '=' + entry.title.toUtf8() + '\n';
            pls += "Length" + n + "=-1\n";
        }
        pls += "NumberOfEntries=" + QByteArray::number(number) + "\nVersion=2\n";
        return {pls, {}};
    }

private:
    std::vector<Entry> m_entries;
};

// UTF-8 where valid, else Latin-1 (M3U files of older players); nothing for
// binary data, which holds control characters no playlist has.
std::optional<QString> DecodeText(QByteArray bytes)
{
    // Written by tools that add one even to text they then write in Latin-1.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    for (const QChar c : std::as_const(text)) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r' && c != u'\f')
            return std::nullopt;
    }
    return text;
}

Conversion ReadPls(const QString& text)
{
    // By number, as players take them; the first of a repeated number counts.
    std::map<qulonglong, QString> files;
    std::map<qulonglong, QString> titles;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1).trimmed();
        qulonglong number = 0;
        const auto numbered = [&](QLatin1String prefix) {
            bool ok = false;
            if (!key.startsWith(prefix))
                return false;
            number = QStringView(key).mid(prefix.size()).toULongLong(&ok);
            return ok && number > 0;
        };
        if (numbered(QLatin1String("file")))
            files.emplace(number, value);
        else if (numbered(QLatin1String("title")))
            titles.emplace(number, value);
    }
    Entries entries;
    for (const auto& [number, address] : files)
        entries.Add(address, titles[number]);
    return entries.ToPls();
}

// "#EXTINF:-1 tvg-name="a, b",Title": the title follows the first comma outside quotes.
QString ExtinfTitle(const QString& line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'"')
            quoted = !quoted;
        else if (line.at(i) == u',' && !quoted)
            return line.mid(i + 1);
    }
    return {};
}

Conversion ReadM3u(const QString& text)
{
    Entries entries;
    QString title;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1String("#EXT-X-"), Qt::CaseInsensitive))
            return Refused(kHlsStream);
        if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
            title = ExtinfTitle(line);
        } else if (!line.startsWith(u'#')) {
            entries.Add(line, title);
            title.clear();
        }
    }
    return entries.ToPls();
}

// ASX files written by hand often hold a bare "&" in their addresses; as
// "&amp;" they read as meant. Named entities other than XML's own would need
// a DTD, so they are taken as text too.
QString EscapeBareAmpersands(const QString& text)
{
    static const QRegularExpression bare(
        QStringLiteral("&(?!(?:amp|lt|gt|quot|apos|#[0-9]+|#x[0-9A-Fa-f]+);)"));
    return QString(text).replace(bare, QStringLiteral("&amp;"));
}

QString AttributeInAnyCase(const QXmlStreamAttributes& attributes, QLatin1String name)
{
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name().compare(name, Qt::CaseInsensitive) == 0)
            return attribute.value().toString();
    }
    return {};
}

// XSPF (<playlist>, <track> with <location> and <title>) and ASX (<asx>,
// <entry> with <ref href> and <title>). QXmlStreamReader resolves no external
// entity; a DTD, which could declare internal ones, is refused outright.
Conversion ReadXml(const QString& text)
{
    QXmlStreamReader xml(EscapeBareAmpersands(text));
    Entries entries;
    QString root;
    QString group; // the element that holds one entry: "track" or "entry"
    bool inGroup = false;
    QStringList addresses;
    QString title;
    while (!xml.atEnd() && !entries.Full()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            return Refused(xml.dtdName().compare(QLatin1String("html"), Qt::CaseInsensitive) == 0
                               ? kWebPage
                               : kUnreadable);
        if (token == QXmlStreamReader::EndElement && inGroup &&
            xml.name().compare(group, Qt::CaseInsensitive) == 0) {
            for (const QString& address : std::as_const(addresses))
                entries.Add(address, title);
            inGroup = false;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString().toLower();
        if (root.isEmpty()) {
            root = name;
            if (root == QLatin1String("html"))
                return Refused(kWebPage);
            if (root != QLatin1String("playlist") && root != QLatin1String("asx"))
                return Refused(kUnreadable);
            group =
                root == QLatin1String("asx") ? QStringLiteral("entry") : QStringLiteral("track");
        } else if (name == group) {
            inGroup = true;
            addresses.clear();
            title.clear();
        } else if (inGroup && name == QLatin1String("title")) {
            title = xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (inGroup && group == QLatin1String("track") &&
                   name == QLatin1String("location")) {
            addresses << xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (inGroup && group == QLatin1String("entry") && name == QLatin1String("ref")) {
            addresses << AttributeInAnyCase(xml.attributes(), QLatin1String("href"));
        }
    }
    if (xml.hasError() && !entries.Full())
        return Refused(kUnreadable);
    return entries.ToPls();
}

} // namespace

MediaKind KindOfMediaType(const QByteArray& mediaType)
{
    static const char* const kPlaylistTypes[] = {
        "audio/x-scpls",       "application/pls+xml",   "audio/x-mpegurl",
        "audio/mpegurl",       "application/x-mpegurl", "application/vnd.apple.mpegurl",
        "video/x-ms-asf",      "audio/x-ms-wax",        "video/x-ms-wvx",
        "application/xspf+xml"};
    const QByteArray type = mediaType.trimmed().toLower();
    for (const char* playlistType : kPlaylistTypes) {
        if (type == playlistType)
            return MediaKind::Playlist;
    }
    if (type.startsWith("audio/") || type == "application/ogg")
        return MediaKind::Stream;
    return MediaKind::Other;
}

bool NamesPlaylistFile(const QUrl& url)
{
    const QString name = url.fileName();
    for (const char* extension : {".m3u", ".m3u8", ".xspf", ".asx"}) {
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

Conversion ToPls(const QByteArray& source)
{
    if (source.size() > kMaxSourceBytes)
        return Refused(kUnreadable);
    const std::optional<QString> text = DecodeText(source);
    if (!text)
        return Refused(kUnreadable);
    const QStringView start = QStringView(*text).trimmed();
    if (start.startsWith(QLatin1String("[playlist]"), Qt::CaseInsensitive))
        return ReadPls(*text);
    if (start.startsWith(QLatin1String("<!doctype html"), Qt::CaseInsensitive))
        return Refused(kWebPage);
    if (start.startsWith(u'<'))
        return ReadXml(*text);
    return ReadM3u(*text);
}

Conversion StreamToPls(const QUrl& stream)
{
    Entries entries;
    entries.Add(stream.toString(QUrl::FullyEncoded), {});
    return entries.ToPls();
}

} // namespace playlist
