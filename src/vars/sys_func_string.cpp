// Built-in string functions. Positions are 1-based; the functions whose names begin with J
// count characters (a double-byte character counts once), the others count bytes. Out of
// range positions and counts are clamped the way the classic string routines clamp them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/cp932.h"
#include "base/error.h"
#include "base/text_trim.h"
#include "vars/conv.h"
#include "vars/param.h"
#include "vars/sys_func_impl.h"

namespace vesk {

namespace {

void CheckResultSize(const char* fn, int64_t bytes) {
    if (bytes > kMaxResultBytes)
        Fail(std::string(fn) + ": result too long (" + std::to_string(bytes) + " bytes)");
}

// Positions in units: bytes, or characters for the J functions.
struct Units {
    std::string_view s;
    bool chars;

    int64_t Length() const { return chars ? int64_t(CharCount(s)) : int64_t(s.size()); }
    // Byte offset of unit `u`, clamped to the text.
    size_t Byte(int64_t u) const {
        if (u <= 0) return 0;
        if (u >= int64_t(s.size())) return s.size();
        return chars ? CharToByte(s, size_t(u)) : size_t(u);
    }
};

// The optional count argument; to the end when absent.
int64_t CountArg(SysFuncCall& c, size_t i) {
    return c.Has(i) ? int64_t(c.Arg(i).AsInt()) : int64_t(INT32_MAX);
}

std::string CopyUnits(std::string_view s, bool chars, int64_t index, int64_t count) {
    Units u{s, chars};
    int64_t len = u.Length();
    int64_t from = index < 1 ? 0 : index - 1;
    if (from >= len || count <= 0) return {};
    count = std::min(count, len - from);
    size_t b0 = u.Byte(from);
    return std::string(s.substr(b0, u.Byte(from + count) - b0));
}

std::string DeleteUnits(std::string_view s, bool chars, int64_t index, int64_t count) {
    Units u{s, chars};
    int64_t len = u.Length();
    std::string r(s);
    if (index < 1 || index > len || count <= 0) return r;
    count = std::min(count, len - (index - 1));
    size_t b0 = u.Byte(index - 1);
    r.erase(b0, u.Byte(index - 1 + count) - b0);
    return r;
}

std::string InsertUnits(std::string_view sub, std::string_view s, bool chars, int64_t index) {
    Units u{s, chars};
    int64_t len = u.Length();
    index = std::clamp<int64_t>(index, 1, len + 1);
    std::string r(s);
    r.insert(u.Byte(index - 1), sub);
    return r;
}

void FnIntToStr(SysFuncCall& c) {
    int32_t v = c.Arg(0).AsInt();
    std::string digits = std::to_string(v);
    bool neg = v < 0;
    if (neg) digits.erase(0, 1);
    if (c.Has(1)) {
        int32_t width = c.Arg(1).AsInt();
        CheckResultSize("IntToStr", width);
        if (width > int32_t(digits.size())) digits.insert(0, size_t(width) - digits.size(), '0');
    }
    c.dest.SetStr(neg ? "-" + digits : digits);
}

void FnIntToHex(SysFuncCall& c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // Negative numbers show their 32-bit two's complement.
    auto v = uint32_t(c.Arg(0).AsInt());
    std::string digits;
    do {
        digits.insert(digits.begin(), kHex[v & 15]);
        v >>= 4;
    } while (v);
    int32_t width = c.Arg(1).AsInt();
    CheckResultSize("IntToHex", width);
    if (width > int32_t(digits.size())) digits.insert(0, size_t(width) - digits.size(), '0');
    c.dest.SetStr(digits);
}

template <bool Chars>
void FnLength(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    c.dest.SetInt(int32_t(Units{s, Chars}.Length()));
}

template <bool Chars>
void FnCopy(SysFuncCall& c) {
    c.dest.SetStr(CopyUnits(c.Arg(0).AsStr(), Chars, c.Arg(1).AsInt(), CountArg(c, 2)));
}

template <bool Chars>
void FnDelete(SysFuncCall& c) {
    c.Arg(0).SetStr(DeleteUnits(c.Arg(0).AsStr(), Chars, c.Arg(1).AsInt(), CountArg(c, 2)));
}

template <bool Chars>
void FnInsert(SysFuncCall& c) {
    std::string sub = c.Arg(0).AsStr();
    std::string s = c.Arg(1).AsStr();
    CheckResultSize(Chars ? "JInsert" : "Insert", int64_t(sub.size()) + int64_t(s.size()));
    c.Arg(1).SetStr(InsertUnits(sub, s, Chars, c.Arg(2).AsInt()));
}

void FnCompareStr(SysFuncCall& c) {
    // Difference of the first differing bytes, else of the lengths.
    std::string a = c.Arg(0).AsStr(), b = c.Arg(1).AsStr();
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            c.dest.SetInt(int32_t(uint8_t(a[i])) - int32_t(uint8_t(b[i])));
            return;
        }
    }
    c.dest.SetInt(int32_t(int64_t(a.size()) - int64_t(b.size())));
}

void FnCompareText(SysFuncCall& c) {
    c.dest.SetInt(CompareTextAscii(c.Arg(0).AsStr(), c.Arg(1).AsStr()));
}

// Byte offset of the first occurrence of `sub` starting on a character boundary, or npos.
size_t FindOnCharBoundary(std::string_view s, std::string_view sub, size_t from = 0) {
    if (sub.empty()) return std::string_view::npos;
    for (size_t i = from; i + sub.size() <= s.size(); i += CharLenAt(s, i))
        if (s.compare(i, sub.size(), sub) == 0) return i;
    return std::string_view::npos;
}

void FnPos(SysFuncCall& c) {
    std::string sub = c.Arg(0).AsStr(), s = c.Arg(1).AsStr();
    size_t at = sub.empty() ? std::string::npos : s.find(sub);
    c.dest.SetInt(at == std::string::npos ? 0 : int32_t(at) + 1);
}

void FnJPos(SysFuncCall& c) {
    std::string sub = c.Arg(0).AsStr(), s = c.Arg(1).AsStr();
    size_t at = FindOnCharBoundary(s, sub);
    c.dest.SetInt(
        at == std::string::npos ? 0 : int32_t(CharCount(std::string_view(s).substr(0, at))) + 1);
}

void FnTrim(SysFuncCall& c) {
    c.dest.SetStr(Trim(c.Arg(0).AsStr()));
}

bool IsJBlank(std::string_view s, size_t i, size_t len) {
    return (len == 1 && s[i] == ' ') || (len == 2 && s[i] == char(0x81) && s[i + 1] == char(0x40));
}

void FnJTrim(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    // Walk by characters so that a trail byte 0x40 is never taken for half a blank.
    size_t begin = s.size(), end = 0;
    for (size_t i = 0; i < s.size();) {
        size_t len = CharLenAt(s, i);
        if (!IsJBlank(s, i, len)) {
            if (begin == s.size()) begin = i;
            end = i + len;
        }
        i += len;
    }
    c.dest.SetStr(begin < end ? s.substr(begin, end - begin) : std::string());
}

void FnFixStr(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    size_t last = 0;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) last = i;
    // A lead byte standing alone as the last character is a cut-off double-byte character.
    if (!s.empty() && last + 1 == s.size() && IsLeadByte(s[last])) s.pop_back();
    c.dest.SetStr(s);
}

void FnLowerCase(SysFuncCall& c) {
    c.dest.SetStr(LowerAscii(c.Arg(0).AsStr()));
}

void FnUpperCase(SysFuncCall& c) {
    c.dest.SetStr(UpperAscii(c.Arg(0).AsStr()));
}

// ---- file names (backslash paths; a trail byte 0x5C is never a delimiter) ----

// Byte offset of the last single-byte character of `s` that is one of `delims`, or npos.
size_t LastDelimiter(std::string_view delims, std::string_view s) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i))
        if (CharLenAt(s, i) == 1 && delims.find(s[i]) != std::string_view::npos) last = i;
    return last;
}

// True when byte `pos` (0-based) of `s` is a single-byte character (not part of a pair).
bool IsSingleByteAt(std::string_view s, size_t pos) {
    size_t i = 0;
    while (i < pos) i += CharLenAt(s, i);
    return i == pos && CharLenAt(s, pos) == 1;
}

void FnExtractFilePath(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    size_t at = LastDelimiter("\\:", s);
    c.dest.SetStr(at == std::string::npos ? std::string() : s.substr(0, at + 1));
}

void FnExtractFileName(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    size_t at = LastDelimiter("\\:", s);
    c.dest.SetStr(at == std::string::npos ? s : s.substr(at + 1));
}

// Byte offset of the dot that starts the extension, or npos.
size_t ExtensionDot(std::string_view s) {
    size_t at = LastDelimiter(".\\:", s);
    return at != std::string_view::npos && s[at] == '.' ? at : std::string_view::npos;
}

void FnExtractFileExt(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    size_t dot = ExtensionDot(s);
    c.dest.SetStr(dot == std::string::npos ? std::string() : s.substr(dot));
}

// True when 1-based byte `index` of `s` is a single-byte character found in `chars`.
bool DelimiterAt(std::string_view chars, std::string_view s, int32_t index) {
    if (index < 1 || size_t(index) > s.size()) return false;
    size_t pos = size_t(index) - 1;
    if (!IsSingleByteAt(s, pos)) return false;
    for (size_t i = 0; i < chars.size(); i += CharLenAt(chars, i))
        if (CharLenAt(chars, i) == 1 && chars[i] == s[pos]) return true;
    return false;
}

void FnIsPathDelimiter(SysFuncCall& c) {
    c.dest.SetFlag(DelimiterAt("\\", c.Arg(0).AsStr(), c.Arg(1).AsInt()));
}

void FnAddBackSlash(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    if (!DelimiterAt("\\", s, int32_t(std::min<size_t>(s.size(), INT32_MAX)))) s += '\\';
    c.dest.SetStr(s);
}

void FnChangeFileExt(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    size_t dot = ExtensionDot(s);
    if (dot != std::string::npos) s.erase(dot);
    c.dest.SetStr(s + c.Arg(1).AsStr());
}

void FnIsDelimiter(SysFuncCall& c) {
    c.dest.SetFlag(DelimiterAt(c.Arg(0).AsStr(), c.Arg(1).AsStr(), c.Arg(2).AsInt()));
}

void FnStringOfChar(SysFuncCall& c) {
    std::string unit = c.Arg(0).AsStr();
    int32_t n = c.Arg(1).AsInt();
    if (n <= 0 || unit.empty()) {
        c.dest.SetStr("");
        return;
    }
    CheckResultSize("StringOfChar", int64_t(unit.size()) * n);
    std::string r;
    r.reserve(unit.size() * size_t(n));
    for (int32_t i = 0; i < n; ++i) r += unit;
    c.dest.SetStr(r);
}

void FnStringReplace(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    std::string from = c.Arg(1).AsStr();
    std::string to = c.Arg(2).AsStr();
    bool all = c.Has(3) && c.Arg(3).AsFlag();
    bool ignoreCase = c.Has(4) && c.Arg(4).AsFlag();
    if (from.empty()) {
        c.dest.SetStr(s);
        return;
    }
    // Matching runs on folded copies (same length, same character boundaries); the
    // replacement copies the original bytes.
    std::string hay = ignoreCase ? UpperAscii(s) : s;
    std::string needle = ignoreCase ? UpperAscii(from) : from;
    std::string r;
    size_t done = 0;
    for (size_t at = FindOnCharBoundary(hay, needle); at != std::string::npos;
         at = FindOnCharBoundary(hay, needle, done)) {
        r.append(s, done, at - done);
        r += to;
        CheckResultSize("StringReplace", int64_t(r.size()) + int64_t(s.size() - at));
        done = at + from.size();
        if (!all) break;
    }
    r.append(s, done, std::string::npos);
    c.dest.SetStr(r);
}

void FnAddDelimiter(SysFuncCall& c) {
    std::string s = c.Arg(1).AsStr();
    c.dest.SetStr(s.empty() ? s : s + c.Arg(0).AsStr());
}

void FnChr(SysFuncCall& c) {
    // Only the low byte of the number is used.
    c.dest.SetStr(std::string(1, char(uint8_t(c.Arg(0).AsInt()))));
}

void FnOrd(SysFuncCall& c) {
    std::string s = c.Arg(0).AsStr();
    c.dest.SetInt(s.empty() ? 0 : int32_t(uint8_t(s[0])));
}

void FnStrToIntDef(SysFuncCall& c) {
    int32_t v;
    c.dest.SetInt(TryStrToInt(c.Arg(0).AsStr(), v) ? v : c.Arg(1).AsInt());
}

void FnStrToFloatDef(SysFuncCall& c) {
    Real v;
    c.dest.SetFloat(TryStrToReal(c.Arg(0).AsStr(), v) ? v : c.Arg(1).AsFloat());
}

}  // namespace

void AddStringFuncs(SysFnTable& t) {
    t[SF_INTTOSTR] = FnIntToStr;
    t[SF_INTTOHEX] = FnIntToHex;
    t[SF_LENGTH] = FnLength<false>;
    t[SF_JLENGTH] = FnLength<true>;
    t[SF_COPY] = FnCopy<false>;
    t[SF_JCOPY] = FnCopy<true>;
    t[SF_DELETE] = FnDelete<false>;
    t[SF_JDELETE] = FnDelete<true>;
    t[SF_INSERT] = FnInsert<false>;
    t[SF_JINSERT] = FnInsert<true>;
    t[SF_COMPARESTR] = FnCompareStr;
    t[SF_COMPARETEXT] = FnCompareText;
    t[SF_POS] = FnPos;
    t[SF_JPOS] = FnJPos;
    t[SF_TRIM] = FnTrim;
    t[SF_JTRIM] = FnJTrim;
    t[SF_FIXSTR] = FnFixStr;
    t[SF_LOWERCASE] = FnLowerCase;
    t[SF_UPPERCASE] = FnUpperCase;
    t[SF_EXTRACTFILEPATH] = FnExtractFilePath;
    t[SF_EXTRACTFILENAME] = FnExtractFileName;
    t[SF_EXTRACTFILEEXT] = FnExtractFileExt;
    t[SF_ISPATHDELIMITER] = FnIsPathDelimiter;
    t[SF_ADDBACKSLASH] = FnAddBackSlash;
    t[SF_CHANGEFILEEXT] = FnChangeFileExt;
    t[SF_ISDELIMITER] = FnIsDelimiter;
    t[SF_STRINGOFCHAR] = FnStringOfChar;
    t[SF_STRINGREPLACE] = FnStringReplace;
    t[SF_ADDDELIMITER] = FnAddDelimiter;
    t[SF_CHR] = FnChr;
    t[SF_ORD] = FnOrd;
    t[SF_STRTOINTDEF] = FnStrToIntDef;
    t[SF_STRTOFLOATDEF] = FnStrToFloatDef;
}

}  // namespace vesk
