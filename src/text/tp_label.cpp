#include "text/tp_label.h"

#include <algorithm>
#include <functional>

#include "base/cp932.h"
#include "base/stream.h"
#include "text/char_code.h"
#include "text/decorate.h"
#include "text/font_pixels.h"

namespace vesk {

namespace {

// The saved outline metrics: a fixed block whose contents this player does not read back
// (the metrics are taken from the font again).
constexpr size_t kOutlineMetricsBytes = 212;

uint32_t Rgb(int32_t color) {
    const auto c = uint32_t(color);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

struct LabelChar {
    std::shared_ptr<const TFontPixel> glyph;
    int32_t advance = 0;
};

}  // namespace

TTpLabelDIB::TTpLabelDIB(TTpLabelList& list, std::string text)
    : Text(std::move(text)), list_(&list) {}

void TTpLabelDIB::Update() {
    if (rendered_ && renderedText_ == Text && renderedSettings_ == list_->SettingsHash()) return;
    Render();
}

TGlyphCanvas& TTpLabelDIB::Canvas() {
    Update();
    return canvas_;
}

void TTpLabelDIB::Release() {
    canvas_.SetSize(0, 0);
    rendered_ = false;
}

void TTpLabelDIB::Render() {
    TTpLabelList& l = *list_;
    TFontPixelManager& fonts = l.Fonts();
    const int32_t size = std::clamp(l.FontSize, 1, kMaxFontSize);
    const int32_t border = std::clamp(l.Border, 0, kMaxBorderWidth);
    const int32_t shadow = std::clamp(l.Shadow, 0, kMaxBorderWidth);
    const uint8_t flags = l.Style & (dfBold | dfItalic);
    const TFontMetrics& m = fonts.Metrics(l.FontName, size, flags);

    std::vector<LabelChar> chars;
    int64_t width = 0;
    for (size_t pos = 0; pos < Text.size(); pos += CharLenAt(Text, pos)) {
        LabelChar c;
        c.glyph = fonts.Get(CharCodeAt(Text, pos), l.FontName, size, flags, l.Antialias);
        const TFontPixel& g = *c.glyph;
        c.advance = g.A + g.B + g.C + m.Overhang + 2 * border + shadow;
        chars.push_back(std::move(c));
    }
    // The last character keeps what it draws past its advance.
    if (!chars.empty() && chars.back().glyph->C < 0) chars.back().advance -= chars.back().glyph->C;
    for (const LabelChar& c : chars) width += std::max(0, c.advance);
    width_ = int32_t(std::min<int64_t>(width, TDIBX::kMaxSide));
    height_ = m.Height + 2 * border + shadow;

    canvas_.SetSize(width_, height_);
    std::vector<TCharPaint> paints;
    int32_t x = 0;
    for (const LabelChar& c : chars) {
        TCharPaint p;
        p.Glyph = c.glyph;
        p.X = x + border;
        p.Y = border;
        p.CellWidth = c.glyph->A + c.glyph->B + c.glyph->C;
        p.Color = Rgb(l.Color);
        p.BorderColor = Rgb(l.BorderColor);
        p.ShadowColor = Rgb(l.ShadowColor);
        p.Border = border;
        p.Shadow = shadow;
        p.Bars = l.Style & (dfUnderline | dfStrikeOut);
        paints.push_back(std::move(p));
        x += std::max(0, c.advance);
        if (x > TDIBX::kMaxSide) break;
    }
    // One run: the outlines join between the characters and close at both ends.
    PaintChars(canvas_, paints);
    renderedText_ = Text;
    renderedSettings_ = l.SettingsHash();
    rendered_ = true;
}

void TTpLabelDIB::Draw(TCustomDIBX& target, int32_t x, int32_t y) {
    Update();
    if (canvas_.Empty()) return;
    const TTpLabelList& l = *list_;
    if (l.Border <= 0 && l.Shadow <= 0 && l.Alpha <= 255) {
        // Plain text: the coverage alone, painted in the label colour.
        if (l.Alpha > 0)
            target.DrawMaskColor(x, y, canvas_.Cover().BoundsRect(), canvas_.Cover(),
                                 uint32_t(target.ColorToPixel(l.Color)), l.Alpha);
        return;
    }
    canvas_.ComposeOnto(target, x, y, l.Alpha);
}

TTpLabelList::TTpLabelList(TFontPixelManager& fonts) : fonts_(fonts) {
    FontName = VESK_JP("ＭＳ Ｐゴシック");
}

TTpLabelDIB& TTpLabelList::Add(std::string text) {
    labels_.push_back(std::make_unique<TTpLabelDIB>(*this, std::move(text)));
    return *labels_.back();
}

void TTpLabelList::Delete(size_t i) {
    if (i < labels_.size()) labels_.erase(labels_.begin() + std::ptrdiff_t(i));
}

void TTpLabelList::Measure() {
    for (auto& l : labels_) l->Update();
}

int32_t TTpLabelList::TextHeight() {
    return fonts_
        .Metrics(FontName, std::clamp(FontSize, 1, kMaxFontSize), Style & (dfBold | dfItalic))
        .Height;
}

uint64_t TTpLabelList::SettingsHash() const {
    uint64_t h = std::hash<std::string>{}(FontName);
    for (int64_t v : {int64_t(Antialias), int64_t(Border), int64_t(FontSize), int64_t(Color),
                      int64_t(BorderColor), int64_t(Style), int64_t(Shadow), int64_t(ShadowColor)})
        h = (h ^ uint64_t(v)) * 0x100000001B3ull + 0x9E3779B97F4A7C15ull;
    return h;
}

void TTpLabelList::SaveState(StreamWriter& w) const {
    w.I32(Antialias);
    w.I32(Border);
    w.I32(Alpha);
    w.I32(FontSize);
    w.Str(FontName);
    w.I32(Color);
    w.I32(BorderColor);
    w.U8(Style);
    const std::vector<uint8_t> metrics(kOutlineMetricsBytes, 0);
    w.Raw(metrics.data(), metrics.size());
    w.I32(Shadow);
    w.I32(ShadowColor);
}

void TTpLabelList::LoadState(StreamReader& r, int32_t version) {
    Antialias = r.I32("label anti-alias");
    // Older saves knew smoothing on or off only.
    if (version < 109) Antialias = Antialias > 1 ? 3 : 0;
    Border = r.I32("label border");
    Alpha = r.I32("label alpha");
    FontSize = r.I32("label font size");
    FontName = r.Str("label font name");
    Color = r.I32("label colour");
    BorderColor = r.I32("label border colour");
    Style = r.U8("label style");
    r.Skip(int64_t(kOutlineMetricsBytes), "label outline metrics");
    if (version >= 122) {
        Shadow = r.I32("label shadow width");
        ShadowColor = r.I32("label shadow colour");
    }
}

}  // namespace vesk
