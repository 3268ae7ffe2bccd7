#pragma once
// Rectangles in pixels: left, top, right, bottom, with right and bottom exclusive.
#include <algorithm>
#include <cstdint>

namespace vesk {

struct TRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr int32_t Width() const { return right - left; }
    constexpr int32_t Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool operator==(const TRect&) const = default;
};

// True when the rectangle is non-empty and small enough (under 2^24 a side) for scaling
// arithmetic; larger rectangles are nothing a picture is drawn to.
constexpr bool IsScalable(const TRect& r) {
    constexpr int64_t kMax = int64_t(1) << 24;
    return !r.IsEmpty() && int64_t(r.right) - r.left < kMax && int64_t(r.bottom) - r.top < kMax;
}

constexpr TRect Bounds(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, x + w, y + h};
}

constexpr TRect Intersect(const TRect& a, const TRect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

constexpr TRect Offset(const TRect& r, int32_t dx, int32_t dy) {
    return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Bounding box of two rectangles; an empty one does not count.
constexpr TRect Union(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

}  // namespace vesk
