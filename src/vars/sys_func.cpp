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
    Fail(std::string(kSysFuncs[index].name) + ": this function is not available here");
}

int32_t TSysFuncMan::RandomBelow(int32_t n) {
    if (n <= 0) return 0;
    return int32_t(std::uniform_int_distribution<int32_t>(0, n - 1)(rng_));
}

}  // namespace vesk
