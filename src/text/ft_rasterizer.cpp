// The glyph cache's renderer: FreeType outlines of the fonts fontconfig finds for the face
// names games use.
//
// Sizes follow the Windows rule the games were made for: a font of size s has a text cell
// s pixels tall, that is, the face's ascender plus descender are scaled to s (for the
// common Japanese faces this makes a full-width character s pixels wide). Advances come
// from the unhinted outline, so a text lays out the same at every anti-alias level.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "text/char_code.h"
#include "text/decorate.h"
#include "text/font_faces.h"
#include "text/font_pixels.h"

namespace vesk {

namespace {

// Grey levels of anti-alias levels 1..3.
constexpr int kGreyLevels[4] = {2, 5, 17, 65};

class TFreeTypeRasterizer final : public IGlyphRasterizer {
  public:
    TFreeTypeRasterizer() = default;
    ~TFreeTypeRasterizer() override {
        for (auto& [file, face] : faces_)
            if (face) FT_Done_Face(face);
        if (library_) FT_Done_FreeType(library_);
    }

    bool Render(TFontPixel& out) override;
    TFontMetrics Metrics(const std::string& font, int32_t size, uint8_t flags) override;
    std::vector<std::string> FaceNames(bool fixedOnly) override {
        return faceMap_.FaceNames(fixedOnly);
    }
    TFontFaceMap* Faces() override { return &faceMap_; }

  private:
    // An open face at the size asked for; null when the file cannot be used.
    FT_Face Open(const TFontFile& file, int32_t size);
    // The face for a face name and style.
    bool Primary(const std::string& font, uint8_t flags, TFontFile& file);
    char32_t Unicode(uint16_t code);
    TFontMetrics MetricsOf(FT_Face face, int32_t size);

    FT_Library library_ = nullptr;
    bool libraryTried_ = false;
    TFontFaceMap faceMap_;
    std::map<TFontFile, FT_Face> faces_;
    std::map<FT_Face, int32_t> faceSize_;
    std::unordered_map<uint16_t, char32_t> unicode_;
};

char32_t TFreeTypeRasterizer::Unicode(uint16_t code) {
    auto it = unicode_.find(code);
    if (it != unicode_.end()) return it->second;
    return unicode_[code] = UnicodeOfCode(code);
}

bool TFreeTypeRasterizer::Primary(const std::string& font, uint8_t flags, TFontFile& file) {
    auto f = faceMap_.Resolve(font, flags & dfBold, flags & dfItalic);
    if (!f) return false;
    file = *f;
    return true;
}

FT_Face TFreeTypeRasterizer::Open(const TFontFile& file, int32_t size) {
    // FreeType starts with the first glyph asked for.
    if (!libraryTried_) {
        libraryTried_ = true;
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    }
    if (!library_) return nullptr;
    TFontFile key{file.Path, file.Index, false, false};
    auto it = faces_.find(key);
    FT_Face face = nullptr;
    if (it != faces_.end()) {
        face = it->second;
    } else {
        if (FT_New_Face(library_, file.Path.c_str(), FT_Long(file.Index), &face) != 0)
            face = nullptr;
        if (face && FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && face->num_charmaps > 0)
            FT_Set_Charmap(face, face->charmaps[0]);
        faces_[key] = face;
    }
    if (!face) return nullptr;
    auto cur = faceSize_.find(face);
    if (cur != faceSize_.end() && cur->second == size) return face;
    if (FT_IS_SCALABLE(face)) {
        // The cell (ascender + descender) is `size` pixels tall.
        const int64_t cell = int64_t(face->ascender) - face->descender;
        const int64_t upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
        int64_t em26 = cell > 0 ? int64_t(size) * 64 * upem / cell : int64_t(size) * 64;
        em26 = std::max<int64_t>(em26, 64);
        if (FT_Set_Char_Size(face, 0, FT_F26Dot6(em26), 72, 72) != 0) return nullptr;
    } else if (face->num_fixed_sizes > 0) {
        // A bitmap-only font: the strike nearest to the size.
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i)
            if (std::abs(face->available_sizes[i].height - size) <
                std::abs(face->available_sizes[best].height - size))
                best = i;
        if (FT_Select_Size(face, best) != 0) return nullptr;
    } else {
        return nullptr;
    }
    faceSize_[face] = size;
    return face;
}

TFontMetrics TFreeTypeRasterizer::MetricsOf(FT_Face face, int32_t size) {
    TFontMetrics m;
    m.Height = size;
    m.Ascent = size * 7 / 8;
    m.UnderlineTop = m.Ascent + 1;
    m.StrikeOutTop = m.Ascent * 2 / 3;
    if (!face) return m;
    const FT_Size_Metrics& sm = face->size->metrics;
    if (FT_IS_SCALABLE(face)) {
        const double scale = double(sm.y_scale) / 65536.0 / 64.0;  // font units to pixels
        m.Ascent = std::clamp(int32_t(std::lround(face->ascender * scale)), 0, size);
        const int32_t ulThick =
            std::max(1, int32_t(std::lround(face->underline_thickness * scale)));
        const int32_t ulCentre = int32_t(std::lround(face->underline_position * scale));
        m.UnderlineThickness = ulThick;
        m.UnderlineTop = m.Ascent - ulCentre - ulThick / 2;
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            m.StrikeOutThickness = std::max(1, int32_t(std::lround(os2->yStrikeoutSize * scale)));
            m.StrikeOutTop = m.Ascent - int32_t(std::lround(os2->yStrikeoutPosition * scale));
        } else {
            m.StrikeOutThickness = ulThick;
            m.StrikeOutTop = m.Ascent - m.Ascent / 3;
        }
    } else {
        m.Ascent = std::clamp(int32_t(sm.ascender >> 6), 0, size);
    }
    return m;
}

TFontMetrics TFreeTypeRasterizer::Metrics(const std::string& font, int32_t size, uint8_t flags) {
    TFontFile file;
    FT_Face face = Primary(font, flags, file) ? Open(file, size) : nullptr;
    return MetricsOf(face, size);
}

bool TFreeTypeRasterizer::Render(TFontPixel& out) {
    const int32_t size = out.Size;
    TFontFile file;
    FT_Face primary = Primary(out.FontName, out.Flags, file) ? Open(file, size) : nullptr;
    out.Metrics = MetricsOf(primary, size);

    char32_t cp = out.Code < 0x20 ? 0 : Unicode(out.Code);
    // Codes that stand for no character are blanks as wide as a character of their kind.
    const bool blank = cp == 0;
    if (blank) cp = out.Code > 0xFF ? 0x3000 : 0x20;
    if (out.Code < 0x20) return true;  // control characters take no room

    FT_Face face = primary;
    TFontFile used = file;
    FT_UInt index = face ? FT_Get_Char_Index(face, cp) : 0;
    if (index == 0 && !blank) {
        // Another installed font that has the character, at the same size and baseline.
        if (auto other = faceMap_.FontWithChar(cp)) {
            other->Embolden = file.Embolden;
            other->Oblique = file.Oblique;
            if (FT_Face f = Open(*other, size)) {
                if (FT_UInt i = FT_Get_Char_Index(f, cp)) {
                    face = f;
                    used = *other;
                    index = i;
                }
            }
        }
    }
    if (!face) return true;
    if (index == 0) {
        // Nothing can draw it: a blank of the character's width.
        index = FT_Get_Char_Index(face, out.Code > 0xFF ? 0x3000 : 0x20);
        if (index == 0) return true;
        FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING);
        out.ExtraAdvance = int32_t((face->glyph->linearHoriAdvance + 0x8000) >> 16);
        out.C = out.ExtraAdvance;
        return true;
    }

    const bool mono = out.Level == 0;
    FT_Int32 load = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT);
    if (!FT_IS_SCALABLE(face)) load = FT_LOAD_DEFAULT;
    if (FT_Load_Glyph(face, index, load) != 0) return true;  // a damaged glyph draws nothing
    FT_GlyphSlot slot = face->glyph;
    int32_t advance = FT_IS_SCALABLE(face) ? int32_t((slot->linearHoriAdvance + 0x8000) >> 16)
                                           : int32_t((slot->advance.x + 32) >> 6);
    if (used.Embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_GlyphSlot_Embolden(slot);
        advance += 1;
    }
    if (used.Oblique && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Oblique(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return mono;  // a grey level that fails sends the cache to monochrome
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return mono;

    const int32_t originX = slot->bitmap_left, originY = slot->bitmap_top;
    const int32_t w = int32_t(bm.width), h = int32_t(bm.rows);
    // Rows above the top of the cell are cut, so every glyph stays on the baseline.
    const int32_t top = out.Metrics.Ascent - originY;
    const int32_t skip = top < 0 ? -top : 0;
    TCoverage& c = out.Bitmap;
    c.Left = std::max(0, originX);
    c.Top = std::max(0, top);
    c.Width = w;
    c.Height = std::max(0, h - skip);
    c.Pixels.assign(size_t(c.Width) * size_t(c.Height), 0);
    const int levels = kGreyLevels[std::clamp(out.Level, 0, 3)];
    for (int32_t y = 0; y < c.Height; ++y) {
        const uint8_t* row = bm.buffer + ptrdiff_t(y + skip) * bm.pitch;
        uint8_t* dst = c.Pixels.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x) {
            int v;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            } else {
                const int grey = bm.num_grays > 1 ? row[x] * 255 / (bm.num_grays - 1) : row[x];
                if (mono) {
                    v = grey >= 128 ? 255 : 0;
                } else {
                    const int q = (grey * (levels - 1) + 127) / 255;
                    v = q * 255 / (levels - 1);
                }
            }
            dst[x] = uint8_t(v);
        }
    }
    out.A = originX;
    out.B = w;
    out.C = advance - originX - w;
    out.ExtraAdvance = std::max(0, advance - w - c.Left);
    return true;
}

}  // namespace

std::unique_ptr<IGlyphRasterizer> MakeFreeTypeRasterizer() {
    return std::make_unique<TFreeTypeRasterizer>();
}

}  // namespace vesk
