#pragma once
// Sound made from numbers, game files in memory and a headless audio path whose mix is
// kept, for the tests of decoders, items, managers and media objects.
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "media/audio_format.h"
#include "media/audio_system.h"
#include "media/media_managers.h"

namespace vesk::test {

// Interleaved 16-bit samples of a sine (the same on every channel).
inline std::vector<int16_t> Sine(size_t frames, double hz, int rate, int channels = 2,
                                 double amp = 12000) {
    std::vector<int16_t> s;
    s.reserve(frames * size_t(channels));
    for (size_t i = 0; i < frames; ++i) {
        const auto v = int16_t(std::lround(amp * std::sin(2 * M_PI * hz * double(i) / rate)));
        for (int c = 0; c < channels; ++c) s.push_back(v);
    }
    return s;
}

inline std::vector<uint8_t> Bytes16(const std::vector<int16_t>& s) {
    std::vector<uint8_t> b;
    b.reserve(s.size() * 2);
    for (int16_t v : s) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return b;
}

// Upward zero crossings of channel `ch` per second: the pitch of a sine.
inline double Pitch(const std::vector<int16_t>& stereo, size_t from, size_t frames, int rate,
                    int ch = 0) {
    int crossings = 0;
    for (size_t i = from + 1; i < from + frames && i * 2 + 1 < stereo.size(); ++i)
        crossings += stereo[(i - 1) * 2 + size_t(ch)] < 0 && stereo[i * 2 + size_t(ch)] >= 0;
    return crossings * double(rate) / double(frames);
}

// Largest absolute sample of channel `ch` in [from, from + frames).
inline int Peak(const std::vector<int16_t>& stereo, size_t from, size_t frames, int ch) {
    int m = 0;
    for (size_t i = from; i < from + frames && i * 2 + 1 < stereo.size(); ++i)
        m = std::max(m, std::abs(int(stereo[i * 2 + size_t(ch)])));
    return m;
}

// The first frame at or after `from` whose sample on either channel is not 0 (or the end).
inline size_t FirstSound(const std::vector<int16_t>& stereo, size_t from = 0) {
    for (size_t i = from; i * 2 + 1 < stereo.size(); ++i)
        if (stereo[i * 2] != 0 || stereo[i * 2 + 1] != 0) return i;
    return stereo.size() / 2;
}

// Game files held in memory.
struct MemoryFiles {
    std::map<std::string, std::vector<uint8_t>> files;

    TMediaSources Sources() {
        return TMediaSources{.OpenRange = [this](const std::string& n) -> std::unique_ptr<Stream> {
                                 auto it = files.find(n);
                                 if (it == files.end()) Fail(n + VESK_JP(":ファイルがありません"));
                                 return std::make_unique<MemoryStream>(it->second);
                             },
                             .LoadBytes =
                                 [this](const std::string& n) {
                                     auto it = files.find(n);
                                     if (it == files.end())
                                         Fail(n + VESK_JP(":ファイルがありません"));
                                     return it->second;
                                 },
                             .Exists = [this](const std::string& n) { return files.count(n) > 0; }};
    }
};

// Sets an integer property the way scripts do.
template <class Obj>
void SetIntOf(Obj& o, int32_t index, int32_t v) {
    o.SetIntProp(index, v);
}

// A headless audio path that keeps what it mixed.
struct Headless {
    std::unique_ptr<AudioSystem> audio = AudioSystem::Headless();
    Headless() { audio->Capture()->KeepInMemory(true); }
    const std::vector<int16_t>& Mix() const { return audio->Capture()->Samples(); }
    size_t Frames() const { return Mix().size() / 2; }
    void Advance(uint32_t ms) { audio->Advance(ms); }
};

}  // namespace vesk::test
