#pragma once
// Turns a game source folder into a playable game folder: page sources become pages, the
// project description becomes "vesk.lpb", everything else is copied as it is.
#include <string>
#include <vector>

#include "scriptc/source_error.h"

namespace vesk::scriptc {

struct BuildOptions {
    bool Archive = false;  // pack everything into "game.dat" instead of loose files
    bool Install = false;  // write an "install.dat" that marks the game as installed
    // PNG and BMP pictures and painted pictures (".vpic") become layered images (".qil",
    // the only pictures image objects show) when the tools are built with the picture
    // layer. (Video clips written as text, ".wmv.txt", become Windows Media files with that
    // layer whatever this says.)
    bool ConvertPictures = true;
};

// Whether this build can convert pictures.
bool CanConvertPictures();

struct BuildReport {
    std::vector<std::string> Pages;     // page names written (UTF-8)
    std::vector<std::string> Assets;    // files copied (UTF-8 relative paths)
    std::vector<std::string> Pictures;  // pictures converted (the layered images' paths)
};

// `source` and `target` are native folders; `target` is created when missing. Raises a
// SourceError for faults in sources and a VeskError for the rest.
BuildReport BuildGame(const std::string& source, const std::string& target,
                      const BuildOptions& options);

}  // namespace vesk::scriptc
