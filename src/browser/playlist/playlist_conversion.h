#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// Station playlists as directories offer them, turned into the one form the
// catalogue keeps: a ".pls" file any player (and a copy on Windows) reads.
//
// Read: PLS ("[playlist]", FileN/TitleN), M3U and extended M3U (#EXTINF titles;
// a plain list of addresses counts too), XSPF (track location and title) and
// ASX (entry ref href and title, tag names in any case). The format is told by
// the content, never by the address or the server's word, so a playlist
// served under the wrong name or type still reads, and an HTML page never does.
//
// Written: "[playlist]", then File1..N, TitleN where the source names one,
// LengthN=-1, then NumberOfEntries=N and Version=2; UTF-8, "\n" line ends.
//
// Bounds, since every byte comes from a peer:
// - at most kMaxSourceBytes are read; larger input is refused;
// - only absolute http and https addresses become entries (no file:, data:,
//   javascript:, relative or local paths); others are left out, and input
//   with none left is refused;
// - at most kMaxEntries entries are kept, the first ones;
// - an address longer than kMaxAddressLength is left out (the Windows profile
//   functions read no longer value); a title is cut to kMaxTitleLength;
// - XML with a document type declaration is refused, so no entity, internal
//   or external, is ever expanded.
// HLS playlists (#EXT-X- tags) list media segments, not stations, and are refused.
namespace playlist {

constexpr qsizetype kMaxSourceBytes = 1024 * 1024;
constexpr int kMaxEntries = 100;
constexpr int kMaxAddressLength = 2047;
constexpr int kMaxTitleLength = 256;

// The reasons a capture is refused, as the user reads them.
extern const QString kNoUsableEntry;
extern const QString kWebPage;
extern const QString kUnreadable;
extern const QString kHlsStream;

// What an answer's media type says about the address that gave it.
enum class MediaKind
{
    Playlist, // a playlist type: read the body and convert it
    Stream,   // audio: the address itself is the station, the body never ends
    Other,    // a web page or anything else
};

// `mediaType` is a Content-Type without its parameters, in any case.
MediaKind KindOfMediaType(const QByteArray& mediaType);

// Whether the address's file name ends in a playlist extension other than
// ".pls": ".m3u", ".m3u8", ".xspf" or ".asx", in any case.
bool NamesPlaylistFile(const QUrl& url);

struct Conversion
{
    QByteArray pls; // the ".pls" text, when the conversion succeeded
    QString error;  // otherwise why not, in words for the user

    bool ok() const { return error.isEmpty(); }
};

Conversion ToPls(const QByteArray& source);
// A one-entry playlist of a stream's own address.
Conversion StreamToPls(const QUrl& stream);

} // namespace playlist
