#include "vars/conv.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vesk {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

bool TryStrToInt(std::string_view s, int32_t& out) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    uint64_t v = 0;
    for (; i < s.size(); ++i) {
        int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + uint64_t(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        // Hexadecimal texts cover the full 32-bit pattern ($FFFFFFFF is -1).
        uint32_t u = uint32_t(v);
        out = int32_t(neg ? 0u - u : u);
        return true;
    }
    if (neg) {
        if (v > 0x80000000ull) return false;
        out = int32_t(0u - uint32_t(v));
    } else {
        if (v > 0x7FFFFFFFull) return false;
        out = int32_t(v);
    }
    return true;
}

bool TryStrToReal(std::string_view s, Real& out) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    std::string_view t = s.substr(b, e - b);
    size_t i = 0;
    bool neg = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
    size_t start = i;
    size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t ed = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++ed;
        if (ed == 0) return false;
    }
    if (i != t.size()) return false;
    std::string body(t.substr(start));
    if (!body.empty() && body[0] == '.') body.insert(body.begin(), '0');
    Real v = 0;
    auto r = std::from_chars(body.data(), body.data() + body.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow reads as infinity, underflow as zero, as the text asked for.
        bool big = body.find_first_of("eE") != std::string::npos &&
                   body[body.find_first_of("eE") + 1] != '-';
        v = big ? HUGE_VALL : 0.0L;
    } else if (r.ec != std::errc() || r.ptr != body.data() + body.size()) {
        return false;
    }
    out = neg ? -v : v;
    return true;
}

std::string IntToStr(int32_t v) {
    return std::to_string(v);
}

std::string RealToStr(Real v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14Le", v);
    // buf: [-]d.dddddddddddddde[+-]XX
    std::string s(buf);
    bool neg = s[0] == '-';
    if (neg) s.erase(0, 1);
    size_t epos = s.find('e');
    int exp = std::atoi(s.c_str() + epos + 1);
    std::string digits = s.substr(0, 1) + s.substr(2, epos - 2);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string r = neg ? "-" : "";
    if (exp >= 15 || exp < -5) {
        r += digits[0];
        if (digits.size() > 1) {
            r += '.';
            r.append(digits, 1);
        }
        r += 'E';
        r += std::to_string(exp);
    } else if (exp < 0) {
        r += "0.";
        r.append(size_t(-exp - 1), '0');
        r += digits;
    } else {
        size_t intLen = size_t(exp) + 1;
        if (digits.size() <= intLen) {
            r += digits + std::string(intLen - digits.size(), '0');
        } else {
            r += digits.substr(0, intLen) + "." + digits.substr(intLen);
        }
    }
    return r;
}

int32_t RealToInt(Real v) {
    if (std::isnan(v) || !(std::fabs(v) < 9.2233720368547758e18L)) return 0;
    return int32_t(uint32_t(uint64_t(int64_t(v))));
}

}  // namespace vesk
