#pragma once
// Mouse cursor files as games ship them: still cursors and icons (".cur", ".ico", either a
// DIB with its AND mask or an embedded PNG per entry) and animated cursors (".ani", a RIFF
// "ACON" file holding one .cur/.ico per frame). The result is one straight-alpha ARGB
// picture with its hotspot, ready for the window system.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk {

struct TCursorImage {
    // At most kMaxCursorSide on either side.
    int32_t width = 0;
    int32_t height = 0;
    // The pixel that is the pointer's position; 0, 0 for icons.
    int32_t hotX = 0;
    int32_t hotY = 0;
    // 0xAARRGGBB, straight (not premultiplied) alpha, top row first, width * height words.
    std::vector<uint32_t> argb;
    // Animated cursors: the number of frames, and how long the shown (first displayed)
    // frame stays, in jiffies of 1/60 s. Still cursors report 1 frame and rate 0.
    int32_t frames = 1;
    int32_t rateJiffies = 0;
};

constexpr int32_t kMaxCursorSide = 256;

// Reads a .cur, .ico or .ani file from memory. Of several pictures in one file the one
// closest to 32 x 32 is taken (the deeper one at equal distance); of an animation, the
// first frame its sequence shows. Malformed or unsupported data raises a VeskError.
TCursorImage ReadCursorFile(const uint8_t* data, size_t size);

}  // namespace vesk
