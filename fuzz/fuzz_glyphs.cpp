// Glyph streams and tagged text from hostile input: loading, parsing, writing and VAR
// expansion must end in glyphs or a clean error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "text/glyph_list.h"
#include "text/tag_writer.h"
#include "text/var_expand.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size == 0) return 0;
    TWdGlyphList list;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        if (data[0] & 1) {
            list.SetText({text});
        } else {
            ViewStream v(text.data(), text.size());
            list.LoadFromStream(v);
        }
    } catch (const VeskError&) {
        return 0;
    }
    // Writing tags back checks itself; it may refuse, never crash.
    std::vector<std::string> lines;
    WriteTaggedText(list, lines);

    // What was read must write, and read back to the same glyphs.
    MemoryStream m;
    try {
        list.SaveToStream(m);
    } catch (const VeskError&) {
        return 0;  // a VAR of an old stream known only in compiled form
    }
    m.Seek(0, SeekFrom::Begin);
    TWdGlyphList back;
    back.LoadFromStream(m);
    if (back.Count() > list.Count()) __builtin_trap();

    TParamCollection store;
    TSysFuncMan funcs(store);
    store.Create("a", PT_INT, VarScope::Global);
    ExpandVars(back, {"a=1"}, store, &funcs);
    RemoveVarGlyphs(back);
    return 0;
}
