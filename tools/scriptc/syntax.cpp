#include "scriptc/syntax.h"

#include "base/text_trim.h"

#include <array>
#include <cctype>
#include <cstring>

#include "base/cp932.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page.h"

namespace vesk::scriptc {

namespace {

bool CondByDefault(uint8_t code) {
    return code == CC_JUMP || code == CC_CALL || code == CC_EXIT || code == CC_BREAK ||
           code == CC_CONTINUE;
}

bool IsComputed(uint8_t code, std::string_view field) {
    return (code == CC_WHILE && field == "End") || (code == CC_WHILELOOP && field == "Start") ||
           ((code == CC_BREAK || code == CC_CONTINUE) && field == "Target");
}

std::vector<ParamSpec> BuildParams(uint8_t code) {
    const CommandInfo* info = GetCommandInfo(code);
    std::vector<ParamSpec> out;
    for (int i = 0; i < info->fieldCount; ++i) {
        const FieldSpec& f = info->fields[i];
        std::string_view name = f.name;
        bool pageField = name == "Page" || name == "LoadPage";
        if (pageField && i + 1 < info->fieldCount) {
            std::string_view next = info->fields[i + 1].name;
            if (next == "Target" || next == "LoadTarget") {
                out.push_back({ParamKind::Target, f.name, i, i + 1});
                ++i;
                continue;
            }
        }
        ParamKind kind = ParamKind::Expr;
        switch (f.kind) {
            case FieldKind::Expr:
                kind =
                    name == "Condition" && CondByDefault(code) ? ParamKind::Cond : ParamKind::Expr;
                break;
            case FieldKind::Str:
                kind = ParamKind::Str;
                break;
            case FieldKind::Int:
                kind = IsComputed(code, name) ? ParamKind::Computed : ParamKind::Int;
                break;
            case FieldKind::Byte:
                kind = ParamKind::Byte;
                break;
            case FieldKind::ExprList:
                kind = ParamKind::List;
                break;
            case FieldKind::Block:
                kind = ParamKind::Block;
                break;
            case FieldKind::Props:
                kind = ParamKind::Props;
                break;
        }
        out.push_back({kind, f.name, i});
    }
    return out;
}

const char* const kTypeNames[] = {nullptr, "int", "float", "flag", "string"};
const char* const kScopeNames[] = {"global", "auto", "local", "status"};

// Characters a bare text may hold besides letters, digits and anything non-ASCII.
bool BareChar(unsigned char c) {
    return c >= 0x80 || std::isalnum(c) || std::strchr("_.\\/-", c) != nullptr;
}

}  // namespace

const std::vector<ParamSpec>& CommandParams(uint8_t code) {
    static const std::array<std::vector<ParamSpec>, kCommandTypeCount> table = [] {
        std::array<std::vector<ParamSpec>, kCommandTypeCount> t;
        for (int c = 0; c < kCommandTypeCount; ++c) t[size_t(c)] = BuildParams(uint8_t(c));
        return t;
    }();
    static const std::vector<ParamSpec> none;
    return code < kCommandTypeCount ? table[code] : none;
}

int FindCommandNameNoCase(std::string_view name) {
    for (int c = 0; c < kCommandTypeCount; ++c)
        if (SameTextAscii(name, CommandName(uint8_t(c)))) return c;
    return -1;
}

// ---- literals

std::string QuoteText(std::string_view cp932) {
    std::string out = "\"";
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto hexByte = [&](unsigned char b) {
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 15];
    };
    for (size_t i = 0; i < cp932.size();) {
        size_t len = CharLenAt(cp932, i);
        unsigned char c = static_cast<unsigned char>(cp932[i]);
        std::string_view ch = cp932.substr(i, len);
        i += len;
        if (len == 1 && c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += char(c);
            } else if (c == '\n') {
                out += "\\n";
            } else if (c == '\r') {
                out += "\\r";
            } else if (c == '\t') {
                out += "\\t";
            } else if (c < 0x20 || c == 0x7F) {
                hexByte(c);
            } else {
                out += char(c);
            }
            continue;
        }
        std::string utf8, back;
        if (TryCp932ToUtf8(ch, utf8) && TryUtf8ToCp932(utf8, back) && back == ch) {
            out += utf8;
        } else {
            for (char b : ch) hexByte(static_cast<unsigned char>(b));
        }
    }
    return out + "\"";
}

std::string BareOrQuoted(std::string_view cp932) {
    bool bare = !cp932.empty();
    for (char c : cp932) bare = bare && BareChar(static_cast<unsigned char>(c));
    if (bare) {
        std::string utf8, back;
        if (TryCp932ToUtf8(cp932, utf8) && TryUtf8ToCp932(utf8, back) && back == cp932) return utf8;
    }
    return QuoteText(cp932);
}

bool UnquoteText(std::string_view s, std::string& cp932, std::string& error) {
    cp932.clear();
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
        error = "a text must be enclosed in double quotes";
        return false;
    }
    std::string run;  // UTF-8 waiting for conversion
    auto flush = [&]() {
        std::string conv;
        if (!TryUtf8ToCp932(run, conv)) {
            error = "the text has characters without a Shift-JIS form";
            return false;
        }
        cp932 += conv;
        run.clear();
        return true;
    };
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            error = "a double quote inside a text must be written \\\"";
            return false;
        }
        if (c != '\\') {
            run += c;
            continue;
        }
        if (i + 1 >= s.size() - 1) {
            error = "the text ends with a lone backslash";
            return false;
        }
        char e = s[++i];
        switch (e) {
            case '"':
            case '\\':
                run += e;
                break;
            case 'n':
                run += '\n';
                break;
            case 'r':
                run += '\r';
                break;
            case 't':
                run += '\t';
                break;
            case 'x': {
                std::vector<uint8_t> b;
                if (i + 2 < s.size() - 1 && FromHex(s.substr(i + 1, 2), b)) {
                    if (!flush()) return false;
                    cp932 += char(b[0]);
                    i += 2;
                } else {
                    run += "\\x";
                }
                break;
            }
            default:
                // Other backslashes stay, as in the expression language: "data\bgm".
                run += '\\';
                run += e;
                break;
        }
    }
    return flush();
}

size_t QuoteEnd(std::string_view s, size_t i) {
    for (size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] == '\\')
            ++j;
        else if (s[j] == '"')
            return j;
    }
    return std::string_view::npos;
}

bool SplitTopLevel(std::string_view s, std::vector<Piece>& out, size_t& errorAt) {
    out.clear();
    int depth = 0;
    size_t start = 0;
    auto push = [&](size_t end) {
        std::string_view piece = s.substr(start, end - start);
        size_t lead = 0;
        while (lead < piece.size() && (piece[lead] == ' ' || piece[lead] == '\t')) ++lead;
        out.push_back({std::string(Trim(piece)), start + lead});
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            size_t e = QuoteEnd(s, i);
            if (e == std::string_view::npos) {
                errorAt = i;
                return false;
            }
            i = e;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth > 0) --depth;
        } else if (c == ',' && depth == 0) {
            push(i);
            start = i + 1;
        }
    }
    push(s.size());
    if (out.size() == 1 && out[0].Text.empty()) out.clear();
    return true;
}

std::string ToHex(const uint8_t* data, size_t size) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 15];
    }
    return out;
}

bool FromHex(std::string_view hex, std::vector<uint8_t>& out) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    out.clear();
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(uint8_t(hi * 16 + lo));
    }
    return true;
}

bool ParseInt(std::string_view s, int64_t& out) {
    bool neg = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : 99;
        if (d >= base) return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFll) return false;
    }
    out = neg ? -v : v;
    return true;
}

int FindTypeName(std::string_view s) {
    for (int i = 1; i <= 4; ++i)
        if (SameTextAscii(s, kTypeNames[i])) return i;
    if (SameTextAscii(s, "integer")) return 1;
    if (SameTextAscii(s, "real")) return 2;
    if (SameTextAscii(s, "bool")) return 3;
    if (SameTextAscii(s, "str")) return 4;
    return -1;
}

int FindScopeName(std::string_view s) {
    for (int i = 0; i <= 3; ++i)
        if (SameTextAscii(s, kScopeNames[i])) return i;
    return -1;
}

const char* TypeName(int type) {
    return type >= 1 && type <= 4 ? kTypeNames[type] : nullptr;
}

const char* ScopeName(int scope) {
    return scope >= 0 && scope <= 3 ? kScopeNames[scope] : nullptr;
}

// ---- expressions

std::vector<uint8_t> ExprBytes(const TVeskParser& p) {
    MemoryStream m;
    p.SaveToStream(m);
    return std::move(m.Bytes());
}

const std::vector<uint8_t>& DefaultConditionBytes() {
    static const std::vector<uint8_t> bytes = [] {
        TVeskParser p;
        CompileExpr("TRUE", p);
        return ExprBytes(p);
    }();
    return bytes;
}

// ---- nesting

bool OpensBlock(uint8_t code) {
    return code == CC_IF || code == CC_ELSEIF || code == CC_ELSE || code == CC_WHILE;
}

namespace {

// The nearest command before `index` at `indent` or shallower, or -1.
int32_t PreviousAtOrAbove(const TPage& page, int32_t index, int32_t indent) {
    for (int32_t j = index - 1; j >= 0; --j)
        if (page.At(j)->Indent <= indent) return j;
    return -1;
}

// The index after a While's block, its closing WhileLoop included.
int32_t LoopEnd(const TPage& page, int32_t w) {
    int32_t indent = page.At(w)->Indent;
    int32_t j = w + 1;
    while (j < page.Count() && page.At(j)->Indent > indent) ++j;
    if (j < page.Count() && page.At(j)->GetType() == CC_WHILELOOP && page.At(j)->Indent == indent)
        ++j;
    return j;
}

// The While whose block holds command `index`, or -1.
int32_t EnclosingLoop(const TPage& page, int32_t index) {
    int32_t indent = page.At(index)->Indent;
    for (int32_t j = index - 1; j >= 0; --j) {
        const TCommand* c = page.At(j);
        if (c->Indent >= indent) continue;
        if (c->GetType() == CC_WHILE) return j;
        indent = c->Indent;
    }
    return -1;
}

}  // namespace

std::optional<int32_t> ComputeLoopIndex(const TPage& page, int32_t index) {
    const TCommand* cmd = page.At(index);
    switch (cmd->GetType()) {
        case CC_WHILE:
            return LoopEnd(page, index);
        case CC_WHILELOOP: {
            int32_t j = PreviousAtOrAbove(page, index, cmd->Indent);
            if (j >= 0 && page.At(j)->GetType() == CC_WHILE && page.At(j)->Indent == cmd->Indent)
                return j;
            return std::nullopt;
        }
        case CC_BREAK:
        case CC_CONTINUE: {
            int32_t w = EnclosingLoop(page, index);
            if (w < 0) return std::nullopt;
            int32_t end = LoopEnd(page, w);
            if (cmd->GetType() == CC_BREAK) return end;
            // Continue goes through the closing WhileLoop, so a counting loop counts on.
            const TCommand* last = page.At(end - 1);
            return last->GetType() == CC_WHILELOOP && end - 1 != index &&
                           last->Indent == page.At(w)->Indent
                       ? end - 1
                       : w;
        }
        default:
            return std::nullopt;
    }
}

std::string CheckNesting(const TPage& page, int32_t index) {
    const TCommand* cmd = page.At(index);
    const TCommand* prev = page.At(index - 1);
    int32_t prevIndent = prev ? prev->Indent : 0;
    if (cmd->Indent < 0) return "a negative nesting depth";
    if (cmd->Indent > prevIndent) {
        if (!prev || !OpensBlock(prev->GetType()))
            return "indented deeper than the command before, which opens no block";
        if (cmd->Indent != prevIndent + 1) return "indented more than one level deeper";
    }
    uint8_t code = cmd->GetType();
    if (code == CC_ELSEIF || code == CC_ELSE) {
        int32_t j = PreviousAtOrAbove(page, index, cmd->Indent);
        uint8_t opener = j >= 0 ? page.At(j)->GetType() : 0xFF;
        if (j < 0 || page.At(j)->Indent != cmd->Indent || (opener != CC_IF && opener != CC_ELSEIF))
            return std::string(CommandName(code)) + " without an If or Elseif before it";
    }
    return {};
}

bool StandsAlone(std::string_view value) {
    std::vector<Piece> pieces;
    size_t bad = 0;
    if (!SplitTopLevel(value, pieces, bad) || pieces.size() != 1 || pieces[0].Text != value)
        return false;
    int depth = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            i = QuoteEnd(value, i);
        else if (c == '(' || c == '[' || c == '{')
            ++depth;
        else if ((c == ')' || c == ']' || c == '}') && depth > 0)
            --depth;
    }
    return depth == 0;
}

bool LooksNamed(std::string_view value) {
    auto ident = [](char c, bool first) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
               (!first && std::isdigit(static_cast<unsigned char>(c)));
    };
    size_t k = 0;
    while (k < value.size() && ident(value[k], k == 0)) ++k;
    if (k == 0) return false;
    while (k < value.size() && value[k] == ' ') ++k;
    return k < value.size() && value[k] == ':';
}

}  // namespace vesk::scriptc
