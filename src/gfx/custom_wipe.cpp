#include "gfx/custom_wipe.h"

#include <algorithm>

namespace vesk {

namespace {

std::mt19937 MakeRandom(const std::optional<uint32_t>& seed) {
    if (seed) return std::mt19937(*seed);
    std::random_device device;
    return std::mt19937(device());
}

}  // namespace

const char* WipeKindName(int32_t kind) {
    static const char* const kNames[kWipeKindEnd] = {
        "WP_NONE",    "WP_FADE",      "WP_BLINDH",     "WP_BLINDV",    "WP_CURTAINH", "WP_CURTAINV",
        "WP_SCROLLH", "WP_SCROLLV",   "WP_GRID",       "WP_GRIDH",     "WP_GRIDV",    "WP_DITHER",
        "WP_WHITE",   "WP_BLACK",     "WP_FLASH",      "WP_MOSAIC",    "WP_SUDAREH",  "WP_SUDAREV",
        "WP_SPOT",    "WP_MASKFADE",  "WP_MASKWHITE",  "WP_MASKBLACK", "WP_SMALL",    "WP_BIG",
        "WP_RIPPLE",  "WP_BLURWHITE", "WP_BLURBLACK",  "WP_TWISTH",    "WP_TWISTV",   "WP_CRACK",
        "WP_ZOOMIN",  "WP_CLOCKHAND", "WP_RUBBERH",    "WP_RUBBERV",   "WP_FAN",      "WP_WFAN",
        "WP_CIRCLE",  "WP_BLOCKCOIL", "WP_BLOCKRANDOM"};
    return kind >= 0 && kind < kWipeKindEnd ? kNames[kind] : "";
}

TCustomWipe::TCustomWipe(TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture,
                         TWipeEnv env)
    : dest_(dest),
      newSource_(newPicture),
      oldSource_(oldPicture),
      old_(&oldPicture),
      new_(&newPicture),
      env_(std::move(env)),
      random_(MakeRandom(env_.seed)) {
    MatchPictures();
}

TCustomWipe::~TCustomWipe() = default;

int32_t TCustomWipe::GetParam(int index) const {
    return index == 0 || index == 1 ? params_[index] : 0;
}

void TCustomWipe::SetParam(int index, int32_t value) {
    if (index == 0 || index == 1) params_[index] = value;
}

void TCustomWipe::MatchPictures() {
    // A picture of another size or depth, or the destination itself, is read from a copy of
    // the destination's shape: the picture at the top-left corner on black.
    auto match = [&](TCustomDIBX& source, std::unique_ptr<TDIBX>& copy) -> TCustomDIBX* {
        if (&source != &dest_ && source.Width() == dest_.Width() &&
            source.Height() == dest_.Height() && source.BitCount() == dest_.BitCount()) {
            copy.reset();
            return &source;
        }
        if (!copy || copy->Width() != dest_.Width() || copy->Height() != dest_.Height() ||
            copy->BitCount() != dest_.BitCount())
            copy = std::make_unique<TDIBX>(dest_.Width(), dest_.Height(), dest_.BitCount());
        else
            copy->Clear(0);
        copy->Draw(0, 0, source.BoundsRect(), source);
        return copy.get();
    };
    old_ = match(oldSource_, oldCopy_);
    new_ = match(newSource_, newCopy_);
}

void TCustomWipe::Prepare() {
    MatchPictures();
    DoPrepare();
    prepared_ = true;
    preparedSize_ = {dest_.Width(), dest_.Height()};
}

bool TCustomWipe::Step() {
    const int64_t d = duration_;
    const int64_t e = std::max<int64_t>(elapsed_, 0);
    if (e >= d) return true;
    // What Prepare built fits the destination as it was then.
    if (!prepared_ || preparedSize_ != std::pair(dest_.Width(), dest_.Height()))
        Prepare();
    else
        MatchPictures();
    if (dest_.IsEmpty()) return false;
    // The whole destination is drawn, whatever clip its last user left on it.
    const TRect clip = dest_.ClipRect();
    dest_.ResetClip();
    DoStep(e, d);
    dest_.SetClipRect(clip);
    return false;
}

}  // namespace vesk
