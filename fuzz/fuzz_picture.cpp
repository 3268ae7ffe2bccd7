// Picture loading (BMP and PNG, chosen by the leading bytes) on hostile input: every
// failure must be a VeskError, never a crash, a hang or an unbounded allocation.
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "base/stream.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    try {
        // The first byte picks the depth the picture is loaded at.
        static constexpr int kDepths[] = {32, 16, 15, 24, 8};
        const int bits = size ? kDepths[data[0] % 5] : 32;
        TDIBX s(1, 1, bits);
        ViewStream in(data + (size ? 1 : 0), size ? size - 1 : 0);
        if (s.LoadFromStream(in)) {
            // Draw the result once through the usual paths.
            TDIBX screen(64, 48, 32);
            screen.DrawAlpha(-3, 5, s.BoundsRect(), s, 100,
                             {.flip = Flip::Horizontal, .key = Key::Skip});
            screen.StretchDraw({0, 0, 64, 48}, s.BoundsRect(), s, 255, {.flip = Flip::Vertical});
        }
    } catch (const VeskError&) {
    }
    return 0;
}
