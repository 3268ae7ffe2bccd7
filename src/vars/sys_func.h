#pragma once
// The built-in functions that expressions call by index.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "vars/sys_func_table.h"

namespace vesk {

class TCustomParam;
class TParamCollection;
class TSysFuncMan;

// One call: the destination that receives the result through its setters and the
// argument values (constants, or references bound to variables).
struct SysFuncCall {
    TSysFuncMan& man;
    TParamCollection& store;
    TCustomParam& dest;
    const std::vector<TCustomParam*>& args;
    int index;

    size_t Argc() const { return args.size(); }
    TCustomParam& Arg(size_t i) const { return *args[i]; }
    bool Has(size_t i) const { return i < args.size(); }
};

using SysFn = void (*)(SysFuncCall& call);

// What higher layers implement for the functions that reach their subsystems (display
// objects, files, saves, history, tables, the call stack, the screen).
class ISysFuncHost {
  public:
    virtual ~ISysFuncHost() = default;
    // Runs the function when this host provides it; false when it does not.
    virtual bool ExecFunc(SysFuncCall& call) = 0;
    // The value type of object property `index` (0..162), 0 when unknown.
    virtual uint8_t PropertyType(int32_t index) = 0;
};

class TSysFuncMan {
  public:
    explicit TSysFuncMan(TParamCollection& store);
    void SetHost(ISysFuncHost* host) { host_ = host; }
    ISysFuncHost* Host() const { return host_; }
    TParamCollection& Store() { return store_; }

    // The type of the temporary that receives the result of function `index`.
    uint8_t ResultType(int index, const std::vector<TCustomParam*>& args) const;
    // Runs function `index`; raises a VeskError on failure.
    void Exec(TCustomParam& dest, int index, const std::vector<TCustomParam*>& args);

    // Uniform integer in 0 <= r < n (0 when n <= 0).
    int32_t RandomBelow(int32_t n);
    void SeedRandom(uint32_t seed) { rng_.seed(seed); }

  private:
    TParamCollection& store_;
    ISysFuncHost* host_ = nullptr;
    std::array<SysFn, kSysFuncCount> handlers_{};
    std::mt19937 rng_;
};

}  // namespace vesk
