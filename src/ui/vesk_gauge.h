#pragma once
// TVeskGauge (GaugeNew): PR_VALUE of PR_MIN … PR_MAX shown as a bar cut from frame 0 of its
// picture (PR_SOURCE) along PR_ORIENTATION (0 across, anything else down), filled from the
// left or top, or from the right or bottom with PR_REVERSE. Frame 1, when the picture has
// one, is drawn whole beneath as the empty gauge. PR_BARSIZE, when above 0, is the bar's
// length (the picture is scaled along to it).
//
// Running: a PR_DURATION other than 0 sets the gauge running, up towards max when positive,
// down towards min when negative, crossing the whole range in |duration| ms. It first waits
// out PR_DELAY ms, then moves by (max - min) / |duration| per millisecond (the fraction kept
// from frame to frame) and stops at the end of the range; setting the duration again starts
// a new run. PR_PLAYING reads whether it runs; PR_PAUSED holds it where it is.
#include <cstdint>
#include <string>

#include "display/vesk_control.h"
#include "ui/picture_part.h"

namespace vesk {

class TVeskGauge final : public TVeskControl {
  public:
    explicit TVeskGauge(TVeskBaseList* owner);

    int32_t Kind() const override { return LT_GAUGE; }
    bool WantsDefaultName() const override { return true; }
    bool Running() const { return running_; }
    // How much of the bar shows, in pixels along it.
    int32_t FilledLength();

    void PaintSelf(TCustomDIBX& s) override;
    bool Step(int32_t elapsed) override;
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    bool Vertical() const { return orientation_ != 0; }
    void Relayout();
    void SetValue(int32_t v);
    void StartRun();

    TPicturePart picture_;
    int32_t alpha_ = 255;
    int32_t delay_ = 0;
    bool paused_ = false;
    int32_t duration_ = 0;
    int32_t min_ = 0, max_ = 0, value_ = 0;
    int32_t orientation_ = 0;
    bool reverse_ = false;
    int32_t barSize_ = 0;
    std::string idlePage_;
    // A run: the start delay still to wait, and the part of a step not yet taken.
    bool running_ = false;
    int32_t waitLeft_ = 0;
    double carry_ = 0;
};

}  // namespace vesk
