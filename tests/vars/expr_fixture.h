#pragma once
// Shared helpers for expression tests: a store, the function manager, and a one-call
// compile-and-run that keeps the parser so tests can look at the result.
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/stream.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace vesk::test {

struct ExprEnv {
    TParamCollection store;
    TSysFuncMan funcs{store};
    TVeskParser parser;

    // Compiles UTF-8 text (converted to CP932), runs it; returns the parser's Result.
    TCustomParam* Run(const std::string& utf8) {
        TBuildVeskParser b;
        b.Compile(Utf8ToCp932(utf8));
        MemoryStream m;
        b.SaveToStream(m);
        m.Seek(0, SeekFrom::Begin);
        parser.LoadFromStream(m);
        parser.Execute(store, &funcs);
        return parser.Result.get();
    }
    TParamCollectionItem* Var(const std::string& name, uint8_t type,
                              VarScope scope = VarScope::Global) {
        return store.Create(Utf8ToCp932(name), type, scope);
    }
    TCustomParam* Get(const std::string& name) {
        auto* it = store.Find(Utf8ToCp932(name));
        return it ? it->Param() : nullptr;
    }
};

}  // namespace vesk::test
