#pragma once

#include "stream_figures.h"
#include "track.h"

#include <QtGlobal>
#include <functional>
#include <optional>

namespace platform {

// Stands for the desktop's ".pls" player, not for one process of it: a player
// that quits and starts again is reached through the same handle. 0 is none.
using PlayerHandle = quintptr;

enum class PlayStatus
{
    Stopped,
    Playing,
    Paused,
};

// The media player the desktop hands ".pls" playlists to, in its own verbs.
// Every call waits for the player's answer, but an implementation bounds that
// wait so that a player which stops answering cannot freeze the caller's
// window. With handle 0, or while no such player runs, commands do nothing
// and questions answer Stopped and zero figures.
class MediaPlayer
{
public:
    virtual ~MediaPlayer() = default;
    // The ".pls" player when one runs now, else 0.
    virtual PlayerHandle Find() = 0;
    virtual void Play(PlayerHandle player) = 0;
    // Pauses a playing player and resumes a paused one, as a pause button
    // does; a stopped player stays stopped.
    virtual void Pause(PlayerHandle player) = 0;
    virtual void Stop(PlayerHandle player) = 0;
    // 0.0 silent .. 1.0 full; values outside are clamped.
    virtual void SetVolume(PlayerHandle player, double volume) = 0;
    // What the current stream is: bit/s, Hz and channels, each 0 when unknown.
    virtual StreamFigures Figures(PlayerHandle player) = 0;
    virtual PlayStatus Status(PlayerHandle player) = 0;

    // While the player plays: what it says it plays, each part one line of
    // printable text of at most MaxTrackTextLength characters, empty when it
    // says nothing. Nothing while it is stopped or paused. This is asked as
    // often as a window likes: an implementation answers from what the
    // player told it where it can.
    virtual std::optional<Track> PlayingTrack(PlayerHandle player) = 0;
    // `changed` is called, on the caller's thread and at most a few times a
    // second, soon after a player reports that what it plays, or whether it
    // plays, has changed, and when a player comes or goes. Players that do
    // not report changes are heard of only when asked, so a caller asks
    // again now and then too. An empty function stops the calls.
    virtual void SetTrackChanged(std::function<void()> changed) = 0;
};

} // namespace platform
