#include "scriptc/sound_sources.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "base/cp932.h"
#include "base/endian.h"
#include "media/media_writer.h"
#include "media/wav_file.h"
#include "scriptc/source_error.h"

namespace vesk::scriptc {

namespace {

// A line of words, `//` comments removed.
std::vector<std::string> Words(const std::string& line) {
    std::string text = line.substr(0, line.find("//"));
    std::istringstream in(text);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    if (s.empty() || s.size() > 9) return false;
    size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    if (s[0] == '-') v = -v;
    if (v < lo || v > hi) return false;
    out = int(v);
    return true;
}

bool ParseReal(const std::string& s, double lo, double hi, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !(v >= lo && v <= hi)) return false;
    out = v;
    return true;
}

// ---- scores

constexpr int kDivision = 96;  // ticks per quarter note

struct Event {
    int64_t tick;
    int order;
    std::vector<uint8_t> bytes;  // a channel message, or a meta event from 0xFF on
};

// "C4" is middle C (60); sharps '#', flats 'b'.
bool ParsePitch(const std::string& s, int& key) {
    static const std::map<char, int> kBase = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                              {'G', 7}, {'A', 9}, {'B', 11}};
    if (s.size() < 2) return false;
    auto it = kBase.find(char(std::toupper(static_cast<unsigned char>(s[0]))));
    if (it == kBase.end()) return false;
    int k = it->second;
    size_t i = 1;
    for (; i < s.size() && (s[i] == '#' || s[i] == 'b'); ++i) k += s[i] == '#' ? 1 : -1;
    int octave;
    if (!ParseInt(s.substr(i), -1, 9, octave)) return false;
    k += (octave + 1) * 12;
    if (k < 0 || k > 127) return false;
    key = k;
    return true;
}

// "/4" a quarter, "/8." a dotted eighth, "/1" a whole note.
bool ParseLength(const std::string& s, int& ticks) {
    const bool dotted = !s.empty() && s.back() == '.';
    int d;
    if (!ParseInt(dotted ? s.substr(0, s.size() - 1) : s, 1, 64, d)) return false;
    if (kDivision * 4 % d != 0) return false;
    ticks = kDivision * 4 / d;
    if (dotted) ticks += ticks / 2;
    return ticks > 0;
}

void PutVarLen(std::vector<uint8_t>& o, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7) tmp[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n) o.push_back(tmp[--n]);
}

std::vector<uint8_t> TrackChunk(std::vector<Event> events, int64_t end) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> data;
    int64_t at = 0;
    for (const Event& e : events) {
        PutVarLen(data, uint32_t(e.tick - at));
        at = e.tick;
        data.insert(data.end(), e.bytes.begin(), e.bytes.end());
    }
    PutVarLen(data, uint32_t(std::max<int64_t>(end - at, 0)));
    data.insert(data.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
    AppendBe32(chunk, uint32_t(data.size()));
    chunk.insert(chunk.end(), data.begin(), data.end());
    return chunk;
}

}  // namespace

std::vector<uint8_t> CompileScore(const std::string& file, const std::string& text) {
    std::vector<std::vector<Event>> tracks(1);
    int64_t end = 0;
    int64_t tick = 0;
    int channel = 0, velocity = 96, length = kDivision, order = 0;
    std::istringstream in(text);
    std::string line;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        auto fail = [&](const std::string& why) -> void {
            throw SourceError(file, {lineNo, 1}, why);
        };
        const std::vector<std::string> w = Words(line);
        if (w.empty()) continue;
        const std::string& cmd = w[0];
        auto number = [&](size_t i, int lo, int hi) {
            int v = 0;
            if (i >= w.size() || !ParseInt(w[i], lo, hi, v))
                fail(cmd + " needs a number from " + std::to_string(lo) + " to " +
                     std::to_string(hi));
            return v;
        };
        auto add = [&](int64_t at, std::vector<uint8_t> bytes) {
            tracks.back().push_back(Event{at, order++, std::move(bytes)});
        };
        if (cmd == "tempo") {
            const int bpm = number(1, 10, 600);
            const uint32_t usq = uint32_t(60000000 / bpm);
            add(tick, {0xFF, 0x51, 0x03, uint8_t(usq >> 16), uint8_t(usq >> 8), uint8_t(usq)});
        } else if (cmd == "track") {
            // A track of its own, from the start, with the settings as at the start.
            if (!tracks.back().empty()) tracks.emplace_back();
            tick = 0;
            channel = 0;
            velocity = 96;
            length = kDivision;
        } else if (cmd == "channel") {
            channel = number(1, 1, 16) - 1;
        } else if (cmd == "program") {
            add(tick, {uint8_t(0xC0 | channel), uint8_t(number(1, 1, 128) - 1)});
        } else if (cmd == "volume") {
            add(tick, {uint8_t(0xB0 | channel), 7, uint8_t(number(1, 0, 127))});
        } else if (cmd == "pan") {
            add(tick, {uint8_t(0xB0 | channel), 10, uint8_t(number(1, 0, 127))});
        } else if (cmd == "velocity") {
            velocity = number(1, 1, 127);
        } else if (cmd == "at") {
            // Back to a bar's start (4/4, counted from 1) for another voice.
            tick = int64_t(number(1, 1, 10000) - 1) * kDivision * 4;
        } else if (cmd == "notes") {
            if (w.size() < 2) fail("notes needs notes");
            for (size_t i = 1; i < w.size(); ++i) {
                // PITCH[+PITCH...][/LENGTH] or r[/LENGTH] for a rest.
                std::string tok = w[i];
                const size_t slash = tok.find('/');
                if (slash != std::string::npos) {
                    if (!ParseLength(tok.substr(slash + 1), length))
                        fail("bad length in '" + tok + "' (/1, /2, /4, /8, /16, dotted /4.)");
                    tok = tok.substr(0, slash);
                }
                if (tok != "r") {
                    size_t from = 0;
                    for (;;) {
                        const size_t plus = tok.find('+', from);
                        int key;
                        if (!ParsePitch(tok.substr(from, plus - from), key))
                            fail("bad note '" + w[i] + "' (C4 is middle C; C#4, Bb3)");
                        add(tick, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
                        add(tick + length, {uint8_t(0x80 | channel), uint8_t(key), 0});
                        if (plus == std::string::npos) break;
                        from = plus + 1;
                    }
                }
                tick += length;
                if (tick > int64_t(kDivision) * 4 * 10000) fail("the score is too long");
            }
        } else {
            fail("unknown word '" + cmd +
                 "' (tempo, track, channel, program, volume, pan, velocity, at, notes)");
        }
        end = std::max(end, tick);
    }
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    AppendBe16(out, uint16_t(tracks.size()));
    AppendBe16(out, kDivision);
    for (auto& t : tracks) {
        auto chunk = TrackChunk(std::move(t), end);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

SynthSound SynthesizeTones(const std::string& file, const std::string& text) {
    SynthSound s;
    std::istringstream in(text);
    std::string line;
    std::vector<double> mono;
    // Where the next tone or rest begins; `at` moves it back so tones can sound together.
    size_t pos = 0;
    for (int lineNo = 1; std::getline(in, line); ++lineNo) {
        auto fail = [&](const std::string& why) -> void {
            throw SourceError(file, {lineNo, 1}, why);
        };
        const std::vector<std::string> w = Words(line);
        if (w.empty()) continue;
        if (w[0] == "rate") {
            if (w.size() != 2 || !ParseInt(w[1], 8000, 96000, s.rate))
                fail("rate needs 8000..96000");
        } else if (w[0] == "channels") {
            if (w.size() != 2 || !ParseInt(w[1], 1, 2, s.channels)) fail("channels needs 1 or 2");
        } else if (w[0] == "at") {
            double ms = 0;
            if (w.size() != 2 || !ParseReal(w[1], 0, 60000, ms)) fail("at needs MS from 0");
            pos = size_t(ms * s.rate / 1000);
        } else if (w[0] == "tone" || w[0] == "rest") {
            // tone SHAPE HZ[..HZ] MS [LEVEL [decay|swell]]; rest MS
            const bool rest = w[0] == "rest";
            const size_t need = rest ? 2 : 4;
            if (w.size() < need) fail(rest ? "rest needs MS" : "tone needs SHAPE HZ MS");
            double f0 = 0, f1 = 0, ms = 0, level = 0.5;
            if (!ParseReal(w[rest ? 1 : 3], 1, 60000, ms)) fail("bad duration in ms");
            std::string shape = rest ? "sine" : w[1];
            if (shape != "sine" && shape != "square" && shape != "triangle" && shape != "noise")
                fail("shape is sine, square, triangle or noise");
            if (!rest) {
                const std::string& hz = w[2];
                const size_t dots = hz.find("..");
                if (!ParseReal(hz.substr(0, dots), 1, 20000, f0)) fail("bad frequency");
                f1 = f0;
                if (dots != std::string::npos && !ParseReal(hz.substr(dots + 2), 1, 20000, f1))
                    fail("bad frequency");
                if (w.size() > 4 && !ParseReal(w[4], 0, 1, level)) fail("level is 0 .. 1");
            }
            const std::string envelope = w.size() > 5 ? w[5] : "";
            if (!envelope.empty() && envelope != "decay" && envelope != "swell")
                fail("unknown word '" + envelope + "' (decay, swell)");
            if (w.size() > 6) fail("'" + w[6] + "' is more than a tone takes");
            const size_t n = size_t(ms * s.rate / 1000);
            if (pos + n > size_t(s.rate) * 60) fail("more than a minute of sound");
            if (mono.size() < pos + n) mono.resize(pos + n, 0.0);
            if (rest) {
                pos += n;
                continue;
            }
            // Noise goes through two one-pole low-passes at the frequency (a rumble low, a
            // hiss high) and is brought back to the loudness of unfiltered noise.
            std::vector<double> coloured;
            if (shape == "noise") {
                coloured.resize(n);
                double a = 0, b = 0, sum = 0;
                uint32_t noise = 12345;
                for (size_t i = 0; i < n; ++i) {
                    noise = noise * 1103515245u + 12345u;
                    const double white = double((noise >> 16) & 0x7FFF) / 16384.0 - 1;
                    const double f = f0 + (f1 - f0) * double(i) / double(n);
                    const double k = 1 - std::exp(-2 * M_PI * f / s.rate);
                    a += k * (white - a);
                    b += k * (a - b);
                    coloured[i] = b;
                    sum += b * b;
                }
                const double gain = sum > 0 ? std::sqrt(double(n) / 3 / sum) : 0;
                for (double& v : coloured) v *= gain;
            }
            double phase = 0;
            for (size_t i = 0; i < n; ++i) {
                const double t = double(i) / double(n);
                const double f = f0 + (f1 - f0) * t;
                phase += f / s.rate;
                phase -= std::floor(phase);
                double v;
                if (shape == "sine")
                    v = std::sin(2 * M_PI * phase);
                else if (shape == "square")
                    v = phase < 0.5 ? 1 : -1;
                else if (shape == "triangle")
                    v = 4 * std::abs(phase - 0.5) - 1;
                else
                    v = coloured[i];
                // A short attack against clicks; a decay falls to nothing at the end, a swell
                // rises and falls away like a gust.
                double env = std::min(1.0, double(i) / (s.rate * 0.005));
                if (envelope == "decay")
                    env *= std::pow(1 - t, 2);
                else if (envelope == "swell")
                    env = std::sin(M_PI * t);
                else
                    env *= std::min(1.0, double(n - i) / (s.rate * 0.005));
                mono[pos + i] += v * level * env;
            }
            pos += n;
        } else {
            fail("unknown word '" + w[0] + "' (rate, channels, at, tone, rest)");
        }
    }
    for (double v : mono) {
        const auto x = int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
        for (int c = 0; c < s.channels; ++c) s.samples.push_back(x);
    }
    return s;
}

bool ConvertSoundSource(const std::filesystem::path& rel, const std::string& file,
                        const std::vector<uint8_t>& bytes, std::filesystem::path& outRel,
                        std::vector<uint8_t>& out) {
    const std::string name = LowerAscii(rel.filename().string());
    auto endsWith = [&](const char* e) {
        const std::string s = e;
        return name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
    };
    const std::string text(bytes.begin(), bytes.end());
    if (endsWith(".mid.txt")) {
        out = CompileScore(file, text);
        outRel = std::filesystem::path(rel).replace_extension();  // "x.mid.txt" -> "x.mid"
        return true;
    }
    if (endsWith(".wav.txt") || endsWith(".ogg.txt")) {
        outRel = std::filesystem::path(rel).replace_extension();
        SynthSound s = SynthesizeTones(file, text);
        if (endsWith(".ogg.txt")) {
            out = EncodeOggVorbis(s.samples, s.channels, s.rate);
        } else {
            std::vector<uint8_t> pcm;
            for (int16_t v : s.samples) AppendLe16(pcm, uint16_t(v));
            out = MakeWavBytes({s.channels, s.rate, 16}, pcm);
        }
        return true;
    }
    return false;
}

}  // namespace vesk::scriptc
