#include "text/wd_glyph.h"

#include "display/vesk_image_list.h"
#include "vars/vesk_parser.h"

namespace vesk {

std::string TWdChar::Text() const {
    if (IsDoubleByte()) return {char(Code >> 8), char(Code & 0xFF)};
    return std::string(1, char(Code));
}

TWdImg::TWdImg() = default;
TWdImg::~TWdImg() = default;

bool TWdImg::Animated() const {
    return Frames && Frames->Count() > 1;
}

TWdOpeVar::TWdOpeVar() = default;
TWdOpeVar::~TWdOpeVar() = default;

}  // namespace vesk
