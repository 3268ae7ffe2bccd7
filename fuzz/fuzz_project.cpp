// Project files and installation records from hostile input.
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "base/stream.h"
#include "script/project_file.h"
#include "script/project_install.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 1) return 0;
    ViewStream v(data + 1, size - 1);
    try {
        if (data[0] & 1) {
            TVeskInstallSet s;
            s.Load(v);
        } else {
            TProjectFile f;
            f.Load(v);
            f.FolderDisks.DiskOf("a\\b\\c.lsb");
            MemoryStream out;
            f.Save(out);
        }
    } catch (const VeskError&) {
    }
    return 0;
}
