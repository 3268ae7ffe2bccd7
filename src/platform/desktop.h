#pragma once
// What the game asks of the desktop around it: the display's modes, file and folder
// dialogs, and opening a web address or folder. Headless runs have no desktop: the engine
// then answers that nothing was chosen and nothing was opened.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

// One display mode, in the order the game reads its numbers.
struct TDisplayModeInfo {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitCount = 0;
    int32_t Refresh = 0;
    bool operator==(const TDisplayModeInfo&) const = default;
};

// A file dialog's filter in the game's form: "Text|*.txt|All|*.*" (name, patterns, …).
struct TFileFilter {
    std::string Name;
    std::vector<std::string> Patterns;
};
// Splits the game's filter text (UTF-8) into its pairs; a missing pattern part is dropped.
std::vector<TFileFilter> ParseFileFilter(const std::string& text);

class IDesktop {
  public:
    virtual ~IDesktop() = default;
    // The modes the display offers (empty when they cannot be learnt).
    virtual std::vector<TDisplayModeInfo> DisplayModes() = 0;
    // File dialogs (UTF-8 paths). The chosen path, or nullopt when nothing was chosen or no
    // dialog could be shown. `start` is a path to begin at, possibly empty.
    virtual std::optional<std::string> SelectOpenFile(const std::vector<TFileFilter>& filter,
                                                      const std::string& start) = 0;
    virtual std::optional<std::string> SelectSaveFile(const std::vector<TFileFilter>& filter,
                                                      const std::string& start) = 0;
    virtual std::optional<std::string> SelectDirectory(const std::string& start) = 0;
    // Hands a web address or a folder (UTF-8) to the desktop's opener; false when none
    // could be started.
    virtual bool Open(const std::string& target) = 0;
};

// The Linux desktop: display modes through SDL (once its video is running), dialogs
// through an installed dialog tool (zenity, kdialog or yad), addresses through xdg-open.
// Programs are started with an argument list, never through a shell.
std::unique_ptr<IDesktop> MakeLinuxDesktop();

// Runs a program found on PATH with `args` (args[0] is the program), waits for it and
// returns its standard output when it exits with status 0; nullopt when it cannot be
// started or fails. Used for the dialog tools.
std::optional<std::string> RunForOutput(const std::vector<std::string>& args);
// Starts a program found on PATH with `args` and does not wait for it; false when it
// cannot be started.
bool StartDetached(const std::vector<std::string>& args);
// Finds a program on PATH; "" when there is none.
std::string FindProgram(const std::string& name);

}  // namespace vesk
