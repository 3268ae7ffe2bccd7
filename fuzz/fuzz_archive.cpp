// Opens arbitrary bytes as an archive and reads every member, inflated and through a window;
// and looks for an archive resource in the same bytes taken as a program file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/posix_file_system.h"
#include "vfs/host_path.h"
#include "vfs/pe_resource.h"
#include "vfs/range_stream.h"
#include "vfs/vr_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        vesk::LocatePeResource(data, size, "DUMMY", "BINTYPE", "fuzz");
    } catch (const vesk::VeskError&) {
    }
    vesk::TPosixFileSystem hostFs;
    vesk::TVrFileCollection c(hostFs);
    try {
        c.OpenResource("fuzz", vesk::TResourceData::Static(data, size));
    } catch (const vesk::VeskError&) {
        return 0;
    }
    for (size_t i = 0; i < c.Count(); ++i) {
        const vesk::TVrFile& f = *c.At(i);
        // Whatever the member is called, extraction stays inside its folder.
        std::string path = vesk::SafeExtractionPath(f.Name);
        if (!path.empty() &&
            (path[0] == '/' || ("/" + path + "/").find("/../") != std::string::npos ||
             path.find('\0') != std::string::npos))
            std::abort();
        try {
            std::vector<uint8_t> out;
            c.ReadMember(f, out);
        } catch (const vesk::VeskError&) {
        }
        try {
            if (auto r = c.OpenEntryRange(f.Name)) {
                uint8_t buf[256];
                r->Seek(int64_t(f.Size / 2), vesk::SeekFrom::Begin);
                while (r->Read(buf, sizeof buf) == sizeof buf) {
                }
            }
        } catch (const vesk::VeskError&) {
        }
    }
    return 0;
}
