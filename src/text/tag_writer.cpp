#include "text/tag_writer.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "text/glyph_list.h"
#include "text/tag_parser.h"

namespace vesk {

namespace {

bool HasControl(std::string_view v) {
    return std::any_of(v.begin(), v.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\t' || c == '\x14'; });
}

// An attribute value in a form the tokenizer and the tag splitter give back unchanged.
bool QuoteValue(std::string_view v, std::string& out) {
    if (HasControl(v)) return false;
    if (v.find('"') == std::string_view::npos) {
        out += '"';
        out += v;
        out += '"';
        return true;
    }
    // Double quotes inside single quotes must pair up, as each opens a literal stretch.
    if (v.find('\'') != std::string_view::npos || std::count(v.begin(), v.end(), '"') % 2)
        return false;
    out += '\'';
    bool literal = false;
    for (size_t i = 0; i < v.size();) {
        size_t len = CharLenAt(v, i);
        char c = v[i];
        if (len == 1 && c == '"') literal = !literal;
        if (len == 1 && !literal && (c == '\\' || c == '<' || c == '>')) out += '\\';
        out.append(v.substr(i, len));
        i += len;
    }
    out += '\'';
    return true;
}

// The inverse of UnescapeTagValue.
bool EscapedValue(std::string_view v, std::string& out) {
    std::string e;
    for (size_t i = 0; i < v.size();) {
        size_t len = CharLenAt(v, i);
        if (len == 1 && (v[i] == '\\' || v[i] == '"')) {
            e += '\\';
            e += v[i++];
        } else if (v.substr(i, 2) == "\r\n") {
            e += "\\n";
            i += 2;
        } else {
            e.append(v.substr(i, len));
            i += len;
        }
    }
    return QuoteValue(e, out);
}

std::string Int(int32_t v) {
    return std::to_string(v);
}

bool Color(const char* name, int32_t bgr, std::string& out) {
    if (bgr == -1) return true;
    if (bgr < 0 || bgr > 0xFFFFFF) return false;
    static constexpr char kHex[] = "0123456789ABCDEF";
    uint32_t rgb = uint32_t(bgr & 0xFF) << 16 | uint32_t(bgr & 0xFF00) | uint32_t(bgr >> 16 & 0xFF);
    out += std::string(" ") + name + "=#";
    for (int shift = 20; shift >= 0; shift -= 4) out += kHex[rgb >> shift & 0xF];
    return true;
}

class Writer {
  public:
    bool Run(const TWdGlyphList& list) {
        for (size_t i = 0; i < list.Count(); ++i)
            if (!Glyph(list, list[i])) return false;
        return true;
    }
    std::string Text() const { return out_; }

  private:
    // What the tags in force give to the next glyph.
    struct State {
        TDecorate font;  // the FONT attributes only
        uint8_t flags = 0;
        bool noBreak = false;
        std::string ruby;
        std::string link;
        int32_t wait = kDefaultWait;
    };

    static TDecorate FontPart(const TDecorate& d) {
        TDecorate f = d;
        f.Flags = 0;
        f.NoBreak = false;
        f.Ruby.clear();
        return f;
    }

    bool Tag(const std::string& tag) {
        if (inQuote_) return false;  // no tag can stand inside a quoted stretch
        out_ += tag;
        runLastSpace_ = false;
        return true;
    }

    bool Font(const TDecorate& f) {
        if (f == cur_.font) return true;
        if (fontOpen_ && !Tag("</FONT>")) return false;
        fontOpen_ = !(f == TDecorate());
        cur_.font = f;
        if (!fontOpen_) return true;
        std::string t = "<FONT";
        if (f.Size != 0) t += " SIZE=" + Int(f.Size);
        if (!Color("COLOR", f.Color, t) || !Color("BCOLOR", f.BorderColor, t) ||
            !Color("SCOLOR", f.ShadowColor, t))
            return false;
        if (!f.FontName.empty()) {
            t += " NAME=";
            if (!QuoteValue(f.FontName, t)) return false;
        }
        if (f.BorderWidth < -1 || f.ShadowWidth < -1) return false;
        if (f.BorderWidth >= 0) t += " BORDER=" + Int(f.BorderWidth);
        if (f.ShadowWidth >= 0) t += " SHADOW=" + Int(f.ShadowWidth);
        return Tag(t + ">");
    }

    bool Flags(uint8_t flags) {
        static constexpr struct {
            uint8_t bit;
            const char* name;
        } kTags[] = {{dfBold, "B"}, {dfItalic, "I"}, {dfUnderline, "U"}, {dfStrikeOut, "S"}};
        if (flags & ~(dfBold | dfItalic | dfUnderline | dfStrikeOut)) return false;
        for (const auto& k : kTags) {
            bool on = flags & k.bit;
            if (on == bool(cur_.flags & k.bit)) continue;
            if (!Tag(std::string(on ? "<" : "</") + k.name + ">")) return false;
        }
        cur_.flags = flags;
        return true;
    }

    bool Reach(const State& s) {
        if (!Font(s.font) || !Flags(s.flags)) return false;
        if (s.noBreak != cur_.noBreak && !Tag(s.noBreak ? "<NOBR>" : "</NOBR>")) return false;
        if (s.ruby != cur_.ruby) {
            std::string t = "<RUBY VALUE=";
            if (s.ruby.empty())
                t = "</RUBY>";
            else if (!QuoteValue(s.ruby, t))
                return false;
            else
                t += ">";
            if (!Tag(t)) return false;
        }
        if (s.link != cur_.link) {
            std::string t = "<A HREF=";
            if (s.link.empty())
                t = "</A>";
            else if (!EscapedValue(s.link, t))
                return false;
            else
                t += ">";
            if (!Tag(t)) return false;
        }
        if (s.wait != cur_.wait) {
            if (waitOpen_ && !Tag("</WAIT>")) return false;
            waitOpen_ = s.wait != kDefaultWait;
            if (waitOpen_ && !Tag("<WAIT VALUE=" + Int(s.wait) + ">")) return false;
        }
        cur_ = s;
        return true;
    }

    State StyleState(const TDecorate& d, const std::string& link, int32_t wait) const {
        State s;
        s.font = FontPart(d);
        s.flags = d.Flags;
        s.noBreak = d.NoBreak;
        s.ruby = d.Ruby;
        s.link = link;
        s.wait = wait;
        return s;
    }

    bool Char(uint16_t code) {
        if (code > 0xFF) {
            if (!IsLeadByte(uint8_t(code >> 8))) return false;
            out_ += char(code >> 8);
            out_ += char(code & 0xFF);
            runLastSpace_ = false;
            return true;
        }
        char c = char(code);
        if (c == '"') {
            inQuote_ = !inQuote_;
        } else if (c == '\r' || c == '\n' || c == '\t' || c == '\x14') {
            return false;
        } else if (!inQuote_) {
            if (c == ' ' && runLastSpace_) return false;  // spaces would collapse
            if (c == '\\' || c == '<' || c == '>') out_ += '\\';
        }
        out_ += c;
        runLastSpace_ = !inQuote_ && c == ' ';
        return true;
    }

    bool Align(uint8_t a) {
        static constexpr const char* kNames[] = {"", "LEFT", "RIGHT", "CENTER"};
        if (a < taLeft || a > taCenter) return false;
        // Closing the innermost DIV gives back the alignment under it.
        uint8_t under = divs_.size() >= 2 ? divs_[divs_.size() - 2] : uint8_t(taLeft);
        if (!divs_.empty() && a == under) {
            divs_.pop_back();
            return Tag("</DIV>");
        }
        divs_.push_back(a);
        return Tag(std::string("<DIV ALIGN=") + kNames[a] + ">");
    }

    bool Glyph(const TWdGlyphList& list, const TWdGlyph& g) {
        switch (g.Kind()) {
            case wkChar: {
                auto& c = static_cast<const TWdChar&>(g);
                return Reach(StyleState(list.StyleOf(c), c.Link, c.Wait)) && Char(c.Code);
            }
            case wkVar: {
                auto& v = static_cast<const TWdOpeVar&>(g);
                std::string t = "<VAR NAME=";
                return !v.Expr.empty() && Reach(StyleState(list.StyleOf(v), v.Link, v.Wait)) &&
                       QuoteValue(v.Expr, t) && Tag(t + ">");
            }
            case wkImg: {
                auto& m = static_cast<const TWdImg&>(g);
                State s = cur_;
                s.noBreak = m.NoBreak;
                s.ruby = m.Ruby;
                s.link = m.Link;
                s.wait = m.Wait;
                std::string t = "<IMG SRC=";
                if (m.Source.empty() || !Reach(s) || !QuoteValue(m.Source, t)) return false;
                if (m.Align == taCenter)
                    t += " ALIGN=CENTER";
                else if (m.Align == taTop)
                    t += " ALIGN=TOP";
                else if (m.Align != taBottom)
                    return false;
                return Tag(t + ">");
            }
            case wkAlign:
                return Align(static_cast<const TWdOpeAlign&>(g).Align);
            case wkIndent:
                return Tag("<INDENT>");
            case wkUndent:
                return Tag("<UNDENT>");
            case wkReturn:
                // A line end right after a tag adds nothing, so each break ends a line.
                return Tag(static_cast<const TWdOpeReturn&>(g).Clear ? "<BR CLEAR>\r" : "<BR>\r");
            case wkEvent: {
                auto& e = static_cast<const TWdOpeEvent&>(g);
                std::string t = "<EVENT VALUE=";
                return EscapedValue(e.Text, t) && Tag(t + (e.End ? " END>" : ">"));
            }
            default:
                return true;  // made at layout time, not part of the text
        }
    }

    std::string out_;
    State cur_;
    bool fontOpen_ = false;
    bool waitOpen_ = false;
    bool inQuote_ = false;
    bool runLastSpace_ = false;
    std::vector<uint8_t> divs_;
};

std::vector<uint8_t> Stored(const TWdGlyphList& list) {
    MemoryStream m;
    list.SaveToStream(m);
    return std::move(m.Bytes());
}

}  // namespace

bool WriteTaggedText(const TWdGlyphList& list, std::vector<std::string>& lines) {
    lines.clear();
    Writer w;
    if (!w.Run(list)) return false;
    std::string text = w.Text();
    size_t b = 0;
    for (size_t e; (e = text.find('\r', b)) != std::string::npos; b = e + 1)
        lines.push_back(text.substr(b, e - b));
    lines.push_back(text.substr(b));
    // The proof: the text must store exactly what the glyphs store.
    try {
        TWdGlyphList back;
        back.SetText(lines);
        return Stored(back) == Stored(list);
    } catch (const VeskError&) {
        return false;
    }
}

}  // namespace vesk
