#pragma once
// Helpers for the text tests: CP932 from UTF-8, and a compact description of a glyph list.
#include <string>

#include "base/cp932.h"
#include "text/glyph_list.h"

namespace vesk::test {

inline std::string J(const std::string& utf8) {
    return Utf8ToCp932(utf8);
}

// Characters as UTF-8 text, other glyphs in braces: {align 2} {ret} {ret clear} {indent}
// {undent} {event x} {event end x} {var x} {img x 5} {vret}.
inline std::string Describe(const TWdGlyphList& list) {
    std::string r;
    for (size_t i = 0; i < list.Count(); ++i) {
        const TWdGlyph& g = list[i];
        switch (g.Kind()) {
            case wkChar:
            case wkVarChar:
                r += Cp932ToUtf8(static_cast<const TWdChar&>(g).Text());
                break;
            case wkAlign:
                r += "{align " + std::to_string(static_cast<const TWdOpeAlign&>(g).Align) + "}";
                break;
            case wkReturn:
                r += static_cast<const TWdOpeReturn&>(g).Clear ? "{ret clear}" : "{ret}";
                break;
            case wkVarReturn:
                r += "{vret}";
                break;
            case wkIndent:
                r += "{indent}";
                break;
            case wkUndent:
                r += "{undent}";
                break;
            case wkEvent: {
                auto& e = static_cast<const TWdOpeEvent&>(g);
                r += std::string("{event ") + (e.End ? "end " : "") + Cp932ToUtf8(e.Text) + "}";
                break;
            }
            case wkVar:
                r += "{var " + Cp932ToUtf8(static_cast<const TWdOpeVar&>(g).Expr) + "}";
                break;
            case wkImg: {
                auto& m = static_cast<const TWdImg&>(g);
                r += "{img " + Cp932ToUtf8(m.Source) + " " + std::to_string(m.Align) + "}";
                break;
            }
            case wkSpace:
                r += "{space}";
                break;
            case wkRow:
            case wkPage:
                break;
        }
    }
    return r;
}

}  // namespace vesk::test
