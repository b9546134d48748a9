#pragma once

#include "shell.h"

namespace platform {

class LastOpenedPlaylist;

// Opens files through the freedesktop "open" machinery. Station playlists
// (".pls") go to the application PlaylistApplicationId() names, the same one
// the player layer drives, and are recorded in `opened`, when given, for the
// player layer to know what the player was handed. Other files, and playlists
// when no application takes ".pls" files, go through xdg-open.
class XdgShell final : public Shell
{
public:
    explicit XdgShell(LastOpenedPlaylist* opened = nullptr) : m_opened(opened) {}
    void Open(const QString& file, ShowCommand show) override;

private:
    LastOpenedPlaylist* m_opened;
};

} // namespace platform
