// Page loading on arbitrary bytes: a clear error or a page that writes back to the same
// bytes' meaning (written, reloaded and written again it must not change) and lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
    TPage again("fuzz.lsb");
    if (again.LoadFromBytes(once) != TPage::LoadResult::Ok) std::abort();
    if (again.SaveToBytes(again.Version) != once) std::abort();
    return 0;
}
