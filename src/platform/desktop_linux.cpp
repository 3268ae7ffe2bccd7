#include <SDL.h>

#include "platform/desktop.h"

namespace vesk {

namespace {

// The dialog tool's answer: one line, the trailing line break removed.
std::optional<std::string> Answer(const std::vector<std::string>& args) {
    std::optional<std::string> out = RunForOutput(args);
    if (!out) return std::nullopt;
    while (!out->empty() && (out->back() == '\n' || out->back() == '\r')) out->pop_back();
    if (out->empty()) return std::nullopt;
    return out;
}

enum class DialogKind { Open, Save, Folder };

class TLinuxDesktop final : public IDesktop {
  public:
    std::vector<TDisplayModeInfo> DisplayModes() override {
        std::vector<TDisplayModeInfo> modes;
        // Only once the window has started SDL's video; the modes are never worth starting
        // it for.
        if (!SDL_WasInit(SDL_INIT_VIDEO)) return modes;
        const int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m{};
            if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
            TDisplayModeInfo info{m.w, m.h, int32_t(SDL_BITSPERPIXEL(m.format)), m.refresh_rate};
            // 24-bit colour in 32-bit pixels counts as 32 bits, as the game expects.
            if (info.BitCount == 24 && SDL_BYTESPERPIXEL(m.format) == 4) info.BitCount = 32;
            modes.push_back(info);
        }
        return modes;
    }
    std::optional<std::string> SelectOpenFile(const std::vector<TFileFilter>& filter,
                                              const std::string& start) override {
        return Dialog(DialogKind::Open, filter, start);
    }
    std::optional<std::string> SelectSaveFile(const std::vector<TFileFilter>& filter,
                                              const std::string& start) override {
        return Dialog(DialogKind::Save, filter, start);
    }
    std::optional<std::string> SelectDirectory(const std::string& start) override {
        return Dialog(DialogKind::Folder, {}, start);
    }
    bool Open(const std::string& target) override { return StartDetached({"xdg-open", target}); }

  private:
    std::optional<std::string> Dialog(DialogKind kind, const std::vector<TFileFilter>& filter,
                                      const std::string& start) {
        if (!FindProgram("zenity").empty() || !FindProgram("yad").empty()) {
            std::vector<std::string> args = {FindProgram("zenity").empty() ? "yad" : "zenity",
                                             "--file-selection"};
            if (kind == DialogKind::Save) args.push_back("--save");
            if (kind == DialogKind::Folder) args.push_back("--directory");
            if (!start.empty()) args.push_back("--filename=" + start);
            for (const auto& f : filter) {
                std::string patterns = "--file-filter=" + f.Name + " |";
                for (const auto& p : f.Patterns) patterns += " " + p;
                args.push_back(patterns);
            }
            return Answer(args);
        }
        if (!FindProgram("kdialog").empty()) {
            std::vector<std::string> args = {"kdialog"};
            args.push_back(kind == DialogKind::Open   ? "--getopenfilename"
                           : kind == DialogKind::Save ? "--getsavefilename"
                                                      : "--getexistingdirectory");
            args.push_back(start.empty() ? "." : start);
            if (kind != DialogKind::Folder && !filter.empty()) {
                std::string patterns;
                for (const auto& f : filter) {
                    if (!patterns.empty()) patterns += "\n";
                    for (const auto& p : f.Patterns) patterns += p + " ";
                    patterns += "|" + f.Name;
                }
                args.push_back(patterns);
            }
            return Answer(args);
        }
        return std::nullopt;
    }
};

}  // namespace

std::unique_ptr<IDesktop> MakeLinuxDesktop() {
    return std::make_unique<TLinuxDesktop>();
}

}  // namespace vesk
