// Built-in functions that work on the variable store itself.
#include "base/error.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_impl.h"
#include "vars/vesk_parser.h"

namespace vesk {

namespace {

void FnNot(SysFuncCall& c) {
    c.dest.SetFlag(!c.Arg(0).AsFlag());
}

void FnVarExists(SysFuncCall& c) {
    c.dest.SetFlag(c.store.Find(c.Arg(0).AsStr()) != nullptr);
}

void FnGetVarType(SysFuncCall& c) {
    // A reference argument asks about the variable it names, a constant about itself.
    c.dest.SetInt(c.Arg(0).ParamType());
}

void FnCalc(SysFuncCall& c) {
    CompileAndRun(c.Arg(0).AsStr(), c.store, &c.man);
    c.dest.SetFlag(true);
}

void FnAssignTemp(SysFuncCall& c) {
    std::string name = c.Arg(0).AsStr();
    if (c.store.Find(name)) {
        c.store.TempName = name;
        c.dest.SetFlag(true);
    } else {
        c.dest.SetFlag(false);
    }
}

void FnPushVar(SysFuncCall& c) {
    std::vector<std::string> names;
    for (size_t i = 0; i < c.Argc(); ++i) names.push_back(c.Arg(i).AsStr());
    c.store.PushVars(names);
    c.dest.SetFlag(true);
}

void FnPopVar(SysFuncCall& c) {
    c.store.PopVars();
    c.dest.SetFlag(true);
}

}  // namespace

void AddCoreFuncs(SysFnTable& t) {
    t[SF_NOT] = FnNot;
    t[SF_VAREXISTS] = FnVarExists;
    t[SF_GETVARTYPE] = FnGetVarType;
    t[SF_CALC] = FnCalc;
    t[SF_ASSIGNTEMP] = FnAssignTemp;
    t[SF_PUSHVAR] = FnPushVar;
    t[SF_POPVAR] = FnPopVar;
}

}  // namespace vesk
