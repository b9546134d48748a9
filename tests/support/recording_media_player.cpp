#include "recording_media_player.h"

platform::PlayerHandle RecordingMediaPlayer::Find()
{
    ++lookups_;
    return player_;
}

void RecordingMediaPlayer::SetVolume(platform::PlayerHandle player, double volume)
{
    Record(player, Verb::SetVolume, volume);
}

platform::StreamFigures RecordingMediaPlayer::Figures(platform::PlayerHandle player)
{
    Record(player, Verb::Figures);
    return player == 0 ? platform::StreamFigures{} : figures_;
}

platform::PlayStatus RecordingMediaPlayer::Status(platform::PlayerHandle player)
{
    Record(player, Verb::Status);
    return player == 0 ? platform::PlayStatus::Stopped : status_;
}

void RecordingMediaPlayer::Record(platform::PlayerHandle player, Verb verb, double volume)
{
    calls_.append(Call{player, verb, volume});
}

void RecordingMediaPlayer::Clear()
{
    calls_.clear();
    lookups_ = 0;
}
