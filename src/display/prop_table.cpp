#include "display/prop_table.h"

#include <array>
#include <cstddef>

namespace vesk {

namespace {
constexpr std::array<uint8_t, kPropCount> kTypes = {
    4, 4, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1, 3,
    1, 3, 1, 1, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 1, 4, 1, 1, 4, 3, 1, 1, 4, 1, 1, 1, 4, 4,
    4, 4, 4, 4, 4, 4, 4, 1, 1, 1, 1, 1, 1, 4, 4, 3, 4, 3, 4, 4, 4, 4, 1, 1, 1, 3, 1, 4,
    4, 1, 3, 3, 3, 1, 1, 1, 1, 1, 1, 2, 2, 1, 3, 4, 3, 4, 2, 4, 4, 4, 4, 1, 1, 1, 1, 3,
    3, 4, 1, 1, 1, 1, 1, 1, 1, 4, 4, 1, 1, 1, 1, 1, 1, 4, 1, 1, 1, 4, 3, 4, 4, 3, 3, 3,
    1, 1, 1, 1, 4, 4, 4, 1, 4, 4, 3, 4, 3, 1, 1, 1, 1, 1, 3, 1, 1, 1, 1};
}  // namespace

uint8_t PropType(int32_t index) {
    if (index < 0 || index >= kPropCount) return 0;
    return kTypes[size_t(index)];
}

PropAccess PropAccessOf(int32_t index) {
    // The table calls the playing page a flag, but it holds a page name like every
    // other event property.
    if (index == PR_ONPLAYING) return PropAccess::Str;
    switch (PropType(index)) {
        case 2:
            return PropAccess::Float;
        case 4:
            return PropAccess::Str;
        default:
            return PropAccess::Int;
    }
}

}  // namespace vesk
