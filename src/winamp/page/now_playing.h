#pragma once

#include "track.h"

#include <QString>

// How what a station plays is put in words for the window and the
// notification area.
namespace now_playing {

// "Artist - Title", or whichever of the two the player gives; empty for
// neither. A title that already begins with "Artist - " is not given the
// artist twice.
QString TrackWords(const platform::Track& track);

// The notification area's tip while `station` plays: "Station: Artist -
// Title", or the station alone while the player names no track, in at most
// `limit` characters. When both do not fit, the track (the news) keeps the
// larger share: the station is cut to a third of the room at most, so that
// it can still be told, and the track takes the rest.
QString Hint(const QString& station, const QString& trackWords, int limit);

} // namespace now_playing
