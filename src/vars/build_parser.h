#pragma once
// The expression compiler: turns one line of expression text into a flat list of
// three-address operations, and writes their stored form.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vars/ope_codes.h"

namespace vesk {

class Stream;

struct TBuildOpeData {
    uint8_t Code = ocNone;
    std::string Dest;
    // For ocFunc entry 0 is the function name.
    std::vector<std::string> Operands;
};

class TBuildVeskParser {
  public:
    explicit TBuildVeskParser(int32_t firstTemp = 0) : counter_(firstTemp) {}

    // Appends the operations for `text` (CP932); raises a VeskError on syntax errors.
    void Compile(std::string_view text);
    // Writes the stored form; raises for unknown functions and wrong argument counts.
    void SaveToStream(Stream& s) const;
    void Clear() { Ops.clear(); }

    std::vector<TBuildOpeData> Ops;

  private:
    void CompileText(std::string text);
    std::string NewTemp();
    std::string NewElemTemp();
    void AddArgument(TBuildOpeData& op, std::string arg);

    int32_t counter_;
};

}  // namespace vesk
