#pragma once
// Animated pictures. TVeskCustomImages steps through a frame list by the frames' delays,
// with a brightness, a pause and an extra delay on the last frame that an expression gives
// anew on each loop. TVeskImages (ImgNew) takes its frames from the file named by
// PR_SOURCE: a layered image through the image cache, or a motion file that moves it.
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/vesk_custom_image.h"
#include "display/vesk_image_list.h"
#include "vars/vesk_parser.h"

namespace vesk {

class TVeskCustomImages : public TVeskCustomImage {
  public:
    explicit TVeskCustomImages(TVeskBaseList* owner);
    ~TVeskCustomImages() override;

    // The frame list shown; null when the object has none.
    virtual TVeskImageList* Frames() { return nullptr; }
    int32_t Count();
    int32_t Index() const { return index_; }
    int32_t Countdown() const { return countdown_; }
    // Shows frame `index` (out of range: the index is kept and nothing else changes). With
    // a motion, moves the motion to that film frame instead.
    void SetIndex(int32_t index);
    // The extra delay of the last frame (copied from the creating command).
    TVeskParser& LoopDelay() { return loopDelay_; }

    bool IsPlaying() override;
    bool Step(int32_t elapsed) override;
    void BeforeCommandProps(TComComponent& cmd, TCallMan& cm) override;
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // The frames are about to change: no frame is shown and, without a motion, the index
    // is -1.
    void ForgetFrame();
    void SetCountdown(int32_t ms) { countdown_ = ms; }
    // Fills `lists` from a file by its extension: ".qil" from the image cache; ".lmt" as a
    // motion, which a film also gives its pictures; anything else leaves the object
    // without a picture (and 0 x 0 when its size follows the picture). Shows the first
    // frame.
    void LoadSource(const std::vector<TVeskImageList*>& lists, const std::string& name);
    // With a film playing: shows the picture of its current frame.
    void ShowFilmFrame();
    // The frames changed under a playing film (another list): its picture is taken anew.
    void ResetFilmFrame() { filmPicture_ = kNoFilmPicture; }

  private:
    // One frame step; true when the object is to be removed.
    bool StepFrames(int32_t elapsed);
    int32_t EvalLoopDelay();
    // Queues the play-end page; one waiting play-end is enough.
    void QueuePlayEnd();

    int32_t countdown_ = 0;
    int32_t index_ = -1;
    int32_t brightness_ = 0;
    bool paused_ = false;
    TVeskParser loopDelay_;
    // The film picture shown (kNoFilmPicture: none yet).
    static constexpr int32_t kNoFilmPicture = INT32_MIN;
    int32_t filmPicture_ = kNoFilmPicture;
};

class TVeskImages : public TVeskCustomImages {
  public:
    explicit TVeskImages(TVeskBaseList* owner);
    ~TVeskImages() override;

    int32_t Kind() const override { return LT_IMAGES; }
    bool WantsDefaultName() const override { return true; }
    TVeskImageList* Frames() override { return lists_[current_].get(); }
    const std::string& Source() const { return source_; }
    // Loads the frames of a file by its extension into the first frame list: ".qil" from
    // the image cache, ".lmt" as a motion, anything else leaves the object without a
    // picture and 0 x 0.
    void SetSource(const std::string& name);

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // One frame list per visual state (subclasses add and pick the current one; PR_SOURCE
    // fills the first).
    std::vector<std::unique_ptr<TVeskImageList>> lists_;
    size_t current_ = 0;

  private:
    std::string source_;
    bool repeat_ = false;
    bool autoScrap_ = false;
    std::string playEndPage_;
    std::string idlePage_;
};

}  // namespace vesk
