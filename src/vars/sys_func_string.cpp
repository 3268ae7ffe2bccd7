#include "vars/sys_func_impl.h"

namespace vesk {

void AddStringFuncs(SysFnTable&) {}

}  // namespace vesk
