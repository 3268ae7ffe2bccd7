#pragma once
// The glyph cache: rendered character shapes (TFontPixel) shared by everything that draws
// text (the text layout, labels, captions). One TFontPixelManager per engine.
//
// A glyph is keyed by its character code (CP932: a single byte, or lead << 8 | trail), the
// face name as the game wrote it, the size in pixels, the bold and italic bits and the
// anti-alias level. The cache keeps the 256 most recently used glyphs in 256 buckets
// chosen by the low byte of the code; the 257th evicts the least recently used one.
// Glyphs are handed out shared, so one in use stays valid after it leaves the cache.
//
// Anti-alias levels: 0 monochrome (coverage 0 or 255), 1, 2, 3 with 5, 17 and 65 grey
// levels scaled to 0..255. When a grey level cannot be rendered the manager drops to level
// 0 for that glyph and every later one.
#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

class TFontFaceMap;

// Text bigger than this many pixels is drawn at this size.
constexpr int32_t kMaxFontSize = 512;
// Outlines and shadows wider than this are drawn this wide.
constexpr int32_t kMaxBorderWidth = 32;

// The face drawn when a text names none.
const std::string& DefaultFaceName();  // "ＭＳ ゴシック"

// Metrics of one face at one size; distances in pixels from the top of the text cell.
struct TFontMetrics {
    int32_t Height = 0;  // the text height: the cell is this tall (the size asked for)
    int32_t Ascent = 0;  // the baseline
    int32_t UnderlineTop = 0;
    int32_t UnderlineThickness = 1;
    int32_t StrikeOutTop = 0;
    int32_t StrikeOutThickness = 1;
    int32_t Overhang = 0;  // extra width synthetic styles add to a line
};

// An 8-bit coverage image placed relative to some origin.
struct TCoverage {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint8_t> Pixels;  // Width * Height, row by row

    bool Empty() const { return Width <= 0 || Height <= 0; }
    uint8_t At(int32_t x, int32_t y) const { return Pixels[size_t(y) * size_t(Width) + size_t(x)]; }
};

// The coverage grown by `w` pixels in every direction (a square kernel): each output pixel
// is the union of the coverage under the kernel, combined as alpha + c * (255 - alpha) / 255.
TCoverage Dilate(const TCoverage& in, int32_t w);

// One rendered character.
class TFontPixel {
  public:
    // The key.
    uint16_t Code = 0;
    std::string FontName;
    int32_t Size = 0;
    uint8_t Flags = 0;  // bold and italic bits of the style flags
    int32_t Level = 0;  // the anti-alias level it was rendered at

    // The shape: Bitmap.Left is the x offset (max(0, glyph origin x)) and Bitmap.Top the y
    // offset (ascent - glyph origin y) from the cell's top-left corner.
    TCoverage Bitmap;
    // Cell advance - bitmap width - x offset, when positive.
    int32_t ExtraAdvance = 0;
    // The ABC widths: space before the black box, its width, space after it.
    int32_t A = 0, B = 0, C = 0;
    TFontMetrics Metrics;

    int32_t XOffset() const { return Bitmap.Left; }
    int32_t YOffset() const { return Bitmap.Top; }
    // The width the character takes in a line: x offset, bitmap width and extra advance.
    int32_t Advance() const { return Bitmap.Left + Bitmap.Width + ExtraAdvance; }
    // The shape grown by an outline of width w (kept once made; w is limited to
    // kMaxBorderWidth).
    const TCoverage& Outline(int32_t w) const;
    // The memory the glyph holds, for the cache's budget.
    size_t Bytes() const;

  private:
    mutable std::vector<std::pair<int32_t, TCoverage>> outlines_;
};

// What renders glyphs for the cache: FreeType over fontconfig in the player, something
// simpler in tests.
class IGlyphRasterizer {
  public:
    virtual ~IGlyphRasterizer() = default;
    // Renders out.Code of out.FontName at out.Size, out.Flags, out.Level, filling the
    // shape and metrics. False when the grey level cannot be rendered.
    virtual bool Render(TFontPixel& out) = 0;
    virtual TFontMetrics Metrics(const std::string& font, int32_t size, uint8_t flags) = 0;
    // Installed face names (CP932), see TFontFaceMap::FaceNames.
    virtual std::vector<std::string> FaceNames(bool fixedOnly) = 0;
    // The face-name mapping, when this rasterizer uses one.
    virtual TFontFaceMap* Faces() { return nullptr; }
};

// The player's rasterizer: FreeType, faces found through fontconfig.
std::unique_ptr<IGlyphRasterizer> MakeFreeTypeRasterizer();

class TFontPixelManager {
  public:
    static constexpr size_t kDefaultCapacity = 256;
    // Glyph memory above this also evicts (very large sizes).
    static constexpr size_t kMaxBytes = size_t(64) << 20;

    // Null: the FreeType rasterizer.
    explicit TFontPixelManager(std::unique_ptr<IGlyphRasterizer> rasterizer = nullptr);
    ~TFontPixelManager();
    TFontPixelManager(const TFontPixelManager&) = delete;
    TFontPixelManager& operator=(const TFontPixelManager&) = delete;

    // The glyph of a character; an empty font name is DefaultFaceName(), sizes are limited
    // to 1..kMaxFontSize, levels to 0..3, flags to the bold and italic bits.
    std::shared_ptr<const TFontPixel> Get(uint16_t code, const std::string& font, int32_t size,
                                          uint8_t flags, int32_t level);
    // The face's metrics at a size (same rules for the arguments).
    const TFontMetrics& Metrics(const std::string& font, int32_t size, uint8_t flags);

    // True once a grey level failed: every glyph renders monochrome from then on.
    bool GreyFailed() const { return greyFailed_; }
    size_t Count() const { return count_; }
    size_t Capacity() const { return capacity_; }
    void SetCapacity(size_t n);
    // Glyphs rendered so far (misses).
    int64_t RenderCount() const { return renders_; }
    void Clear();

    // "@Fonts" and "@FixedFonts": installed face names (CP932).
    std::vector<std::string> FaceNames(bool fixedOnly);
    IGlyphRasterizer& Rasterizer() { return *rasterizer_; }

  private:
    using Entry = std::shared_ptr<TFontPixel>;
    using MruList = std::list<Entry>;
    void Evict();

    std::unique_ptr<IGlyphRasterizer> rasterizer_;
    // Most recently used first; the buckets point into it.
    MruList mru_;
    std::array<std::vector<MruList::iterator>, 256> buckets_;
    size_t count_ = 0;
    size_t bytes_ = 0;
    size_t capacity_ = kDefaultCapacity;
    bool greyFailed_ = false;
    int64_t renders_ = 0;
    std::map<std::tuple<std::string, int32_t, uint8_t>, TFontMetrics> metrics_;
    bool namesRead_[2] = {false, false};
    std::vector<std::string> names_[2];
};

}  // namespace vesk
