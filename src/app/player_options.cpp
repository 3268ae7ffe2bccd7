#include "app/player_options.h"

#include <CLI/CLI.hpp>
#include <tuple>

#include "app/int_text.h"
#include "base/cp932.h"

namespace vesk {

namespace {

// The command line as typed: values stay text until they are checked, so that every fault is
// told in the player's own words.
struct TRawOptions {
    std::vector<std::string> games, gaps, shots, windowShots, answers, cdRoots;
    std::string frames, frameMs, input, exeFolder, audioOut, ffSpeed, ffSound, scale, filter, pad,
        seed;
    bool headless = false, dumpVars = false, trace = false, logoGiven = false, noLogoGiven = false;
    CLI::Option* framesGiven = nullptr;
    CLI::Option* frameMsGiven = nullptr;
    CLI::Option* logo = nullptr;
    CLI::Option* noLogo = nullptr;
    CLI::Option* audioOutGiven = nullptr;
};

// A repeatable option: one value each time it is given, all of them kept.
CLI::Option* Repeatable(CLI::Option* o) {
    return o->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->allow_extra_args(false);
}

void Describe(CLI::App& app, TRawOptions& raw) {
    app.description("veskplay: plays a game");
    app.footer(
        "veskplay /config [GAME_FOLDER] opens the settings dialog instead of the game.\n"
        "Without a game folder the player runs an installed game beside it, else the demo.\n"
        "\n"
        "Keys (the game still receives them):\n"
        "  F12          screenshot of the game picture into $XDG_PICTURES_DIR/veskplay/GAME/\n"
        "               (~/Pictures when unset)\n"
        "  Ctrl (held)  fast-forward (in a window; --input scripts use \"fastforward on\")\n"
        "  Alt+Enter    window or full screen (the game does not receive this one)\n"
        "Gamepad: left stick and D-pad move the pointer (or press the arrows, --pad-stick\n"
        "keys), A left click, B right click, Start Esc, right shoulder fast-forward.\n"
        "The window's place, size and full screen are kept per game in\n"
        "$XDG_CONFIG_HOME/veskplay/windows/ (~/.config when unset).\n"
        "\n"
        "Exit status: 0 the game ended, 1 start-up failed (or another player runs on the\n"
        "same game folder), 2 usage errors, 3 the game keeps asking a question no answer\n"
        "settles.");
    // A repeated option takes its last value, as it always did.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("GAME_FOLDER", raw.games, "game folders and archives; the first is the game")
        ->type_name("");
    app.add_flag("--headless", raw.headless, "no window or sound device; a virtual clock");
    raw.framesGiven =
        app.add_option("--frames", raw.frames, "stop after N ticks of the clock")->type_name("N");
    raw.frameMsGiven =
        app.add_option("--frame-ms", raw.frameMs, "length of a virtual frame, 1..299 (default 16)")
            ->type_name("MS");
    Repeatable(app.add_option("--gap", raw.gaps,
                              "MS more milliseconds pass before tick N (a stalled frame)")
                   ->type_name("N:MS"));
    Repeatable(app.add_option("--screenshot", raw.shots,
                              "write the screen as composed after tick N (repeatable)")
                   ->type_name("N:FILE.png"));
    Repeatable(app.add_option("--window-shot", raw.windowShots,
                              "write the picture as the window shows it after tick N")
                   ->type_name("N:FILE.png"));
    app.add_option("--input", raw.input, "scripted mouse and key events by tick (see the README)")
        ->type_name("FILE");
    raw.logo =
        app.add_flag("--logo", raw.logoGiven, "play the start-up logo (default: in a window only)");
    raw.noLogo = app.add_flag("--no-logo", raw.noLogoGiven, "leave the start-up logo out");
    raw.audioOutGiven =
        app.add_option("--audio-out", raw.audioOut,
                       "with --headless: write the game's sound to this WAV file, sample-exact")
            ->type_name("FILE.wav");
    app.add_flag("--dump-vars", raw.dumpVars, "print {\"frames\": N, \"vars\": [...]} at exit");
    app.add_option("--seed", raw.seed,
                   "seed of the game's randomness (default: fixed headless, else the clock)")
        ->type_name("N");
    app.add_flag("--trace", raw.trace, "write the command trace to dbglog.txt in the game folder");
    Repeatable(app.add_option("--answer", raw.answers,
                              "answers to message boxes: yes, no, ok, cancel (the last repeats)")
                   ->type_name("A[,A...]"));
    Repeatable(app.add_option("--cd-root", raw.cdRoots,
                              "a folder that stands for a disc drive (repeatable)")
                   ->type_name("DIR"));
    app.add_option("--exe-folder", raw.exeFolder,
                   "start as the player installed in DIR (install.dat, discs)")
        ->type_name("DIR");
    app.add_option("--ff-speed", raw.ffSpeed,
                   "frames per shown frame while fast-forwarding (default 8, 1..64)")
        ->type_name("N");
    app.add_option("--ff-sound", raw.ffSound,
                   "sound while fast-forwarding: mute, or play (on at its own pace)")
        ->type_name("mute|play");
    app.add_option("--scale", raw.scale,
                   "window at N times the game's size (default: the largest that fits, or as "
                   "last time)")
        ->type_name("N");
    app.add_option("--filter", raw.filter,
                   "scaling: nearest or linear (default: nearest at whole multiples, else linear)")
        ->type_name("nearest|linear");
    app.add_option("--pad-stick", raw.pad,
                   "the gamepad's left stick and D-pad: the pointer or the arrow keys")
        ->type_name("pointer|keys");
}

// A word of a small set, compared without regard to case; false when it is none of them.
template <class T, size_t N>
bool OneOf(const std::string& text, const std::pair<const char*, T> (&words)[N], T& out) {
    for (const auto& [word, value] : words)
        if (SameTextAscii(text, word)) {
            out = value;
            return true;
        }
    return false;
}

// "TICK:TEXT" with a tick of at least 1; false when it is not.
bool TickAndText(const std::string& v, int64_t& tick, std::string& text) {
    const size_t colon = v.find(':');
    if (colon == std::string::npos || !IntInRange(v.substr(0, colon), 1, INT64_MAX, tick))
        return false;
    text = v.substr(colon + 1);
    return true;
}

}  // namespace

std::string TPlayerOptions::Usage() {
    TRawOptions raw;
    CLI::App app("", "veskplay");
    Describe(app, raw);
    return app.help();
}

std::string TPlayerOptions::Parse(const std::vector<std::string>& args) {
    TRawOptions raw;
    CLI::App app("", "veskplay");
    Describe(app, raw);
    try {
        // The library takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        Help = true;
        return {};
    } catch (const CLI::ParseError& e) {
        return e.what();
    }

    Games = raw.games;
    // "/config" in the first place asks for the settings dialog.
    if (!Games.empty() && SameTextAscii(Games[0], "/config")) {
        Config = true;
        Games.erase(Games.begin());
    }
    Headless = raw.headless;
    DumpVars = raw.dumpVars;
    Trace = raw.trace;
    for (const CLI::Option* o : app.parse_order()) {
        if (o == raw.logo) Logo = 1;
        if (o == raw.noLogo) Logo = 0;
    }
    int64_t n = 0;
    if (raw.framesGiven->count() > 0) {
        if (!IntInRange(raw.frames, 0, INT64_MAX, n)) return "--frames needs a count";
        Frames = n;
    }
    if (!raw.seed.empty()) {
        if (!IntInRange(raw.seed, 0, UINT32_MAX, n)) return "--seed needs 0..4294967295";
        Seed = uint32_t(n);
    }
    if (raw.frameMsGiven->count() > 0) {
        // A frame of 300 ms or more is dropped: with such frames nothing would ever run.
        if (!IntInRange(raw.frameMs, 1, 299, n)) return "--frame-ms needs 1..299";
        FrameMs = int32_t(n);
    }
    for (const std::string& v : raw.gaps) {
        std::string ms;
        int64_t msValue = 0;
        if (!TickAndText(v, n, ms) || !IntInRange(ms, 0, 100000, msValue))
            return "--gap needs TICK:MS";
        Gaps.push_back({n, int32_t(msValue)});
    }
    for (auto [list, out, name] : {std::tuple{&raw.shots, &Shots, "--screenshot"},
                                   std::tuple{&raw.windowShots, &WindowShots, "--window-shot"}}) {
        for (const std::string& v : *list) {
            std::string file;
            if (!TickAndText(v, n, file) || file.empty())
                return std::string(name) + " needs TICK:FILE.png";
            out->push_back({n, file});
        }
    }
    InputFile = raw.input;
    for (const std::string& v : raw.answers) {
        size_t start = 0;
        for (;;) {
            const size_t comma = v.find(',', start);
            Answer a;
            if (!ParseAnswer(v.substr(start, comma - start), a))
                return "--answer takes yes, no, ok or cancel";
            Answers.push_back(a);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    }
    if (!raw.ffSpeed.empty()) {
        if (!IntInRange(raw.ffSpeed, 1, TFastForward::kMaxSpeed, n))
            return "--ff-speed needs 1.." + std::to_string(TFastForward::kMaxSpeed);
        FastForwardSpeed = int32_t(n);
    }
    static constexpr std::pair<const char*, FastForwardSound> kSounds[] = {
        {"mute", FastForwardSound::Mute}, {"play", FastForwardSound::Play}};
    if (!raw.ffSound.empty() && !OneOf(raw.ffSound, kSounds, FfSound))
        return "--ff-sound takes mute or play";
    if (!raw.scale.empty()) {
        if (!IntInRange(raw.scale, 1, 16, n)) return "--scale needs 1..16";
        Scale = int32_t(n);
    }
    static constexpr std::pair<const char*, ScaleFilter> kFilters[] = {
        {"nearest", ScaleFilter::Nearest}, {"linear", ScaleFilter::Linear}};
    if (!raw.filter.empty() && !OneOf(raw.filter, kFilters, Filter))
        return "--filter takes nearest or linear";
    static constexpr std::pair<const char*, PadMove> kPad[] = {{"pointer", PadMove::Pointer},
                                                               {"keys", PadMove::Keys}};
    if (!raw.pad.empty() && !OneOf(raw.pad, kPad, PadStick))
        return "--pad-stick takes pointer or keys";
    CdRoots = raw.cdRoots;
    ExeFolder = raw.exeFolder;
    if (!ExeFolder.empty() && !Games.empty())
        return "--exe-folder stands for a start without a game folder";
    if (raw.audioOutGiven->count() > 0) {
        if (raw.audioOut.empty()) return "--audio-out needs a file";
        // Only the virtual clock keeps the sound in step with the frames.
        if (!Headless) return "--audio-out needs --headless";
        AudioOut = raw.audioOut;
    }
    return {};
}

}  // namespace vesk
