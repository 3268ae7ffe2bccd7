#include <cerrno>
#include <cstdlib>

#include "command_table.h"

namespace vesk::tool {

int64_t NumberArg(const std::string& text, const std::string& option, int64_t lo, int64_t hi) {
    // Decimal, or hexadecimal after "0x"; a leading zero does not make octal.
    const size_t sign = text.size() > 0 && text[0] == '-' ? 1 : 0;
    const bool hex = text.size() > sign + 1 && text[sign] == '0' &&
                     (text[sign + 1] == 'x' || text[sign + 1] == 'X');
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (text.empty() || *end || errno == ERANGE || v < lo || v > hi)
        UsageError(option + " takes a whole number from " + std::to_string(lo) + " to " +
                   std::to_string(hi) + ", not \"" + text + "\"");
    return v;
}

}  // namespace vesk::tool
