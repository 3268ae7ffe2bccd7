// Page loading on arbitrary bytes: a clear error or a page that writes back to the same
// bytes' meaning (written, reloaded and written again it must not change) and lists. What
// the page keeps of its stored form comes back byte for byte: the header, the property-set
// records in their stored layout (with the bytes the loader skips) and, when the command
// count is not negative, the count and the first command's type byte. The commands
// themselves may come back in another form of the same meaning (an expression's flag byte
// other than 0 or 1, a negative text length), so they are not compared.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/error.h"
#include "script/page.h"
#include "script/page_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    TPage page("fuzz.lsb");
    try {
        if (page.LoadFromBytes(data, size) != TPage::LoadResult::Ok) return 0;
    } catch (const VeskError&) {
        return 0;
    }
    (void)ListPage(page);
    std::vector<uint8_t> once = page.SaveToBytes(page.Version);

    size_t kept =
        4 + 1 + 4 + 4 +
        size_t(std::max(page.PropertySetCount, 0)) * size_t(std::max(page.PropertySetSize, 0));
    int32_t count = 0;
    std::memcpy(&count, data + kept, 4);  // little-endian hosts only, as the fuzzers run
    if (count >= 0) kept += count > 0 ? 5 : 4;
    if (once.size() < kept || std::memcmp(once.data(), data, kept) != 0) std::abort();

    TPage again("fuzz.lsb");
    if (again.LoadFromBytes(once) != TPage::LoadResult::Ok) std::abort();
    if (again.SaveToBytes(again.Version) != once) std::abort();
    return 0;
}
