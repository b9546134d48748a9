#pragma once

#include "media_player.h"

#include <QtGlobal>
#include <functional>
#include <optional>

// The program's line to Winamp: the Winamp handle, the Winamp-found flag, the
// discovery of Winamp and the eight messages sent to it, each carried out by
// one verb of the desktop's media player. Every sender goes to the current
// handle whether or not a player is known; with none, the layer answers 0 and
// nothing happens.
class WinampLink final
{
public:
    explicit WinampLink(platform::MediaPlayer& player);
    Q_DISABLE_COPY_MOVE(WinampLink)

    // The Winamp handle: the player, 0 while none is known.
    platform::PlayerHandle Handle() const { return m_handle; }
    // The Winamp-found flag: once true, the player is never looked up again.
    bool Found() const { return m_found; }

    // First-idle initialisation clears the flag.
    void ClearFound() { m_found = false; }
    // Runs at the end of every idle pass: looks the player up until it is
    // found, and greets it once with a play-state query when it is.
    void DiscoveryStep();
    // The timer tick's part of discovery: looks up while not found, but never
    // sets the flag (only an idle pass does).
    void LookUpWhileNotFound();

    // Winamp's answers to the play-state query.
    static constexpr qint32 Stopped = 0;
    static constexpr qint32 Playing = 1;
    static constexpr qint32 Paused = 3;

    void StartPlaying();
    qint32 PlayStateQuery();
    // Volume 0..255; values outside are clamped.
    void SetVolume(int volume);
    qint32 SampleRate();   // kHz
    qint32 BitRate();      // kbit/s
    qint32 ChannelCount(); // 1 mono, 2 stereo
    void Pause();
    void Stop();

    // Not one of Winamp's messages: what the player plays, while it plays
    // (see MediaPlayer::PlayingTrack), and a call soon after that may have
    // changed (an empty function for none).
    std::optional<platform::Track> PlayingTrack();
    void SetTrackChanged(std::function<void()> changed);

private:
    platform::MediaPlayer& m_player;
    platform::PlayerHandle m_handle = 0;
    bool m_found = false;
};
