// The display objects of a game save on arbitrary bytes: a clear error, or a tree the root
// can run, compose and save again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "display/display_commands.h"
#include "display/vesk_base_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 1) return 0;
    // The first byte picks the save version, so the old layouts are reached too.
    const int32_t version = 100 + data[0] % 40;
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    MemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    try {
        StreamReader r(s);
        root.LoadState(r, version);
    } catch (const VeskError&) {
        return 0;
    }
    root.MouseMoveTo(10, 10);
    root.MouseButton(true, true);
    for (int i = 0; i < 3; ++i) {
        root.ProcessInput(16);
        root.StepAll(16);
        root.PaintAll();
        root.ClearDirty();
    }
    MemoryStream out;
    StreamWriter w(out);
    root.SaveState(w);
    return 0;
}
