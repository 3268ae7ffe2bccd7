#pragma once
// Painted pictures: a picture described as text, a few filled shapes one over another, that
// the game builder renders into a layered image. The demo game's pictures are made this
// way, so no binary picture has to live among the sources. The format is described in
// docs/images.md.
#include <cstdint>
#include <string_view>
#include <vector>

namespace vesk::scriptc {

inline constexpr char kPaintedPictureExt[] = ".vpic";

// The picture as 0xAARRGGBB pixels, rows top first.
struct PaintedPicture {
    int32_t Width = 0, Height = 0;
    std::vector<uint32_t> Pixels;
};

// Renders a description; a fault raises a VeskError naming the line.
PaintedPicture PaintPicture(std::string_view text);
// Paints the shapes of `text` (without a size) over a copy of `under`.
PaintedPicture PaintPicture(std::string_view text, const PaintedPicture& under);

// The rendered picture as a layered image: one frame, with a mask when any pixel is not
// opaque.
std::vector<uint8_t> PaintedLayeredImage(std::string_view text);

}  // namespace vesk::scriptc
