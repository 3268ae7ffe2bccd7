#include "vars/sys_func_impl.h"

namespace vesk {

void AddWidthFuncs(SysFnTable&) {}

}  // namespace vesk
