#pragma once
// The expression machine: runs a compiled expression against the variable store.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vars/ope_codes.h"
#include "vars/param.h"

namespace vesk {

class Stream;
class TParamCollection;
class TSysFuncMan;

struct TOpeData {
    uint8_t Code = ocNone;
    std::string Dest;
    uint8_t FuncIndex = 0;
    // Constants of kinds 1..4, and references (TParamVar) carrying only RefName.
    std::vector<std::unique_ptr<TCustomParam>> Operands;
};

class TVeskParser {
  public:
    void LoadFromStream(Stream& s);
    void SaveToStream(Stream& s) const;
    void AssignFrom(const TVeskParser& other);
    void Clear();

    // Runs every operation; never raises. Sets Result when the expression yields a value.
    void Execute(TParamCollection& store, TSysFuncMan* funcs);
    // The message of the failure that ended the last execution (empty when none).
    const std::string& LastError() const { return lastError_; }

    std::vector<TOpeData> Ops;
    std::unique_ptr<TCustomParam> Result;

  private:
    std::string lastError_;
};

// Compiles and runs a text at run time: an empty text or a compile error gives false and
// nothing runs; otherwise true (whatever the execution did).
bool CompileAndRun(std::string_view text, TParamCollection& store, TSysFuncMan* funcs);

}  // namespace vesk
