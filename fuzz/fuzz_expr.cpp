// Expression text and stored expressions from hostile input: compiling, loading and running
// must end in a result or a clean error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size == 0) return 0;
    TParamCollection store;
    TSysFuncMan funcs(store);
    store.Create("a", PT_INT, VarScope::Global)->Param()->SetDims({3, 2});
    store.Create("s", PT_STR, VarScope::Global);
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        // Text to compile and run.
        TBuildVeskParser b;
        MemoryStream m;
        try {
            b.Compile(text);
            b.SaveToStream(m);
        } catch (const VeskError&) {
            return 0;
        }
        m.Seek(0, SeekFrom::Begin);
        TVeskParser p;
        p.LoadFromStream(m);
        p.Execute(store, &funcs);
    } else {
        // A stored expression to load and run.
        ViewStream v(text.data(), text.size());
        TVeskParser p;
        try {
            p.LoadFromStream(v);
        } catch (const VeskError&) {
            return 0;
        }
        p.Execute(store, &funcs);
    }
    return 0;
}
