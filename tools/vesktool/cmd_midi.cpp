// `vesktool midi dump FILE.mid [--json]` prints the parsed events in play order;
// `vesktool midi render FILE.mid OUT.wav [--repeat N]` renders them through the sequencer
// and the synthesizer offline.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "media/midi_file.h"
#include "media/offline_render.h"

namespace vesk::tool {

namespace {

std::string Hex(const std::vector<uint8_t>& b) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t v : b) {
        s += kDigits[v >> 4];
        s += kDigits[v & 15];
    }
    return s;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool midi dump FILE.mid [--json]\n"
                 "       vesktool midi render FILE.mid OUT.wav [--repeat N]\n");
    return 2;
}

int Dump(const std::string& path, bool json) {
    auto bytes = ReadWholeFile(path);
    TMidiV m;
    const bool loaded = m.Load(bytes.data(), bytes.size());
    if (json) {
        nlohmann::ordered_json events = nlohmann::ordered_json::array();
        for (const auto& e : m.Events()) {
            nlohmann::ordered_json j;
            j["tick"] = e.tick;
            j["ms"] = e.ms;
            j["track"] = e.track;
            j["kind"] = e.kind;
            j["meta_type"] = e.kind == kMidiMeta ? nlohmann::ordered_json(e.metaType) : nullptr;
            j["bytes"] = Hex(e.bytes);
            events.push_back(std::move(j));
        }
        nlohmann::ordered_json out;
        out["loaded"] = loaded;
        out["length_ms"] = m.LengthMs();
        out["events"] = std::move(events);
        std::printf("%s\n", out.dump().c_str());
    } else if (loaded) {
        std::printf("format %d, %d tracks, division %d, %zu events, %lld ms\n", m.Format(),
                    m.TrackCount(), m.Division(), m.Events().size(), (long long)m.LengthMs());
        static const char* const kKinds[] = {"short", "sysex", "meta"};
        for (const auto& e : m.Events()) {
            std::printf("%10lld %9lld ms  track %2d  %-5s", (long long)e.tick, (long long)e.ms,
                        e.track, kKinds[e.kind]);
            if (e.kind == kMidiMeta) std::printf(" %02x:", e.metaType);
            std::printf(" %s\n", Hex(e.bytes).c_str());
        }
    } else {
        std::fprintf(stderr, "vesktool midi: %s is not a MIDI file\n", path.c_str());
    }
    return loaded ? 0 : 1;
}

int Render(const std::string& in, const std::string& out, int repeat) {
    MidiRenderOptions opt;
    opt.repeat = repeat;
    opt.wavPath = out;
    MidiRenderResult r = RenderMidi(ReadWholeFile(in), opt);
    std::printf("%s: %lld ms, %d play(s), %.2f s of audio\n", out.c_str(), (long long)r.lengthMs,
                repeat, double(r.frames) / 44100.0);
    return 0;
}

}  // namespace

int Cmd_midi(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string sub = argv[1];
    if (sub == "dump") {
        bool json = false;
        for (int i = 3; i < argc; ++i) {
            if (std::strcmp(argv[i], "--json") == 0)
                json = true;
            else
                return Usage();
        }
        return Dump(argv[2], json);
    }
    if (sub == "render") {
        if (argc < 4) return Usage();
        int repeat = 1;
        for (int i = 4; i < argc; ++i) {
            if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
                char* end = nullptr;
                long n = std::strtol(argv[++i], &end, 10);
                if (*end || n < 1 || n > 1000) Fail("midi render: --repeat takes 1 .. 1000");
                repeat = int(n);
            } else {
                return Usage();
            }
        }
        return Render(argv[2], argv[3], repeat);
    }
    return Usage();
}

}  // namespace vesk::tool
