#pragma once
// Where the window was and whether it was full screen, kept from one run to the next. The
// place and size are the window's own (toolbar and picture) in desktop points, as it last
// was outside full screen.
#include <cstdint>

namespace vesk {

struct TWindowPlacement {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool fullScreen = false;
    bool operator==(const TWindowPlacement&) const = default;
};

}  // namespace vesk
