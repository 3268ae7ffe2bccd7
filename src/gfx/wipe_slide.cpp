#include "gfx/wipe_slide.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "gfx/blit.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

namespace {

int32_t Clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
}

}  // namespace

TRect TWipeAxisKind::Band(int64_t a, int64_t b) const {
    if (axis_ == WipeAxis::Horizontal) return {Clamp32(a), 0, Clamp32(b), Height()};
    return {0, Clamp32(a), Width(), Clamp32(b)};
}

void TWipeAxisKind::DrawBand(TCustomDIBX& picture, int64_t a, int64_t b, int64_t shift) {
    if (a >= b) return;
    const TRect to = Band(a + shift, b + shift);
    Dest().Draw(to.left, to.top, Band(a, b), picture);
}

void TWipeAxisKind::StretchBand(TCustomDIBX& picture, int64_t a, int64_t b, int64_t to,
                                int64_t toEnd) {
    if (a >= b || to >= toEnd) return;
    Dest().StretchDraw(Band(to, toEnd), Band(a, b), picture, 255);
}

// ---- scroll

void TWipeScroll::DoStep(int64_t e, int64_t d) {
    const int64_t length = Length(), a = wipe::MulDiv(length, e, d);
    if (StartFlag()) {
        DrawBand(Old(), 0, length, a);
        DrawBand(New(), 0, length, a - length);
    } else {
        DrawBand(Old(), 0, length, -a);
        DrawBand(New(), 0, length, length - a);
    }
}

// ---- reed blind and rubber

void TWipeSudare::Strip(int64_t, int64_t, int64_t q, int64_t& first, int64_t& count) const {
    first = StartFlag() ? Length() - q - 1 : q;
    count = 1;
}

void TWipeSudare::DoStep(int64_t e, int64_t d) {
    const int64_t length = Length();
    // q runs from 0 up to the last line over the old picture, and back down over the new.
    int64_t q = wipe::MulDiv(2 * length - 1, e, d);
    TCustomDIBX* source = &Old();
    if (q >= length) {
        source = &New();
        q = 2 * length - q - 1;
    }
    int64_t first = 0, count = 1;
    Strip(e, d, q, first, count);
    if (StartFlag()) {
        StretchBand(*source, first, first + count, length - q - 1, length);
        DrawBand(*source, 0, length - q - 1);
    } else {
        StretchBand(*source, first, first + count, 0, q + 1);
        DrawBand(*source, q + 1, length);
    }
}

void TWipeRubber::Strip(int64_t e, int64_t d, int64_t q, int64_t& first, int64_t& count) const {
    const int64_t band = StartFlag() ? q + 1 : q;
    count = std::max<int64_t>(
        1, wipe::Round(std::abs(double(e) - double(d) / 2) * double(band) / double(d)));
    first = StartFlag() ? Length() - q - 1 : std::max<int64_t>(0, q - count);
}

// ---- twist

void TWipeTwist::DoStep(int64_t e, int64_t d) {
    // Lines along the axis, each turning about the middle of its breadth: each shows its old
    // or new line squeezed to round(cos φ × breadth) pixels (negative: the new line) on black.
    const int64_t lines = Length(), breadth = Breadth();
    const double turn = 1.5 * std::numbers::pi * double(e) / double(d);
    int64_t finished = 0;
    std::vector<Turning> turning;
    for (int64_t k = 0; k < lines; ++k) {
        const double phase = turn - double(k) / double(lines) * std::numbers::pi / 2;
        if (phase < 0) break;
        if (phase >= std::numbers::pi) {
            finished = k + 1;
            continue;
        }
        const int64_t w = wipe::Round(std::cos(phase) * double(breadth));
        const int64_t size = std::abs(w);
        turning.push_back({StartFlag() ? lines - 1 - k : k, (breadth - size) / 2, size,
                           w > 0   ? &Old()
                           : w < 0 ? &New()
                                   : nullptr});
    }
    if (Axis() == WipeAxis::Vertical)
        DrawTurningRows(turning);
    else
        DrawTurningColumns(turning);
    if (finished > 0) {
        if (StartFlag())
            DrawBand(New(), lines - finished, lines);
        else
            DrawBand(New(), 0, finished);
    }
}

void TWipeTwist::DrawTurningRows(const std::vector<Turning>& rows) {
    const int32_t w = Width();
    for (const Turning& t : rows) {
        const int32_t y = int32_t(t.line);
        Dest().FillRect({0, y, w, y + 1}, 0);
        if (t.picture)
            Dest().StretchDraw({int32_t(t.from), y, int32_t(t.from + t.size), y + 1},
                               {0, y, w, y + 1}, *t.picture, 255);
    }
}

void TWipeTwist::DrawTurningColumns(const std::vector<Turning>& columns) {
    // Row by row rather than column by column, which would walk the memory across. Each
    // column samples its source rows as a stretch would: row i of the squeezed column shows
    // source row (i × step) >> 16, step being height / size in 16.16.
    if (columns.empty()) return;
    const int32_t h = Height();
    struct Column {
        int32_t x, from, size;
        int64_t step;
        const blit::Access* source;
    };
    blit::Access dest(Dest()), old(Old()), neu(New());
    if (!dest.Ok() || !old.Ok() || !neu.Ok()) return;
    const int bits = dest.Bits();
    std::vector<Column> cols;
    cols.reserve(columns.size());
    for (const Turning& t : columns) {
        const int64_t step = t.size > 0 ? int64_t(double(h) / double(t.size) * 65536.0) : 0;
        cols.push_back({int32_t(t.line), int32_t(t.from), int32_t(t.size), step,
                        t.picture == &Old()   ? &old
                        : t.picture == &New() ? &neu
                                              : nullptr});
    }
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = dest.Row(y);
        if (bits == 32) {
            auto* out32 = reinterpret_cast<uint32_t*>(out);
            for (const Column& c : cols) {
                uint32_t value = 0;
                if (c.source && y >= c.from && y < c.from + c.size) {
                    const int64_t row =
                        std::min<int64_t>((int64_t(y - c.from) * c.step) >> 16, h - 1);
                    value = reinterpret_cast<const uint32_t*>(c.source->Row(int32_t(row)))[c.x];
                }
                out32[c.x] = value;
            }
            continue;
        }
        for (const Column& c : cols) {
            uint32_t value = 0;
            if (c.source && y >= c.from && y < c.from + c.size) {
                const int64_t row = std::min<int64_t>((int64_t(y - c.from) * c.step) >> 16, h - 1);
                value = blit::ReadRaw(c.source->Row(int32_t(row)), c.x, bits);
            }
            blit::WriteRaw(out, c.x, bits, value);
        }
    }
}

}  // namespace vesk
