#pragma once

#include "media_player.h"

#include <QList>
#include <tuple>

// A media player for tests: Find answers the player it is given, and every
// verb is recorded and answered with what is scripted for it (Stopped and
// zero figures unless scripted, and always to handle 0, as the real layer).
// It never plays a track (the scripted MPRIS player does).
class RecordingMediaPlayer final : public platform::MediaPlayer
{
public:
    enum class Verb
    {
        Play,
        Pause,
        Stop,
        SetVolume,
        Figures,
        Status,
    };
    struct Call
    {
        platform::PlayerHandle player;
        Verb verb;
        double volume = -1; // SetVolume's only
        bool operator==(const Call& other) const
        {
            return std::tie(player, verb, volume) ==
                   std::tie(other.player, other.verb, other.volume);
        }
    };

    void SetPlayer(platform::PlayerHandle player) { player_ = player; }
    void SetFigures(platform::StreamFigures figures) { figures_ = figures; }
    void SetStatus(platform::PlayStatus status) { status_ = status; }

    platform::PlayerHandle Find() override;
    void Play(platform::PlayerHandle player) override { Record(player, Verb::Play); }
    void Pause(platform::PlayerHandle player) override { Record(player, Verb::Pause); }
    void Stop(platform::PlayerHandle player) override { Record(player, Verb::Stop); }
    void SetVolume(platform::PlayerHandle player, double volume) override;
    platform::StreamFigures Figures(platform::PlayerHandle player) override;
    platform::PlayStatus Status(platform::PlayerHandle player) override;
    std::optional<platform::Track> PlayingTrack(platform::PlayerHandle) override { return {}; }
    void SetTrackChanged(std::function<void()>) override {}

    const QList<Call>& Calls() const { return calls_; }
    int Lookups() const { return lookups_; }
    void Clear();

private:
    void Record(platform::PlayerHandle player, Verb verb, double volume = -1);

    platform::PlayerHandle player_ = 0;
    platform::StreamFigures figures_;
    platform::PlayStatus status_ = platform::PlayStatus::Stopped;
    QList<Call> calls_;
    int lookups_ = 0;
};
