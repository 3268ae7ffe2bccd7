#include "app/screenshots.h"

#include <exception>

#include "gfx/picture_io.h"

namespace vesk {

std::vector<std::string> WriteShotsDue(const std::vector<TPlayerOptions::Shot>& shots, int64_t tick,
                                       TCustomDIBX& screen) {
    std::vector<std::string> errors;
    for (const auto& s : shots) {
        if (s.Tick != tick) continue;
        try {
            SavePngFile(screen, s.File);
        } catch (const std::exception& e) {
            errors.push_back(s.File + ": " + e.what());
        }
    }
    return errors;
}

}  // namespace vesk
