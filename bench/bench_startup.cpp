// How long the demo game takes from the player's start to its first composed frame: the
// project, the start page, fonts, the first pictures and the sound system, headless on the
// virtual clock (a window adds the SDL window and renderer on top). The goal is well under a
// second, so that `./run.sh` shows the game at once after the build. "frames_1" stops after
// the first tick; "frames_60" after a second of virtual time, for comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "app/player.h"
#include "app/player_options.h"
#include "platform/posix_file_system.h"

namespace {

namespace fs = std::filesystem;
using namespace vesk;

// A fresh copy of the built demo, so that the status save written at the end of a run leaves
// the build's copy alone.
const fs::path& DemoCopy() {
    static const fs::path copy = [] {
        fs::path to = fs::temp_directory_path() / "veskplay-bench-startup";
        fs::remove_all(to);
        fs::copy(VESK_DEMO_GAME, to, fs::copy_options::recursive);
        return to;
    }();
    return copy;
}

void BM_StartToFrame(benchmark::State& state) {
    TPlayerOptions opt;
    opt.Games = {DemoCopy().string()};
    opt.Headless = true;
    opt.Frames = state.range(0);
    opt.Logo = 0;
    TPosixFileSystem hostFs;
    for (auto _ : state) {
        const int status = RunPlayer(opt, hostFs, "", "");
        if (status != kExitEnded) state.SkipWithError("the demo did not start");
    }
}
BENCHMARK(BM_StartToFrame)->ArgName("frames")->Arg(1)->Arg(60)->Unit(benchmark::kMillisecond);

}  // namespace
