// Cursor, icon and animated cursor files on hostile input: every failure must be a
// VeskError, never a crash, a hang or an unbounded allocation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/error.h"
#include "gfx/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    try {
        const TCursorImage c = ReadCursorFile(data, size);
        // What the window system relies on.
        if (c.width <= 0 || c.height <= 0 || c.width > kMaxCursorSide ||
            c.height > kMaxCursorSide || c.argb.size() != size_t(c.width) * size_t(c.height) ||
            c.hotX < 0 || c.hotY < 0 || c.hotX >= c.width || c.hotY >= c.height)
            std::abort();
    } catch (const VeskError&) {
    }
    return 0;
}
