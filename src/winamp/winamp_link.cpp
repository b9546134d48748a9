#include "winamp_link.h"

#include <QtGlobal>

namespace ipc = platform::winamp_ipc;

WinampLink::WinampLink(platform::WindowMessages& messages) : messages_(messages) {}

void WinampLink::DiscoveryStep()
{
    if (found_)
        return;
    LookUp();
    if (handle_ != 0) {
        found_ = true;
        PlayStateQuery();
    }
}

void WinampLink::LookUpWhileNotFound()
{
    if (!found_)
        LookUp();
}

void WinampLink::LookUp()
{
    // The result is stored even when it is 0.
    handle_ = messages_.FindWindow(platform::WinampWindowClass());
}

void WinampLink::StartPlaying()
{
    SendUser(0, ipc::StartPlaying);
}

qint32 WinampLink::PlayStateQuery()
{
    return SendUser(0, ipc::PlayState);
}

void WinampLink::SetVolume(int volume)
{
    SendUser(static_cast<quintptr>(qBound(0, volume, 255)), ipc::SetVolume);
}

qint32 WinampLink::SampleRate()
{
    return SendUser(ipc::InfoSampleRate, ipc::StreamInfo);
}

qint32 WinampLink::BitRate()
{
    return SendUser(ipc::InfoBitRate, ipc::StreamInfo);
}

qint32 WinampLink::ChannelCount()
{
    return SendUser(ipc::InfoChannels, ipc::StreamInfo);
}

void WinampLink::Pause()
{
    SendCommand(ipc::CommandPause);
}

void WinampLink::Stop()
{
    SendCommand(ipc::CommandStop);
}

qint32 WinampLink::SendUser(quintptr wParam, qintptr lParam)
{
    return messages_.SendMessage(handle_, platform::WM_USER, wParam, lParam);
}

void WinampLink::SendCommand(quintptr command)
{
    messages_.SendMessage(handle_, platform::WM_COMMAND, command, 0);
}
