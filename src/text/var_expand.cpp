#include "text/var_expand.h"

#include <algorithm>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "text/glyph_list.h"
#include "text/wd_glyph.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/vesk_parser.h"

namespace vesk {

namespace {

// Matches the nesting limit of the expression machine, so a VAR inside an expression that
// lays out text cannot recurse without end.
constexpr int32_t kMaxVarNesting = 64;

std::string RunForValue(TVeskParser& p, TParamCollection& store, TSysFuncMan* funcs) {
    p.Execute(store, funcs);
    if (!p.LastError().empty() || !p.Result) return {};
    return p.Result->AsStr();
}

std::string EvaluateText(std::string_view text, TParamCollection& store, TSysFuncMan* funcs) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<uint8_t>(text[b]) <= ' ') ++b;
    while (e > b && static_cast<uint8_t>(text[e - 1]) <= ' ') --e;
    if (b == e || store.ExecDepth >= kMaxVarNesting) return {};
    MemoryStream m;
    TVeskParser p;
    try {
        TBuildVeskParser build(store.ExecDepth * 100000);
        build.Compile(text.substr(b, e - b));
        build.SaveToStream(m);
        m.Seek(0, SeekFrom::Begin);
        p.LoadFromStream(m);
    } catch (const VeskError&) {
        return {};
    }
    return RunForValue(p, store, funcs);
}

}  // namespace

std::string VarValueLine(std::string_view name, std::string_view value) {
    std::string r(name);
    r += '=';
    for (char c : value) r += c == '\r' ? '\x01' : c;
    return r;
}

bool FindVarValue(const TVarValues& values, std::string_view name, std::string& value) {
    // Matched by prefix rather than split at the first "=", so expressions that contain
    // "=" themselves find their values too.
    for (const std::string& line : values) {
        if (line.size() > name.size() && line[name.size()] == '=' &&
            SameTextAscii(std::string_view(line).substr(0, name.size()), name)) {
            value.clear();
            for (char c : std::string_view(line).substr(name.size() + 1))
                value += c == '\x01' ? '\r' : c;
            return true;
        }
    }
    return false;
}

std::string EvaluateVar(TWdOpeVar& var, const TVarValues& values, TParamCollection& store,
                        TSysFuncMan* funcs) {
    std::string v;
    if (!var.Expr.empty()) {
        if (FindVarValue(values, var.Expr, v)) return v;
        return EvaluateText(var.Expr, store, funcs);
    }
    if (var.Compiled && store.ExecDepth < kMaxVarNesting)
        return RunForValue(*var.Compiled, store, funcs);
    return {};
}

std::vector<std::unique_ptr<TWdGlyph>> MakeVarGlyphs(const TWdOpeVar& var, std::string_view value) {
    std::vector<std::unique_ptr<TWdGlyph>> r;
    for (size_t i = 0; i < value.size();) {
        size_t len = CharLenAt(value, i);
        auto b = uint8_t(value[i]);
        if (len == 1 && b == '\r') {
            r.push_back(std::make_unique<TWdVarReturn>());
        } else if (len == 2 || b >= ' ') {
            auto c = std::make_unique<TWdVarChar>();
            c->Code = len == 2 ? uint16_t(b << 8 | uint8_t(value[i + 1])) : b;
            c->Style = var.Style;
            c->Link = var.Link;
            c->Wait = var.Wait;
            r.push_back(std::move(c));
        }
        i += len;
    }
    return r;
}

size_t ExpandVars(TWdGlyphList& list, const TVarValues& values, TParamCollection& store,
                  TSysFuncMan* funcs, size_t first, long last) {
    size_t inserted = 0;
    size_t end = last < 0 ? list.Count() : std::min(list.Count(), size_t(last) + 1);
    for (size_t i = first; i < end; ++i) {
        if (list[i].Kind() != wkVar) continue;
        auto& var = static_cast<TWdOpeVar&>(list[i]);
        auto glyphs = MakeVarGlyphs(var, EvaluateVar(var, values, store, funcs));
        size_t n = glyphs.size();
        list.InsertRange(i + 1, std::move(glyphs));
        i += n;
        end += n;
        inserted += n;
    }
    return inserted;
}

void RemoveVarGlyphs(TWdGlyphList& list) {
    list.EraseKind(wkVarChar);
    list.EraseKind(wkVarReturn);
}

}  // namespace vesk
