// `vesktool wipe`: one state of a screen transition, for looking at and for outside checks.
//   wipe KIND OLD.png NEW.png PREV.png E D OUT.png [--p0 N] [--p1 N] [--start] [--mask M.png]
//        [--prior E1,E2,...]
// Makes the transition KIND (a number 1..38 or a name such as WP_FADE or fade) from OLD to
// NEW over a destination holding PREV, sets the parameters through SetParam (so their limits
// apply), the start flag and, for the mask kinds, the mask picture (without --mask the game
// has none), prepares it for the duration D, steps it at each prior elapsed time in order and
// then at E, and writes the destination as an RGB PNG.
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "gfx/custom_wipe.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

namespace vesk::tool {

namespace {

struct WipeArgs {
    int32_t kind = 0;
    std::string kindText, oldPath, newPath, prevPath, outPath, maskPath;
    std::string elapsedText, durationText, p0Text, p1Text, priorText;
    int32_t elapsed = 0, duration = 0;
    std::optional<int32_t> p0, p1;
    bool start = false;
    std::vector<int32_t> prior;
};

bool ParseKind(const std::string& text, int32_t& kind) {
    const char* end = text.data() + text.size();
    if (auto [p, ec] = std::from_chars(text.data(), end, kind); ec == std::errc() && p == end)
        return kind > WP_NONE && kind < kWipeKindEnd;
    std::string name;
    for (char c : text) name += char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (name.rfind("WP_", 0) != 0) name = "WP_" + name;
    for (int32_t k = WP_NONE + 1; k < kWipeKindEnd; ++k) {
        if (name == WipeKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

int32_t Int32Arg(const std::string& text, const std::string& what) {
    return int32_t(NumberArg(text, what, INT32_MIN, INT32_MAX));
}

// Turns the texts of the command line into the values; a usage error when one is wrong.
void Parse(WipeArgs& a) {
    if (!ParseKind(a.kindText, a.kind)) UsageError("no transition kind " + a.kindText);
    a.elapsed = Int32Arg(a.elapsedText, "E");
    a.duration = Int32Arg(a.durationText, "D");
    if (!a.p0Text.empty()) a.p0 = Int32Arg(a.p0Text, "--p0");
    if (!a.p1Text.empty()) a.p1 = Int32Arg(a.p1Text, "--p1");
    std::string_view rest = a.priorText;
    while (!a.priorText.empty()) {
        const size_t comma = rest.find(',');
        a.prior.push_back(Int32Arg(std::string(rest.substr(0, comma)), "--prior"));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
}

// A picture file at 32 bits, or null (with a message) when it cannot be read.
std::unique_ptr<TDIBX> ReadPicture(const std::string& path) {
    try {
        auto picture = std::make_unique<TDIBX>(1, 1, 32);
        FileStream in(path, FileStream::Mode::Read);
        if (picture->LoadFromStream(in)) return picture;
        std::fprintf(stderr, "vesktool wipe: %s: not a picture\n", path.c_str());
    } catch (const VeskError& e) {
        std::fprintf(stderr, "vesktool wipe: %s: %s\n", path.c_str(), e.what());
    }
    return nullptr;
}

int RunWipe(const WipeArgs& a) {
    auto old = ReadPicture(a.oldPath);
    auto neu = ReadPicture(a.newPath);
    auto dest = ReadPicture(a.prevPath);
    std::shared_ptr<TDIBX> mask;
    if (!a.maskPath.empty()) mask = ReadPicture(a.maskPath);
    if (!old || !neu || !dest || (!a.maskPath.empty() && !mask)) return 1;

    TWipeEnv env;
    // The game holds the mask picture under any name, or under none.
    env.loadPicture = [mask](const std::string&) -> std::unique_ptr<TDIBX> {
        if (!mask) return nullptr;
        auto copy = std::make_unique<TDIBX>(1, 1, 32);
        copy->Assign(*mask);
        return copy;
    };
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(a.kind, *dest, *neu, *old, std::move(env));
    if (!wipe) UsageError("kind " + std::to_string(a.kind) + " makes no transition");
    wipe->SetStartFlag(a.start);
    wipe->SetDuration(a.duration);
    wipe->SetElapsed(0);
    if (a.p0) wipe->SetParam(0, *a.p0);
    if (a.p1) wipe->SetParam(1, *a.p1);
    wipe->SetText(a.maskPath);
    wipe->Prepare();
    for (int32_t t : a.prior) {
        wipe->SetElapsed(t);
        wipe->Step();
    }
    wipe->SetElapsed(a.elapsed);
    wipe->Step();
    try {
        SavePngFile(*dest, a.outPath);
    } catch (const VeskError& e) {
        std::fprintf(stderr, "vesktool wipe: %s: %s\n", a.outPath.c_str(), e.what());
        return 1;
    }
    return 0;
}

}  // namespace

void Cmd_wipe(CLI::App& tool, TToolRun& run) {
    auto a = std::make_shared<WipeArgs>();
    CLI::App* cmd = tool.add_subcommand("wipe", "draws one state of a screen transition");
    cmd->footer(
        "Makes the transition KIND (1..38 or a name: WP_FADE, fade, ...) from OLD to NEW over a\n"
        "destination holding PREV, sets the parameters through the transition's own limits,\n"
        "prepares it for D ms, steps it at each prior time and then at E, and writes the\n"
        "destination as an RGB PNG.");
    AddArg(cmd, "KIND", a->kindText, "the transition kind")->required();
    AddArg(cmd, "OLD.png", a->oldPath, "the picture the transition leaves")->required();
    AddArg(cmd, "NEW.png", a->newPath, "the picture it arrives at")->required();
    AddArg(cmd, "PREV.png", a->prevPath, "what the destination holds before")->required();
    AddArg(cmd, "E", a->elapsedText, "the elapsed time of the step written (ms)")->required();
    AddArg(cmd, "D", a->durationText, "the transition's duration (ms)")->required();
    AddArg(cmd, "OUT.png", a->outPath, "the picture to write")->required();
    cmd->add_option("--p0", a->p0Text, "the first parameter")->type_name("N");
    cmd->add_option("--p1", a->p1Text, "the second parameter")->type_name("N");
    cmd->add_flag("--start", a->start, "the start flag (reverses the kinds that have one)");
    cmd->add_option("--mask", a->maskPath, "the mask picture of the mask kinds")
        ->type_name("M.png");
    cmd->add_option("--prior", a->priorText, "elapsed times stepped before E, in order")
        ->type_name("E1,E2,...");
    cmd->callback([a, &run] {
        Parse(*a);
        run.status = RunWipe(*a);
    });
}

}  // namespace vesk::tool
