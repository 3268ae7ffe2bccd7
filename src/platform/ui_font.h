#pragma once
// Text for the player's own controls (toolbar, configuration dialog): one FreeType face
// found through fontconfig, drawn anti-aliased into plain 0x00RRGGBB pixel buffers.
// Game text has its own glyph path; this one only needs to be legible.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gfx/rect.h"

namespace vesk {

// A caller's 32-bit pixel buffer: `pitch` is in bytes, pixels are 0x00RRGGBB.
struct TPixelBuffer {
    uint32_t* pixels = nullptr;
    ptrdiff_t pitch = 0;
    int32_t width = 0;
    int32_t height = 0;

    uint32_t* Row(int32_t y) const {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(pixels) + y * pitch);
    }
    TRect Bounds() const { return {0, 0, width, height}; }
};

// The next code point of UTF-8 text at `pos`, advancing `pos`. Malformed, overlong or
// truncated sequences and surrogates give U+FFFD and skip one byte.
char32_t NextCodePoint(std::string_view utf8, size_t& pos);

class TUiFont {
  public:
    // A proportional gothic that can show Japanese, at `pixelSize` pixels per em. Null when
    // fontconfig finds none or FreeType cannot load it; `error` then says why.
    static std::unique_ptr<TUiFont> Open(int32_t pixelSize, std::string* error);
    // Face `faceIndex` of the font in `path` (for tests and for a user's choice).
    static std::unique_ptr<TUiFont> OpenFile(const std::string& path, int32_t pixelSize,
                                             std::string* error, int faceIndex = 0);
    ~TUiFont();
    TUiFont(const TUiFont&) = delete;
    TUiFont& operator=(const TUiFont&) = delete;

    const std::string& FilePath() const { return path_; }
    int32_t PixelSize() const { return pixelSize_; }
    // Pixels from the top of a line to the baseline, and the whole line's height.
    int32_t Ascent() const { return ascent_; }
    int32_t LineHeight() const { return lineHeight_; }

    // Width of a line of UTF-8 text in pixels (line breaks are not interpreted).
    int32_t Measure(std::string_view utf8);
    // Draws a line of UTF-8 text with the top of its line box at (x, y), blending the
    // glyphs' coverage in `color` (0x00RRGGBB) over the pixels inside `clip` (limited to
    // the buffer). Returns the pen position after the text.
    int32_t Draw(const TPixelBuffer& dst, const TRect& clip, int32_t x, int32_t y,
                 std::string_view utf8, uint32_t color);

  private:
    struct Impl;
    TUiFont();
    std::unique_ptr<Impl> impl_;
    std::string path_;
    int32_t pixelSize_ = 0;
    int32_t ascent_ = 0;
    int32_t lineHeight_ = 0;
};

}  // namespace vesk
