#include "text/tag_parser.h"

#include <limits>
#include <memory>

#include "base/cp932.h"
#include "base/error.h"
#include "text/glyph_list.h"
#include "text/tag_tokenizer.h"

namespace vesk {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An ALIGN value among the names a tag permits; anything else gives the tag's default.
uint8_t ParseAlign(const TTagInfo& tag, std::initializer_list<uint8_t> permitted, uint8_t dflt) {
    static constexpr std::string_view kNames[] = {"", "LEFT", "RIGHT", "CENTER", "TOP", "BOTTOM"};
    std::string v = tag.Value("ALIGN");
    for (uint8_t a : permitted)
        if (SameTextAscii(v, kNames[a])) return a;
    return dflt;
}

class TagParser {
  public:
    explicit TagParser(TWdGlyphList& out) : out_(out) {}

    void Run(std::string_view text) {
        for (const TTagToken& t : TokenizeTaggedText(text)) {
            if (t.IsTag)
                Tag(SplitTag(t.Text));
            else
                Chars(t.Text);
        }
    }

  private:
    void Chars(std::string_view text) {
        for (size_t i = 0; i < text.size();) {
            size_t len = CharLenAt(text, i);
            auto c = std::make_unique<TWdChar>();
            c->Code = len == 2 ? uint16_t(uint8_t(text[i]) << 8 | uint8_t(text[i + 1]))
                               : uint8_t(text[i]);
            c->Style = out_.Styles().Add(st_.CurrentStyle());
            c->Link = st_.Link;
            c->Wait = st_.Wait.Top();
            out_.Add(std::move(c));
            i += len;
        }
    }

    void Emit(std::unique_ptr<TWdGlyph> g) { out_.Add(std::move(g)); }

    void EmitAlign() {
        auto g = std::make_unique<TWdOpeAlign>();
        g->Align = st_.Align.Top();
        Emit(std::move(g));
    }

    void EmitReturn(bool clear) {
        auto g = std::make_unique<TWdOpeReturn>();
        g->Clear = clear;
        Emit(std::move(g));
    }

    // FONT: one value on every style stack, the given attributes replacing the current ones.
    void Font(const TTagInfo& tag) {
        auto number = [&](const char* name, TIntStack& stack) {
            int32_t v = stack.Top();
            if (const TTagAttr* a = tag.Find(name)) ParseTagInt(a->Value, v);
            stack.Push(v);
        };
        auto color = [&](const char* name, TIntStack& stack) {
            int32_t v = stack.Top();
            if (const TTagAttr* a = tag.Find(name)) ParseTagColor(a->Value, v);
            stack.Push(v);
        };
        // BORDER and SHADOW alone mean 1; negative widths mean none.
        auto width = [&](const char* name, TIntStack& stack) {
            int32_t v = stack.Top();
            if (const TTagAttr* a = tag.Find(name)) {
                int32_t n;
                if (a->Value.empty())
                    v = 1;
                else if (ParseTagInt(a->Value, n))
                    v = n < 0 ? 0 : n;
            }
            stack.Push(v);
        };
        number("SIZE", st_.Size);
        color("COLOR", st_.Color);
        color("BCOLOR", st_.BorderColor);
        color("SCOLOR", st_.ShadowColor);
        const TTagAttr* name = tag.Find("NAME");
        st_.FontName.Push(name ? name->Value : st_.FontName.Top());
        width("BORDER", st_.BorderWidth);
        width("SHADOW", st_.ShadowWidth);
    }

    void EndFont() {
        st_.Size.Pop();
        st_.Color.Pop();
        st_.BorderColor.Pop();
        st_.ShadowColor.Pop();
        st_.FontName.Pop();
        st_.BorderWidth.Pop();
        st_.ShadowWidth.Pop();
    }

    void SetFlag(uint8_t bit, bool on) {
        st_.Flags = on ? uint8_t(st_.Flags | bit) : uint8_t(st_.Flags & ~bit);
    }

    void Tag(const TTagInfo& tag) {
        const std::string& n = tag.Name;
        auto is = [&](std::string_view name) { return SameTextAscii(n, name); };
        if (is("A")) {
            std::string href = tag.Value("HREF");
            if (href.empty()) Fail(VESK_JP("<A>タグにHREF値がありません"));
            st_.Link = UnescapeTagValue(href);
        } else if (is("/A")) {
            st_.Link.clear();
        } else if (is("B") || is("/B")) {
            SetFlag(dfBold, is("B"));
        } else if (is("I") || is("/I")) {
            SetFlag(dfItalic, is("I"));
        } else if (is("U") || is("/U")) {
            SetFlag(dfUnderline, is("U"));
        } else if (is("S") || is("/S")) {
            SetFlag(dfStrikeOut, is("S"));
        } else if (is("FONT")) {
            Font(tag);
        } else if (is("/FONT")) {
            EndFont();
        } else if (is("NOBR") || is("/NOBR")) {
            st_.NoBreak = is("NOBR");
        } else if (is("RUBY")) {
            st_.Ruby = tag.Value("VALUE");
        } else if (is("/RUBY")) {
            st_.Ruby.clear();
        } else if (is("DIV")) {
            st_.Align.Push(ParseAlign(tag, {taLeft, taRight, taCenter}, taLeft));
            EmitAlign();
        } else if (is("/DIV")) {
            st_.Align.Pop();
            EmitAlign();
        } else if (is("INDENT")) {
            Emit(std::make_unique<TWdOpeIndent>());
        } else if (is("UNDENT")) {
            Emit(std::make_unique<TWdOpeUndent>());
        } else if (is("BR")) {
            EmitReturn(tag.Has("CLEAR"));
        } else if (is("CLEAR")) {
            EmitReturn(true);
        } else if (is("EVENT")) {
            auto g = std::make_unique<TWdOpeEvent>();
            g->Text = UnescapeTagValue(tag.Value("VALUE"));
            g->End = tag.Has("END");
            Emit(std::move(g));
        } else if (is("WAIT")) {
            int32_t v = st_.Wait.Top();
            ParseTagInt(tag.Value("VALUE"), v);
            st_.Wait.Push(v);
        } else if (is("/WAIT")) {
            st_.Wait.Pop();
        } else if (is("VAR")) {
            std::string expr = tag.Value("NAME");
            if (expr.empty()) return;
            auto g = std::make_unique<TWdOpeVar>();
            g->Style = out_.Styles().Add(st_.CurrentStyle());
            g->Wait = st_.Wait.Top();
            g->Link = st_.Link;
            g->Expr = std::move(expr);
            Emit(std::move(g));
        } else if (is("IMG")) {
            std::string src = tag.Value("SRC");
            if (src.empty()) return;
            auto g = std::make_unique<TWdImg>();
            g->Source = std::move(src);
            g->Align = ParseAlign(tag, {taCenter, taTop, taBottom}, taBottom);
            g->NoBreak = st_.NoBreak;
            g->Ruby = st_.Ruby;
            g->Link = st_.Link;
            g->Wait = st_.Wait.Top();
            Emit(std::move(g));
        }
        // Any other tag (PRE and TEXTAREA included) leaves no glyph.
    }

    TWdGlyphList& out_;
    TTagValList st_;
};

}  // namespace

TDecorate TTagValList::CurrentStyle() const {
    TDecorate d;
    d.Size = Size.Top();
    d.Color = Color.Top();
    d.BorderColor = BorderColor.Top();
    d.ShadowColor = ShadowColor.Top();
    d.Flags = Flags;
    d.FontName = FontName.Top();
    d.NoBreak = NoBreak;
    d.Ruby = Ruby;
    d.BorderWidth = BorderWidth.Top();
    d.ShadowWidth = ShadowWidth.Top();
    return d;
}

void ParseTaggedText(const std::vector<std::string>& lines, TWdGlyphList& out) {
    ParseTaggedText(JoinTextLines(lines), out);
}

void ParseTaggedText(std::string_view text, TWdGlyphList& out) {
    TagParser(out).Run(text);
}

bool ParseTagInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (text.size() - i > 2 && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        int d = HexDigit(text[i]);
        if (d < 0 || d >= base) return false;
        v = v * base + d;
        if (v > int64_t(std::numeric_limits<uint32_t>::max())) return false;
    }
    // Hexadecimal may fill all 32 bits; decimal must fit a signed integer.
    if (base == 10 && v > (neg ? int64_t(1) << 31 : std::numeric_limits<int32_t>::max()))
        return false;
    value = static_cast<int32_t>(uint32_t(neg ? -v : v));
    return true;
}

bool ParseTagColor(std::string_view text, int32_t& value) {
    if (text.empty() || text[0] != '#') return false;
    std::string_view digits = text.substr(1, 6);
    if (digits.empty()) return false;
    uint32_t rgb = 0;
    for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return false;
        rgb = rgb << 4 | uint32_t(d);
    }
    value = int32_t((rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF));
    return true;
}

std::string UnescapeTagValue(std::string_view text) {
    std::string r;
    for (size_t i = 0; i < text.size();) {
        size_t len = CharLenAt(text, i);
        if (len == 1 && text[i] == '\\' && i + 1 < text.size()) {
            char c = text[i + 1];
            if (c == '"' || c == '\\') {
                r += c;
                i += 2;
                continue;
            }
            if (c == 'n') {
                r += "\r\n";
                i += 2;
                continue;
            }
        }
        r.append(text.substr(i, len));
        i += len;
    }
    return r;
}

}  // namespace vesk
