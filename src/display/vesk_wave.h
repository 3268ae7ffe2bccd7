#pragma once
// TVeskWave (WaveNew): its children are drawn through a wave proxy that shifts every row
// of what they draw sideways by a sine of the row, amplitude PR_AMP and wavelength
// PR_WAVELEN rows; the wave's phase steps back by one 256th of a period every PR_DELAY
// milliseconds, so the wave runs upwards.
#include <cstdint>
#include <string>
#include <vector>

#include "display/vesk_control.h"
#include "gfx/dibx_wave.h"

namespace vesk {

class TVeskWave final : public TVeskControl {
  public:
    // Offsets are kept for at most this many rows; rows below them are not drawn.
    static constexpr int32_t kMaxRows = 16384;
    // Shifts beyond this many pixels move everything out of sight anyway.
    static constexpr int32_t kMaxShift = 1 << 20;
    static constexpr int32_t kPhases = 255;

    explicit TVeskWave(TVeskBaseList* owner);

    int32_t Kind() const override { return LT_WAVE; }
    bool WantsDefaultName() const override { return true; }

    // The shift of row i (from the wave's top) at a phase.
    static int32_t OffsetAt(int32_t phase, int32_t row, int32_t amplitude, int32_t wavelength);
    int32_t Phase() const { return phase_; }
    const std::vector<int32_t>& Offsets() const { return offsets_; }

    void Paint(TCustomDIBX& s) override;
    void AdjustDirtyRect(TRect& r) override;
    bool Step(int32_t elapsed) override;
    bool IsPlaying() override { return !paused_ && delay_ > 0; }

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    // Recomputes the offsets; invalidates when one changed.
    void UpdateOffsets();

    int32_t amplitude_ = 0;
    int32_t wavelength_ = 0;
    int32_t delay_ = 0;
    bool paused_ = false;
    std::string idlePage_;
    int32_t phase_ = 0;
    // Unpaused time not yet turned into phase steps, in 1/256 ms.
    int64_t accumulated_ = 0;
    std::vector<int32_t> offsets_;
    TDIBXWave proxy_;
};

}  // namespace vesk
