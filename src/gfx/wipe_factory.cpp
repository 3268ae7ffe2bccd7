// CreateWipe: the class of every transition kind and its default parameters.
#include "gfx/custom_wipe.h"
#include "gfx/wipe_blend.h"
#include "gfx/wipe_cells.h"
#include "gfx/wipe_crack.h"
#include "gfx/wipe_lines.h"
#include "gfx/wipe_radial.h"
#include "gfx/wipe_shadow.h"
#include "gfx/wipe_shapes.h"
#include "gfx/wipe_slide.h"
#include "gfx/wipe_zoom.h"

namespace vesk {

namespace {

struct KindEntry {
    std::unique_ptr<TCustomWipe> (*make)(TCustomDIBX&, TCustomDIBX&, TCustomDIBX&, TWipeEnv);
    int32_t p0, p1;
};

template <class T>
std::unique_ptr<TCustomWipe> Make(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env) {
    return std::make_unique<T>(dest, n, o, std::move(env));
}

constexpr KindEntry kKinds[kWipeKindEnd] = {
    {nullptr, 0, 0},                  // WP_NONE
    {Make<TWipeFade>, 0, 0},          // WP_FADE
    {Make<TWipeBlindH>, 20, 1},       // WP_BLINDH
    {Make<TWipeBlindV>, 20, 1},       // WP_BLINDV
    {Make<TWipeCurtainH>, 30, 1},     // WP_CURTAINH
    {Make<TWipeCurtainV>, 30, 1},     // WP_CURTAINV
    {Make<TWipeScrollH>, 0, 0},       // WP_SCROLLH
    {Make<TWipeScrollV>, 0, 0},       // WP_SCROLLV
    {Make<TWipeGrid>, 80, 30},        // WP_GRID
    {Make<TWipeGridH>, 80, 30},       // WP_GRIDH
    {Make<TWipeGridV>, 80, 30},       // WP_GRIDV
    {Make<TWipeDither>, 0, 0},        // WP_DITHER
    {Make<TWipeWhite>, 0, 0},         // WP_WHITE
    {Make<TWipeBlack>, 0, 0},         // WP_BLACK
    {Make<TWipeFlash>, 0, 0},         // WP_FLASH
    {Make<TWipeMosaic>, 0, 0},        // WP_MOSAIC
    {Make<TWipeSudareH>, 0, 0},       // WP_SUDAREH
    {Make<TWipeSudareV>, 0, 0},       // WP_SUDAREV
    {Make<TWipeSpot>, 0, 0},          // WP_SPOT
    {Make<TWipeShadow>, 0, 0},        // WP_MASKFADE
    {Make<TWipeShadowWhite>, 0, 0},   // WP_MASKWHITE
    {Make<TWipeShadowBlack>, 0, 0},   // WP_MASKBLACK
    {Make<TWipeSmall>, 0, 0},         // WP_SMALL
    {Make<TWipeBig>, 0, 0},           // WP_BIG
    {Make<TWipeRipple>, 5, 0},        // WP_RIPPLE
    {Make<TWipeBlurWhite>, 0, 0},     // WP_BLURWHITE
    {Make<TWipeBlurBlack>, 0, 0},     // WP_BLURBLACK
    {Make<TWipeTwistH>, 0, 0},        // WP_TWISTH
    {Make<TWipeTwistV>, 0, 0},        // WP_TWISTV
    {Make<TWipeCrack>, 64, 3},        // WP_CRACK
    {Make<TWipeZoomin>, 0, 0},        // WP_ZOOMIN
    {Make<TWipeClockhand>, 0, 0},     // WP_CLOCKHAND
    {Make<TWipeRubberH>, 0, 0},       // WP_RUBBERH
    {Make<TWipeRubberV>, 0, 0},       // WP_RUBBERV
    {Make<TWipeFan>, 0, 0},           // WP_FAN
    {Make<TWipeWFan>, 0, 0},          // WP_WFAN
    {Make<TWipeCircle>, 0, 0},        // WP_CIRCLE
    {Make<TWipeBlockCoil>, 60, 0},    // WP_BLOCKCOIL
    {Make<TWipeBlockRandom>, 60, 0},  // WP_BLOCKRANDOM
};

}  // namespace

std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& newPicture,
                                        TCustomDIBX& oldPicture, TWipeEnv env) {
    if (kind <= WP_NONE || kind >= kWipeKindEnd) return nullptr;
    // The effects work on direct colour; indexed destinations have no channels to blend.
    const int bits = dest.BitCount();
    if (bits != 15 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    const KindEntry& entry = kKinds[kind];
    std::unique_ptr<TCustomWipe> wipe = entry.make(dest, newPicture, oldPicture, std::move(env));
    wipe->SetParam(0, entry.p0);
    wipe->SetParam(1, entry.p1);
    return wipe;
}

}  // namespace vesk
