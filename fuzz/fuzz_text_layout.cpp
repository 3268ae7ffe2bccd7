// Tagged text and glyph streams from hostile input, laid out, revealed and drawn: every
// step must end in pages or a clean error, within bounded memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "gfx/dibx.h"
#include "text/font_pixels.h"
#include "text/tp_word.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 3) return 0;
    // One process-wide set of fonts keeps the runs fast; the cache is emptied each time.
    static TFontPixelManager fonts;
    fonts.Clear();
    TTpWord word(TTextServices{.Fonts = &fonts});
    word.PageWidth = data[1] * 4;
    word.PageHeight = data[2] * 2;
    word.Paging = data[0] & 2;
    word.FadeTime = data[0] & 4 ? 30 : 0;
    word.TextDelay = data[0] & 8 ? 256 : 0;
    word.Antialias = data[0] >> 4 & 3;
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    try {
        if (data[0] & 1) {
            word.SetText({text});
        } else {
            ViewStream v(text.data(), text.size());
            word.Load(v);
        }
    } catch (const VeskError&) {
    }
    TWdPages pages;
    word.Layout(pages);
    TDIBX surface(96, 64, 32);
    for (size_t p = 0; p < pages.size() && p < 4; ++p) {
        for (int frame = 0; frame < 4; ++frame) {
            word.Step(*pages[p], 40);
            word.SetHover(*pages[p], frame * 7, frame * 5);
            word.Draw(*pages[p], surface, 0, 0);
        }
        word.RevealAll(*pages[p]);
        word.Draw(*pages[p], surface, 0, 0);
    }
    return 0;
}
