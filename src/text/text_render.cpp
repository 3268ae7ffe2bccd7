#include "text/text_render.h"

#include <algorithm>

#include "base/cp932.h"
#include "text/font_pixels.h"
#include "text/tp_word.h"
#include "text/vesk_label.h"

namespace vesk {

namespace {

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = uint8_t(s[i]);
        const size_t len = b < 0x80             ? 1
                           : (b & 0xE0) == 0xC0 ? 2
                           : (b & 0xF0) == 0xE0 ? 3
                           : (b & 0xF8) == 0xF0 ? 4
                                                : 0;
        if (len == 0 || i + len > s.size() || (len == 2 && b < 0xC2)) return false;
        for (size_t k = 1; k < len; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

}  // namespace

std::unique_ptr<TDIBX> RenderTextPage(const std::vector<std::string>& lines,
                                      const TTextRenderOptions& o, const TTextServices& services) {
    TTpWord word(services);
    if (!o.FontName.empty()) word.FontName = o.FontName;
    word.FontSize = o.FontSize;
    word.Antialias = o.Antialias;
    word.Border = o.Border;
    word.Shadow = o.Shadow;
    word.FontColor = o.Color;
    word.BorderColor = o.BorderColor;
    word.ShadowColor = o.ShadowColor;
    word.PageWidth = std::max(o.Width, 0);
    word.SetText(lines);
    TWdPages pages;
    word.Layout(pages);
    const int32_t margin = std::clamp(o.Margin, 0, 4096);
    const int32_t w = pages.empty() ? 0 : pages[0]->Width;
    const int32_t h = pages.empty() ? 0 : pages[0]->Height;
    auto out =
        std::make_unique<TDIBX>(std::max(1, w + 2 * margin), std::max(1, h + 2 * margin), 32);
    out->Clear(uint32_t(out->ColorToPixel(o.Background)));
    if (!pages.empty()) {
        word.RevealAll(*pages[0]);
        word.Draw(*pages[0], *out, margin, margin);
    }
    return out;
}

std::vector<std::string> TextFileLines(const std::vector<uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    // Text that reads as UTF-8 is UTF-8 (plain ASCII is the same either way); Japanese
    // CP932 text practically never does.
    if (IsUtf8(text)) text = Utf8ToCp932(text);
    return SplitTextLines(text);
}

}  // namespace vesk
