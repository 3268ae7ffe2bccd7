#pragma once
// Labels: short single-line texts without tags, as menus and buttons show them. A
// TTpLabelList holds the settings its labels share (face, size, colours, outline, shadow,
// opacity); each TTpLabelDIB renders its text once into its own colour and coverage
// surfaces and draws from them until its text or the settings change.
//
// How a menu uses them:
//   TTpLabelList labels(fonts);
//   labels.FontSize = 16; labels.Border = 1; ...
//   for each item: labels.Add(text);
//   labels.Measure();                       // Width() and Height() of every label
//   when painting: labels[i].Draw(surface, x, y);
// Changing a setting (or a label's Text) is picked up at the next Measure or Draw.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/glyph_canvas.h"

namespace vesk {

class StreamReader;
class StreamWriter;
class TFontPixelManager;
class TTpLabelList;

class TTpLabelDIB {
  public:
    explicit TTpLabelDIB(TTpLabelList& list, std::string text = {});

    std::string Text;
    // The label's size (after Measure, or once drawn).
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Draws the label with its top-left corner at (x, y).
    void Draw(TCustomDIBX& target, int32_t x, int32_t y);
    // The rendered surfaces (rendered on first use).
    TGlyphCanvas& Canvas();
    // Frees the rendered surfaces and keeps the size; the next Draw renders again. Long
    // lists keep only the labels they show.
    void Release();

  private:
    friend class TTpLabelList;
    // Renders again when the text or the list's settings changed since the last time.
    void Update();
    void Render();

    TTpLabelList* list_;
    int32_t width_ = 0, height_ = 0;
    TGlyphCanvas canvas_;
    std::string renderedText_;
    uint64_t renderedSettings_ = 0;
    bool rendered_ = false;
};

class TTpLabelList {
  public:
    explicit TTpLabelList(TFontPixelManager& fonts);
    TTpLabelList(const TTpLabelList&) = delete;
    TTpLabelList& operator=(const TTpLabelList&) = delete;

    // ---- shared settings (colours 0x00BBGGRR)
    int32_t Antialias = 3;
    int32_t Border = 0;
    int32_t Alpha = 255;  // as for TTpWord: 256..511 adds
    int32_t FontSize = 12;
    std::string FontName;  // default "ＭＳ Ｐゴシック"
    int32_t Color = 0xFFFFFF;
    int32_t BorderColor = 0;
    uint8_t Style = 0;  // dfBold, dfItalic, dfUnderline, dfStrikeOut
    int32_t Shadow = 0;
    int32_t ShadowColor = 0;

    // ---- labels
    TTpLabelDIB& Add(std::string text);
    size_t Count() const { return labels_.size(); }
    TTpLabelDIB& operator[](size_t i) { return *labels_.at(i); }
    void Delete(size_t i);
    void Clear() { labels_.clear(); }
    // Sizes every label: height = text height + 2 * border + shadow; width = the sum of
    // its characters' advances (ABC widths + overhang + 2 * border + shadow each).
    void Measure();
    // The text height of the face at FontSize.
    int32_t TextHeight();

    TFontPixelManager& Fonts() { return fonts_; }
    // A fingerprint of the settings the rendering depends on.
    uint64_t SettingsHash() const;

    // The saved settings; labels are not saved (their owner sets them again).
    void SaveState(StreamWriter& w) const;
    void LoadState(StreamReader& r, int32_t version);

  private:
    TFontPixelManager& fonts_;
    std::vector<std::unique_ptr<TTpLabelDIB>> labels_;
};

}  // namespace vesk
