#pragma once

#include "track.h"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>

namespace platform {

// A player's Metadata map as it came over the bus; empty when the value is
// no string-keyed map (a player may send anything).
QVariantMap MetadataMap(const QVariant& metadata);

// The track a player's Metadata names: "xesam:artist" (a list of names, or
// one name as some players send it) and "xesam:title", each made one line
// (see OneLine) of at most MaxTrackTextLength characters.
Track TrackFrom(const QVariant& metadata);

// `text` as one line of printable text for a tooltip or a line of a window:
// line breaks, tabs and other control characters become blanks, runs of
// blanks one blank, blanks at either end go, and the characters that would
// turn the direction of the text around them (embeddings, overrides and
// isolates) are dropped, as is half of a surrogate pair. Cut to `limit`
// characters as Shortened cuts; only the first few times `limit` characters
// are read, so a huge text costs no more than a long one.
QString OneLine(QStringView text, int limit);

} // namespace platform
