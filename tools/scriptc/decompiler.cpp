#include "scriptc/decompiler.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/expr_text.h"
#include "script/page.h"
#include "scriptc/syntax.h"
#include "text/glyph_list.h"
#include "text/tag_writer.h"

namespace vesk::scriptc {

namespace {

constexpr int32_t kMaxShownIndent = 40;

std::string Raw(const std::vector<uint8_t>& bytes) {
    return "{raw:" + ToHex(bytes.data(), bytes.size()) + "}";
}

// The glyph stream of a TextIns as tagged text lines, when they store the same bytes.
bool TextLines(const std::string& block, std::vector<std::string>& out) {
    try {
        TWdGlyphList list;
        MemoryStream in(std::vector<uint8_t>(block.begin(), block.end()));
        list.LoadFromStream(in);
        if (in.Remaining() != 0) return false;
        std::vector<std::string> lines;
        if (!WriteTaggedText(list, lines)) return false;
        std::vector<std::string> back;
        for (const std::string& line : lines) {
            std::string utf8, cp;
            if (!TryCp932ToUtf8(line, utf8) || !TryUtf8ToCp932(utf8, cp) || cp != line)
                return false;
            if (std::any_of(utf8.begin(), utf8.end(),
                            [](char c) { return c == '\r' || c == '\n'; }))
                return false;
            out.push_back(utf8);
            back.push_back(cp);
        }
        TWdGlyphList again;
        MemoryStream m;
        again.SetText(back);
        again.SaveToStream(m);
        return std::string(m.Bytes().begin(), m.Bytes().end()) == block;
    } catch (const VeskError&) {
        return false;
    }
}

// Colours read better in hexadecimal ($BBGGRR), which compiles into the same constant.
std::string PropSource(int index, const TVeskParser& expr) {
    std::string text = ExprSource(expr);
    std::string_view name = PropertyName(index);
    bool colour = name.size() > 5 && name.substr(name.size() - 5) == "COLOR";
    if (!colour || text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return text;
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%06llX", std::stoull(text));
    TVeskParser again;
    CompileExpr(hex, again);
    return ExprBytes(again) == ExprBytes(expr) ? hex : text;
}

class PageWriter {
  public:
    PageWriter(const TPage& page, const PageLookup& lookup) : page_(page), lookup_(lookup) {}

    std::string Run() {
        if (page_.Version != kPageVersionMax)
            out_ += "@version " + std::to_string(page_.Version) + "\n";
        if (page_.ResultType != 1) {
            const char* t = TypeName(page_.ResultType);
            out_ += std::string("@result ") + (t ? t : std::to_string(page_.ResultType)) + "\n";
        }
        PropSets();
        for (int32_t i = 0; i < page_.Count(); ++i) Command(i);
        return out_;
    }

  private:
    // Property-set bits that the commands do not account for: all of those of types without
    // a command in the page or that never use their set, and bits past the last property.
    void PropSets() {
        // Records stored in another layout than the writer's usual one, with the bytes the
        // table does not hold.
        if (page_.PropertySetsFitLayout() && (page_.PropertySetCount != kCommandTypeCount ||
                                              page_.PropertySetSize != kPropertySetBytes)) {
            out_ += "@propset Count: " + std::to_string(page_.PropertySetCount) +
                    ", Size: " + std::to_string(page_.PropertySetSize);
            if (!page_.PropertySetRest.empty()) out_ += ", Rest: " + Raw(page_.PropertySetRest);
            out_ += "\n";
        }
        for (int code = 0; code < kCommandTypeCount; ++code) {
            bool used = false;
            for (int32_t i = 0; i < page_.Count(); ++i) used |= page_.At(i)->GetType() == code;
            int from = used && IsComponentCode(uint8_t(code)) ? kPropertyCount : 0;
            std::string names;
            for (int k = from; k < kPropertySetBytes * 8; ++k) {
                if (!((page_.PropertySet[size_t(code)][size_t(k / 8)] >> (k % 8)) & 1)) continue;
                const char* name = PropertyName(k);
                names +=
                    (names.empty() ? "" : ", ") + (name ? std::string(name) : std::to_string(k));
            }
            if (!names.empty())
                out_ += std::string("@propset ") + CommandName(uint8_t(code)) + ": " + names + "\n";
        }
    }

    std::string Target(const std::string& pageName, const TCommandField* index) {
        bool own = pageName == page_.Name;
        int32_t t = index ? index->Num : 0;
        std::string head = own ? std::string() : BareOrQuoted(pageName);
        if (!own && pageName.empty() && index) head = "\"\"";
        if (!index) return head.empty() ? "\"\"" : head;
        const TPage* target = own ? &page_ : (lookup_ ? lookup_(pageName) : nullptr);
        if (t == 0 && !own) return head;
        if (target && target->At(t) && target->At(t)->GetType() == CC_LABEL) {
            const std::string& label = target->At(t)->Field(0).Text;
            int same = 0;
            for (int32_t j = 0; j < target->Count(); ++j)
                same +=
                    target->At(j)->GetType() == CC_LABEL && target->At(j)->Field(0).Text == label;
            if (same == 1 && !label.empty()) return head + ":" + BareOrQuoted(label);
        }
        return head + "@" + std::to_string(t);
    }

    // The value of a parameter, or nothing when it is what an omitted one gives.
    std::optional<std::string> Value(int32_t i, const ParamSpec& p) {
        const TCommand& cmd = *page_.At(i);
        const TCommandField& f = cmd.Field(size_t(p.Field));
        switch (p.Kind) {
            case ParamKind::Expr:
                if (f.Expr.Ops.empty()) return std::nullopt;
                return ExprSource(f.Expr);
            case ParamKind::Cond:
                if (ExprBytes(f.Expr) == DefaultConditionBytes()) return std::nullopt;
                return ExprSource(f.Expr);
            case ParamKind::Str:
                if (f.Text.empty()) return std::nullopt;
                return BareOrQuoted(f.Text);
            case ParamKind::Int:
                if (f.Num == 0) return std::nullopt;
                return std::to_string(f.Num);
            case ParamKind::Byte: {
                if (f.Num == 0) return std::nullopt;
                const char* name = nullptr;
                if (cmd.GetType() == CC_VARNEW && std::string_view(p.Name) == "Type")
                    name = TypeName(f.Num);
                if (cmd.GetType() == CC_VARNEW && std::string_view(p.Name) == "Scope")
                    name = ScopeName(f.Num);
                return name ? std::string(name) : std::to_string(f.Num);
            }
            case ParamKind::Computed: {
                std::optional<int32_t> v = ComputeLoopIndex(page_, i);
                if (v && *v == f.Num) return std::nullopt;
                return std::to_string(f.Num);
            }
            case ParamKind::List: {
                if (f.List.empty()) return std::nullopt;
                std::string s = "[";
                for (size_t k = 0; k < f.List.size(); ++k)
                    s += (k ? ", " : "") + ExprSource(f.List[k]);
                return s + "]";
            }
            case ParamKind::Target: {
                const TCommandField& idx = cmd.Field(size_t(p.IndexField));
                bool hasIndex =
                    idx.Present &&
                    page_.Version >=
                        GetCommandInfo(cmd.GetType())->fields[p.IndexField].sinceVersion;
                if (f.Text.empty() && (!hasIndex || idx.Num == 0)) return std::nullopt;
                return Target(f.Text, hasIndex ? &idx : nullptr);
            }
            case ParamKind::Block:
            case ParamKind::Props:
                break;
        }
        return std::nullopt;
    }

    void Command(int32_t i) {
        const TCommand& cmd = *page_.At(i);
        uint8_t code = cmd.GetType();
        std::vector<std::string> flags;
        if (cmd.HighTypeBit) {
            char type[16];
            std::snprintf(type, sizeof type, "type=0x%02X", unsigned(code | 0x80));
            flags.push_back(type);
        }
        if (cmd.Disabled == 1) flags.push_back("disabled");
        if (cmd.Disabled > 1) flags.push_back("disabled=" + std::to_string(cmd.Disabled));
        if (cmd.RunNext == 0) flags.push_back("yield");
        if (cmd.RunNext > 1) flags.push_back("runnext=" + std::to_string(cmd.RunNext));
        if (cmd.LineNo != i + 1) flags.push_back("line=" + std::to_string(cmd.LineNo));
        bool odd =
            cmd.Indent < 0 || cmd.Indent > kMaxShownIndent || !CheckNesting(page_, i).empty();
        if (odd) flags.push_back("indent=" + std::to_string(cmd.Indent));
        // A depth given as a flag is shown where the block checks would have put it.
        const TCommand* prev = page_.At(i - 1);
        int32_t shown = std::clamp<int32_t>(
            odd ? std::min(cmd.Indent, prev ? prev->Indent + 1 : 0) : cmd.Indent, 0,
            kMaxShownIndent);
        std::string pad(size_t(shown) * 4, ' ');

        std::string line = pad;
        if (!flags.empty()) {
            line += "[";
            for (size_t k = 0; k < flags.size(); ++k) line += (k ? ", " : "") + flags[k];
            line += "] ";
        }
        line += CommandName(code);

        std::vector<std::string> values;
        bool gap = false;
        const TCommandField* block = nullptr;
        const TCommandField* props = nullptr;
        for (const ParamSpec& p : CommandParams(code)) {
            const TCommandField& f = cmd.Field(size_t(p.Field));
            if (!f.Present || page_.Version < GetCommandInfo(code)->fields[p.Field].sinceVersion)
                continue;
            if (p.Kind == ParamKind::Block) {
                block = &f;
                continue;
            }
            if (p.Kind == ParamKind::Props) {
                props = &f;
                continue;
            }
            std::optional<std::string> v = Value(i, p);
            if (!v) {
                gap = true;
                continue;
            }
            // An expression that begins like "Word:" would be read as a named value in its
            // place; it is written named, and so is everything after it.
            if (!gap && p.Kind != ParamKind::Str && p.Kind != ParamKind::Target && LooksNamed(*v))
                gap = true;
            values.push_back(gap ? std::string(p.Name) + ": " + *v : *v);
        }
        std::vector<std::string> textLines;
        if (block && !block->Text.empty() && !TextLines(block->Text, textLines)) {
            textLines.clear();
            values.push_back("TextBlock: " +
                             Raw(std::vector<uint8_t>(block->Text.begin(), block->Text.end())));
        }
        std::vector<std::string> propValues;
        if (props)
            for (size_t k = 0; k < props->List.size(); ++k)
                propValues.push_back(std::string(PropertyName(props->PropIndex[k])) + ": " +
                                     PropSource(props->PropIndex[k], props->List[k]));

        for (size_t k = 0; k < values.size(); ++k) line += (k ? ", " : " ") + values[k];
        // Properties one to a line, continued by the comma at the end of the line before.
        for (size_t k = 0; k < propValues.size(); ++k) {
            if (k == 0 && values.empty()) {
                line += " " + propValues[k];
                continue;
            }
            line += ",\n" + pad + "    " + propValues[k];
        }
        out_ += line + "\n";
        for (const std::string& t : textLines)
            out_ += pad + "    |" + (t.empty() ? "" : " " + t) + "\n";
    }

    const TPage& page_;
    const PageLookup& lookup_;
    std::string out_;
};

}  // namespace

namespace {

// Whether CP932 expression text compiles into exactly these bytes.
bool Reproduces(const std::string& cp, const std::vector<uint8_t>& bytes) {
    try {
        TVeskParser again;
        CompileExpr(cp, again);
        return ExprBytes(again) == bytes;
    } catch (const VeskError&) {
        return false;
    }
}

// The grouping parentheses of an expression text (not those of calls), as index pairs.
std::vector<std::pair<size_t, size_t>> GroupingParens(const std::string& cp) {
    std::vector<std::pair<size_t, size_t>> pairs;
    std::vector<std::pair<size_t, bool>> open;  // position, grouping
    for (size_t i = 0; i < cp.size(); i += CharLenAt(cp, i)) {
        char c = cp[i];
        if (c == '"') {
            for (++i; i < cp.size() && cp[i] != '"'; i += CharLenAt(cp, i))
                if (cp[i] == '\\') ++i;
        } else if (c == '(') {
            size_t j = i;
            while (j > 0 && cp[j - 1] == ' ') --j;
            bool call =
                j > 0 && (std::isalnum(static_cast<unsigned char>(cp[j - 1])) || cp[j - 1] == '_' ||
                          static_cast<unsigned char>(cp[j - 1]) >= 0x80);
            open.push_back({i, !call});
        } else if (c == ')' && !open.empty()) {
            if (open.back().second) pairs.push_back({open.back().first, i});
            open.pop_back();
        }
    }
    return pairs;
}

}  // namespace

std::string ExprSource(const TVeskParser& expr) {
    if (expr.Ops.empty()) return "{}";
    std::vector<uint8_t> bytes = ExprBytes(expr);
    std::string cp = ExprToText(expr), utf8;
    bool ok = !cp.empty() && TryCp932ToUtf8(cp, utf8) && utf8[0] != '{' && utf8[0] != '[' &&
              std::none_of(utf8.begin(), utf8.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    std::string back;
    ok = ok && TryUtf8ToCp932(utf8, back) && back == cp && StandsAlone(utf8);
    if (!ok) return Raw(bytes);
    if (Reproduces(cp, bytes)) return utf8;
    // The folded text may group more than the source did, which numbers the temporaries
    // differently: try it with fewer of its parentheses, fewest removed first.
    if (cp.size() > 4096) return Raw(bytes);
    auto pairs = GroupingParens(cp);
    const size_t n = std::min<size_t>(pairs.size(), 10);
    std::vector<uint32_t> masks;
    for (uint32_t m = 1; m < (1u << n); ++m) masks.push_back(m);
    std::stable_sort(masks.begin(), masks.end(), [](uint32_t a, uint32_t b) {
        return __builtin_popcount(a) < __builtin_popcount(b);
    });
    // Each try compiles the whole text again: a bounded number of them keeps a long
    // expression from taking minutes; what is not found is written raw.
    constexpr size_t kMaxTries = 64;
    if (masks.size() > kMaxTries) masks.resize(kMaxTries);
    for (uint32_t m : masks) {
        std::string t;
        std::vector<bool> drop(cp.size(), false);
        for (size_t k = 0; k < n; ++k)
            if (m >> k & 1) drop[pairs[k].first] = drop[pairs[k].second] = true;
        for (size_t i = 0; i < cp.size(); ++i)
            if (!drop[i]) t += cp[i];
        if (Reproduces(t, bytes)) return Cp932ToUtf8(t);
    }
    return Raw(bytes);
}

std::string DecompilePage(const TPage& page, const PageLookup& lookup) {
    return PageWriter(page, lookup).Run();
}

}  // namespace vesk::scriptc
