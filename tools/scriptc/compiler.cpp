#include "scriptc/compiler.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "base/text_trim.h"
#include "script/page_builder.h"
#include "scriptc/syntax.h"
#include "text/glyph_list.h"

namespace vesk::scriptc {

namespace {

constexpr int kIndentWidth = 4;

// One logical line: a command with its continuation lines joined, or one text line.
struct Line {
    std::string text;
    std::vector<SourceLoc> at;  // the source position of every byte, and one past the end
    int indentCols = 0;
    bool isText = false;
    SourceLoc start;  // where the line's content starts
};

struct Arg {
    std::string text;
    size_t at = 0;  // offset in the line
};

struct PendingTarget {
    int32_t cmd;
    const ParamSpec* param;
    std::string page;
    std::string label;
    SourceLoc loc;
};

struct PendingLoop {
    int32_t cmd;
    int field;
    SourceLoc loc;
};

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The command name a misspelt one most likely means (at most two letters off), or empty.
std::string NearestCommandName(const std::string& word) {
    std::string best;
    size_t bestCost = 3;
    std::string w = LowerAscii(word);
    for (int c = 0; c < kCommandTypeCount; ++c) {
        std::string n = LowerAscii(CommandName(uint8_t(c)));
        // Edit distance, one row at a time.
        std::vector<size_t> row(n.size() + 1);
        for (size_t j = 0; j <= n.size(); ++j) row[j] = j;
        for (size_t i = 1; i <= w.size(); ++i) {
            size_t diag = row[0];
            row[0] = i;
            for (size_t j = 1; j <= n.size(); ++j) {
                size_t up = row[j];
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (w[i - 1] != n[j - 1])});
                diag = up;
            }
        }
        if (row[n.size()] < bestCost) {
            bestCost = row[n.size()];
            best = CommandName(uint8_t(c));
        }
    }
    return best;
}

}  // namespace

struct TScriptCompiler::Unit {
    std::string file;
    std::string name;
    int32_t version = kPageVersionMax;
    TPageBuilder builder;
    std::vector<PendingTarget> targets;
    std::vector<PendingLoop> loops;
    std::vector<std::pair<uint8_t, int>> extraProps;
    // "@propset Count: ..., Size: ..., Rest: ...": the stored record layout, when given.
    std::optional<SourceLoc> layoutLoc;
    // The text lines below the last TextIns, not yet stored.
    std::vector<std::string> textLines;
    SourceLoc textLoc;
    bool textOpen = false;
    bool textBlockGiven = false;

    [[noreturn]] void Error(SourceLoc loc, const std::string& message) const {
        throw SourceError(file, loc, message);
    }

    void Parse(std::string_view text);
    std::vector<Line> Lines(std::string_view text);
    void Directive(const Line& l);
    void PropSetLayout(const Line& l, size_t from);
    void Command(const Line& l);
    void Flags(const Line& l, size_t& i, TCommand& cmd, bool& indentGiven);
    std::vector<Arg> Split(const Line& l, size_t from, size_t to);
    void SetParam(const Line& l, int32_t index, const ParamSpec& p, const Arg& a);
    void ExprValue(const Line& l, const Arg& a, TVeskParser& out);
    std::string StrValue(const Line& l, const Arg& a);
    int64_t IntValue(const Line& l, const Arg& a);
    void CloseText();
    void FillLoops();
    bool Stored(uint8_t code, int field) const {
        return version >= GetCommandInfo(code)->fields[field].sinceVersion;
    }
    SourceLoc At(const Line& l, size_t i) const { return l.at[std::min(i, l.at.size() - 1)]; }
};

std::vector<Line> TScriptCompiler::Unit::Lines(std::string_view text) {
    std::vector<std::string_view> raw;
    for (size_t p = 0; p <= text.size();) {
        size_t e = text.find('\n', p);
        if (e == std::string_view::npos) e = text.size();
        std::string_view r = text.substr(p, e - p);
        if (!r.empty() && r.back() == '\r') r.remove_suffix(1);
        raw.push_back(r);
        p = e + 1;
    }
    std::vector<Line> out;
    // Appends raw line `n` from byte `from` to the logical line.
    auto append = [&](Line& l, size_t n, size_t from) {
        std::string_view r = raw[n];
        int col = 1;
        for (size_t k = 0; k < from; ++k)
            if ((static_cast<unsigned char>(r[k]) & 0xC0) != 0x80) ++col;
        for (size_t k = from; k < r.size(); ++k) {
            if (k > from && (static_cast<unsigned char>(r[k]) & 0xC0) != 0x80) ++col;
            l.text += r[k];
            l.at.push_back({int(n + 1), col});
        }
        l.at.push_back({int(n + 1), col + (r.size() > from ? 1 : 0)});
    };
    auto indentOf = [](std::string_view r, size_t& p) {
        int cols = 0;
        for (p = 0; p < r.size() && (r[p] == ' ' || r[p] == '\t'); ++p)
            cols = r[p] == '\t' ? (cols / kIndentWidth + 1) * kIndentWidth : cols + 1;
        return cols;
    };
    for (size_t n = 0; n < raw.size(); ++n) {
        size_t p = 0;
        int cols = indentOf(raw[n], p);
        std::string_view content = raw[n].substr(p);
        if (Trim(content).empty() || content.substr(0, 2) == "//") continue;
        Line l;
        l.indentCols = cols;
        l.start = {int(n + 1), int(p) + 1};
        if (content[0] == '|') {
            l.isText = true;
            size_t from = p + 1;
            if (from < raw[n].size() && raw[n][from] == ' ') ++from;
            append(l, n, from);
            out.push_back(std::move(l));
            continue;
        }
        append(l, n, p);
        // A line ending in a comma goes on in the next line that is not blank.
        for (;;) {
            char last = 0;
            for (size_t i = 0; i < l.text.size(); ++i) {
                char c = l.text[i];
                if (c == '"') {
                    size_t e = QuoteEnd(l.text, i);
                    if (e == std::string::npos) Error(l.at[i], "the text is not closed");
                    i = e;
                    last = '"';
                } else if (c != ' ' && c != '\t') {
                    last = c;
                }
            }
            if (last != ',' || n + 1 >= raw.size()) break;
            // Blank and comment lines between the parts are passed over.
            size_t m = n + 1;
            while (m < raw.size() && (Trim(raw[m]).empty() || Trim(raw[m]).rfind("//", 0) == 0))
                ++m;
            if (m >= raw.size()) break;
            n = m;
            size_t q = 0;
            indentOf(raw[n], q);
            l.text += ' ';
            l.at.pop_back();
            l.at.push_back({int(n + 1), 1});
            append(l, n, q);
        }
        out.push_back(std::move(l));
    }
    return out;
}

void TScriptCompiler::Unit::Parse(std::string_view text) {
    // Some editors start UTF-8 files with a byte order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    for (const Line& l : Lines(text)) {
        if (l.isText) {
            if (!textOpen) Error(l.start, "a text line (|) belongs below a TextIns command");
            std::string cp;
            if (!TryUtf8ToCp932(l.text, cp))
                Error(l.at[0], "the text has characters without a Shift-JIS form");
            if (textLines.empty()) textLoc = l.start;
            textLines.push_back(std::move(cp));
            continue;
        }
        CloseText();
        if (l.text[0] == '@')
            Directive(l);
        else
            Command(l);
    }
    CloseText();
    FillLoops();
}

void TScriptCompiler::Unit::Directive(const Line& l) {
    size_t i = 1;
    while (i < l.text.size() && IsIdentChar(l.text[i])) ++i;
    std::string word = l.text.substr(1, i - 1);
    std::string rest(Trim(std::string_view(l.text).substr(i)));
    size_t restAt = l.text.find_first_not_of(" \t", i);
    Arg value{rest, restAt == std::string::npos ? l.text.size() : restAt};
    if (SameTextAscii(word, "version")) {
        if (builder.Count() > 0) Error(l.at[0], "@version must come before the first command");
        int64_t v = IntValue(l, value);
        if (v < kPageVersionMin || v > kPageVersionMax)
            Error(At(l, value.at), "page versions run from " + std::to_string(kPageVersionMin) +
                                       " to " + std::to_string(kPageVersionMax));
        version = int32_t(v);
    } else if (SameTextAscii(word, "result")) {
        int t = FindTypeName(rest);
        int64_t n = 0;
        if (t < 0 && ParseInt(rest, n) && n >= 0 && n <= 255) t = int(n);
        if (t < 0) Error(At(l, value.at), "unknown result type '" + rest + "'");
        builder.Page().ResultType = uint8_t(t);
    } else if (SameTextAscii(word, "propset")) {
        size_t colon = l.text.find(':', i);
        if (colon == std::string::npos) Error(At(l, value.at), "@propset needs 'Command: PR_...'");
        std::string cmdName(Trim(std::string_view(l.text).substr(i, colon - i)));
        if (SameTextAscii(cmdName, "Count") || SameTextAscii(cmdName, "Size") ||
            SameTextAscii(cmdName, "Rest")) {
            PropSetLayout(l, i);
            return;
        }
        // "@propset BoxNew: PR_LEFT, PR_TOP": properties stored for every command of a type.
        int code = FindCommandNameNoCase(cmdName);
        if (code < 0) Error(At(l, value.at), "unknown command '" + cmdName + "'");
        for (const Arg& a : Split(l, colon + 1, l.text.size())) {
            // Bits past the last property have only their numbers.
            int k = FindPropertyName(UpperAscii(a.text));
            int64_t bit = 0;
            if (k < 0 && ParseInt(a.text, bit) && bit >= 0 && bit < kPropertySetBytes * 8)
                k = int(bit);
            if (k < 0) Error(At(l, a.at), "unknown property '" + a.text + "'");
            extraProps.push_back({uint8_t(code), k});
        }
    } else {
        Error(l.at[0], "unknown directive '@" + word + "'");
    }
}

// "@propset Count: 70, Size: 30, Rest: {raw:...}": property-set records stored in another
// layout than 61 of 21 bytes, with the bytes the table does not hold (each record's bytes past
// 21, then the records past the 61st) given in full.
void TScriptCompiler::Unit::PropSetLayout(const Line& l, size_t from) {
    if (layoutLoc) Error(l.at[0], "the property-set layout is given twice");
    layoutLoc = l.at[0];
    TPage& page = builder.Page();
    bool restGiven = false;
    std::set<std::string> given;
    for (const Arg& a : Split(l, from, l.text.size())) {
        size_t colon = a.text.find(':');
        std::string key(Trim(std::string_view(a.text).substr(0, colon)));
        if (colon == std::string::npos)
            Error(At(l, a.at), key + " needs a value: '" + key + ": ...'");
        size_t vs = a.text.find_first_not_of(" \t", colon + 1);
        if (vs == std::string::npos) vs = a.text.size();
        Arg v{a.text.substr(vs), a.at + vs};
        if (!given.insert(LowerAscii(key)).second) Error(At(l, a.at), key + " is given twice");
        if (SameTextAscii(key, "Count")) {
            page.PropertySetCount = int32_t(IntValue(l, v));
        } else if (SameTextAscii(key, "Size")) {
            page.PropertySetSize = int32_t(IntValue(l, v));
        } else if (SameTextAscii(key, "Rest")) {
            const std::string& t = v.text;
            if (t.rfind("{raw:", 0) != 0 || t.back() != '}' ||
                !FromHex(std::string_view(t).substr(5, t.size() - 6), page.PropertySetRest))
                Error(At(l, v.at), "Rest is written {raw:...} in hexadecimal digits");
            restGiven = true;
        } else {
            Error(At(l, a.at),
                  "the property-set layout has Count, Size and Rest, not '" + key + "'");
        }
    }
    // The bytes are given in full, so the page written is never larger than its source.
    int64_t need = page.PropertySetRestSize();
    if (int64_t(page.PropertySetRest.size()) != need)
        Error(l.at[0],
              std::to_string(page.PropertySetCount) + " records of " +
                  std::to_string(page.PropertySetSize) + " bytes need " + std::to_string(need) +
                  " bytes in Rest" +
                  (restGiven ? ", not " + std::to_string(page.PropertySetRest.size()) : ""));
}

void TScriptCompiler::Unit::Flags(const Line& l, size_t& i, TCommand& cmd, bool& indentGiven) {
    size_t close = l.text.find(']', i);
    if (close == std::string::npos) Error(At(l, i), "the flags are not closed with ']'");
    for (const Arg& a : Split(l, i + 1, close)) {
        std::string key = a.text, val;
        size_t eq = a.text.find('=');
        if (eq != std::string::npos) {
            key = Trim(a.text.substr(0, eq));
            val = Trim(a.text.substr(eq + 1));
        }
        auto number = [&](int64_t lo, int64_t hi) {
            int64_t v = 0;
            if (!ParseInt(val, v) || v < lo || v > hi)
                Error(At(l, a.at), "flag '" + key + "' needs a number from " + std::to_string(lo) +
                                       " to " + std::to_string(hi));
            return v;
        };
        if (SameTextAscii(key, "disabled")) {
            cmd.Disabled = eq == std::string::npos ? 1 : uint8_t(number(0, 255));
        } else if (SameTextAscii(key, "yield") && eq == std::string::npos) {
            cmd.RunNext = 0;
        } else if (SameTextAscii(key, "runnext")) {
            cmd.RunNext = uint8_t(number(0, 255));
        } else if (SameTextAscii(key, "line")) {
            cmd.LineNo = int32_t(number(INT32_MIN, INT32_MAX));
        } else if (SameTextAscii(key, "type")) {
            // The stored type byte; only its high bit may differ from the command's code.
            int64_t v = number(0, 255);
            if ((v & 0x7F) != cmd.GetType())
                Error(At(l, a.at), "flag 'type' is this command's code " +
                                       std::to_string(cmd.GetType()) + ", with or without 0x80");
            cmd.HighTypeBit = (v & 0x80) != 0;
        } else if (SameTextAscii(key, "indent")) {
            cmd.Indent = int32_t(number(INT32_MIN, INT32_MAX));
            indentGiven = true;
        } else {
            Error(At(l, a.at), "unknown flag '" + a.text + "'");
        }
    }
    i = close + 1;
}

std::vector<Arg> TScriptCompiler::Unit::Split(const Line& l, size_t from, size_t to) {
    std::vector<Piece> pieces;
    size_t bad = 0;
    if (!SplitTopLevel(std::string_view(l.text).substr(from, to - from), pieces, bad))
        Error(At(l, from + bad), "the text is not closed");
    std::vector<Arg> out;
    for (Piece& p : pieces) out.push_back({std::move(p.Text), from + p.At});
    return out;
}

void TScriptCompiler::Unit::ExprValue(const Line& l, const Arg& a, TVeskParser& out) {
    const std::string& t = a.text;
    if (t == "{}") {
        out.Clear();
        return;
    }
    if (t.rfind("{raw:", 0) == 0 && t.back() == '}') {
        std::vector<uint8_t> bytes;
        if (!FromHex(std::string_view(t).substr(5, t.size() - 6), bytes))
            Error(At(l, a.at), "a raw expression is written in hexadecimal digits");
        try {
            MemoryStream m(bytes);
            out.LoadFromStream(m);
            if (m.Remaining() != 0) Fail("bytes left over");
        } catch (const VeskError& e) {
            Error(At(l, a.at), "bad raw expression: " + Cp932ToUtf8(e.Text()));
        }
        return;
    }
    std::string cp;
    if (!TryUtf8ToCp932(t, cp))
        Error(At(l, a.at), "the expression has characters without a Shift-JIS form");
    try {
        CompileExpr(cp, out);
    } catch (const VeskError& e) {
        Error(At(l, a.at), "expression: " + Cp932ToUtf8(e.Text()));
    }
}

std::string TScriptCompiler::Unit::StrValue(const Line& l, const Arg& a) {
    std::string cp, err;
    if (IsQuoted(a.text)) {
        if (!UnquoteText(a.text, cp, err)) Error(At(l, a.at), err);
    } else if (!TryUtf8ToCp932(a.text, cp)) {
        Error(At(l, a.at), "the text has characters without a Shift-JIS form");
    }
    return cp;
}

int64_t TScriptCompiler::Unit::IntValue(const Line& l, const Arg& a) {
    int64_t v = 0;
    if (!ParseInt(a.text, v) || v < INT32_MIN || v > INT32_MAX)
        Error(At(l, a.at), "'" + a.text + "' is not a 32-bit integer");
    return v;
}

void TScriptCompiler::Unit::SetParam(const Line& l, int32_t index, const ParamSpec& p,
                                     const Arg& a) {
    TCommand& cmd = builder.At(index);
    uint8_t code = cmd.GetType();
    SourceLoc loc = At(l, a.at);
    if (!Stored(code, p.Field))
        Error(loc,
              std::string(p.Name) + " is not stored by page version " + std::to_string(version));
    TCommandField& f = cmd.Field(size_t(p.Field));
    switch (p.Kind) {
        case ParamKind::Expr:
        case ParamKind::Cond:
            ExprValue(l, a, f.Expr);
            break;
        case ParamKind::Str:
            f.Text = StrValue(l, a);
            break;
        case ParamKind::Int:
            f.Num = int32_t(IntValue(l, a));
            break;
        case ParamKind::Computed:
            f.Num = int32_t(IntValue(l, a));
            break;
        case ParamKind::Byte: {
            int v = -1;
            if (code == CC_VARNEW && std::string_view(p.Name) == "Type") v = FindTypeName(a.text);
            if (code == CC_VARNEW && std::string_view(p.Name) == "Scope") v = FindScopeName(a.text);
            int64_t n = 0;
            if (v < 0 && ParseInt(a.text, n) && n >= 0 && n <= 255) v = int(n);
            if (v < 0) Error(loc, "'" + a.text + "' is not a valid " + p.Name);
            f.Num = v;
            break;
        }
        case ParamKind::List: {
            const std::string& t = a.text;
            if (t.size() < 2 || t.front() != '[' || t.back() != ']')
                Error(loc, std::string(p.Name) + " is a list: [expression, ...]");
            std::vector<Arg> items = Split(l, a.at + 1, a.at + t.size() - 1);
            f.List.clear();
            f.List.resize(items.size());
            for (size_t k = 0; k < items.size(); ++k) ExprValue(l, items[k], f.List[k]);
            break;
        }
        case ParamKind::Block: {
            std::vector<uint8_t> bytes;
            if (a.text == "{}") {
            } else if (a.text.rfind("{raw:", 0) == 0 && a.text.back() == '}' &&
                       FromHex(std::string_view(a.text).substr(5, a.text.size() - 6), bytes)) {
            } else {
                Error(loc, "the text block is written as '|' lines below the command");
            }
            f.Text.assign(bytes.begin(), bytes.end());
            textBlockGiven = true;
            break;
        }
        case ParamKind::Target: {
            // page, page:label, page@index, :label, @index
            const std::string& t = a.text;
            std::string page;
            size_t i = 0;
            if (IsQuoted(t)) {
                size_t e = QuoteEnd(t, 0);
                Arg q{t.substr(0, e + 1), a.at};
                page = StrValue(l, q);
                i = e + 1;
            } else {
                while (i < t.size() && t[i] != ':' && t[i] != '@') ++i;
                page = StrValue(l, Arg{std::string(Trim(t.substr(0, i))), a.at});
            }
            if (i < t.size() && t[i] == ':' && page.empty() && !IsQuoted(t)) page = name;
            if (i == 0 && t[0] == '@') page = name;
            f.Text = page;
            TCommandField& target = cmd.Field(size_t(p.IndexField));
            target.Num = 0;
            bool hasIndex = Stored(code, p.IndexField);
            if (i < t.size()) {
                if (!hasIndex)
                    Error(At(l, a.at + i), "page version " + std::to_string(version) +
                                               " stores no command index for " + p.Name);
                Arg rest{std::string(Trim(t.substr(i + 1))), a.at + i + 1};
                if (t[i] == '@') {
                    target.Num = int32_t(IntValue(l, rest));
                } else if (t[i] == ':') {
                    std::string label = StrValue(l, rest);
                    if (label.empty()) Error(At(l, a.at + i), "a label name is missing");
                    targets.push_back({index, &p, page, label, At(l, a.at + i + 1)});
                } else {
                    Error(At(l, a.at + i), "a target reads page.lsb:label or page.lsb@index");
                }
            }
            break;
        }
        case ParamKind::Props:
            break;
    }
}

void TScriptCompiler::Unit::Command(const Line& l) {
    size_t i = 0;
    SourceLoc cmdLoc = l.at[0];
    // The name comes after the flags; it is read first, so the flags have a command to mark.
    size_t nameAt = 0;
    if (l.text[0] == '[') {
        nameAt = l.text.find(']');
        if (nameAt == std::string::npos) Error(l.at[0], "the flags are not closed with ']'");
        ++nameAt;
        while (nameAt < l.text.size() && l.text[nameAt] == ' ') ++nameAt;
    }
    size_t nameEnd = nameAt;
    while (nameEnd < l.text.size() && IsIdentChar(l.text[nameEnd])) ++nameEnd;
    std::string cmdName = l.text.substr(nameAt, nameEnd - nameAt);
    if (cmdName.empty() || !IsIdentStart(cmdName[0]))
        Error(At(l, nameAt), "a command name is expected here");
    int code = FindCommandNameNoCase(cmdName);
    if (code < 0) {
        std::string near = NearestCommandName(cmdName);
        Error(At(l, nameAt), "unknown command '" + cmdName + "'" +
                                 (near.empty() ? "" : " (did you mean " + near + "?)"));
    }
    if (nameEnd < l.text.size() && l.text[nameEnd] != ' ' && l.text[nameEnd] != '\t')
        Error(At(l, nameEnd), "a blank must follow the command name");

    int32_t index = builder.Count();
    TCommand& cmd = builder.Add(uint8_t(code), 0);
    bool indentGiven = false;
    if (l.text[0] == '[') Flags(l, i, cmd, indentGiven);
    if (!indentGiven) {
        if (l.indentCols % kIndentWidth)
            Error(l.at[0], "bad indentation: " + std::to_string(l.indentCols) +
                               " columns is not a multiple of " + std::to_string(kIndentWidth));
        cmd.Indent = l.indentCols / kIndentWidth;
        std::string why = CheckNesting(builder.Page(), index);
        if (!why.empty()) Error(l.at[0], "bad indentation: " + why);
    }

    const std::vector<ParamSpec>& params = CommandParams(uint8_t(code));
    std::vector<const ParamSpec*> positional;
    for (const ParamSpec& p : params)
        if (p.Kind != ParamKind::Props && p.Kind != ParamKind::Block) positional.push_back(&p);
    std::set<std::string> given;
    size_t nextPos = 0;
    bool namedSeen = false;
    for (const Arg& a : Split(l, nameEnd, l.text.size())) {
        // A named value: Name: value
        size_t k = 0;
        while (k < a.text.size() && IsIdentChar(a.text[k])) ++k;
        size_t colon = k;
        while (colon < a.text.size() && a.text[colon] == ' ') ++colon;
        const ParamSpec* named = nullptr;
        int prop = -1;
        if (k > 0 && IsIdentStart(a.text[0]) && colon < a.text.size() && a.text[colon] == ':') {
            std::string key = a.text.substr(0, k);
            for (const ParamSpec& p : params)
                if (SameTextAscii(key, p.Name) ||
                    (SameTextAscii(key, "if") && std::string_view(p.Name) == "Condition"))
                    named = &p;
            if (named && named->Kind == ParamKind::Props) named = nullptr;
            if (!named && IsComponentCode(uint8_t(code))) {
                prop = FindPropertyName(UpperAscii(key));
                if (prop < 0 && SameTextAscii(key.substr(0, 3), "PR_"))
                    Error(At(l, a.at), "unknown property '" + key + "'");
            }
            if (!named && prop < 0 && SameTextAscii(key.substr(0, 3), "PR_"))
                Error(At(l, a.at),
                      std::string(CommandName(uint8_t(code))) + " takes no properties");
            // "Word: ..." is a misspelt name unless a text or a target (page:label) goes in
            // this place.
            bool textNext = !namedSeen && nextPos < positional.size() &&
                            (positional[nextPos]->Kind == ParamKind::Str ||
                             positional[nextPos]->Kind == ParamKind::Target);
            if (!named && prop < 0 && !textNext) {
                std::string names;
                for (const ParamSpec* p : positional)
                    names += std::string(names.empty() ? "" : ", ") + p->Name;
                Error(At(l, a.at), std::string(CommandName(uint8_t(code))) + " has no field '" +
                                       key + "'" + (names.empty() ? "" : " (" + names + ")"));
            }
        }
        if (named || prop >= 0) {
            namedSeen = true;
            size_t vs = colon + 1;
            while (vs < a.text.size() && a.text[vs] == ' ') ++vs;
            Arg value{a.text.substr(vs), a.at + vs};
            std::string key = named ? named->Name : PropertyName(prop);
            if (!given.insert(key).second) Error(At(l, a.at), key + " is given twice");
            if (named && !Stored(uint8_t(code), named->Field))
                Error(At(l, a.at),
                      key + " is not stored by page version " + std::to_string(version));
            if (named) {
                if (value.text.empty()) Error(At(l, a.at), key + " needs a value");
                SetParam(l, index, *named, value);
            } else {
                TVeskParser expr;
                ExprValue(l, value, expr);
                cmd.SetPropExpr(prop, expr);
            }
            continue;
        }
        if (namedSeen) Error(At(l, a.at), "a value without a name after named values");
        if (nextPos >= positional.size())
            Error(At(l, a.at), std::string(CommandName(uint8_t(code))) + " takes " +
                                   std::to_string(positional.size()) + " value(s) in order");
        const ParamSpec* p = positional[nextPos++];
        // An empty place keeps the value a missing one has.
        if (a.text.empty()) continue;
        given.insert(p->Name);
        SetParam(l, index, *p, a);
    }
    // What was not given: conditions hold, loop indexes follow from the nesting.
    for (const ParamSpec& p : params) {
        if (given.count(p.Name)) continue;
        if (p.Kind == ParamKind::Cond) CompileExpr("TRUE", cmd.Field(size_t(p.Field)).Expr);
        if (p.Kind == ParamKind::Computed) loops.push_back({index, p.Field, cmdLoc});
    }
    if (code == CC_TEXTINS) {
        textOpen = true;
        textBlockGiven = given.count("TextBlock") != 0;
    }
}

void TScriptCompiler::Unit::CloseText() {
    if (!textOpen) return;
    textOpen = false;
    if (textLines.empty()) return;
    if (textBlockGiven) Error(textLoc, "the text block is given twice");
    TWdGlyphList list;
    MemoryStream m;
    try {
        list.SetText(textLines);
        list.SaveToStream(m);
    } catch (const VeskError& e) {
        Error(textLoc, "text: " + Cp932ToUtf8(e.Text()));
    }
    TCommand& cmd = builder.At(builder.Count() - 1);
    cmd.Field(0).Text.assign(m.Bytes().begin(), m.Bytes().end());
    textLines.clear();
}

void TScriptCompiler::Unit::FillLoops() {
    for (const PendingLoop& pl : loops) {
        std::optional<int32_t> v = ComputeLoopIndex(builder.Page(), pl.cmd);
        TCommand& cmd = builder.At(pl.cmd);
        if (!v) {
            uint8_t code = cmd.GetType();
            Error(pl.loc, code == CC_WHILELOOP
                              ? "WhileLoop without a While before it at the same depth"
                              : std::string(CommandName(code)) +
                                    " outside every loop (give Target: -1 to leave the page)");
        }
        cmd.Field(size_t(pl.field)).Num = *v;
    }
}

TScriptCompiler::TScriptCompiler() = default;
TScriptCompiler::~TScriptCompiler() = default;

void TScriptCompiler::AddPage(const std::string& file, const std::string& pageName,
                              std::string_view text) {
    auto unit = std::make_unique<Unit>();
    unit->file = file;
    unit->name = pageName;
    unit->builder.Page().Name = pageName;
    unit->Parse(text);
    units_.push_back(std::move(unit));
}

std::vector<CompiledPage> TScriptCompiler::Finish() {
    for (auto& u : units_) {
        for (const PendingTarget& t : u->targets) {
            const Unit* target = nullptr;
            for (auto& other : units_)
                if (SameTextAscii(other->name, t.page)) target = other.get();
            if (!target)
                u->Error(t.loc, "page '" + Cp932ToUtf8(t.page) +
                                    "' is not among the pages compiled; name the command by "
                                    "its index (page@index)");
            int32_t found = -1;
            const TPage& page = const_cast<Unit*>(target)->builder.Page();
            for (int32_t j = 0; j < page.Count(); ++j) {
                const TCommand* c = page.At(j);
                if (c->GetType() != CC_LABEL || c->Field(0).Text != t.label) continue;
                if (found >= 0)
                    u->Error(t.loc, "label '" + Cp932ToUtf8(t.label) + "' is defined twice in '" +
                                        Cp932ToUtf8(t.page) + "' (commands " +
                                        std::to_string(found) + " and " + std::to_string(j) + ")");
                found = j;
            }
            if (found < 0)
                u->Error(t.loc, "no label '" + Cp932ToUtf8(t.label) + "' in page '" +
                                    Cp932ToUtf8(t.page) + "'");
            u->builder.At(t.cmd).Field(size_t(t.param->IndexField)).Num = found;
        }
    }
    std::vector<CompiledPage> out;
    for (auto& u : units_) {
        TPage& page = u->builder.Page();
        page.UpdatePropertySets();
        for (auto [code, k] : u->extraProps)
            page.PropertySet[code][size_t(k / 8)] |= uint8_t(1u << (k % 8));
        if (u->layoutLoc && !page.PropertySetsFitLayout())
            u->Error(*u->layoutLoc, "the property sets do not fit " +
                                        std::to_string(page.PropertySetCount) + " records of " +
                                        std::to_string(page.PropertySetSize) + " bytes");
        out.push_back({u->name, page.SaveToBytes(u->version)});
    }
    return out;
}

std::string PageNameForSource(const std::string& relativePath) {
    std::string p = relativePath;
    size_t slash = p.find_last_of('/');
    size_t dot = p.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
    p += ".lsb";
    for (char& c : p)
        if (c == '/') c = '\\';
    return Utf8ToCp932(p);
}

}  // namespace vesk::scriptc
