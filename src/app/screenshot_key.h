#pragma once
// The screenshot key (F12): the game picture at its own size, without letterbox or toolbar,
// as a PNG named by date and time in $XDG_PICTURES_DIR/veskplay/<game name>/.
#include <ctime>
#include <string>

#include "app/user_folders.h"

namespace vesk {

class TCustomDIBX;

// The folder a game's screenshots go to; "" when the user has no pictures folder.
std::string ScreenshotFolder(const EnvLookup& env, const std::string& gameNameUtf8);

struct TScreenshotResult {
    std::string path;   // the file written
    std::string error;  // what went wrong, empty when it was written
};

// Writes `screen` into `folder` (made when missing) as "YYYY-MM-DD_HH-MM-SS.png" of the
// local time `when`; a second picture within the same second gets "_2", "_3", ... Never
// overwrites a file.
TScreenshotResult WriteScreenshot(TCustomDIBX& screen, const std::string& folder, std::time_t when);

}  // namespace vesk
