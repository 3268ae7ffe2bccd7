#pragma once
// TVeskVideo (object kind 16): a video played through the video manager, its pictures shown
// as the picture of an image object (zoom, alpha, turning and mirroring as pictures have
// them), its sound mixed like any sound.
#include <memory>
#include <string>

#include "display/vesk_custom_image.h"
#include "media/media_playback.h"

namespace vesk {

class TMediaSystem;
class TVideoItem;

class TVeskVideo final : public TVeskCustomImage, public IMediaObject {
  public:
    TVeskVideo(TVeskBaseList* owner, TMediaSystem& media);
    ~TVeskVideo() override;

    int32_t Kind() const override { return LT_VIDEO; }
    bool IsPlaying() override { return pb_.Playing(); }
    TCustomDIBX* Picture() override;
    void PaintSelf(TCustomDIBX& s) override;
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    bool Step(int32_t elapsed) override;
    void AfterCommandProps(TCallMan&) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

    PlayState GetPlayState() const override { return pb_.State(); }
    void SetPlayState(PlayState s) override;
    const std::string& MediaSource() const override { return source_; }
    void SetFadeTime(int32_t ms) override { pb_.FadeTime = ms; }

    TVideoItem* Video() const;
    bool Finished() const { return finished_; }

  private:
    bool Open();
    // Lets go of the item and of its picture.
    void Drop();

    TMediaSystem& media_;
    std::string source_;
    std::string playEndPage_, idlePage_;
    TMediaPlayback pb_;
    std::weak_ptr<TVideoItem> video_;
    bool autoScrap_ = false;
    bool rewindOnLoad_ = true;
    bool muteOnLoad_ = false;
    bool overlay_ = true;
    bool finished_ = false;
};

}  // namespace vesk
