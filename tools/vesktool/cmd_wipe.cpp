// `vesktool wipe`: one state of a screen transition, for looking at and for outside checks.
//   wipe KIND OLD.png NEW.png PREV.png E D OUT.png [--p0 N] [--p1 N] [--start] [--mask M.png]
//        [--prior E1,E2,...]
// Makes the transition KIND (a number 1..38 or a name such as WP_FADE or fade) from OLD to
// NEW over a destination holding PREV, sets the parameters through SetParam (so their limits
// apply), the start flag and, for the mask kinds, the mask picture (without --mask the game
// has none), prepares it for the duration D, steps it at each prior elapsed time in order and
// then at E, and writes the destination as an RGB PNG. Exit status: 0 done, 1 a picture could
// not be read or written, 2 a usage error.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "gfx/custom_wipe.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

namespace vesk::tool {

namespace {

struct WipeArgs {
    int32_t kind = 0;
    std::string oldPath, newPath, prevPath, outPath, maskPath;
    int32_t elapsed = 0, duration = 0;
    std::optional<int32_t> p0, p1;
    bool start = false;
    std::vector<int32_t> prior;
};

int Usage(const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "vesktool wipe: %s\n", why.c_str());
    std::fprintf(stderr,
                 "usage: vesktool wipe KIND OLD.png NEW.png PREV.png E D OUT.png [--p0 N] "
                 "[--p1 N]\n"
                 "           [--start] [--mask M.png] [--prior E1,E2,...]\n"
                 "KIND is 1..38 or a name (WP_FADE, fade, ...)\n");
    return 2;
}

bool ParseInt(std::string_view text, int32_t& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty();
}

bool ParseKind(const std::string& text, int32_t& kind) {
    if (ParseInt(text, kind)) return kind > WP_NONE && kind < kWipeKindEnd;
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

// Empty on success, else what is wrong.
std::string Parse(int argc, char** argv, WipeArgs& a) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The value after an option.
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string(argv[++i]);
        };
        int32_t number = 0;
        if (arg == "--p0" || arg == "--p1") {
            auto v = value();
            if (!v || !ParseInt(*v, number)) return arg + " needs a whole number";
            (arg == "--p0" ? a.p0 : a.p1) = number;
        } else if (arg == "--start") {
            a.start = true;
        } else if (arg == "--mask") {
            auto v = value();
            if (!v || v->empty()) return "--mask needs a picture";
            a.maskPath = *v;
        } else if (arg == "--prior") {
            auto v = value();
            if (!v) return "--prior needs a list of times";
            std::string_view rest = *v;
            while (true) {
                const size_t comma = rest.find(',');
                if (!ParseInt(rest.substr(0, comma), number)) return "bad --prior time in " + *v;
                a.prior.push_back(number);
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
        } else if (arg.size() > 1 && arg[0] == '-' && !ParseInt(arg, number)) {
            // Negative times are arguments, anything else with a dash an option.
            return "unknown option " + arg;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 7)
        return "expected 7 arguments, got " + std::to_string(positional.size());
    if (!ParseKind(positional[0], a.kind)) return "no transition kind " + positional[0];
    a.oldPath = positional[1];
    a.newPath = positional[2];
    a.prevPath = positional[3];
    if (!ParseInt(positional[4], a.elapsed)) return "E must be a whole number";
    if (!ParseInt(positional[5], a.duration)) return "D must be a whole number";
    a.outPath = positional[6];
    return {};
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
    if (!wipe) return Usage("kind " + std::to_string(a.kind) + " makes no transition");
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

int Cmd_wipe(int argc, char** argv) {
    WipeArgs args;
    const std::string error = Parse(argc, argv, args);
    if (!error.empty()) return Usage(error);
    return RunWipe(args);
}

}  // namespace vesk::tool
