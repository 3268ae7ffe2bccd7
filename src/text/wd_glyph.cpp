#include "text/wd_glyph.h"

#include "vars/vesk_parser.h"

namespace vesk {

std::string TWdChar::Text() const {
    if (IsDoubleByte()) return {char(Code >> 8), char(Code & 0xFF)};
    return std::string(1, char(Code));
}

TWdOpeVar::TWdOpeVar() = default;
TWdOpeVar::~TWdOpeVar() = default;

}  // namespace vesk
