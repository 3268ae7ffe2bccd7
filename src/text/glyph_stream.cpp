#include "text/glyph_stream.h"

#include <cstring>
#include <memory>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "text/glyph_list.h"
#include "vars/vesk_parser.h"

namespace vesk {

namespace {

constexpr char kMagic[] = "TpWord";
constexpr size_t kMagicLen = 6;
constexpr size_t kHeaderLen = 9;

// The version from the nine header bytes, or 0 (and the stream left where it was) when
// they do not start with the magic. Streams shorter than a header are headerless too.
int32_t ReadVersion(Stream& s) {
    int64_t start = s.Position();
    if (s.Remaining() < int64_t(kHeaderLen)) return 0;
    char h[kHeaderLen];
    s.ReadExact(h, kHeaderLen, "glyph stream header");
    if (std::memcmp(h, kMagic, kMagicLen) != 0) {
        s.Seek(start, SeekFrom::Begin);
        return 0;
    }
    int32_t v = 0;
    for (size_t k = kMagicLen; k < kHeaderLen; ++k) {
        if (h[k] < '0' || h[k] > '9')
            Fail("glyph stream: bad version \"" + std::string(h + kMagicLen, 3) + "\"");
        v = v * 10 + (h[k] - '0');
    }
    return v;
}

int32_t StyleIndex(StreamReader& r, int32_t styleCount, int32_t first) {
    int32_t i = r.I32("glyph style index");
    if (i < 0 || i >= styleCount)
        Fail("glyph stream: style index " + std::to_string(i) + " out of range (" +
             std::to_string(styleCount) + " styles)");
    return first + i;
}

}  // namespace

void LoadGlyphStream(Stream& s, TWdGlyphList& out) {
    StreamReader r(s);
    int32_t version = ReadVersion(s);

    int32_t nStyles = r.I32("glyph stream style count");
    r.CheckCount(nStyles, version >= 100 ? 38 : 27, "glyph stream styles");
    std::vector<std::pair<TDecorate, int32_t>> styles;
    styles.reserve(size_t(nStyles));
    for (int32_t k = 0; k < nStyles; ++k) {
        TDecorate d;
        int32_t refs = r.I32("style reference count");
        d.Color = r.I32("style colour");
        d.BorderColor = r.I32("style border colour");
        d.Size = r.I32("style size");
        d.Flags = r.U8("style flags");
        d.NoBreak = r.Flag("style no-break flag");
        if (version >= 100)
            d.BorderWidth = r.I32("style border width");
        else
            d.BorderWidth = r.U8("style border flag") != 0 ? 1 : 0;
        d.FontName = r.Str("style font name");
        d.Ruby = r.Str("style ruby text");
        if (version >= 100) {
            d.ShadowWidth = r.I32("style shadow width");
            d.ShadowColor = r.I32("style shadow colour");
        }
        styles.emplace_back(std::move(d), refs);
    }

    int32_t first = out.Styles().Count();
    int32_t nGlyphs = r.I32("glyph count");
    r.CheckCount(nGlyphs, 1, "glyphs");
    std::vector<std::unique_ptr<TWdGlyph>> glyphs;
    for (int32_t k = 0; k < nGlyphs; ++k) {
        uint8_t kind = r.U8("glyph kind");
        switch (kind) {
            case wkChar: {
                auto g = std::make_unique<TWdChar>();
                g->Link = r.Str("character link target");
                g->Wait = r.I32("character wait");
                g->Code = r.U16("character code");
                g->Style = StyleIndex(r, nStyles, first);
                glyphs.push_back(std::move(g));
                break;
            }
            case wkAlign: {
                auto g = std::make_unique<TWdOpeAlign>();
                g->Align = r.U8("alignment");
                glyphs.push_back(std::move(g));
                break;
            }
            case wkReturn: {
                auto g = std::make_unique<TWdOpeReturn>();
                g->Clear = r.Flag("line break clear flag");
                glyphs.push_back(std::move(g));
                break;
            }
            case wkIndent:
                glyphs.push_back(std::make_unique<TWdOpeIndent>());
                break;
            case wkUndent:
                glyphs.push_back(std::make_unique<TWdOpeUndent>());
                break;
            case wkEvent: {
                auto g = std::make_unique<TWdOpeEvent>();
                g->Text = r.Str("event text");
                if (!g->Text.empty() && g->Text[0] == '\x01') {
                    g->End = true;
                    g->Text.erase(0, 1);
                }
                glyphs.push_back(std::move(g));
                break;
            }
            case wkVar: {
                auto g = std::make_unique<TWdOpeVar>();
                g->Style = StyleIndex(r, nStyles, first);
                if (version >= 101) {
                    g->Wait = r.I32("variable wait");
                    g->Link = r.Str("variable link target");
                }
                if (version >= 102) {
                    g->Expr = r.Str("variable expression");
                } else {
                    g->Compiled = std::make_unique<TVeskParser>();
                    g->Compiled->LoadFromStream(s);
                }
                glyphs.push_back(std::move(g));
                break;
            }
            case wkImg: {
                auto g = std::make_unique<TWdImg>();
                g->Link = r.Str("image link target");
                g->Wait = r.I32("image wait");
                g->Source = r.Str("image source");
                g->Align = r.U8("image alignment");
                glyphs.push_back(std::move(g));
                break;
            }
            default:
                // Kinds this player does not know carry no fields and make no glyph.
                break;
        }
    }

    for (auto& [style, refs] : styles) out.Styles().Append(style, refs);
    for (auto& g : glyphs) out.Add(std::move(g));
}

void SaveGlyphStream(const TWdGlyphList& in, Stream& s) {
    const TDecorateList& pool = in.Styles();
    // Checked before anything is written, so a refused list leaves no half stream behind.
    for (size_t k = 0; k < in.Count(); ++k) {
        const TWdGlyph& g = in[k];
        int32_t style = 0;
        if (g.Kind() == wkChar) style = static_cast<const TWdChar&>(g).Style;
        if (g.Kind() == wkVar) {
            auto& v = static_cast<const TWdOpeVar&>(g);
            style = v.Style;
            if (v.Expr.empty() && v.Compiled && !v.Compiled->Ops.empty())
                Fail("glyph stream: a VAR from an older text has no expression text to write");
        }
        if (!pool.Valid(style) && (g.Kind() == wkChar || g.Kind() == wkVar))
            Fail("glyph stream: glyph " + std::to_string(k) + " refers to no style");
    }

    StreamWriter w(s);
    std::string header = kMagic + std::to_string(kGlyphStreamVersion);
    w.Raw(header.data(), header.size());

    w.I32(pool.Count());
    for (int32_t k = 0; k < pool.Count(); ++k) {
        const TDecorate& d = pool[k];
        w.I32(pool.RefCount(k));
        w.I32(d.Color);
        w.I32(d.BorderColor);
        w.I32(d.Size);
        w.U8(d.Flags);
        w.Flag(d.NoBreak);
        w.I32(d.BorderWidth);
        w.Str(d.FontName);
        w.Str(d.Ruby);
        w.I32(d.ShadowWidth);
        w.I32(d.ShadowColor);
    }

    int32_t stored = 0;
    for (size_t k = 0; k < in.Count(); ++k)
        if (in[k].Kind() <= wkImg) ++stored;
    w.I32(stored);
    for (size_t k = 0; k < in.Count(); ++k) {
        const TWdGlyph& g = in[k];
        if (g.Kind() > wkImg) continue;
        w.U8(g.Kind());
        switch (g.Kind()) {
            case wkChar: {
                auto& c = static_cast<const TWdChar&>(g);
                w.Str(c.Link);
                w.I32(c.Wait);
                w.U16(c.Code);
                w.I32(c.Style);
                break;
            }
            case wkAlign:
                w.U8(static_cast<const TWdOpeAlign&>(g).Align);
                break;
            case wkReturn:
                w.Flag(static_cast<const TWdOpeReturn&>(g).Clear);
                break;
            case wkEvent:
                w.Str(static_cast<const TWdOpeEvent&>(g).EventText());
                break;
            case wkVar: {
                auto& v = static_cast<const TWdOpeVar&>(g);
                w.I32(v.Style);
                w.I32(v.Wait);
                w.Str(v.Link);
                w.Str(v.Expr);
                break;
            }
            case wkImg: {
                auto& m = static_cast<const TWdImg&>(g);
                w.Str(m.Link);
                w.I32(m.Wait);
                w.Str(m.Source);
                w.U8(m.Align);
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace vesk
