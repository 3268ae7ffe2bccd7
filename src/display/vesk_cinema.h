#pragma once
// TVeskCinema (Cinema): plays a film at the film's own frame rate within the object's area:
// each frame's picture stands at the frame's offset from the object's top-left corner. At
// the end the film wraps to its loop start when repeating; otherwise the object removes
// itself (auto scrap) or raises its play-end page once.
#include <cstdint>
#include <memory>
#include <string>

#include "display/vesk_control.h"
#include "display/vesk_image_list.h"
#include "display/vesk_motion.h"

namespace vesk {

class TVeskCinema final : public TVeskControl {
  public:
    explicit TVeskCinema(TVeskBaseList* owner);
    ~TVeskCinema() override;

    int32_t Kind() const override { return LT_CINEMA; }
    bool WantsDefaultName() const override { return true; }

    const TMotionTrack* Film() const { return film_.get(); }
    int32_t Frame() const { return frame_; }
    bool Ended() const { return ended_; }
    // Milliseconds a frame lasts.
    double FrameMs() const;
    void SetFrame(int32_t frame);

    void PaintSelf(TCustomDIBX& s) override;
    bool Step(int32_t elapsed) override;
    bool IsPlaying() override;
    void ReleaseSurfaces() override { list_.DropCopies(); }
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void SetSource(const std::string& name);
    // The frame from the time; true when the film has just ended.
    bool Advance();

    std::string source_;
    std::shared_ptr<const TMotionTrack> film_;
    TVeskImageList list_;
    double elapsed_ = 0;
    int32_t frame_ = 0;
    bool ended_ = false;
    bool paused_ = false;
    bool repeat_ = false;
    bool autoScrap_ = false;
    bool rewindOnLoad_ = true;
    bool muteOnLoad_ = false;
    int32_t volume_ = 1000;
    std::string playEndPage_, idlePage_;
};

}  // namespace vesk
