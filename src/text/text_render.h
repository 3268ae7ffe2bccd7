#pragma once
// A tagged text's first page, fully revealed, on a plain background: what `vesktool text
// render` writes, for people checking how a game's text will look.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dibx.h"
#include "text/text_services.h"

namespace vesk {

struct TTextRenderOptions {
    int32_t Width = 640;   // the page width; 0: as wide as the widest line
    std::string FontName;  // CP932; empty: the default face
    int32_t FontSize = 16;
    int32_t Antialias = 3;
    int32_t Border = 0;
    int32_t Shadow = 0;
    int32_t Color = 0x000000;  // 0x00BBGGRR
    int32_t BorderColor = 0x808080;
    int32_t ShadowColor = 0x000000;
    int32_t Background = 0xFFFFFF;
    int32_t Margin = 4;  // around the page, for outlines and shadows
};

// Lays out CP932 tagged lines and draws the first page on a 32-bit surface of the page's
// size plus the margin. An A tag without HREF raises its error.
std::unique_ptr<TDIBX> RenderTextPage(const std::vector<std::string>& lines,
                                      const TTextRenderOptions& options,
                                      const TTextServices& services);

// Text file bytes as CP932 lines: UTF-8 (with or without a byte-order mark) is converted,
// anything else is taken as CP932; lines end at CR LF, CR or LF.
std::vector<std::string> TextFileLines(const std::vector<uint8_t>& bytes);

}  // namespace vesk
