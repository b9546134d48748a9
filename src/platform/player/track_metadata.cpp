#include "track_metadata.h"

#include <QDBusArgument>
#include <QStringList>

namespace platform {

namespace {

// Enough names for any band; a list longer than this is cut.
constexpr int maxArtists = 8;
// How much of a text is read for a line of `limit` characters: room for the
// blanks and dropped characters a messy title has, not for a book.
constexpr int readPerCharacter = 4;

bool TurnsDirection(char32_t code)
{
    return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool IsBlank(char32_t code)
{
    return QChar::isSpace(code) || QChar::category(code) == QChar::Other_Control;
}

// One name or several, as a player sends "xesam:artist".
QString Names(const QVariant& value)
{
    QStringList names;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("as"))
            names = qdbus_cast<QStringList>(argument);
    } else if (value.userType() == QMetaType::QStringList) {
        names = value.toStringList();
    } else if (value.userType() == QMetaType::QString) {
        return value.toString();
    }
    // Each name bounded before they are joined.
    QStringList kept;
    for (qsizetype i = 0; i < names.size() && i < maxArtists; ++i)
        kept << OneLine(names[i], MaxTrackTextLength);
    kept.removeAll(QString());
    return kept.join(QStringLiteral(", "));
}

QString Text(const QVariant& value)
{
    return value.userType() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

QVariantMap MetadataMap(const QVariant& metadata)
{
    if (metadata.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = metadata.value<QDBusArgument>();
        return argument.currentSignature() == QLatin1String("a{sv}")
                   ? qdbus_cast<QVariantMap>(argument)
                   : QVariantMap();
    }
    return metadata.userType() == QMetaType::QVariantMap ? metadata.toMap() : QVariantMap();
}

Track TrackFrom(const QVariant& metadata)
{
    const QVariantMap map = MetadataMap(metadata);
    return Track{OneLine(Names(map.value(QStringLiteral("xesam:artist"))), MaxTrackTextLength),
                 OneLine(Text(map.value(QStringLiteral("xesam:title"))), MaxTrackTextLength)};
}

QString OneLine(QStringView text, int limit)
{
    const qsizetype end = std::min<qsizetype>(text.size(), qsizetype(limit) * readPerCharacter);
    QString line;
    line.reserve(std::min<qsizetype>(end, limit + 1));
    bool blankPending = false;
    for (qsizetype i = 0; i < end && line.size() <= limit; ++i) {
        char32_t code = text[i].unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < end && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(code)) {
            continue; // half a pair
        }
        if (TurnsDirection(code))
            continue;
        if (IsBlank(code)) {
            blankPending = !line.isEmpty();
            continue;
        }
        if (blankPending)
            line += QLatin1Char(' ');
        blankPending = false;
        line += QString::fromUcs4(&code, 1);
    }
    // A text too long to read through is known to go on.
    if (end < text.size() && line.size() <= limit)
        line += QChar(0x2026);
    return Shortened(line, limit);
}

} // namespace platform
