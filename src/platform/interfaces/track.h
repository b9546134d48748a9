#pragma once

#include <QString>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace platform {

// What a player says it plays: the stream's artist and title, as the stream
// names them. A radio often sends "Artist - Title" as its title alone.
struct Track
{
    QString artist;
    QString title;

    bool operator==(const Track& other) const
    {
        return artist == other.artist && title == other.title;
    }
    bool operator!=(const Track& other) const { return !(*this == other); }
};

// The longest artist or title a player's words are kept to. Both come from
// the stream's server through the player, neither of them ours: a title as
// long as a book is cut rather than carried through the window and the
// desktop.
constexpr int MaxTrackTextLength = 200;

// `text` in at most `limit` characters: as it is when it fits, else cut
// between two characters as the reader sees them (never inside a surrogate
// pair or before a combining mark) and ended with "…".
inline QString Shortened(const QString& text, int limit)
{
    if (text.size() <= limit)
        return text;
    if (limit <= 0)
        return QString();
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    boundaries.setPosition(limit - 1);
    if (!boundaries.isAtBoundary())
        boundaries.toPreviousBoundary();
    const qsizetype cut = std::max<qsizetype>(0, boundaries.position());
    return text.left(cut).trimmed() + QChar(0x2026);
}

} // namespace platform
