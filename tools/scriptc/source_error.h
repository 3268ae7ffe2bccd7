#pragma once
// Errors in source files, located by file, line and column.
#include <string>

#include "base/error.h"

namespace vesk::scriptc {

struct SourceLoc {
    int Line = 0;    // one-based; 0 when unknown
    int Column = 0;  // one-based, in characters
};

class SourceError : public VeskError {
  public:
    // `message` is UTF-8; the text reads "file:line:column: message".
    SourceError(const std::string& file, SourceLoc loc, const std::string& message);
    const std::string& File() const { return file_; }
    SourceLoc Loc() const { return loc_; }
    const std::string& Message() const { return message_; }

  private:
    std::string file_;
    SourceLoc loc_;
    std::string message_;
};

}  // namespace vesk::scriptc
