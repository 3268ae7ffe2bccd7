#pragma once
// What the page source and its decompiled form share: how each command's stored fields are
// written as source parameters, how literal values are spelled, and how the loop indexes
// that the compiler fills in follow from a page's nesting.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {
class TPage;
class TVeskParser;
}  // namespace vesk

namespace vesk::scriptc {

enum class ParamKind : uint8_t {
    Expr,      // an expression; empty when omitted
    Cond,      // a condition; TRUE when omitted (an empty condition never holds)
    Str,       // a text
    Int,       // an integer
    Byte,      // a small integer, some with names (variable types and scopes)
    List,      // [expr, expr, ...]
    Block,     // the text block of TextIns, written as "|" lines below the command
    Target,    // a page and a command index in it: page.lsb:label, page.lsb@12, :label
    Computed,  // a loop index the compiler works out from the nesting
    Props,     // component properties, PR_NAME: expr, ...
};

struct ParamSpec {
    ParamKind Kind;
    const char* Name;     // the field name; for a Target, the page field
    int Field;            // index of the command's field
    int IndexField = -1;  // Target: the field holding the command index
};

// The source parameters of a command type, in the order positional values fill them.
// Props and Block parameters are never positional.
const std::vector<ParamSpec>& CommandParams(uint8_t code);
// The command code whose name matches without regard to ASCII case, or -1.
int FindCommandNameNoCase(std::string_view name);

// ---- literals

// A text as a double-quoted source literal (UTF-8). Characters without a UTF-8 form that
// converts back to the same bytes, and control characters, are written as escapes.
std::string QuoteText(std::string_view cp932);
// A text written bare when it is plain enough, else quoted.
std::string BareOrQuoted(std::string_view cp932);
// Parses a quoted literal (the whole of `utf8`, quotes included) into CP932. Returns false
// with `error` set on a malformed literal or a character without a CP932 form.
bool UnquoteText(std::string_view utf8, std::string& cp932, std::string& error);
// True when `s` starts with a double quote.
inline bool IsQuoted(std::string_view s) {
    return !s.empty() && s.front() == '"';
}

// One value of a comma-separated list, trimmed, with its offset in the list's text.
struct Piece {
    std::string Text;
    size_t At = 0;
};
// Splits at the commas outside quoted texts and brackets. An empty text gives no pieces.
// Returns false, with `errorAt` at its opening quote, when a quoted text is not closed.
bool SplitTopLevel(std::string_view s, std::vector<Piece>& out, size_t& errorAt);
// The index of the quote closing the quoted text that opens at `i`, or npos.
size_t QuoteEnd(std::string_view s, size_t i);

std::string ToHex(const uint8_t* data, size_t size);
bool FromHex(std::string_view hex, std::vector<uint8_t>& out);

// Integers: decimal with an optional sign, or hexadecimal after "$" or "0x".
bool ParseInt(std::string_view s, int64_t& out);

// Variable types and scopes by name ("int", "global", ...); -1 when unknown.
int FindTypeName(std::string_view s);
int FindScopeName(std::string_view s);
const char* TypeName(int type);    // nullptr outside 1..4
const char* ScopeName(int scope);  // nullptr outside 0..3

// ---- expressions

std::vector<uint8_t> ExprBytes(const TVeskParser& p);
// The stored bytes of the condition written when none is given ("TRUE").
const std::vector<uint8_t>& DefaultConditionBytes();

// ---- nesting

// Whether a command opens a block (If, Elseif, Else, While).
bool OpensBlock(uint8_t code);
// The loop index a command's Computed field gets from the page's nesting, or nothing when
// the nesting gives none (a Break outside every loop, a WhileLoop without its While).
std::optional<int32_t> ComputeLoopIndex(const TPage& page, int32_t index);
// Whether a value written in a command line reads back as itself: one piece to the
// splitter, with its brackets closed (so it neither swallows the values after it nor lets
// the line run on into the next one).
bool StandsAlone(std::string_view value);

// Whether a value begins like a named one ("Word: ..."), so that written in its place it
// would be read as a field or property name.
bool LooksNamed(std::string_view value);

// Why a command's indentation does not follow from the one before it, or empty when it
// does: a block opens one level deeper, Elseif and Else follow their If.
std::string CheckNesting(const TPage& page, int32_t index);

}  // namespace vesk::scriptc
