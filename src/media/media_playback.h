#pragma once
// What the sound and video objects share: their media settings (volume 0 .. 1000, balance,
// repeat, repeat start, pause, fade time), the play states the commands pass (0 play, 1 play
// with fade-in, 2 stop, 3 stop with fade-out), the fades and the watch for the end.
#include <cstdint>
#include <memory>
#include <string>

#include "media/media_item.h"
#include "media/media_system.h"

namespace vesk {

class StreamReader;
class StreamWriter;

enum class PlayState : int32_t { Play = 0, FadeIn = 1, Stop = 2, FadeOut = 3 };

// A media object as the media commands (Sound, Movie, MovieStop, MediaPlay) see it.
class IMediaObject {
  public:
    virtual ~IMediaObject() = default;
    virtual PlayState GetPlayState() const = 0;
    // 0 play, 1 fade in (over the fade time), 2 stop and remove, 3 fade out and remove.
    virtual void SetPlayState(PlayState s) = 0;
    virtual const std::string& MediaSource() const = 0;
    // The fade time (PR_DELAY).
    virtual void SetFadeTime(int32_t ms) = 0;
    // MediaPlay: play state 0.
    void PlayNow() { SetPlayState(PlayState::Play); }
};

// The volume of a fade at `t` ms of `T`, from `s` to `g`: MIDI in a straight line; other
// sound falls through the first half of the range (and drops to g at the end) and rises
// through the second half (starting half-way).
int FadeVolume(int s, int g, int64_t t, int64_t T, MediaKind kind);

class TMediaPlayback {
  public:
    // The settings, as the properties hold them.
    int32_t Volume = 1000;  // PR_VOLUME, 0 .. 1000
    int32_t Balance = 0;    // PR_BALANCE
    bool Repeat = false;    // PR_REPEAT
    int32_t RepeatPos = 0;  // PR_REPEATPOS
    bool Paused = false;    // PR_PAUSED
    int32_t FadeTime = 0;   // PR_DELAY

    TDMediaItem* Item() const { return item_.lock().get(); }
    bool HasItem() const { return !item_.expired(); }
    void Attach(std::shared_ptr<TDMediaItem> item, MediaKind kind);
    // Silences the item and gives it back to its manager.
    void Release();
    MediaKind Kind() const { return kind_; }
    PlayState State() const { return state_; }
    void SetState(PlayState s) { state_ = s; }
    bool Fading() const { return fade_ != Fade::None; }

    // Passes the settings on to the item (volume only when no fade runs).
    void SetVolume(int32_t v);
    void SetBalance(int32_t v);
    // Turning repeat on at the end (position at or past length - 1) rewinds.
    void SetRepeat(bool on);
    void SetRepeatPos(int32_t ms);
    void SetPaused(bool on);
    // Sets the position and plays unless paused.
    void SetPosition(int32_t ms);
    int32_t Position() const;
    int32_t Length() const;
    bool Playing() const;

    // Play: pan, loop settings, volume; then Pause when paused, else Play.
    void Play();
    // Starts at -10000 and rises to the volume over `ms`.
    void FadeIn(int32_t ms);
    // Falls from the item's volume to -10000 over `ms`, then reports the end of the fade.
    void FadeOut(int32_t ms);

    enum class StepResult { None, Ended, FadeOutDone };
    // Every frame: the fade, and the end of the item (a repeating item rewinds and plays on).
    StepResult Step(int32_t elapsed);

    // The settings and where the item was, for game saves.
    void Save(StreamWriter& w) const;
    void Load(StreamReader& r);
    // What Load found: the item played, and at which position.
    bool WasPlaying() const { return wasPlaying_; }
    int32_t SavedPosition() const { return savedPos_; }

  private:
    enum class Fade { None, In, Out };
    // Pan, loop settings and `vol`, then Pause when paused, else Play.
    void Start(int vol);
    int TargetVolume() const { return ItemVolume(Volume, kind_); }

    std::weak_ptr<TDMediaItem> item_;
    MediaKind kind_ = MediaKind::None;
    PlayState state_ = PlayState::Stop;
    Fade fade_ = Fade::None;
    int fadeFrom_ = 0;
    int64_t fadeT_ = 0;
    // The fade's clock starts with the frame after the one that began it.
    bool fadeFresh_ = false;
    int64_t fadeLen_ = 0;
    bool wasPlaying_ = false;
    int32_t savedPos_ = 0;
};

}  // namespace vesk
