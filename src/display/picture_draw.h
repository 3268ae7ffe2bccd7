#pragma once
// One picture drawn whole at a point with an object's opacity: 1..254 blends, 255 copies
// (skipping the key colour), 256..511 adds with strength value - 256; nothing below 1. With
// a mask (8 bits, the picture's size) the picture is drawn through it.
#include <algorithm>
#include <cstdint>

#include "gfx/custom_dibx.h"

namespace vesk {

inline void DrawPictureAt(TCustomDIBX& s, int32_t x, int32_t y, TCustomDIBX& pic, TCustomDIBX* mask,
                          int32_t alpha) {
    if (alpha < 1 || pic.IsEmpty()) return;
    const bool add = alpha > 255;
    const int32_t a = add ? std::min(alpha - 256, 255) : alpha;
    if (a == 0) return;
    const TRect src = pic.BoundsRect();
    if (mask) {
        if (add)
            s.DrawMaskAdd(x, y, src, pic, *mask, a);
        else if (a == 255)
            s.DrawMask(x, y, src, pic, *mask);
        else
            s.DrawMaskAlpha(x, y, src, pic, *mask, a);
    } else if (add) {
        s.DrawAdd(x, y, src, pic, a);
    } else if (a == 255) {
        s.Draw(x, y, src, pic, {.key = Key::Skip});
    } else {
        s.DrawAlpha(x, y, src, pic, a, {.key = Key::Skip});
    }
}

}  // namespace vesk
