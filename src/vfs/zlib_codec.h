#pragma once
// zlib streams of archive members: inflating with a ceiling on the output, deflating at the
// fastest level.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// The largest member the player inflates; the format's memory streams are 32-bit.
inline constexpr size_t kMaxInflatedSize = 0x7FFFFFFF;

// Inflates the zlib stream src[0, n) and appends the result to `out`. The output may not
// exceed `limit` bytes nor what zlib can produce from n bytes (about 1032 to 1). Broken,
// truncated or oversized data raise a VeskError whose message begins with `what`.
void InflateAppend(const uint8_t* src, size_t n, std::vector<uint8_t>& out, const std::string& what,
                   size_t limit = kMaxInflatedSize);

// Compresses at level 1 (the fastest), as the archive writer does.
std::vector<uint8_t> DeflateFast(const uint8_t* src, size_t n);

}  // namespace vesk
