// The region file reader on arbitrary bytes: a clear error, or regions that write back to the
// very same bytes and answer hit tests and row runs over their bounds without trouble.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/error.h"
#include "display/map_regions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    TMapRegions regions;
    try {
        regions = ReadRegionFile(data, size);
    } catch (const VeskError&) {
        return 0;
    }
    if (WriteRegionFile(regions) != std::vector<uint8_t>(data, data + size)) std::abort();
    std::vector<std::pair<int32_t, int32_t>> runs;
    for (const TMapRegion& g : regions) {
        const TRect b = g.Bounds();
        // A few rows and points of each region, bounded however large it is.
        for (int32_t k = 0; k < 4; ++k) {
            const int32_t y = b.top + int32_t((int64_t(b.Height()) * k) / 4);
            g.RowRuns(y, runs);
            for (const auto& [first, last] : runs)
                if (first >= last || !g.Contains(first, y) || !g.Contains(last - 1, y))
                    std::abort();
        }
    }
    return 0;
}
