// The preview menu reader on arbitrary bytes: a clear error, or a menu whose written form
// reads back to the same menu.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "display/prev_menu_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    TPrevMenuFile menu;
    try {
        menu = ReadPrevMenuFile(data, size);
    } catch (const VeskError&) {
        return 0;
    }
    // Negative string lengths read as empty and trailing bytes are ignored, so the bytes
    // need not come back; what they mean must.
    const std::vector<uint8_t> once = WritePrevMenuFile(menu);
    if (WritePrevMenuFile(ReadPrevMenuFile(once)) != once) std::abort();
    return 0;
}
