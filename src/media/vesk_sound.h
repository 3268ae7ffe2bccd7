#pragma once
// TVeskSound (object kind 17): a sound or music object. Its source's extension chooses the
// media manager; volume, balance, repeat, pause and the repeat start go to the media item;
// the end of playback queues PR_ONPLAYEND or, with auto scrap, removes the object.
#include <string>

#include "display/vesk_object.h"
#include "media/media_playback.h"

namespace vesk {

class TMediaSystem;

class TVeskSound final : public TVeskComponent, public IMediaObject {
  public:
    TVeskSound(TVeskBaseList* owner, TMediaSystem& media);
    ~TVeskSound() override;

    int32_t Kind() const override { return LT_SOUND; }
    bool IsPlaying() override { return pb_.Playing(); }
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    bool Step(int32_t elapsed) override;
    // Sound: play state 1 when the fade time is not 0, else 0.
    void AfterCommandProps(TCallMan&) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

    // IMediaObject
    PlayState GetPlayState() const override { return pb_.State(); }
    void SetPlayState(PlayState s) override;
    const std::string& MediaSource() const override { return source_; }
    void SetFadeTime(int32_t ms) override { pb_.FadeTime = ms; }

    TDMediaItem* Item() const { return pb_.Item(); }
    // The sound played to its end (and does not repeat).
    bool Finished() const { return finished_; }

  private:
    // Opens the item of the source when there is none; false when nothing plays.
    bool Open();

    TMediaSystem& media_;
    std::string source_;
    std::string playEndPage_;
    TMediaPlayback pb_;
    bool autoScrap_ = false;
    bool aniPaused_ = false;
    bool rewindOnLoad_ = true;
    bool muteOnLoad_ = false;
    bool finished_ = false;
};

}  // namespace vesk
