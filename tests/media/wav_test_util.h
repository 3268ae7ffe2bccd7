#pragma once
// Decoded streams made from sample values, for the mixer tests.
#include <cmath>
#include <memory>
#include <vector>

#include "media/wav_file.h"

namespace vesk::test {

inline std::unique_ptr<TOggStream> WavOf(const TWavFormat& f, const std::vector<uint8_t>& pcm) {
    return std::make_unique<TWavStream>(std::make_unique<MemoryStream>(MakeWavBytes(f, pcm)));
}

inline std::vector<uint8_t> S16Bytes(const std::vector<int16_t>& s) {
    std::vector<uint8_t> b;
    for (int16_t v : s) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return b;
}

// `frames` frames of a constant 16-bit stereo value.
inline std::vector<uint8_t> Constant16(size_t frames, int16_t l, int16_t r) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(l);
        s.push_back(r);
    }
    return S16Bytes(s);
}

}  // namespace vesk::test
