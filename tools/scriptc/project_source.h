#pragma once
// The project description: the text form of the project file "vesk.lpb", one setting per
// line (docs/script-format.md).
#include <string>
#include <string_view>

#include "script/project_file.h"
#include "scriptc/source_error.h"

namespace vesk::scriptc {

// The file name of a game's project description.
inline constexpr const char kProjectSourceName[] = "project.vpj";

// Parses a project description (UTF-8); raises a SourceError naming `file` at the first
// fault. Settings not given keep the values a new project has.
TProjectFile ParseProjectSource(const std::string& file, std::string_view text);
// The description of a project file, which parses back into the same fields.
std::string ProjectSource(const TProjectFile& project);

}  // namespace vesk::scriptc
