#include "gfx/wipe_shadow.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "gfx/pixel_kernels.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

std::vector<uint8_t> MaskPictureLevels(const TWipeEnv& env, const std::string& name, bool invert,
                                       int32_t width, int32_t height) {
    const size_t w = size_t(std::max(width, 0)), h = size_t(std::max(height, 0));
    std::vector<uint8_t> levels(w * h, 255);
    std::unique_ptr<TDIBX> picture = env.loadPicture ? env.loadPicture(name) : nullptr;
    if (!picture || picture->IsEmpty()) return levels;
    // The picture's grey levels, as colours become 8-bit mask values.
    const int32_t pw = picture->Width(), ph = picture->Height();
    std::vector<uint8_t> grey(size_t(pw) * size_t(ph));
    const uint32_t* palette = picture->PaletteRgb();
    const int paletteCount = picture->PaletteSize(), bits = picture->BitCount();
    {
        blit::Access a(*picture);
        if (!a.Ok()) return levels;
        for (int32_t y = 0; y < ph; ++y) {
            for (int32_t x = 0; x < pw; ++x) {
                const uint32_t rgb =
                    DecodeToRgb(blit::ReadRaw(a.Row(y), x, bits), bits, palette, paletteCount);
                const uint8_t g = uint8_t(EncodeFromRgb(rgb, 8));
                grey[size_t(y) * size_t(pw) + size_t(x)] = invert ? uint8_t(255 - g) : g;
            }
        }
    }
    for (size_t y = 0; y < h; ++y) {
        const uint8_t* src = grey.data() + (y % size_t(ph)) * size_t(pw);
        uint8_t* out = levels.data() + y * w;
        for (size_t x = 0; x < w; ++x) out[x] = src[x % size_t(pw)];
    }
    return levels;
}

// ---- mask fade

void TWipeShadow::DoPrepare() {
    TWipeMask::DoPrepare();
    levels_ = MaskPictureLevels(Env(), Text(), StartFlag(), Width(), Height());
    SetTwoLevel(false);
}

bool TWipeShadow::RenderMask(int64_t e, int64_t d) {
    const int64_t i = wipe::MulDiv(512, e, d);
    if (!StepChanged(i)) return false;
    // The mask value of every grey level at this step.
    std::array<uint8_t, 256> value;
    for (int32_t g = 0; g < 256; ++g)
        value[size_t(g)] = uint8_t(std::clamp<int64_t>(i + g - 256, 0, 255));
    const size_t w = size_t(Width());
    for (int32_t y = 0; y < MaskRows(); ++y) {
        const uint8_t* g = levels_.data() + size_t(y) * w;
        uint8_t* out = MaskRow(y);
        for (size_t x = 0; x < w; ++x) out[x] = value[g[x]];
    }
    return true;
}

// ---- mask white and black

void TWipeShadowWhite::DoPrepare() {
    levels_ = MaskPictureLevels(Env(), Text(), StartFlag(), Width(), Height());
}

void TWipeShadowWhite::DoStep(int64_t e, int64_t d) {
    const int32_t b = int32_t(wipe::MulDiv(768, e, d));
    wipe::Rows rows(Dest(), Old(), New());
    if (!rows.Ok()) return;
    const wipe::Channels c(Dest());
    const bool black = ThroughBlack();
    const int32_t w = Width();
    // For grey level g: v = T[b + g], where T[i] = 0 up to 255, i − 256 up to 767, then 511,
    // which is min(511, max(0, b + g − 256)). Up to 255 the old picture is lightened (or
    // darkened) by v, above it the new one by 511 − v.
    auto level = [b](uint32_t g) { return std::clamp<int32_t>(b + int32_t(g) - 256, 0, 511); };
    const WipeRowKernels& k = WipeRowKernels::ForLevel(Dest().Kernels().level);
    for (int32_t y = 0; y < Height(); ++y) {
        const uint8_t* g = levels_.data() + size_t(y) * size_t(w);
        const uint32_t *o = rows.Old(y), *n = rows.New(y);
        uint32_t* out = rows.Dest(y);
        if (c.is32) {
            (black ? k.darkenBytes : k.lightenBytes)(out, o, n, g, b - 256, w);
        } else {
            for (int32_t x = 0; x < w; ++x) {
                const int32_t v = level(g[x]);
                const uint32_t p = v > 255 ? n[x] : o[x];
                const uint32_t grey = c.Grey(uint32_t(v > 255 ? 511 - v : v));
                out[x] = black ? wipe::SubAny(p, grey, c) : wipe::AddAny(p, grey, c);
            }
        }
        rows.Store();
    }
}

}  // namespace vesk
