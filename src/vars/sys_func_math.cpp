#include "vars/sys_func_impl.h"

namespace vesk {

void AddMathFuncs(SysFnTable&) {}

}  // namespace vesk
