// A full message page: 400 Japanese characters at 24 pixels with ruby and a 2-pixel
// outline, laid out and drawn (every glyph revealed) onto a 640 x 480 surface. Measured
// with the glyph cache cold (emptied before every page) and warm (the page's glyphs already
// in it), in glyphs per second; the goal is a warm page in under 1 ms. Compared in the same
// run with FreeType rendering the page's glyphs on its own, which is the work a cold page
// cannot avoid.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "base/cp932.h"
#include "gfx/dibx.h"
#include "text/char_code.h"
#include "text/font_pixels.h"
#include "text/tp_word.h"

namespace {

using namespace vesk;

// 400 characters of prose with ruby over some words, all outlined.
std::vector<std::string> PageText() {
    const std::string prose = Utf8ToCp932(
        "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじ"
        "めした所でニャーニャー泣いていた事だけは記憶している。吾輩はここで始めて人間というも"
        "のを見た。しかもあとで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ。");
    const std::string ruby = Utf8ToCp932("<RUBY VALUE=\"しょせい\">書生</RUBY>");
    std::string text = Utf8ToCp932("<FONT BORDER=2 BCOLOR=#202020>");
    size_t chars = 0;
    while (chars < 400) {
        // The prose, cut where the page is full, and a word with ruby after each passage.
        for (size_t i = 0; i < prose.size() && chars < 398; i += CharLenAt(prose, i), ++chars)
            text.append(prose, i, CharLenAt(prose, i));
        text += ruby;
        chars += 2;
    }
    text += "</FONT>";
    return {text};
}

struct Page {
    Page() : word(TTextServices{.Fonts = &fonts}), target(640, 480, 32) {
        word.FontSize = 24;
        word.PageWidth = 600;
        word.FadeTime = 0;
        word.SetText(PageText());
        for (size_t i = 0; i < word.Glyphs().Count(); ++i)
            if (word.Glyphs()[i].Kind() == wkChar) ++glyphs;
    }
    // Lays the text out and draws the first page fully revealed.
    void LayOutAndDraw() {
        TWdPages pages;
        word.Layout(pages);
        word.RevealAll(*pages[0]);
        word.Draw(*pages[0], target, 20, 0);
        benchmark::DoNotOptimize(target.PixelAddress(0, 0));
    }
    TFontPixelManager fonts;
    TTpWord word;
    TDIBX target;
    int64_t glyphs = 0;
};

void BM_TextPageWarm(benchmark::State& state) {
    Page p;
    p.LayOutAndDraw();
    for (auto _ : state) p.LayOutAndDraw();
    state.SetItemsProcessed(state.iterations() * p.glyphs);
    state.counters["glyphs"] = double(p.glyphs);
    state.counters["cached"] = double(p.fonts.Count());
}
BENCHMARK(BM_TextPageWarm)->Unit(benchmark::kMicrosecond);

void BM_TextPageCold(benchmark::State& state) {
    Page p;
    p.LayOutAndDraw();  // fonts found and opened once, as in a running game
    for (auto _ : state) {
        p.fonts.Clear();
        p.LayOutAndDraw();
    }
    state.SetItemsProcessed(state.iterations() * p.glyphs);
}
BENCHMARK(BM_TextPageCold)->Unit(benchmark::kMicrosecond);

// The glyphs of one page rendered by FreeType alone, no cache, layout or drawing.
void BM_FreeTypeRendersThePage(benchmark::State& state) {
    auto raster = MakeFreeTypeRasterizer();
    const std::string text = PageText()[0];
    std::vector<uint16_t> codes;
    for (size_t i = 0; i < text.size(); i += CharLenAt(text, i))
        if (uint8_t(text[i]) >= 0x80) codes.push_back(CharCodeAt(text, i));
    const std::string face = Utf8ToCp932("ＭＳ ゴシック");
    for (auto _ : state) {
        for (uint16_t code : codes) {
            TFontPixel g;
            g.Code = code;
            g.FontName = face;
            g.Size = 24;
            g.Level = 3;
            raster->Render(g);
            benchmark::DoNotOptimize(g.Bitmap.Pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * int64_t(codes.size()));
}
BENCHMARK(BM_FreeTypeRendersThePage)->Unit(benchmark::kMicrosecond);

}  // namespace
