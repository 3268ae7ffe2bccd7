// Layered image reading on hostile input: every failure must be a VeskError, never a
// crash, a hang or an unbounded allocation.
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "gfx/dibx.h"
#include "gfx/quil_frame_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 1) return 0;
    // The first byte picks the reading options and the scramble code.
    const uint8_t opt = data[0];
    static constexpr int kTargets[] = {0, 16, 32, 24};
    TQuilFrameList list(opt >> 6);
    list.memoryLimit = int64_t(64) << 20;
    list.targetBits = kTargets[(opt >> 3) & 3];
    try {
        list.LoadFromBytes(data + 1, size - 1, opt & 1, opt & 2, opt & 4);
        for (size_t i = 0; i < list.Count() && i < 4; ++i) {
            TDIBX s(1, 1, (opt & 32) ? 16 : 32);
            list.CopyToSurface(i, s);
            TDIBX m;
            list.CopyMaskToSurface(i, m);
        }
    } catch (const VeskError&) {
    }
    return 0;
}
