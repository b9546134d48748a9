#pragma once

#include "shell.h"

namespace platform {

class LastOpenedPlaylist;
class PlaylistPlayer;

// Opens files through the freedesktop "open" machinery. Station playlists
// (".pls") go only to the application PlaylistApplication() names, the same
// one the player layer drives: to its running player through `player`, when
// given and that player takes web addresses, else by starting the
// application with the playlist. Each is recorded in `opened`, when given,
// for the player layer to know what the player was handed. With no ".pls"
// application a playlist goes nowhere, and the result says so. Other files go
// through xdg-open.
class XdgShell final : public Shell
{
public:
    explicit XdgShell(LastOpenedPlaylist* opened = nullptr, PlaylistPlayer* player = nullptr)
        : m_opened(opened), m_player(player)
    {
    }
    OpenResult Open(const QString& file, ShowCommand show) override;

    // What Listen says when no application opens ".pls" files.
    static const QString noPlayerMessage;

private:
    OpenResult OpenStation(const QString& file);

    LastOpenedPlaylist* m_opened;
    PlaylistPlayer* m_player;
};

} // namespace platform
