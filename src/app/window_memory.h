#pragma once
// The window's place, size and full-screen state, remembered per game in the user's
// configuration folder ($XDG_CONFIG_HOME/veskplay/windows/), never in the game's folder.
#include <optional>
#include <string>

#include "platform/window_placement.h"

namespace vesk {

class TWindowMemory {
  public:
    // The file that holds it: named after the game (UTF-8) and its folder, so two copies
    // of a game in different folders keep their own. Empty `configHome`: nothing is kept.
    TWindowMemory(const std::string& configHome, const std::string& gameFolder,
                  const std::string& gameName);

    const std::string& File() const { return file_; }
    // What was kept; nothing when there is no file or it is damaged (it is then forgotten
    // and written anew).
    std::optional<TWindowPlacement> Load() const;
    // Keeps `p`; returns what went wrong, empty when it was written.
    std::string Save(const TWindowPlacement& p) const;

  private:
    std::string file_;
};

}  // namespace vesk
