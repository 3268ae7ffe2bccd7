// Saved variables from hostile input: loading must end in a store or a clean error, and
// whatever loaded must save again.
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "base/stream.h"
#include "vars/param_collection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 1) return 0;
    static const int32_t kVersions[] = {100, 110, 125, 139};
    TParamCollection store;
    ViewStream v(data + 1, size - 1);
    try {
        if (data[0] & 4)
            store.LoadStatusVars(v);
        else
            store.LoadVars(v, kVersions[data[0] & 3]);
    } catch (const VeskError&) {
        return 0;
    }
    MemoryStream out;
    store.SaveVars(out);
    store.PopVars();
    return 0;
}
