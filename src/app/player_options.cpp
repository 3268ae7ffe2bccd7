#include "app/player_options.h"

#include "app/int_text.h"
#include "base/cp932.h"

namespace vesk {

const char* TPlayerOptions::Usage() {
    return "usage: veskplay [GAME_FOLDER...] [options]\n"
           "       veskplay /config\n"
           "  --headless          no window or sound device; a virtual clock\n"
           "  --frames N          stop after N ticks of the clock\n"
           "  --frame-ms MS       length of a virtual frame, 1..299 (default 16)\n"
           "  --gap N:MS          MS more milliseconds pass before tick N (a stalled frame)\n"
           "  --screenshot N:FILE.png  write the screen as composed after tick N (repeatable)\n"
           "  --window-shot N:FILE.png write the picture as the window shows it after tick N\n"
           "  --input FILE        scripted mouse and key events by tick (see the README)\n"
           "  --logo, --no-logo   play the start-up logo (default: in a window only)\n"
           "  --audio-out FILE.wav  headless: write the game's sound, sample-exact\n"
           "  --dump-vars         print {\"frames\": N, \"vars\": [...]} at exit\n"
           "  --trace             write the command trace to dbglog.txt in the game folder\n"
           "  --answer A[,A...]   answers to message boxes: yes, no, ok, cancel (the last "
           "repeats)\n"
           "  --cd-root DIR       a folder that stands for a disc drive (repeatable)\n"
           "  --exe-folder DIR    start as the player installed in DIR (install.dat, discs)\n";
}

std::string TPlayerOptions::Parse(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string v;
        int64_t n = 0;
        if (a == "--headless") {
            Headless = true;
        } else if (a == "--dump-vars") {
            DumpVars = true;
        } else if (a == "--trace") {
            Trace = true;
        } else if (a == "--help" || a == "-h") {
            Help = true;
        } else if (a == "--frames") {
            if (!value(v) || !IntInRange(v, 0, INT64_MAX, n)) return "--frames needs a count";
            Frames = n;
        } else if (a == "--frame-ms") {
            // A frame of 300 ms or more is dropped: with such frames nothing would ever run.
            if (!value(v) || !IntInRange(v, 1, 299, n)) return "--frame-ms needs 1..299";
            FrameMs = int32_t(n);
        } else if (a == "--gap") {
            size_t colon;
            int64_t ms = 0;
            if (!value(v) || (colon = v.find(':')) == std::string::npos ||
                !IntInRange(v.substr(0, colon), 1, INT64_MAX, n) ||
                !IntInRange(v.substr(colon + 1), 0, 100000, ms))
                return "--gap needs TICK:MS";
            Gaps.push_back({n, int32_t(ms)});
        } else if (a == "--screenshot" || a == "--window-shot") {
            size_t colon;
            if (!value(v) || (colon = v.find(':')) == std::string::npos ||
                !IntInRange(v.substr(0, colon), 1, INT64_MAX, n) || colon + 1 == v.size())
                return a + " needs TICK:FILE.png";
            (a == "--screenshot" ? Shots : WindowShots).push_back({n, v.substr(colon + 1)});
        } else if (a == "--audio-out") {
            if (!value(AudioOut) || AudioOut.empty()) return "--audio-out needs a file";
        } else if (a == "--input") {
            if (!value(InputFile)) return "--input needs a file";
        } else if (a == "--logo" || a == "--no-logo") {
            Logo = a == "--logo" ? 1 : 0;
        } else if (a == "--answer") {
            if (!value(v)) return "--answer needs yes, no, ok or cancel";
            size_t start = 0;
            for (;;) {
                size_t comma = v.find(',', start);
                Answer ans;
                if (!ParseAnswer(v.substr(start, comma - start), ans))
                    return "--answer takes yes, no, ok or cancel";
                Answers.push_back(ans);
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--cd-root") {
            if (!value(v)) return "--cd-root needs a folder";
            CdRoots.push_back(v);
        } else if (a == "--exe-folder") {
            if (!value(ExeFolder)) return "--exe-folder needs a folder";
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return "unknown option " + a;
        } else if (Games.empty() && SameTextAscii(a, "/config")) {
            Config = true;
        } else {
            Games.push_back(a);
        }
    }
    if (!ExeFolder.empty() && !Games.empty())
        return "--exe-folder stands for a start without a game folder";
    // Only the virtual clock keeps the sound in step with the frames.
    if (!AudioOut.empty() && !Headless) return "--audio-out needs --headless";
    return {};
}

}  // namespace vesk
