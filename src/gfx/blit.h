#pragma once
// Internals shared by the surface operations: locked access, raw row reading and writing,
// blit clipping with mirroring, and the row loop that feeds the row kernels.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/custom_dibx.h"
#include "gfx/pixel_kernels.h"

namespace vesk::blit {

// A surface locked for the length of one operation; unlocks on every exit path.
class Access {
  public:
    explicit Access(TCustomDIBX& s)
        : s_(s),
          base_(s.IsEmpty() ? nullptr : s.PixelAddress(0, 0)),
          pitch_(s.Pitch()),
          bits_(s.BitCount()) {}
    ~Access() {
        if (base_) s_.Unlock();
    }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;
    bool Ok() const { return base_ != nullptr; }
    int Bits() const { return bits_; }
    uint8_t* Row(int32_t y) const { return base_ + static_cast<ptrdiff_t>(y) * pitch_; }

  private:
    TCustomDIBX& s_;
    uint8_t* base_;
    ptrdiff_t pitch_;
    int bits_;
};

inline uint32_t ReadRaw(const uint8_t* row, int32_t x, int bits) {
    switch (bits) {
        case 32: {
            uint32_t v;
            std::memcpy(&v, row + size_t(x) * 4, 4);
            return v;
        }
        case 24: {
            const uint8_t* p = row + size_t(x) * 3;
            return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        }
        case 15:
        case 16: {
            uint16_t v;
            std::memcpy(&v, row + size_t(x) * 2, 2);
            return v;
        }
        case 8:
            return row[x];
        case 4:
            return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1;
        default:
            return 0;
    }
}

inline void WriteRaw(uint8_t* row, int32_t x, int bits, uint32_t v) {
    switch (bits) {
        case 32:
            std::memcpy(row + size_t(x) * 4, &v, 4);
            break;
        case 24: {
            uint8_t* p = row + size_t(x) * 3;
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            p[2] = uint8_t(v >> 16);
            break;
        }
        case 15:
        case 16: {
            uint16_t w = uint16_t(v);
            std::memcpy(row + size_t(x) * 2, &w, 2);
            break;
        }
        case 8:
            row[x] = uint8_t(v);
            break;
        case 4: {
            int sh = (x & 1) ? 0 : 4;
            row[x >> 1] = uint8_t((row[x >> 1] & ~(15 << sh)) | ((v & 15) << sh));
            break;
        }
        case 1: {
            int sh = 7 - (x & 7);
            row[x >> 3] = uint8_t((row[x >> 3] & ~(1 << sh)) | ((v & 1) << sh));
            break;
        }
        default:
            break;
    }
}

// A run of destination pixels as 32-bit values: the pixels themselves on 32-bit
// surfaces, else a buffer read from the row and written back by Store.
class DestRow {
  public:
    DestRow(const Access& a, int32_t maxWidth)
        : a_(a), buf_(a.Bits() == 32 ? 0 : size_t(std::max(maxWidth, 0))) {}
    bool Direct() const { return a_.Bits() == 32; }
    uint32_t* Load(int32_t y, int32_t x, int32_t n);
    void Store();

  private:
    const Access& a_;
    std::vector<uint32_t> buf_;
    uint8_t* row_ = nullptr;
    int32_t x_ = 0, n_ = 0;
};

// The kernels drawing into `dst`: its own set on 32 bits without conversion, else the
// general set.
const RowKernels& KernelsFor(TCustomDIBX& dst, const Access& a, const RowParams& p);
// Parameters of a draw from `src`: the destination's masks, alpha, and the source's key
// when asked for and set.
RowParams KeyParams(TCustomDIBX& dst, TCustomDIBX& src, Key key, int32_t alpha);

// n raw values from x0 with a step of +1 or -1.
void GatherRow(const uint8_t* row, int bits, int32_t x0, int32_t step, int32_t n, uint32_t* out);
// n raw values at the given columns.
void GatherCols(const uint8_t* row, int bits, const int32_t* cols, int32_t n, uint32_t* out);
void WriteRow(uint8_t* row, int bits, int32_t x0, int32_t n, const uint32_t* in);

// The destination's channel masks; the rest default.
RowParams ParamsFor(const TCustomDIBX& dst);
// True when raw source values must be converted to become destination values.
bool NeedsConv(int srcBits, int dstBits);
PixelConv MakeConv(TCustomDIBX& src, int dstBits);

// A clipped blit: destination rectangle (dx, dy, w, h) and the source pixel read for the
// destination's top-left pixel, with per-axis steps of +1 or -1.
struct Geom {
    int32_t dx = 0, dy = 0, w = 0, h = 0;
    int32_t sx = 0, sy = 0;
    int32_t sxStep = 1, syStep = 1;
};

// Places `src` at (x, y), clips the destination to `area` and the source to `limit`,
// cutting each side of the source that the mirroring maps to the cut destination side.
bool Clip(const TRect& area, int32_t x, int32_t y, const TRect& src, const TRect& limit, Flip flip,
          Geom& g);

enum class Op { Copy, Alpha, Add, Mask, MaskAlpha, MaskAdd };

// Source columns and rows: either a start with a step (from Geom) or index tables.
struct Sampling {
    const int32_t* cols = nullptr;  // w entries, or null for g.sx + i * g.sxStep
    const int32_t* rows = nullptr;  // h entries, or null for g.sy + j * g.syStep
};

// Runs `op` over the clipped area. `mask` is required for the mask ops.
void Run(TCustomDIBX& dst, TCustomDIBX& src, TCustomDIBX* mask, const Geom& g, const Sampling& smp,
         Op op, RowParams p);

// Nearest-neighbour source indices in 16.16 steps: n destination positions starting
// `clipped` positions into a destination of dstLen showing srcLen source pixels from
// srcStart, mirrored when flip.
void AxisTable(int32_t srcStart, int32_t srcLen, int32_t dstLen, int32_t clipped, int32_t n,
               bool flip, std::vector<int32_t>& out);

// The four bars of a border of width w inside r (top, bottom, then the sides only when
// height - 2w is positive).
template <class Fill>
void FrameBars(const TRect& r, int32_t w, Fill fill) {
    if (w <= 0 || r.IsEmpty()) return;
    fill(TRect{r.left, r.top, r.right, std::min(r.bottom, r.top + w)});
    fill(TRect{r.left, std::max(r.top, r.bottom - w), r.right, r.bottom});
    if (r.Height() - 2 * w > 0) {
        fill(TRect{r.left, r.top + w, std::min(r.right, r.left + w), r.bottom - w});
        fill(TRect{std::max(r.left, r.right - w), r.top + w, r.right, r.bottom - w});
    }
}

// Source rectangle limited to the source (and mask) surface.
TRect SourceLimit(TCustomDIBX& src, TCustomDIBX* mask);

inline int32_t ClampAlpha(int32_t a) {
    return a < 0 ? 0 : (a > 255 ? 255 : a);
}

}  // namespace vesk::blit
