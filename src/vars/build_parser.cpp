#include "vars/build_parser.h"

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "base/text_trim.h"
#include "vars/conv.h"
#include "vars/param.h"
#include "vars/sys_func_table.h"

namespace vesk {

namespace {

const char* const kOpeNames[] = {
    "ocNone",  "ocTo",   "ocPlus",   "ocMinus",  "ocMul",    "ocDiv",      "ocMod",
    "ocOr",    "ocAnd",  "ocXor",    "ocDimTo",  "ocFunc",   "ocEqual",    "ocBig",
    "ocSmall", "ocEBig", "ocESmall", "ocShiftL", "ocShiftR", "ocComboStr", "ocNEqual"};

[[noreturn]] void SyntaxError() {
    Fail(VESK_JP("構文エラー"));
}

// One character of CP932 text: its byte offset and length.
struct Ch {
    size_t pos;
    size_t len;
};

std::vector<Ch> Chars(const std::string& s) {
    std::vector<Ch> v;
    for (size_t i = 0; i < s.size();) {
        size_t n = CharLenAt(s, i);
        v.push_back({i, n});
        i += n;
    }
    return v;
}

// The single-byte character at index k, or 0 for a double-byte one.
char At(const std::string& s, const std::vector<Ch>& c, size_t k) {
    return c[k].len == 1 ? s[c[k].pos] : '\0';
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Characters that make an argument an expression of its own.
bool IsArgOperator(char c) {
    return c != '\0' && std::strchr("+-*/%|&^=[](),<>", c) != nullptr;
}
// Characters that end an array name.
bool IsNameBreak(char c) {
    return IsBlank(c) || IsArgOperator(c);
}
bool IsTokenOperator(char c) {
    return c != '\0' && std::strchr("%&*+-/<=>^|", c) != nullptr;
}

// Matches every open bracket with its close bracket; raises on imbalance. Returns, for each
// character index holding `open`, the index of its partner (others hold SIZE_MAX).
std::vector<size_t> Pair(const std::string& s, const std::vector<Ch>& c, char open, char close) {
    std::vector<size_t> partner(c.size(), SIZE_MAX);
    std::vector<size_t> stack;
    for (size_t k = 0; k < c.size(); ++k) {
        char ch = At(s, c, k);
        if (ch == open) {
            stack.push_back(k);
        } else if (ch == close) {
            if (stack.empty()) SyntaxError();
            partner[stack.back()] = k;
            stack.pop_back();
        }
    }
    if (!stack.empty()) SyntaxError();
    return partner;
}

// Splits at the commas that are not inside square brackets.
std::vector<std::string> SplitArgs(const std::string& s) {
    std::vector<std::string> out;
    auto c = Chars(s);
    int depth = 0;
    size_t start = 0;
    for (size_t k = 0; k < c.size(); ++k) {
        char ch = At(s, c, k);
        if (ch == '[') {
            ++depth;
        } else if (ch == ']') {
            if (--depth < 0) SyntaxError();
        } else if (ch == ',' && depth == 0) {
            out.push_back(s.substr(start, c[k].pos - start));
            start = c[k].pos + 1;
        }
    }
    if (depth != 0) SyntaxError();
    out.push_back(s.substr(start));
    return out;
}

// Strips parentheses enclosing the whole text, as often as they do.
std::string StripParens(std::string s) {
    for (;;) {
        if (s.size() < 2 || s.front() != '(' || s.back() != ')') return s;
        auto c = Chars(s);
        int depth = 0;
        bool closesEarly = false;
        for (size_t k = 0; k + 1 < c.size(); ++k) {
            char ch = At(s, c, k);
            if (ch == '(') ++depth;
            if (ch == ')') --depth;
            if (depth == 0) {
                closesEarly = true;
                break;
            }
        }
        if (closesEarly) return s;
        s = s.substr(1, s.size() - 2);
    }
}

bool HasArgOperator(const std::string& s) {
    auto c = Chars(s);
    for (size_t k = 0; k < c.size(); ++k)
        if (IsArgOperator(At(s, c, k))) return true;
    return false;
}

// Index of the nearest non-blank character left of k, or SIZE_MAX.
size_t LeftNonBlank(const std::string& s, const std::vector<Ch>& c, size_t k) {
    while (k > 0) {
        --k;
        if (!IsBlank(At(s, c, k))) return k;
    }
    return SIZE_MAX;
}

bool StartsWithAny(const std::string& tok, const char* set) {
    return !tok.empty() && std::strchr(set, tok[0]) != nullptr;
}

uint8_t CodeOf(const std::string& op) {
    static const struct {
        const char* text;
        uint8_t code;
    } kOps[] = {{"=", ocTo},        {"+", ocPlus},    {"-", ocMinus},   {"*", ocMul},
                {"/", ocDiv},       {"%", ocMod},     {"|", ocOr},      {"&", ocAnd},
                {"^", ocXor},       {"==", ocEqual},  {">", ocBig},     {"<", ocSmall},
                {">=", ocEBig},     {"<=", ocESmall}, {"<<", ocShiftL}, {">>", ocShiftR},
                {"++", ocComboStr}, {"<>", ocNEqual}};
    for (const auto& o : kOps)
        if (op == o.text) return o.code;
    return ocNone;
}

// Precedence level of an operator token (1 binds tightest), 0 for an operand.
int LevelOf(const std::string& t) {
    if (t == "*" || t == "/" || t == "%") return 1;
    if (t == "+" || t == "-") return 2;
    if (t == "<<" || t == ">>") return 3;
    if (t == "==" || t == ">=" || t == "<=" || t == ">" || t == "<" || t == "<>") return 4;
    if (t == "++") return 5;
    if (t == "&") return 6;
    if (t == "^") return 7;
    if (t == "|") return 8;
    if (t == "=") return 9;
    return 0;
}

bool IsTempName(const std::string& s) {
    return s.rfind("____", 0) == 0;
}
bool IsElemTempName(const std::string& s) {
    return s.rfind("____d_", 0) == 0;
}

}  // namespace

const char* OpeCodeName(uint8_t code) {
    return code <= kLastOpeCode ? kOpeNames[code] : nullptr;
}

std::string TBuildVeskParser::NewTemp() {
    return "____" + std::to_string(counter_++);
}
std::string TBuildVeskParser::NewElemTemp() {
    return "____d_" + std::to_string(counter_++);
}

void TBuildVeskParser::AddArgument(TBuildOpeData& op, std::string arg) {
    arg = std::string(Trim(StripParens(std::string(Trim(arg)))));
    if (!arg.empty() && HasArgOperator(arg)) {
        std::string u = NewTemp();
        CompileText(u + " = " + arg);
        op.Operands.push_back(u);
    } else {
        op.Operands.push_back(arg);
    }
}

void TBuildVeskParser::Compile(std::string_view text) {
    CompileText(std::string(text));
    // Copy removal: a temporary that only copies another temporary is replaced by it.
    for (size_t i = 0; i < Ops.size();) {
        const TBuildOpeData& op = Ops[i];
        if (op.Code == ocTo && op.Operands.size() == 1) {
            const std::string& d = op.Dest;
            const std::string& src = op.Operands[0];
            if (IsTempName(d) && IsTempName(src) && !IsElemTempName(d) && !IsElemTempName(src) &&
                d != "____arg" && src != "____arg") {
                std::string from = d, to = src;
                Ops.erase(Ops.begin() + std::ptrdiff_t(i));
                for (size_t k = i; k < Ops.size(); ++k) {
                    if (Ops[k].Dest == from) Ops[k].Dest = to;
                    for (auto& o : Ops[k].Operands)
                        if (o == from) o = to;
                }
                continue;
            }
        }
        ++i;
    }
}

void TBuildVeskParser::CompileText(std::string text) {
    // 1. String literals become temporaries assigned from the decoded literal.
    for (;;) {
        auto c = Chars(text);
        size_t k = 0;
        while (k < c.size() && At(text, c, k) != '"') ++k;
        if (k == c.size()) break;
        std::string lit;
        size_t j = k + 1;
        bool closed = false;
        while (j < c.size()) {
            char ch = At(text, c, j);
            if (ch == '\\' && j + 1 < c.size()) {
                char nx = At(text, c, j + 1);
                if (nx == '"' || nx == '\\') {
                    lit += nx;
                    j += 2;
                    continue;
                }
                if (nx == 'n') {
                    lit += "\r\n";
                    j += 2;
                    continue;
                }
            }
            if (ch == '"') {
                closed = true;
                break;
            }
            lit += text.substr(c[j].pos, c[j].len);
            ++j;
        }
        if (!closed) SyntaxError();
        std::string t = NewTemp();
        Ops.push_back({ocTo, t, {"\"" + lit + "\""}});
        text = text.substr(0, c[k].pos) + t + text.substr(c[j].pos + 1);
    }

    // 2. Function calls, innermost (last) first.
    for (;;) {
        auto c = Chars(text);
        auto partner = Pair(text, c, '(', ')');
        size_t open = SIZE_MAX;
        for (size_t k = c.size(); k-- > 0;) {
            if (At(text, c, k) != '(') continue;
            size_t l = LeftNonBlank(text, c, k);
            if (l != SIZE_MAX && IsNameChar(At(text, c, l))) {
                open = k;
                break;
            }
        }
        if (open == SIZE_MAX) break;
        size_t nameEnd = LeftNonBlank(text, c, open);
        size_t nameStart = nameEnd;
        while (nameStart > 0 && IsNameChar(At(text, c, nameStart - 1))) --nameStart;
        std::string name = text.substr(c[nameStart].pos, c[nameEnd].pos + 1 - c[nameStart].pos);
        size_t close = partner[open];
        std::string inside = text.substr(c[open].pos + 1, c[close].pos - c[open].pos - 1);
        TBuildOpeData op{ocFunc, NewTemp(), {std::string(Trim(name))}};
        if (!Trim(inside).empty())
            for (auto& a : SplitArgs(inside)) AddArgument(op, a);
        std::string dest = op.Dest;
        Ops.push_back(std::move(op));
        text = text.substr(0, c[nameStart].pos) + dest + text.substr(c[close].pos + 1);
    }

    // 3. Array elements, innermost (last) first.
    for (;;) {
        auto c = Chars(text);
        auto partner = Pair(text, c, '[', ']');
        size_t open = SIZE_MAX;
        for (size_t k = c.size(); k-- > 0;)
            if (At(text, c, k) == '[') {
                open = k;
                break;
            }
        if (open == SIZE_MAX) break;
        size_t nameEnd = LeftNonBlank(text, c, open);
        if (nameEnd == SIZE_MAX || IsArgOperator(At(text, c, nameEnd))) SyntaxError();
        size_t nameStart = nameEnd;
        while (nameStart > 0 && !IsNameBreak(At(text, c, nameStart - 1))) --nameStart;
        std::string name =
            text.substr(c[nameStart].pos, c[nameEnd].pos + c[nameEnd].len - c[nameStart].pos);
        size_t close = partner[open];
        std::string inside = text.substr(c[open].pos + 1, c[close].pos - c[open].pos - 1);
        if (Trim(inside).empty()) Fail(VESK_JP("配列の添え字が不正です"));
        TBuildOpeData op{ocDimTo, NewElemTemp(), {name}};
        for (auto& a : SplitArgs(inside)) AddArgument(op, a);
        std::string dest = op.Dest;
        Ops.push_back(std::move(op));
        text = text.substr(0, c[nameStart].pos) + dest + text.substr(c[close].pos + 1);
    }

    // 4. Parentheses that group.
    for (;;) {
        auto c = Chars(text);
        auto partner = Pair(text, c, '(', ')');
        size_t open = SIZE_MAX;
        for (size_t k = c.size(); k-- > 0;) {
            if (At(text, c, k) != '(') continue;
            size_t l = LeftNonBlank(text, c, k);
            if (l == SIZE_MAX || !IsNameChar(At(text, c, l))) {
                open = k;
                break;
            }
        }
        if (open == SIZE_MAX) break;
        size_t close = partner[open];
        std::string inner = text.substr(c[open].pos + 1, c[close].pos - c[open].pos - 1);
        std::string t = NewTemp();
        CompileText(t + " = " + inner);
        text = text.substr(0, c[open].pos) + t + text.substr(c[close].pos + 1);
    }

    // 5. Tokens.
    std::vector<std::string> tokens;
    {
        auto c = Chars(text);
        std::string cur;
        auto flush = [&] {
            std::string t(Trim(cur));
            if (!t.empty()) tokens.push_back(t);
            cur.clear();
        };
        for (size_t k = 0; k < c.size(); ++k) {
            char ch = At(text, c, k);
            if (!IsTokenOperator(ch)) {
                cur += text.substr(c[k].pos, c[k].len);
                continue;
            }
            flush();
            std::string op(1, ch);
            if (k + 1 < c.size()) {
                std::string two = op + At(text, c, k + 1);
                if (two == "==" || two == ">=" || two == "<=" || two == "++" || two == "<>" ||
                    two == "<<" || two == ">>") {
                    op = two;
                    ++k;
                }
            }
            tokens.push_back(op);
        }
        flush();
    }
    if (tokens.empty()) {
        Ops.push_back({ocTo, "____arg", {text}});
        return;
    }

    // 6. Unary signs after an operator.
    for (size_t i = tokens.size() >= 3 ? tokens.size() - 2 : 0; i >= 1; --i) {
        const std::string& t = tokens[i];
        if ((t == "+" || t == "-") && StartsWithAny(tokens[i - 1], "=+-*/%&^|[(,<>")) {
            if (t == "+") {
                tokens.erase(tokens.begin() + std::ptrdiff_t(i));
            } else {
                std::string tmp = NewTemp();
                Ops.push_back({ocMinus, tmp, {"0", tokens[i + 1]}});
                tokens[i] = tmp;
                tokens.erase(tokens.begin() + std::ptrdiff_t(i) + 1);
            }
        }
    }

    // 7. Reduction by precedence, left to right within a level.
    bool assigned = false;
    while (!tokens.empty()) {
        int best = 0;
        size_t at = 0;
        for (size_t i = 0; i < tokens.size(); ++i) {
            int lv = LevelOf(tokens[i]);
            if (lv != 0 && (best == 0 || lv < best)) {
                best = lv;
                at = i;
            }
        }
        if (best == 0) {
            if (assigned || tokens.size() > 1) SyntaxError();
            Ops.push_back({ocTo, "____arg", {tokens[0]}});
            break;
        }
        const std::string op = tokens[at];
        if (at + 1 >= tokens.size() || LevelOf(tokens[at + 1]) != 0) SyntaxError();
        if (op == "=") {
            if (at == 0) SyntaxError();
            Ops.push_back({ocTo, tokens[at - 1], {tokens[at + 1]}});
            tokens.erase(tokens.begin() + std::ptrdiff_t(at) - 1,
                         tokens.begin() + std::ptrdiff_t(at) + 2);
            assigned = true;
        } else if (at == 0) {
            if (op != "+" && op != "-") SyntaxError();
            std::string tmp = NewTemp();
            Ops.push_back({CodeOf(op), tmp, {"0", tokens[1]}});
            tokens[0] = tmp;
            tokens.erase(tokens.begin() + 1);
        } else {
            if (StartsWithAny(tokens[at - 1], "+-*/%|&^=[(<>")) SyntaxError();
            std::string tmp = NewTemp();
            Ops.push_back({CodeOf(op), tmp, {tokens[at - 1], tokens[at + 1]}});
            tokens[at - 1] = tmp;
            tokens.erase(tokens.begin() + std::ptrdiff_t(at),
                         tokens.begin() + std::ptrdiff_t(at) + 2);
        }
    }
}

void TBuildVeskParser::SaveToStream(Stream& s) const {
    StreamWriter w(s);
    w.I32(int32_t(Ops.size()));
    for (const auto& op : Ops) {
        w.U8(op.Code);
        w.Str(op.Dest);
        size_t first = 0;
        if (op.Code == ocFunc) {
            const std::string& name = op.Operands.empty() ? std::string() : op.Operands[0];
            int idx = FindSysFunc(name);
            if (idx < 0) {
                std::string msg = VESK_JP("\"%s\" 関数名がありません");
                msg.replace(msg.find("%s"), 2, name);
                Fail(msg);
            }
            int m = int(op.Operands.size()) - 1;
            const SysFuncInfo& f = kSysFuncs[idx];
            if ((f.minArgs >= 0 && m < f.minArgs) || (f.maxArgs >= 0 && m > f.maxArgs))
                Fail(name + VESK_JP(" 引数の数が不正です"));
            w.I32(m);
            w.U8(uint8_t(idx));
            first = 1;
        } else {
            w.I32(int32_t(op.Operands.size()));
        }
        for (size_t k = first; k < op.Operands.size(); ++k) {
            const std::string& t = op.Operands[k];
            int32_t n;
            Real x;
            if (TryStrToInt(t, n)) {
                w.U8(PT_INT);
                w.I32(n);
            } else if (TryStrToReal(t, x)) {
                w.U8(PT_FLOAT);
                w.Ext(x);
            } else if (t == "TRUE" || t == "FALSE") {
                w.U8(PT_BOOL);
                w.U8(t == "TRUE");
            } else if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
                w.U8(PT_STR);
                w.Str(std::string_view(t).substr(1, t.size() - 2));
            } else {
                w.U8(PT_NONE);
                w.Str(t);
            }
        }
    }
}

}  // namespace vesk
