#pragma once
// TCustomWipe: a screen transition. It draws, onto a destination surface, the state at an
// elapsed time of the change from the old picture to the new one. Every state follows from
// the elapsed time and the duration alone, so a slow frame skips states instead of
// stretching the transition.
//
// The flip command makes one with CreateWipe, sets the start flag, the duration, the
// parameters and the text, calls Prepare, and then sets the elapsed time and calls Step
// once per composed frame.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "gfx/dibx.h"
#include "gfx/rect.h"

namespace vesk {

// The transition kinds, by the numbers the flip command carries.
enum WipeKind : int32_t {
    WP_NONE = 0,
    WP_FADE,
    WP_BLINDH,
    WP_BLINDV,
    WP_CURTAINH,
    WP_CURTAINV,
    WP_SCROLLH,
    WP_SCROLLV,
    WP_GRID,
    WP_GRIDH,
    WP_GRIDV,
    WP_DITHER,
    WP_WHITE,
    WP_BLACK,
    WP_FLASH,
    WP_MOSAIC,
    WP_SUDAREH,
    WP_SUDAREV,
    WP_SPOT,
    WP_MASKFADE,
    WP_MASKWHITE,
    WP_MASKBLACK,
    WP_SMALL,
    WP_BIG,
    WP_RIPPLE,
    WP_BLURWHITE,
    WP_BLURBLACK,
    WP_TWISTH,
    WP_TWISTV,
    WP_CRACK,
    WP_ZOOMIN,
    WP_CLOCKHAND,
    WP_RUBBERH,
    WP_RUBBERV,
    WP_FAN,
    WP_WFAN,
    WP_CIRCLE,
    WP_BLOCKCOIL,
    WP_BLOCKRANDOM,
};
// Kinds 1 .. kWipeKindEnd - 1 make transitions.
constexpr int32_t kWipeKindEnd = WP_BLOCKRANDOM + 1;

// The identifier of a kind ("WP_FADE"), or "" for numbers that are no kind.
const char* WipeKindName(int32_t kind);

// What a transition may need besides its three surfaces.
struct TWipeEnv {
    // The first frame of a picture of the game (the mask pictures), or null when the game
    // has no such file or it cannot be read.
    std::function<std::unique_ptr<TDIBX>(const std::string& name)> loadPicture;
    // Seed of the random orders (crack, random blocks); none: a different order each time.
    std::optional<uint32_t> seed;
};

class TCustomWipe {
  public:
    // `dest` is drawn on; the pictures are read at every step (they may change meanwhile).
    // All three outlive the transition.
    TCustomWipe(TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture,
                TWipeEnv env = {});
    virtual ~TCustomWipe();
    TCustomWipe(const TCustomWipe&) = delete;
    TCustomWipe& operator=(const TCustomWipe&) = delete;

    // Most kinds run in the opposite direction, or from the opposite side, when it is set.
    virtual void SetStartFlag(bool on) {
        start_ = on;
        prepared_ = false;
    }
    bool StartFlag() const { return start_; }
    // Parameters 0 and 1; other indices are ignored (and read 0).
    int32_t GetParam(int index) const;
    virtual void SetParam(int index, int32_t value);
    // The flip command's text: the name of the mask picture of the mask kinds.
    virtual void SetText(const std::string& text) { text_ = text; }
    const std::string& Text() const { return text_; }

    void SetDuration(int32_t ms) { duration_ = ms; }
    int32_t Duration() const { return duration_; }
    void SetElapsed(int32_t ms) { elapsed_ = ms; }
    int32_t Elapsed() const { return elapsed_; }

    // Builds what the steps share (orders, tables, the mask); Step does it when nobody has.
    void Prepare();
    // Draws the state at the elapsed time (a negative time counts as 0). True, with nothing
    // drawn, once the elapsed time has reached the duration (at once for durations of 0 or
    // less).
    bool Step();
    // What the last step changed: the whole destination.
    TRect Area() const { return dest_.BoundsRect(); }

  protected:
    // Called with the parameters and the start flag in place.
    virtual void DoPrepare() {}
    // Draws the state at e, where 0 <= e < d.
    virtual void DoStep(int64_t e, int64_t d) = 0;
    // Asks for DoPrepare again before the next step (a parameter changed what it built).
    void Unprepare() { prepared_ = false; }

    TCustomDIBX& Dest() { return dest_; }
    // The pictures at the destination's size and depth (copies when they differ from it).
    TCustomDIBX& Old() { return *old_; }
    TCustomDIBX& New() { return *new_; }
    int32_t Width() const { return dest_.Width(); }
    int32_t Height() const { return dest_.Height(); }
    int32_t P0() const { return params_[0]; }
    int32_t P1() const { return params_[1]; }
    void StoreParam(int index, int32_t value) { params_[index & 1] = value; }
    std::mt19937& Random() { return random_; }
    const TWipeEnv& Env() const { return env_; }

  private:
    // Points Old and New at the pictures, or at copies of the destination's size and depth.
    void MatchPictures();

    TCustomDIBX& dest_;
    TCustomDIBX& newSource_;
    TCustomDIBX& oldSource_;
    TCustomDIBX* old_;
    TCustomDIBX* new_;
    std::unique_ptr<TDIBX> oldCopy_, newCopy_;
    TWipeEnv env_;
    std::mt19937 random_;
    bool start_ = false;
    bool prepared_ = false;
    std::pair<int32_t, int32_t> preparedSize_{0, 0};
    std::string text_;
    int32_t duration_ = 0;
    int32_t elapsed_ = 0;
    int32_t params_[2] = {0, 0};
};

// Makes the transition of `kind` with its default parameters set through SetParam; null for
// WP_NONE, numbers that are no kind, and destinations that are not 15, 16, 24 or 32 bits.
std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& newPicture,
                                        TCustomDIBX& oldPicture, TWipeEnv env = {});

}  // namespace vesk
