// Reads arbitrary bytes as a saved table list (game and status kinds) and as a TSV text,
// then saves what was read and reads it back: hostile lists end in a clear error and a
// list that was accepted survives its own round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "vars/db_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (vesk::DBKind kind : {vesk::DBKind::Game, vesk::DBKind::Status}) {
        vesk::TDBManager m;
        m.Memory().Limit = size_t(64) << 20;
        vesk::ViewStream s(data, size);
        try {
            m.LoadTables(s, kind);
        } catch (const vesk::VeskError&) {
            if (m.Count() != 0 || m.Memory().Used != 0) std::abort();
            continue;
        }
        vesk::MemoryStream once;
        m.SaveTables(once, kind);
        vesk::TDBManager again;
        once.Seek(0, vesk::SeekFrom::Begin);
        again.LoadTables(once, kind);
        vesk::MemoryStream twice;
        again.SaveTables(twice, kind);
        if (once.Bytes() != twice.Bytes()) std::abort();
    }
    vesk::TDBMemory memory;
    memory.Limit = size_t(64) << 20;
    vesk::TDBTable t(&memory);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    t.LoadTsv(vesk::SplitTextLines(text));
    return 0;
}
