#pragma once

#include <QString>
#include <QtGlobal>

namespace platform {

// Stands for a player's window; dies with the player's process. 0 means none.
using WindowHandle = quintptr;

// Message numbers of Winamp's window-message interface.
constexpr quint32 WM_USER = 0x400;
constexpr quint32 WM_COMMAND = 0x111;

// The codes Winamp understands: WM_USER carries its request in lParam,
// WM_COMMAND its command in wParam.
namespace winamp_ipc {
constexpr qintptr StartPlaying = 102;
constexpr qintptr PlayState = 104;
constexpr qintptr SetVolume = 122;
constexpr qintptr StreamInfo = 126;
constexpr quintptr InfoSampleRate = 0;
constexpr quintptr InfoBitRate = 1;
constexpr quintptr InfoChannels = 2;
constexpr quintptr CommandPause = 40046;
constexpr quintptr CommandStop = 40047;
// Answers of the play-state query.
constexpr qint32 Stopped = 0;
constexpr qint32 Playing = 1;
constexpr qint32 Paused = 3;
} // namespace winamp_ipc

// The window class a Winamp main window registers.
inline QString WinampWindowClass()
{
    return QStringLiteral("Winamp v1.x");
}

// Messages to another program's window, the way Winamp is remote-controlled.
// Every send waits for the answer, but an implementation bounds that wait so
// that a peer which stops answering cannot freeze the caller's window.
class WindowMessages
{
public:
    virtual ~WindowMessages() = default;
    // The window of the given class, or 0 when there is none.
    virtual WindowHandle FindWindow(const QString& className) = 0;
    // The answer as a signed 32-bit value; 0 when the handle is 0, the peer is
    // gone or does not answer, or the message is not understood.
    virtual qint32 SendMessage(WindowHandle window, quint32 message, quintptr wParam,
                               qintptr lParam) = 0;
};

} // namespace platform
