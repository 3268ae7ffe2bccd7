#pragma once
// Inside TTpWord: the style of a glyph with the owner's defaults filled in, and what the
// drawn canvas depends on.
#include <algorithm>
#include <cstdint>
#include <string>

#include "text/tp_word.h"

namespace vesk {

struct TTpWord::Style {
    const std::string* Font = nullptr;  // null: the default face
    int32_t Size = 12;
    uint8_t Flags = 0;  // links add the underline
    int32_t Color = 0, BorderColor = 0, ShadowColor = 0;
    int32_t Border = 0, Shadow = 0;
    bool NoBreak = false;
    const std::string* Ruby = nullptr;  // never null
};

// Everything the canvas depends on besides the glyphs' own states.
struct TTpWord::DrawKey {
    uint64_t Page = 0;
    int32_t ScrollY = 0, Margin = 0, Width = 0, Height = 0;
    std::string FontName;
    int32_t FontSize = 0, FontColor = 0, LinkColor = 0, HoverColor = 0, BorderColor = 0,
            ShadowColor = 0, Border = 0, Shadow = 0, Antialias = 0;
    bool operator==(const DrawKey&) const = default;
};

// The size of ruby text over characters of `size` pixels.
inline int32_t RubySize(int32_t size) {
    return std::max(1, size / 2);
}

}  // namespace vesk
