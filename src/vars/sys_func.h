#pragma once
// The built-in functions that expressions call by index.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "vars/sys_func_table.h"

namespace vesk {

class TCustomParam;
class TDBManager;
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

// The part of the player function `index` needs, as named in the error raised when that
// part is not running ("the tables").
const char* SysFuncSubsystem(int index);

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

    // The tables the DB functions work on (not owned); without them those functions fail.
    void SetTables(TDBManager* tables) { tables_ = tables; }
    TDBManager* Tables() const { return tables_; }
    // Reads a game file through the game's file lookup (the TSV loader); nullopt when the
    // file cannot be read.
    using FileLoader = std::function<std::optional<std::vector<uint8_t>>(const std::string&)>;
    void SetFileLoader(FileLoader loader) { loadFile_ = std::move(loader); }
    const FileLoader& LoadFile() const { return loadFile_; }

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
    TDBManager* tables_ = nullptr;
    FileLoader loadFile_;
    std::array<SysFn, kSysFuncCount> handlers_{};
    std::mt19937 rng_;
};

}  // namespace vesk
