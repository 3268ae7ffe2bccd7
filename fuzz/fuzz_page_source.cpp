// Pages that load, written back as source and compiled again, give the very bytes the
// page writes: the decompiler and the compiler agree on every page the loader accepts.
// Start it from real pages, such as those of the demo game built beside the tests.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "script/page.h"
#include "scriptc/compiler.h"
#include "scriptc/decompiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    using namespace vesk::scriptc;
    std::vector<uint8_t> stored;
    {
        TPage page("fuzz.lsb");
        try {
            if (page.LoadFromBytes(data, size) != TPage::LoadResult::Ok) return 0;
        } catch (const VeskError&) {
            return 0;
        }
        stored = page.SaveToBytes(page.Version);
    }
    // What the page writes is what it holds; that must come back from its source.
    TPage page("fuzz.lsb");
    if (page.LoadFromBytes(stored) != TPage::LoadResult::Ok) std::abort();
    const std::string source = DecompilePage(page, [&](const std::string& name) -> const TPage* {
        return name == page.Name ? &page : nullptr;
    });
    TScriptCompiler c;
    c.AddPage("fuzz.vss", "fuzz.lsb", source);
    std::vector<CompiledPage> back = c.Finish();
    if (back.size() != 1 || back[0].Bytes != stored) std::abort();
    return 0;
}
