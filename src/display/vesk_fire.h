#pragma once
// TVeskFire (FireNew): an animated flame. An 8-bit intensity buffer whose bottom four rows
// burn at 254 and whose every other pixel, each frame, takes the heat of the pixels below
// it less a random cooling; drawn added through a colour table of flame colours, so that
// cold pixels (17 and below) leave the picture beneath untouched.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/effect_random.h"
#include "display/vesk_control.h"
#include "gfx/dibx.h"

namespace vesk {

class TVeskFire final : public TVeskControl {
  public:
    // Intensities 0..kThreshold are not drawn.
    static constexpr int32_t kThreshold = 17;
    static constexpr int32_t kBurningRows = 4;
    static constexpr uint8_t kBurning = 254;
    // The cooling of a pixel is one of 0..kMaxDecay.
    static constexpr int32_t kMaxDecay = 8;
    // The buffer is at most this many pixels a side.
    static constexpr int32_t kMaxSide = 4096;

    explicit TVeskFire(TVeskBaseList* owner);

    int32_t Kind() const override { return LT_FIRE; }
    bool WantsDefaultName() const override { return true; }

    // The buffer's size; the object shows it scaled by the zoom.
    int32_t BufferWidth() const { return bufW_; }
    int32_t BufferHeight() const { return bufH_; }
    void SetBufferSize(int32_t w, int32_t h);
    // Intensity of a buffer pixel (tests).
    uint8_t Heat(int32_t x, int32_t y) { return *picture_.PixelAddress(x, y); }
    void SetHeat(int32_t x, int32_t y, uint8_t v);
    // The cooling table entry used for buffer pixel (x, y) this frame.
    int32_t DecayAt(int32_t x, int32_t y) const;
    TEffectRandom& Random() { return random_; }
    // One frame of the flame (what Step does while not paused).
    void Burn();
    // The intensity the four pixels below give before cooling (the lookup table).
    uint8_t Spread(int32_t sum) const { return lut_[size_t(sum)]; }
    // The cooling a table entry stands for at the fire's power.
    int32_t Cooling(int32_t entry) const { return cooling_[size_t(entry)]; }
    // The topmost row that may hold a visible pixel (rows above it are cold).
    int32_t TopRow() const { return hotTop_; }

    void PaintSelf(TCustomDIBX& s) override;
    bool Step(int32_t elapsed) override;
    bool IsPlaying() override { return !paused_; }

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void BuildCooling();
    // The shown size from the buffer and the zoom.
    void Relayout();
    // Marks the rows from `top` of the buffer (as shown) for repainting.
    void InvalidateRows(int32_t top);

    int32_t bufW_ = 0, bufH_ = 0;
    std::vector<uint8_t> decay_;
    std::array<uint8_t, kMaxDecay + 1> cooling_{};
    int32_t rowShift_ = 0, colShift_ = 0;
    std::array<uint8_t, 4 * 255 + 1> lut_{};
    int32_t power_ = 0;
    int32_t zoomX_ = 256, zoomY_ = 256;
    bool paused_ = false;
    std::string idlePage_;
    int32_t hotTop_ = 0;
    TEffectRandom random_;
    // The intensities, as the 8-bit picture drawn, and the colour table for the surface last
    // drawn on.
    TDIBX picture_;
    std::array<uint32_t, 256> colors_{};
    int colorBits_ = 0;
};

}  // namespace vesk
