#pragma once

#include "shell.h"

namespace platform {

class LastOpenedPlaylist;

// Opens files through the freedesktop "open" machinery (xdg-open and
// mimeapps.list). Playlists it opens are recorded in `opened`, when given,
// for the player layer to know what the player was handed.
class XdgShell final : public Shell
{
public:
    explicit XdgShell(LastOpenedPlaylist* opened = nullptr) : opened_(opened) {}
    void Open(const QString& file, ShowCommand show) override;

private:
    LastOpenedPlaylist* opened_;
};

} // namespace platform
