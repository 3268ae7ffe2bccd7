#pragma once
// Builds Standard MIDI Files byte by byte for the tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vesk::test {

class TrackBuilder {
  public:
    TrackBuilder& Delta(uint32_t ticks) {
        VarLen(ticks);
        return *this;
    }
    // Raw bytes after a delta: a status and its data, or running-status data alone.
    TrackBuilder& Bytes(std::initializer_list<uint8_t> b) {
        data.insert(data.end(), b);
        return *this;
    }
    TrackBuilder& Ev(uint32_t delta, std::initializer_list<uint8_t> b) {
        return Delta(delta).Bytes(b);
    }
    TrackBuilder& Tempo(uint32_t delta, uint32_t usq) {
        return Ev(delta, {0xFF, 0x51, 0x03, uint8_t(usq >> 16), uint8_t(usq >> 8), uint8_t(usq)});
    }
    TrackBuilder& End(uint32_t delta = 0) { return Ev(delta, {0xFF, 0x2F, 0x00}); }
    void VarLen(uint32_t v) {
        uint8_t tmp[5];
        int n = 0;
        tmp[n++] = v & 0x7F;
        while (v >>= 7) tmp[n++] = uint8_t(0x80 | (v & 0x7F));
        while (n) data.push_back(tmp[--n]);
    }
    std::vector<uint8_t> data;
};

inline void PutBe32(std::vector<uint8_t>& o, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) o.push_back(uint8_t(v >> s));
}

// A whole file; `lengths` overrides the stored track lengths where given (non-negative).
inline std::vector<uint8_t> MakeSmf(uint16_t format, uint16_t division,
                                    const std::vector<TrackBuilder>& tracks,
                                    std::vector<int64_t> lengths = {}, int trackCount = -1) {
    std::vector<uint8_t> o{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    uint16_t n = uint16_t(trackCount >= 0 ? trackCount : int(tracks.size()));
    for (uint16_t v : {format, n, division}) {
        o.push_back(uint8_t(v >> 8));
        o.push_back(uint8_t(v));
    }
    for (size_t i = 0; i < tracks.size(); ++i) {
        o.insert(o.end(), {'M', 'T', 'r', 'k'});
        int64_t len =
            i < lengths.size() && lengths[i] >= 0 ? lengths[i] : int64_t(tracks[i].data.size());
        PutBe32(o, uint32_t(len));
        o.insert(o.end(), tracks[i].data.begin(), tracks[i].data.end());
    }
    return o;
}

}  // namespace vesk::test
