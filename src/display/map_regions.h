#pragma once
// Region files of map images: named areas of a picture, each a rectangle, a polygon or an
// ellipse in the picture's pixels. The layout is described in docs/effects.md.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/rect.h"

namespace vesk {

enum class RegionShape : uint8_t { Rect = 0, Polygon = 1, Ellipse = 2 };

struct TMapRegion {
    struct TPoint {
        int32_t X = 0, Y = 0;
        bool operator==(const TPoint&) const = default;
    };
    std::string Name;
    RegionShape Shape = RegionShape::Rect;
    // Rectangles and ellipses: the inclusive bounding box (an ellipse touches its sides).
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    // Polygons: the corners, in order; a pixel is inside when its centre is (even-odd).
    std::vector<TPoint> Points;

    bool Contains(int32_t x, int32_t y) const;
    // The smallest rectangle (right and bottom exclusive) holding every pixel inside.
    TRect Bounds() const;
    // Pixels inside on row y, as runs [first, last) in ascending order.
    void RowRuns(int32_t y, std::vector<std::pair<int32_t, int32_t>>& runs) const;
};

using TMapRegions = std::vector<TMapRegion>;

// Coordinates lie within ±kRegionCoordLimit; polygons have 3..kRegionMaxPoints corners.
inline constexpr int32_t kRegionCoordLimit = 1 << 24;
inline constexpr int32_t kRegionMaxPoints = 1 << 16;

// Parses a whole region file. A short, inconsistent or trailing-garbage file is a VeskError.
TMapRegions ReadRegionFile(const uint8_t* data, size_t size);
TMapRegions ReadRegionFile(const std::vector<uint8_t>& bytes);
// The bytes of a region file; fails on regions ReadRegionFile would reject.
std::vector<uint8_t> WriteRegionFile(const TMapRegions& regions);
void CheckRegion(const TMapRegion& region);
// The first region (in file order) holding the pixel, or -1.
int32_t RegionAt(const TMapRegions& regions, int32_t x, int32_t y);

// Regions as text, one a line: "rect NAME L T R B", "ellipse NAME L T R B" (inclusive
// bounds) or "polygon NAME X,Y X,Y X,Y ..."; '#' starts a comment. Names are taken as
// they are (no spaces). Fails on anything else.
TMapRegions ParseRegionText(std::string_view text);

}  // namespace vesk
