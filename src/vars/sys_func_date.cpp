#include "vars/sys_func_impl.h"

namespace vesk {

void AddDateFuncs(SysFnTable&) {}

}  // namespace vesk
