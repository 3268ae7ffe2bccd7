#pragma once
// Captions (the Caption command, object kind 9): plain text of one or more lines, drawn
// from the glyph cache into a private colour surface and coverage surface, then shown like
// a picture: with opacity (above 255 added), zoom, rotation and mirroring. A ".lmt" source
// moves the caption as it moves pictures.
#include <cstdint>
#include <string>
#include <vector>

#include "display/vesk_control.h"
#include "text/glyph_canvas.h"

namespace vesk {

class TFontPixelManager;

// Splits text into lines at CR LF, CR or LF; a trailing empty line is dropped.
std::vector<std::string> SplitTextLines(const std::string& text);
// Joins lines with CR LF, without a final one.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

class TVeskLabel final : public TVeskControl {
  public:
    // `fonts` may be null (nothing is drawn then); it must outlive the caption.
    TVeskLabel(TVeskBaseList* owner, TFontPixelManager* fonts);

    int32_t Kind() const override { return LT_LABEL; }
    bool WantsDefaultName() const override { return true; }

    const std::vector<std::string>& Lines() const { return lines_; }
    int32_t NaturalWidth() const { return naturalW_; }
    int32_t NaturalHeight() const { return naturalH_; }
    // How often the text was rendered (for tests of when it is not).
    int32_t RenderCount() const { return renders_; }
    TGlyphCanvas& Canvas() { return canvas_; }

    void PaintSelf(TCustomDIBX& s) override;
    TRect PaintRect() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    void SetText(const std::string& text);
    void SetSource(const std::string& name);
    // Draws the text into the private surfaces and sizes the object.
    void Render();
    // The shown size from the natural size and the zoom.
    void Resize();

    TFontPixelManager* fonts_;
    std::vector<std::string> lines_;
    std::string fontName_;
    int32_t fontHeight_ = 12;
    int32_t lineSpace_ = 0;
    uint8_t fontStyle_ = 0;
    int32_t fontColor_ = 0;
    uint8_t halign_ = 0;
    bool antialias_ = false;
    int32_t alpha_ = 255;
    int32_t zoomX_ = 256, zoomY_ = 256;
    int32_t angle_ = 0;
    bool flipH_ = false, flipV_ = false;
    int32_t naturalW_ = 0, naturalH_ = 0;
    TGlyphCanvas canvas_;
    int32_t renders_ = 0;
    std::string source_;
    bool repeat_ = false, autoScrap_ = false, paused_ = false;
    std::string playEndPage_, idlePage_;
};

}  // namespace vesk
