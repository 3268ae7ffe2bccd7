#pragma once
// Internal: each family of built-in functions fills its rows of the handler table.
#include <array>
#include <cstdint>
#include <string>

#include "vars/sys_func.h"

namespace vesk {

using SysFnTable = std::array<SysFn, kSysFuncCount>;

void AddCoreFuncs(SysFnTable& t);    // variables, Calc, PushVar/PopVar, GetVarType …
void AddStringFuncs(SysFnTable& t);  // strings, J-strings, file-name texts, conversions
void AddArrayFuncs(SysFnTable& t);   // array functions
void AddMathFuncs(SysFnTable& t);    // numbers
void AddDateFuncs(SysFnTable& t);    // dates and times
void AddWidthFuncs(SysFnTable& t);   // HanToZen, ZenToHan
void AddTableFuncs(SysFnTable& t);   // the DB functions

// Raises the error of a function whose subsystem is not there, naming the subsystem.
[[noreturn]] void FailMissingSubsystem(const SysFuncCall& c);

// Longest text a function may build; no script needs more and a bigger request is a
// runaway count, refused before any memory is taken.
constexpr int64_t kMaxResultBytes = int64_t(1) << 26;

// The referenced variable's value when the argument is a reference bound to a variable,
// else nullptr.
TCustomParam* BoundVariable(TCustomParam& arg);

}  // namespace vesk
