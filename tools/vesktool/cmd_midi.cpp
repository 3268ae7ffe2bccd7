// `vesktool midi dump FILE.mid [--json]` prints the parsed events in play order;
// `vesktool midi render FILE.mid OUT.wav [--repeat N]` renders them through the sequencer
// and the synthesizer offline.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
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
    return loaded ? kToolOk : kToolFailed;
}

int Render(const std::string& in, const std::string& out, int repeat) {
    MidiRenderOptions opt;
    opt.repeat = repeat;
    opt.wavPath = out;
    MidiRenderResult r = RenderMidi(ReadWholeFile(in), opt);
    std::printf("%s: %lld ms, %d play(s), %.2f s of audio\n", out.c_str(), (long long)r.lengthMs,
                repeat, double(r.frames) / 44100.0);
    return kToolOk;
}

}  // namespace

void Cmd_midi(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("midi", "MIDI files: dump the events, render to WAV");
    cmd->require_subcommand(1);
    struct Args {
        std::string in, out;
        bool json = false;
        int repeat = 1;
    };
    auto a = std::make_shared<Args>();

    CLI::App* dump = cmd->add_subcommand("dump", "the parsed events in play order");
    AddArg(dump, "FILE.mid", a->in, "the MIDI file")->required();
    dump->add_flag("--json", a->json, "as one JSON object");
    dump->callback([a, &run] { run.status = Dump(a->in, a->json); });

    CLI::App* render = cmd->add_subcommand(
        "render", "plays the file through the sequencer and the synthesizer into a WAV file");
    AddArg(render, "FILE.mid", a->in, "the MIDI file")->required();
    AddArg(render, "OUT.wav", a->out, "the WAV file to write")->required();
    render->add_option("--repeat", a->repeat, "plays of the file, 1..1000")
        ->check(CLI::Range(1, 1000))
        ->type_name("N")
        ->capture_default_str();
    render->callback([a, &run] { run.status = Render(a->in, a->out, a->repeat); });
}

}  // namespace vesk::tool
