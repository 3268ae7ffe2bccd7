#pragma once
// The player's command line: veskplay [GAME_FOLDER...] [options], or veskplay /config.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/fast_forward.h"
#include "app/headless_box.h"
#include "platform/pad_mapper.h"
#include "platform/view_fit.h"

namespace vesk {

struct TPlayerOptions {
    // Game folders and archives, the first being the game folder.
    std::vector<std::string> Games;
    bool Config = false;  // "/config": the configuration dialog instead of the game
    bool Headless = false;
    int64_t Frames = 0;  // ticks of the clock before the player stops; 0: no limit
    int32_t FrameMs = 16;
    // Extra milliseconds that pass before a given tick (a stalled frame).
    struct Gap {
        int64_t Tick = 0;
        int32_t Ms = 0;
    };
    std::vector<Gap> Gaps;
    // Pictures of the composed screen to write after a given tick.
    struct Shot {
        int64_t Tick = 0;
        std::string File;
    };
    std::vector<Shot> Shots;
    // Pictures of the game as the window shows it, after a given tick (window mode only).
    std::vector<Shot> WindowShots;
    // Scripted input events by tick (--input FILE).
    std::string InputFile;
    // The start-up logo: -1 the default (shown in a window, not headless), 0 off, 1 on.
    int Logo = -1;
    // Headless: the mixed sound goes to this WAV file.
    std::string AudioOut;
    bool DumpVars = false;
    // The seed of the game's randomness (Random, the random orders of transitions). Empty:
    // kHeadlessSeed headless, so that runs repeat exactly; the clock in a window.
    std::optional<uint32_t> Seed;
    static constexpr uint32_t kHeadlessSeed = 1;
    bool Trace = false;
    std::vector<Answer> Answers;
    std::vector<std::string> CdRoots;
    // Runs as if the executable were in this folder (an installed game).
    std::string ExeFolder;
    // Frames run per shown frame while fast-forward is held, and the sound meanwhile.
    int32_t FastForwardSpeed = TFastForward::kDefaultSpeed;
    FastForwardSound FfSound = FastForwardSound::Mute;
    // The window's picture at this whole multiple of the game's size; 0: the largest that
    // fits the desktop (or the size the window had last time).
    int32_t Scale = 0;
    ScaleFilter Filter = ScaleFilter::Auto;
    // What the gamepad's left stick and D-pad do.
    PadMove PadStick = PadMove::Pointer;
    bool Help = false;

    // Fills the options from argv[1..]; returns an error text, empty when all is well.
    std::string Parse(const std::vector<std::string>& args);
    // The help text: every option with what it does.
    static std::string Usage();
};

}  // namespace vesk
