#pragma once
// The inverse of the game builder: a game folder's pages and project file written as a source
// folder that `BuildGame` turns back into the same game.
#include <string>
#include <vector>

namespace vesk::scriptc {

struct SourcesReport {
    std::vector<std::string> Pages;     // page sources written (UTF-8 relative paths)
    std::vector<std::string> Files;     // other files copied
    std::vector<std::string> Problems;  // pages not read, or not compiling back the same
};

// `game` and `target` are native folders; `target` is created when missing. Pages are checked
// by compiling the written sources again and comparing the bytes.
SourcesReport DecompileGame(const std::string& game, const std::string& target);

}  // namespace vesk::scriptc
