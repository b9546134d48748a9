#include "winamp_link.h"

WinampLink::WinampLink(platform::MediaPlayer& player) : player_(player) {}

void WinampLink::DiscoveryStep()
{
    if (found_)
        return;
    handle_ = player_.Find();
    if (handle_ != 0) {
        found_ = true;
        PlayStateQuery();
    }
}

void WinampLink::LookUpWhileNotFound()
{
    // The result is stored even when it is 0.
    if (!found_)
        handle_ = player_.Find();
}

void WinampLink::StartPlaying()
{
    player_.Play(handle_);
}

qint32 WinampLink::PlayStateQuery()
{
    switch (player_.Status(handle_)) {
    case platform::PlayStatus::Playing:
        return Playing;
    case platform::PlayStatus::Paused:
        return Paused;
    case platform::PlayStatus::Stopped:
        break;
    }
    return Stopped;
}

void WinampLink::SetVolume(int volume)
{
    // Winamp's scale ends at 255, the player's at 1.
    player_.SetVolume(handle_, qBound(0, volume, 255) / 255.0);
}

qint32 WinampLink::SampleRate()
{
    return player_.Figures(handle_).sampleRate / 1000; // Hz -> kHz, 44100 -> 44
}

qint32 WinampLink::BitRate()
{
    return player_.Figures(handle_).bitRate / 1000; // bit/s -> kbit/s
}

qint32 WinampLink::ChannelCount()
{
    return player_.Figures(handle_).channels;
}

void WinampLink::Pause()
{
    player_.Pause(handle_);
}

void WinampLink::Stop()
{
    player_.Stop(handle_);
}
