// The page compiler on arbitrary source text: a clear error, or pages that load and, written
// back as source, compile into the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/error.h"
#include "script/page.h"
#include "scriptc/compiler.h"
#include "scriptc/decompiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    using namespace vesk::scriptc;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<CompiledPage> pages;
    try {
        TScriptCompiler c;
        c.AddPage("fuzz.vss", "fuzz.lsb", text);
        pages = c.Finish();
    } catch (const VeskError&) {
        return 0;
    }
    for (const CompiledPage& p : pages) {
        TPage page(p.Name);
        if (page.LoadFromBytes(p.Bytes) != TPage::LoadResult::Ok) std::abort();
        std::string source = DecompilePage(page);
        TScriptCompiler again;
        again.AddPage("again.vss", p.Name, source);
        std::vector<CompiledPage> back = again.Finish();
        if (back.size() != 1 || back[0].Bytes != p.Bytes) std::abort();
    }
    return 0;
}
