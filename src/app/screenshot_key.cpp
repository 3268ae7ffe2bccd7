#include "app/screenshot_key.h"

#include <exception>
#include <filesystem>

#include "gfx/picture_io.h"

namespace fs = std::filesystem;

namespace vesk {

std::string ScreenshotFolder(const EnvLookup& env, const std::string& gameNameUtf8) {
    const std::string pictures = PicturesFolder(env);
    if (pictures.empty()) return {};
    return (fs::path(pictures) / "veskplay" / SafeFileName(gameNameUtf8, "game")).string();
}

TScreenshotResult WriteScreenshot(TCustomDIBX& screen, const std::string& folder,
                                  std::time_t when) {
    TScreenshotResult r;
    if (folder.empty()) {
        r.error = "no pictures folder (neither XDG_PICTURES_DIR nor HOME is set)";
        return r;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        r.error = folder + ": " + ec.message();
        return r;
    }
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    // A few pictures a second at most come from a key; past that something is wrong.
    constexpr int kMaxSameSecond = 100;
    for (int n = 1; n <= kMaxSameSecond; ++n) {
        const std::string name =
            std::string(stamp) + (n == 1 ? std::string() : "_" + std::to_string(n)) + ".png";
        const fs::path path = fs::path(folder) / name;
        if (fs::exists(path, ec)) continue;
        try {
            SavePngFile(screen, path.string());
            r.path = path.string();
        } catch (const std::exception& e) {
            r.error = path.string() + ": " + e.what();
        }
        return r;
    }
    r.error = folder + ": too many screenshots within one second";
    return r;
}

}  // namespace vesk
