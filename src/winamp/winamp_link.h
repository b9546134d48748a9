#pragma once

#include "window_messages.h"

#include <QtGlobal>

// The program's line to Winamp: the Winamp handle, the Winamp-found flag, the
// discovery of Winamp's window and the eight messages sent to it. Every sender
// goes to the current handle whether or not a window is known; with none, the
// layer answers 0 and nothing happens.
class WinampLink final
{
public:
    explicit WinampLink(platform::WindowMessages& messages);
    Q_DISABLE_COPY_MOVE(WinampLink)

    // The Winamp handle: Winamp's window, 0 while none is known.
    platform::WindowHandle Handle() const { return handle_; }
    // The Winamp-found flag: once true, the window is never looked up again.
    bool Found() const { return found_; }

    // First-idle initialisation clears the flag.
    void ClearFound() { found_ = false; }
    // Runs at the end of every idle pass: looks Winamp up until it is found,
    // and greets it once with a play-state query when it is.
    void DiscoveryStep();
    // The timer tick's part of discovery: looks up while not found, but never
    // sets the flag (only an idle pass does).
    void LookUpWhileNotFound();

    void StartPlaying();
    qint32 PlayStateQuery();
    // Volume 0..255; values outside are clamped.
    void SetVolume(int volume);
    qint32 SampleRate();   // kHz
    qint32 BitRate();      // kbit/s
    qint32 ChannelCount(); // 1 mono, 2 stereo
    void Pause();
    void Stop();

private:
    void LookUp();
    qint32 SendUser(quintptr wParam, qintptr lParam);
    void SendCommand(quintptr command);

    platform::WindowMessages& messages_;
    platform::WindowHandle handle_ = 0;
    bool found_ = false;
};
