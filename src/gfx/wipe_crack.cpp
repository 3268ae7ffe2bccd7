#include "gfx/wipe_crack.h"

#include <algorithm>

#include "gfx/wipe_pixels.h"

namespace vesk {

void TWipeCrackDraw::Draw(TCustomDIBX& dest, TCustomDIBX& picture, int64_t c, int64_t height,
                          int64_t fallTime) {
    if (dropped) return;
    const int64_t a = c - start;
    // From the fall time on the block is below the screen (the fall only grows from there).
    if (a >= fallTime) {
        dropped = true;
        return;
    }
    const int64_t dy = Fall(a);
    if (dy >= height) {
        dropped = true;
        return;
    }
    const int64_t dx = a * speed / 100;
    dest.Draw(int32_t(place.left + dx), int32_t(place.top + dy), place, picture);
}

void TWipeCrack::SetParam(int index, int32_t value) {
    if (index == 0) {
        TCustomWipe::SetParam(0, std::max(value, 16));
        MakeBlocks();
    } else if (index == 1) {
        TCustomWipe::SetParam(1, std::max(value, 0));
        TimeBlocks();
    }
}

void TWipeCrack::MakeBlocks() {
    const int32_t w = Width(), h = Height(), s = P0();
    blocks_.clear();
    for (int64_t y = 0; y < h; y += s)
        for (int64_t x = 0; x < w; x += s)
            blocks_.push_back({TRect{int32_t(x), int32_t(y), int32_t(std::min<int64_t>(x + s, w)),
                                     int32_t(std::min<int64_t>(y + s, h))}});
    std::shuffle(blocks_.begin(), blocks_.end(), Random());
    std::uniform_int_distribution<int32_t> speed(-100, 99);
    for (TWipeCrackDraw& b : blocks_) b.speed = speed(Random());
    // The fall first rises to -112 at a = 150, back to 0 at a = 300, then grows.
    fallTime_ = h <= 0 ? 0 : 300;
    while (TWipeCrackDraw::Fall(fallTime_) < h) ++fallTime_;
    blocksW_ = w;
    blocksH_ = h;
    TimeBlocks();
}

void TWipeCrack::TimeBlocks() {
    for (size_t j = 0; j < blocks_.size(); ++j) {
        blocks_[j].start = int64_t(j) * P1();
        blocks_[j].dropped = false;
    }
}

void TWipeCrack::DoStep(int64_t e, int64_t d) {
    if (blocksW_ != Width() || blocksH_ != Height()) MakeBlocks();
    const int64_t n = int64_t(blocks_.size());
    const int64_t c = wipe::MulDiv(fallTime_ + (n - 1) * P1(), e, d);
    TCustomDIBX& dest = Dest();
    dest.Draw(0, 0, New().BoundsRect(), New());
    // Blocks that have not started stay in place; the moving ones are drawn last to first,
    // so that the earlier ones, further down their fall, come out on top.
    for (const TWipeCrackDraw& b : blocks_)
        if (b.start > c) dest.Draw(b.place.left, b.place.top, b.place, Old());
    for (size_t j = blocks_.size(); j-- > 0;) {
        TWipeCrackDraw& b = blocks_[j];
        if (b.start <= c) b.Draw(dest, Old(), c, Height(), fallTime_);
    }
}

}  // namespace vesk
