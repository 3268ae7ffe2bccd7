#include "vars/sys_func.h"

#include <chrono>

#include "base/cp932.h"
#include "base/error.h"
#include "vars/param.h"
#include "vars/param_collection.h"
#include "vars/sys_func_impl.h"

namespace vesk {

TCustomParam* BoundVariable(TCustomParam& arg) {
    auto* ref = dynamic_cast<TParamVar*>(&arg);
    return ref ? ref->TargetParam() : nullptr;
}

TSysFuncMan::TSysFuncMan(TParamCollection& store)
    : store_(store), rng_(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count())) {
    AddCoreFuncs(handlers_);
    AddStringFuncs(handlers_);
    AddArrayFuncs(handlers_);
    AddMathFuncs(handlers_);
    AddDateFuncs(handlers_);
    AddWidthFuncs(handlers_);
    AddTableFuncs(handlers_);
}

uint8_t TSysFuncMan::ResultType(int index, const std::vector<TCustomParam*>& args) const {
    if (index < 0 || index >= kSysFuncCount)
        Fail("invalid function index " + std::to_string(index));
    if (index == SF_GETPROP) {
        int32_t prop = args.size() >= 2 ? args[1]->AsInt() : -1;
        uint8_t t = 0;
        if (prop >= 0 && prop <= 162 && host_) t = host_->PropertyType(prop);
        if (t < 1 || t > 4) Fail(VESK_JP("GetPropの引数が違います"));
        return t;
    }
    return kSysFuncs[index].result;
}

void TSysFuncMan::Exec(TCustomParam& dest, int index, const std::vector<TCustomParam*>& args) {
    if (index < 0 || index >= kSysFuncCount)
        Fail("invalid function index " + std::to_string(index));
    SysFuncCall call{*this, store_, dest, args, index};
    if (SysFn fn = handlers_[size_t(index)]) {
        fn(call);
        return;
    }
    if (host_ && host_->ExecFunc(call)) return;
    FailMissingSubsystem(call);
}

const char* SysFuncSubsystem(int index) {
    switch (index) {
        case SF_GETPROP:
        case SF_SETPROP:
        case SF_EXISTS:
        case SF_LISTCOMPO:
        case SF_TOCLIENTX:
        case SF_TOCLIENTY:
        case SF_TOSCREENX:
        case SF_TOSCREENY:
        case SF_INPRIMARY:
        case SF_INCABINET:
        case SF_GETENABLED:
        case SF_SETENABLED:
        case SF_GETVISIBLE:
        case SF_SETVISIBLE:
        case SF_GETGROUPINDEX:
        case SF_GETSELECTED:
        case SF_SETSELECTED:
            return "the display objects";
        case SF_GETCHECK:
        case SF_SETCHECK:
        case SF_INDEXOFMENU:
            return "the selection menus";
        case SF_GETHISTORYCOUNT:
        case SF_GETHISTORYMAXCOUNT:
        case SF_SETHISTORYMAXCOUNT:
            return "the message history";
        case SF_GETSAVECAPTION:
        case SF_LISTSAVECAPTION:
        case SF_SAVESCREEN:
            return "the save file";
        case SF_DELETESTACK:
            return "the call stack";
        case SF_FILEEXISTS:
        case SF_LOADTEXTFILE:
        case SF_COPYFILE:
        case SF_EXTRACTFILE:
            return "the game files";
        case SF_GETDISPLAYMODE:
            return "the display modes";
        case SF_SELECTOPENFILE:
        case SF_SELECTSAVEFILE:
        case SF_SELECTDIRECTORY:
        case SF_OPENURL:
        case SF_SETWALLPAPER:
            return "the desktop";
        default:
            if (index >= SF_DBCREATETABLE && index <= SF_DBCLEARRECORD) return "the tables";
            return "a part of the player";
    }
}

void FailMissingSubsystem(const SysFuncCall& c) {
    Fail(std::string(kSysFuncs[c.index].name) + ": needs " + SysFuncSubsystem(c.index) +
         " (not available in this run)");
}

int32_t TSysFuncMan::RandomBelow(int32_t n) {
    if (n <= 0) return 0;
    return int32_t(std::uniform_int_distribution<int32_t>(0, n - 1)(rng_));
}

}  // namespace vesk
