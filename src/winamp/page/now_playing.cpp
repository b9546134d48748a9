#include "now_playing.h"

#include <algorithm>

namespace now_playing {

QString TrackWords(const platform::Track& track)
{
    const QString separator = QStringLiteral(" - ");
    if (track.artist.isEmpty())
        return track.title;
    if (track.title.isEmpty())
        return track.artist;
    // Radios often name both in the title, and some players also pass the
    // artist on alone.
    if (track.title.startsWith(track.artist + separator, Qt::CaseInsensitive))
        return track.title;
    return track.artist + separator + track.title;
}

QString Hint(const QString& station, const QString& trackWords, int limit)
{
    const QString separator = QStringLiteral(": ");
    if (trackWords.isEmpty())
        return platform::Shortened(station, limit);
    const int room = limit - int(separator.size());
    const int stationRoom =
        std::max(std::min(int(station.size()), room - int(trackWords.size())), room / 3);
    const QString stationPart = platform::Shortened(station, stationRoom);
    return stationPart + separator +
           platform::Shortened(trackWords, room - int(stationPart.size()));
}

} // namespace now_playing
