#include "scriptc/source_error.h"

#include "base/cp932.h"

namespace vesk::scriptc {

namespace {

std::string Located(const std::string& file, SourceLoc loc, const std::string& message) {
    std::string where = file;
    if (loc.Line > 0) {
        where += ':';
        where += std::to_string(loc.Line);
    }
    if (loc.Column > 0) {
        where += ':';
        where += std::to_string(loc.Column);
    }
    return where + ": " + message;
}

}  // namespace

SourceError::SourceError(const std::string& file, SourceLoc loc, const std::string& message)
    : VeskError(Utf8ToCp932(Located(file, loc, message))),
      file_(file),
      loc_(loc),
      message_(message) {}

}  // namespace vesk::scriptc
