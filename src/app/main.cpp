// veskplay: runs a game in a window on the real clock, or headless on a virtual clock
// (--headless). Without a display it runs headless on the real clock. Message boxes go to
// standard error.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/headless_box.h"
#include "app/player.h"
#include "app/player_options.h"
#include "platform/posix_file_system.h"

namespace fs = std::filesystem;
using namespace vesk;

namespace {

std::string ExecutablePath(IHostFileSystem& hostFs, const char* argv0) {
    std::string p = hostFs.ExecutablePath();
    if (!p.empty()) return p;
    std::error_code ec;
    return fs::absolute(argv0, ec).string();
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever goes wrong ends here with a word and a failure, never with an abort.
    try {
        TPlayerOptions opt;
        const std::string err = opt.Parse(std::vector<std::string>(argv + 1, argv + argc));
        if (opt.Help) {
            std::fputs(TPlayerOptions::Usage().c_str(), stdout);
            return kExitEnded;
        }
        if (!err.empty()) {
            std::fprintf(stderr, "veskplay: %s\n(veskplay --help lists the options)\n",
                         err.c_str());
            return kExitUsage;
        }
#ifdef VESK_DEMO_GAME
        const std::string demo = VESK_DEMO_GAME;
#else
        const std::string demo;
#endif
        TPosixFileSystem hostFs;
        return RunPlayer(opt, hostFs, ExecutablePath(hostFs, argv[0]), demo);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veskplay: %s\n", ReadableText(e.what()).c_str());
    } catch (...) {
        std::fputs("veskplay: stopped by an unknown error\n", stderr);
    }
    return kExitStartFailed;
}
