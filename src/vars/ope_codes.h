#pragma once
// Operation codes of compiled expressions.
#include <cstdint>

namespace vesk {

enum OpeCode : uint8_t {
    ocNone = 0,
    ocTo,
    ocPlus,
    ocMinus,
    ocMul,
    ocDiv,
    ocMod,
    ocOr,
    ocAnd,
    ocXor,
    ocDimTo,
    ocFunc,
    ocEqual,
    ocBig,
    ocSmall,
    ocEBig,
    ocESmall,
    ocShiftL,
    ocShiftR,
    ocComboStr,
    ocNEqual
};
constexpr uint8_t kLastOpeCode = ocNEqual;

// "ocNone" … "ocNEqual"; nullptr above the last code.
const char* OpeCodeName(uint8_t code);

}  // namespace vesk
