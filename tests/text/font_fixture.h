#pragma once
// Fonts for the text tests: the player's FreeType rasterizer over the IPA fonts the setup
// script installs (their metrics are stable: "ＭＳ ゴシック" maps to IPAGothic, whose
// full-width characters are as wide as the size and half-width ones half as wide), and a
// rasterizer of plain boxes for tests of the cache itself.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "text/font_pixels.h"
#include "text/text_services.h"

namespace vesk::test {

// Every character is a solid box: single-byte ones size/2 wide, double-byte ones size wide,
// as tall as the ascent. Grey levels fail when `failGrey` is set.
class TBoxRasterizer final : public IGlyphRasterizer {
  public:
    bool Render(TFontPixel& out) override {
        ++renders;
        if (failGrey && out.Level > 0) return false;
        out.Metrics = Metrics(out.FontName, out.Size, out.Flags);
        const int32_t w = out.Code > 0xFF ? out.Size : out.Size / 2;
        if (out.Code == ' ') {
            out.ExtraAdvance = w;
            out.C = w;
            return true;
        }
        out.Bitmap.Width = w;
        out.Bitmap.Height = out.Metrics.Ascent;
        out.Bitmap.Pixels.assign(size_t(w) * size_t(out.Metrics.Ascent), 255);
        out.B = w;
        return true;
    }
    TFontMetrics Metrics(const std::string&, int32_t size, uint8_t) override {
        TFontMetrics m;
        m.Height = size;
        m.Ascent = size * 3 / 4;
        m.UnderlineTop = m.Ascent + 1;
        m.StrikeOutTop = size / 2;
        return m;
    }
    std::vector<std::string> FaceNames(bool) override { return {"Box"}; }

    bool failGrey = false;
    int renders = 0;
};

// The face games use most, in CP932.
inline const std::string& Gothic() {
    return VESK_JP("ＭＳ ゴシック");
}

}  // namespace vesk::test
