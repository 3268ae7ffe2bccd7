#include "gfx/wipe_slide.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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
    // Lines along the axis, each turning about the middle of its breadth.
    const int64_t lines = Length(), breadth = Breadth();
    const double turn = 1.5 * std::numbers::pi * double(e) / double(d);
    int64_t finished = 0;
    for (int64_t k = 0; k < lines; ++k) {
        const double phase = turn - double(k) / double(lines) * std::numbers::pi / 2;
        if (phase < 0) break;
        if (phase >= std::numbers::pi) {
            finished = k + 1;
            continue;
        }
        const int64_t line = StartFlag() ? lines - 1 - k : k;
        const int64_t w = wipe::Round(std::cos(phase) * double(breadth));
        const int64_t size = std::abs(w), from = (breadth - size) / 2;
        // Across the line: a rectangle of the line, [a, b) across it.
        auto part = [&](int64_t a, int64_t b) {
            return Axis() == WipeAxis::Horizontal
                       ? TRect{int32_t(line), int32_t(a), int32_t(line + 1), int32_t(b)}
                       : TRect{int32_t(a), int32_t(line), int32_t(b), int32_t(line + 1)};
        };
        Dest().FillRect(part(0, breadth), 0);
        if (w != 0)
            Dest().StretchDraw(part(from, from + size), part(0, breadth), w > 0 ? Old() : New(),
                               255);
    }
    if (finished > 0) {
        if (StartFlag())
            DrawBand(New(), lines - finished, lines);
        else
            DrawBand(New(), 0, finished);
    }
}

}  // namespace vesk
