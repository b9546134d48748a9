#pragma once

#include <QString>
#include <QUrl>

namespace platform {

// The first address of the last ".pls" playlist handed to the desktop's
// player, for players that do not say what they play. The shell layer records
// each playlist it opens; the player layer reads it back.
class LastOpenedPlaylist final
{
public:
    // Reads the ".pls" playlist's lowest-numbered "FileN" entry with an
    // http(s) address (at most 64 KiB of the file are read); the record is
    // empty when it has none. Other files leave the record as it was.
    void Record(const QString& file);
    QUrl FirstEntry() const { return firstEntry_; }

private:
    QUrl firstEntry_;
};

} // namespace platform
