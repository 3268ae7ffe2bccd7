#include "gfx/wipe_radial.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

// ---- spot

void TWipeSpot::SetStartFlag(bool on) {
    TCustomWipe::SetStartFlag(on);
    BuildTable();
}

void TWipeSpot::BuildTable() {
    const int32_t w = Width(), h = Height(), cx = w / 2, cy = h / 2;
    radius_ = int32_t(wipe::Round(std::hypot(double(cy), double(cx))));
    table_.resize(size_t(w) * size_t(h));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const int32_t n = int32_t(wipe::Round(std::hypot(double(x - cx), double(y - cy))));
            table_[size_t(y) * size_t(w) + size_t(x)] =
                uint16_t(StartFlag() ? std::max(radius_ - n, 0) : n);
        }
    }
    tableStart_ = StartFlag();
    tableW_ = w;
    tableH_ = h;
}

void TWipeSpot::DoPrepare() {
    if (tableW_ != Width() || tableH_ != Height() || tableStart_ != StartFlag()) BuildTable();
}

void TWipeSpot::DoStep(int64_t e, int64_t d) {
    const int32_t b = int32_t(wipe::MulDiv(int64_t(radius_) + 512, e, d));
    wipe::Rows rows(Dest(), Old(), New());
    if (!rows.Ok()) return;
    const wipe::Channels c(Dest());
    const WipeRowKernels& k = WipeRowKernels::ForLevel(Dest().Kernels().level);
    const int32_t w = Width();
    for (int32_t y = 0; y < Height(); ++y) {
        const uint16_t* n = table_.data() + size_t(y) * size_t(w);
        const uint32_t *o = rows.Old(y), *nw = rows.New(y);
        uint32_t* out = rows.Dest(y);
        // t = b − n: before the ring (t < 0) the old picture; a glow rising to 255 over the
        // old picture, then falling over the new one; past the ring (t >= 512) the new. That
        // is the lightening by the level clamp(t, 0, 511).
        if (c.is32) {
            k.lightenWords(out, o, nw, n, b, w);
        } else {
            for (int32_t x = 0; x < w; ++x) {
                const int32_t t = std::clamp(b - int32_t(n[x]), 0, 511);
                out[x] = wipe::AddAny(t > 255 ? nw[x] : o[x],
                                      c.Grey(uint32_t(t > 255 ? 511 - t : t)), c);
            }
        }
        rows.Store();
    }
}

// ---- ripple

TWipeRipple::TWipeRipple(TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture,
                         TWipeEnv env)
    : TCustomWipe(dest, newPicture, oldPicture, std::move(env)) {
    BuildTables();
}

void TWipeRipple::SetParam(int index, int32_t value) {
    TCustomWipe::SetParam(index, value);
    if (index == 0) BuildWave();
}

void TWipeRipple::BuildTables() {
    const int32_t w = Width(), h = Height();
    cx_ = w / 2;
    cy_ = h / 2;
    // Odd sizes have a middle column or row that is its own mirror image; it belongs to the
    // quarter so that every pixel is drawn.
    quarterW_ = (w + 1) / 2;
    quarterH_ = (h + 1) / 2;
    const size_t n = size_t(quarterW_) * size_t(quarterH_);
    dist_.resize(n);
    cos_.resize(n);
    sin_.resize(n);
    for (int32_t y = 0; y < quarterH_; ++y) {
        for (int32_t x = 0; x < quarterW_; ++x) {
            const double dx = x - cx_, dy = y - cy_;
            const size_t i = size_t(y) * size_t(quarterW_) + size_t(x);
            dist_[i] = uint16_t(wipe::Round(std::hypot(dx, dy)));
            const double theta = std::atan2(dy, dx);
            cos_[i] = int32_t(wipe::Round(std::cos(theta) * 65536));
            sin_[i] = int32_t(wipe::Round(std::sin(theta) * 65536));
        }
    }
    tableW_ = w;
    tableH_ = h;
    BuildWave();
}

void TWipeRipple::BuildWave() {
    // Four saw-tooth periods over the ring's width, rising from 0 towards p0.
    const int64_t length = (2 * int64_t(std::min(cx_, cy_))) / 3, period = length / 4;
    wave_.assign(size_t(length), 0);
    if (period == 0) return;
    for (int64_t i = 0; i < length; ++i) wave_[size_t(i)] = (i % period) * P0() / period;
}

void TWipeRipple::DoPrepare() {
    if (tableW_ != Width() || tableH_ != Height()) BuildTables();
}

void TWipeRipple::DoStep(int64_t e, int64_t d) {
    const int32_t w = Width(), h = Height();
    const int64_t ring = int64_t(wave_.size());
    const int64_t b = wipe::MulDiv(wipe::Round(std::hypot(double(cy_), double(cx_))) + ring, e, d);
    blit::Access da(Dest()), oa(Old()), na(New());
    if (!da.Ok() || !oa.Ok() || !na.Ok()) return;
    const int bits = da.Bits(), bytes = (bits + 7) / 8;
    // Copies columns [x0, x1) of row y from a picture.
    auto copy = [&](const blit::Access& from, int32_t y, int32_t x0, int32_t x1) {
        if (x0 < x1)
            std::memcpy(da.Row(y) + ptrdiff_t(x0) * bytes, from.Row(y) + ptrdiff_t(x0) * bytes,
                        size_t(x1 - x0) * size_t(bytes));
    };
    for (int32_t y = 0; y < quarterH_; ++y) {
        const int32_t y2 = h - 1 - y;
        const size_t base = size_t(y) * size_t(quarterW_);
        const uint16_t* r = dist_.data() + base;
        // Along the row the distance falls towards the centre: the old picture outside the
        // ring, the ring, then the new picture inside it.
        int32_t a = 0;
        while (a < quarterW_ && r[a] > b) ++a;
        int32_t c = a;
        while (c < quarterW_ && r[c] + ring - 1 >= b) ++c;
        for (int32_t row : {y, y2}) {
            copy(oa, row, 0, a);
            copy(oa, row, w - a, w);
            copy(na, row, c, w - c);
        }
        for (int32_t x = a; x < c; ++x) {
            const int32_t x2 = w - 1 - x;
            const int64_t rp = r[x] + wave_[size_t(r[x] + ring - 1 - b)];
            const int64_t sx = cx_ + rp * cos_[base + size_t(x)] / 65536;
            const int64_t sy = cy_ + rp * sin_[base + size_t(x)] / 65536;
            if (sx < 0 || sx >= w || sy < 0 || sy >= h) {
                for (int32_t row : {y, y2}) {
                    copy(na, row, x, x + 1);
                    copy(na, row, x2, x2 + 1);
                }
                continue;
            }
            const int32_t sx2 = w - 1 - int32_t(sx), sy2 = h - 1 - int32_t(sy);
            auto put = [&](int32_t tx, int32_t ty, int32_t fx, int32_t fy) {
                blit::WriteRaw(da.Row(ty), tx, bits, blit::ReadRaw(na.Row(fy), fx, bits));
            };
            put(x, y, int32_t(sx), int32_t(sy));
            put(x2, y, sx2, int32_t(sy));
            put(x, y2, int32_t(sx), sy2);
            put(x2, y2, sx2, sy2);
        }
    }
}

}  // namespace vesk
