#include "app/screenshots.h"

#include <exception>

#include "gfx/dibx.h"
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

std::vector<std::string> TShotSchedule::WriteDue(int64_t tick, TCustomDIBX* screen,
                                                 const WindowReader& readWindow) const {
    std::vector<std::string> errors;
    if (readWindow) {
        for (const auto& s : window_) {
            if (s.Tick != tick) continue;
            try {
                std::unique_ptr<TDIBX> picture = readWindow();
                SavePngFile(*picture, s.File);
            } catch (const std::exception& e) {
                errors.push_back("cannot write the window shot " + s.File + ": " + e.what());
            }
        }
    }
    if (screen)
        for (const std::string& e : WriteShotsDue(screen_, tick, *screen))
            errors.push_back("cannot write the screenshot " + e);
    return errors;
}

std::string TShotSchedule::NoWindow() const {
    return window_.empty() ? std::string() : "no window, so no --window-shot is written";
}

std::vector<std::string> TShotSchedule::Missed(int64_t lastTick, bool hadWindow) const {
    std::vector<std::string> out;
    for (const auto* shots : {&screen_, &window_}) {
        if (shots == &window_ && !hadWindow) continue;
        for (const auto& s : *shots)
            if (s.Tick > lastTick)
                out.push_back("the game ended at tick " + std::to_string(lastTick) + ", before " +
                              s.File + " was due");
    }
    return out;
}

}  // namespace vesk
