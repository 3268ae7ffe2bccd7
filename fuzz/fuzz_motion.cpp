// The motion file reader on arbitrary bytes: a clear error, or a track that writes back to
// the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "display/motion_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    TMotionTrack t;
    try {
        t = ReadMotionFile(data, size);
    } catch (const VeskError&) {
        return 0;
    }
    const std::vector<uint8_t> back = WriteMotionFile(t);
    if (back != std::vector<uint8_t>(data, data + size)) std::abort();
    return 0;
}
