#pragma once
// The page compiler: turns page sources (docs/script-format.md) into stored pages. Pages are
// compiled as a set, so jumps and calls can name the labels of one another.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scriptc/source_error.h"

namespace vesk::scriptc {

// The file name extension of page sources.
inline constexpr const char kPageSourceExt[] = ".vss";

struct CompiledPage {
    std::string Name;  // the page name the game uses (CP932), such as "main.lsb"
    std::vector<uint8_t> Bytes;
};

class TScriptCompiler {
  public:
    TScriptCompiler();
    ~TScriptCompiler();
    TScriptCompiler(const TScriptCompiler&) = delete;
    TScriptCompiler& operator=(const TScriptCompiler&) = delete;

    // Parses one page source (UTF-8). `file` names it in messages and `pageName` (CP932) is
    // the name the game knows the page by. Raises a SourceError at the first fault.
    void AddPage(const std::string& file, const std::string& pageName, std::string_view text);
    // Resolves the targets that name labels and writes every page added, in order.
    std::vector<CompiledPage> Finish();

  private:
    struct Unit;
    std::vector<std::unique_ptr<Unit>> units_;
};

// The page name of a source file at `relativePath` (UTF-8, '/' folders) under the game's
// source folder: folders joined by '\' and the extension replaced by ".lsb", in CP932.
std::string PageNameForSource(const std::string& relativePath);

}  // namespace vesk::scriptc
