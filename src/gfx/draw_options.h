#pragma once
// The options of the surface draws: mirroring, colour keying, and the geometry of tiled,
// zoomed and rotated draws, so that a call says what it asks for.
#include <cstdint>

namespace vesk {

// Mirroring of the source rectangle; Both is Horizontal | Vertical.
enum class Flip : uint8_t { None = 0, Horizontal = 1, Vertical = 2, Both = 3 };

constexpr Flip operator|(Flip a, Flip b) {
    return Flip(uint8_t(a) | uint8_t(b));
}
constexpr bool FlipsHorizontally(Flip f) {
    return (uint8_t(f) & uint8_t(Flip::Horizontal)) != 0;
}
constexpr bool FlipsVertically(Flip f) {
    return (uint8_t(f) & uint8_t(Flip::Vertical)) != 0;
}
// The flip of two separate mirror switches, as game data holds them.
constexpr Flip FlipOf(bool horizontal, bool vertical) {
    return (horizontal ? Flip::Horizontal : Flip::None) | (vertical ? Flip::Vertical : Flip::None);
}

// Source pixels equal to the source's transparent colour (TransparentColor): drawn like
// the others, or skipped.
enum class Key : uint8_t { None, Skip };

// Options of the draws that may skip keyed pixels. The others take a Flip alone, as their
// treatment of the key is fixed: mask draws draw keyed pixels, DrawAdd and TileDrawAdd
// skip them, glyph and indexed draws have rules of their own.
struct DrawOptions {
    Flip flip = Flip::None;
    Key key = Key::None;
};

// Scale per axis in 1/256 (256 keeps the size).
struct Zoom {
    int32_t x = 256;
    int32_t y = 256;
};

// Placement of tiles: the pattern is shifted left and up by the offsets (in source pixels,
// wrapped to the tile), and neighbouring tiles stand the gaps apart (destination pixels).
struct TileLayout {
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t colGap = 0;
    int32_t rowGap = 0;
};

// A rotated draw: the source is scaled by zoom, then turned by angle (1/256 turn, positive
// turns clockwise) about the source pixel (pivotX, pivotY), which lands on the draw's (x, y).
struct Rotation {
    int32_t angle = 0;
    int32_t pivotX = 0;
    int32_t pivotY = 0;
    Zoom zoom{};
};

}  // namespace vesk
