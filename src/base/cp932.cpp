#include "base/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace vesk {

size_t CharCount(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) ++n;
    return n;
}

size_t CharToByte(std::string_view s, size_t index) {
    size_t i = 0;
    while (index > 0 && i < s.size()) {
        i += CharLenAt(s, i);
        --index;
    }
    return i < s.size() ? i : s.size();
}

bool IsTrailByteAt(std::string_view s, size_t pos) {
    size_t i = 0;
    while (i < pos) i += CharLenAt(s, i);
    return i > pos;
}

namespace {
template <bool Upper>
std::string FoldAscii(std::string_view s) {
    std::string r(s);
    for (size_t i = 0; i < r.size();) {
        size_t len = CharLenAt(r, i);
        if (len == 1) {
            char& c = r[i];
            if (Upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (!Upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        }
        i += len;
    }
    return r;
}

// Converts with iconv; a failed sequence is replaced by `bad` and skipped one byte when
// `lenient`, else the conversion fails.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             bool lenient) {
    out.clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv: CP932 is not available");
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[1024];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            ok = false;
            if (!lenient) break;
            out.push_back('?');
            // Skip one byte of the bad sequence (a whole UTF-8 sequence when going to CP932).
            size_t skip = 1;
            if (std::string_view(from) == "UTF-8") {
                auto b = static_cast<uint8_t>(*src);
                skip = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
                if (skip > srcLeft) skip = srcLeft;
            }
            src += skip;
            srcLeft -= skip;
        }
    }
    iconv_close(cd);
    return ok;
}
}  // namespace

std::string LowerAscii(std::string_view s) {
    return FoldAscii<false>(s);
}
std::string UpperAscii(std::string_view s) {
    return FoldAscii<true>(s);
}

int CompareTextAscii(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t n = a.size() < b.size() ? a.size() : b.size();
    bool trailA = false, trailB = false;
    for (; i < n; ++i) {
        auto ca = static_cast<uint8_t>(a[i]);
        auto cb = static_cast<uint8_t>(b[i]);
        uint8_t fa = (!trailA && ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
        uint8_t fb = (!trailB && cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
        if (fa != fb) return fa < fb ? -1 : 1;
        trailA = !trailA && IsLeadByte(ca);
        trailB = !trailB && IsLeadByte(cb);
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    Convert("UTF-8", "CP932", cp932, out, true);
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    Convert("CP932", "UTF-8", utf8, out, true);
    return out;
}

bool TryUtf8ToCp932(std::string_view utf8, std::string& out) {
    return Convert("CP932", "UTF-8", utf8, out, false);
}
bool TryCp932ToUtf8(std::string_view cp932, std::string& out) {
    return Convert("UTF-8", "CP932", cp932, out, false);
}

}  // namespace vesk
