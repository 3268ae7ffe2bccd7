#include "vars/sys_func_impl.h"

namespace vesk {

void AddArrayFuncs(SysFnTable&) {}

}  // namespace vesk
