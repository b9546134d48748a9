#pragma once

#include <QUrl>

namespace platform {

// The desktop's ".pls" player as the shell sees it when it hands a station
// over: a player that is already running may take the station itself, so that
// a second station does not start a second copy of it.
class PlaylistPlayer
{
public:
    virtual ~PlaylistPlayer() = default;
    // Hands `address` to the ".pls" player that runs now, through its own
    // means, if it says it opens such addresses. False when none runs, it
    // opens no such addresses, or it did not take it in a short while: the
    // application is then to be started with the playlist.
    virtual bool OpenInRunningPlayer(const QUrl& address) = 0;
};

} // namespace platform
