#include "winamp_link.h"

WinampLink::WinampLink(platform::MediaPlayer& player) : m_player(player) {}

void WinampLink::DiscoveryStep()
{
    if (m_found)
        return;
    m_handle = m_player.Find();
    if (m_handle != 0) {
        m_found = true;
        PlayStateQuery();
    }
}

void WinampLink::LookUpWhileNotFound()
{
    // The result is stored even when it is 0.
    if (!m_found)
        m_handle = m_player.Find();
}

void WinampLink::StartPlaying()
{
    m_player.Play(m_handle);
}

qint32 WinampLink::PlayStateQuery()
{
    switch (m_player.Status(m_handle)) {
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
    m_player.SetVolume(m_handle, qBound(0, volume, 255) / 255.0);
}

qint32 WinampLink::SampleRate()
{
    return m_player.Figures(m_handle).sampleRate / 1000; // Hz -> kHz, 44100 -> 44
}

qint32 WinampLink::BitRate()
{
    return m_player.Figures(m_handle).bitRate / 1000; // bit/s -> kbit/s
}

qint32 WinampLink::ChannelCount()
{
    return m_player.Figures(m_handle).channels;
}

void WinampLink::Pause()
{
    m_player.Pause(m_handle);
}

void WinampLink::Stop()
{
    m_player.Stop(m_handle);
}

std::optional<platform::Track> WinampLink::PlayingTrack()
{
    return m_player.PlayingTrack(m_handle);
}

void WinampLink::SetTrackChanged(std::function<void()> changed)
{
    m_player.SetTrackChanged(std::move(changed));
}
