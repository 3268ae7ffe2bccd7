#include "platform/ui_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace vesk {

char32_t NextCodePoint(std::string_view s, size_t& pos) {
    constexpr char32_t kBad = 0xFFFD;
    if (pos >= s.size()) return 0;
    auto byte = [&](size_t i) { return uint8_t(s[i]); };
    uint8_t b0 = byte(pos);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    int len;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++pos;
        return kBad;
    }
    if (s.size() - pos < size_t(len)) {
        ++pos;
        return kBad;
    }
    for (int i = 1; i < len; ++i) {
        uint8_t b = byte(pos + size_t(i));
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kBad;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kBad;
    }
    pos += size_t(len);
    return cp;
}

namespace {

struct Glyph {
    int32_t left = 0, top = 0, width = 0, height = 0, advance = 0;
    std::vector<uint8_t> coverage;
};

bool SameFamily(FcPattern* font, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
    return false;
}

// The file of the first candidate that fontconfig really has (a named family must match by
// name, since fontconfig always offers some substitute) and that covers Japanese.
bool FindJapaneseFont(std::string& path, int& index, std::string& error) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) {
        error = "fontconfig cannot be initialised";
        return false;
    }
    struct Candidate {
        const char* pattern;
        const char* family;  // null: any family will do
    };
    static constexpr Candidate kCandidates[] = {
        {"IPAPGothic", "IPAPGothic"},
        {"IPAexGothic", "IPAexGothic"},
        {"sans-serif:lang=ja", nullptr},
    };
    bool found = false;
    for (const Candidate& c : kCandidates) {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(c.pattern));
        if (!pattern) continue;
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* font = FcFontMatch(config, pattern, &result);
        FcPatternDestroy(pattern);
        if (!font) continue;
        FcChar8* file = nullptr;
        FcCharSet* charset = nullptr;
        int faceIndex = 0;
        // "終" and "あ": the toolbar's and the dialog's texts need kanji and kana.
        bool usable = FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch &&
                      FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch &&
                      FcCharSetHasChar(charset, 0x7D42) && FcCharSetHasChar(charset, 0x3042) &&
                      (!c.family || SameFamily(font, c.family));
        if (usable) {
            if (FcPatternGetInteger(font, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
            path = reinterpret_cast<const char*>(file);
            index = faceIndex;
            found = true;
        }
        FcPatternDestroy(font);
        if (found) break;
    }
    FcConfigDestroy(config);
    if (!found) error = "no font that can show Japanese was found";
    return found;
}

}  // namespace

struct TUiFont::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::unordered_map<char32_t, Glyph> glyphs;

    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    const Glyph& Get(char32_t cp) {
        auto it = glyphs.find(cp);
        if (it != glyphs.end()) return it->second;
        Glyph g;
        // Outlines only: embedded bitmaps would lose the anti-aliasing.
        if (FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP) == 0 ||
            FT_Load_Char(face, cp, FT_LOAD_RENDER) == 0) {
            FT_GlyphSlot slot = face->glyph;
            const FT_Bitmap& bm = slot->bitmap;
            g.advance = int32_t((slot->advance.x + 32) >> 6);
            if (bm.pixel_mode == FT_PIXEL_MODE_GRAY || bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                g.left = slot->bitmap_left;
                g.top = slot->bitmap_top;
                g.width = int32_t(bm.width);
                g.height = int32_t(bm.rows);
                g.coverage.resize(size_t(g.width) * size_t(g.height));
                for (int32_t y = 0; y < g.height; ++y) {
                    const uint8_t* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
                    for (int32_t x = 0; x < g.width; ++x) {
                        uint8_t v;
                        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                            v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                        else
                            v = uint8_t(bm.num_grays == 256 ? row[x]
                                                            : row[x] * 255 / (bm.num_grays - 1));
                        g.coverage[size_t(y) * size_t(g.width) + size_t(x)] = v;
                    }
                }
            }
        }
        return glyphs.emplace(cp, std::move(g)).first->second;
    }
};

TUiFont::TUiFont() : impl_(std::make_unique<Impl>()) {}
TUiFont::~TUiFont() = default;

std::unique_ptr<TUiFont> TUiFont::Open(int32_t pixelSize, std::string* error) {
    std::string path, why;
    int index = 0;
    if (!FindJapaneseFont(path, index, why)) {
        if (error) *error = why;
        return nullptr;
    }
    return OpenFile(path, pixelSize, error, index);
}

std::unique_ptr<TUiFont> TUiFont::OpenFile(const std::string& path, int32_t pixelSize,
                                           std::string* error, int faceIndex) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::unique_ptr<TUiFont>();
    };
    if (pixelSize < 1 || pixelSize > 256) return fail("font size out of range");
    std::unique_ptr<TUiFont> f(new TUiFont);
    if (FT_Init_FreeType(&f->impl_->library) != 0) return fail("FreeType cannot be initialised");
    if (FT_New_Face(f->impl_->library, path.c_str(), FT_Long(faceIndex), &f->impl_->face) != 0)
        return fail("cannot load the font " + path);
    FT_Face face = f->impl_->face;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
        return fail("the font " + path + " has no Unicode character map");
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) != 0)
        return fail("the font " + path + " has no size " + std::to_string(pixelSize));
    f->path_ = path;
    f->pixelSize_ = pixelSize;
    // Size metrics are 26.6 fixed point; the line box holds the whole ascender and descender.
    f->ascent_ = int32_t((face->size->metrics.ascender + 63) >> 6);
    int32_t descent = int32_t((-face->size->metrics.descender + 63) >> 6);
    f->lineHeight_ = std::max(f->ascent_ + descent, pixelSize);
    return f;
}

int32_t TUiFont::Measure(std::string_view utf8) {
    int32_t w = 0;
    for (size_t pos = 0; pos < utf8.size();) w += impl_->Get(NextCodePoint(utf8, pos)).advance;
    return w;
}

int32_t TUiFont::Draw(const TPixelBuffer& dst, const TRect& clip, int32_t x, int32_t y,
                      std::string_view utf8, uint32_t color) {
    TRect area = Intersect(clip, dst.Bounds());
    const int32_t cr = int32_t((color >> 16) & 0xFF), cg = int32_t((color >> 8) & 0xFF),
                  cb = int32_t(color & 0xFF);
    int32_t pen = x;
    for (size_t pos = 0; pos < utf8.size();) {
        const Glyph& g = impl_->Get(NextCodePoint(utf8, pos));
        if (!area.IsEmpty() && dst.pixels && g.width > 0) {
            const int32_t gx = pen + g.left, gy = y + ascent_ - g.top;
            TRect box = Intersect(area, Bounds(gx, gy, g.width, g.height));
            for (int32_t py = box.top; py < box.bottom; ++py) {
                uint32_t* row = dst.Row(py);
                const uint8_t* cov = g.coverage.data() + size_t(py - gy) * size_t(g.width);
                for (int32_t px = box.left; px < box.right; ++px) {
                    int32_t a = cov[px - gx];
                    if (a == 0) continue;
                    uint32_t d = row[px];
                    auto mix = [a](int32_t under, int32_t over) {
                        return uint32_t(under +
                                        ((over - under) * a + (over > under ? 127 : -127)) / 255);
                    };
                    row[px] = (mix(int32_t((d >> 16) & 0xFF), cr) << 16) |
                              (mix(int32_t((d >> 8) & 0xFF), cg) << 8) | mix(int32_t(d & 0xFF), cb);
                }
            }
        }
        pen += g.advance;
    }
    return pen;
}

}  // namespace vesk
