// Project files and installation records from hostile input; with the second mode bit the
// project file starts a whole project (declared variables, folder disks, the start page).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/error.h"
#include "base/stream.h"
#include "platform/posix_file_system.h"
#include "script/project.h"
#include "script/project_file.h"
#include "script/project_install.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vfs/vr_file_manager.h"

namespace {

// A folder of this process that holds the game under test.
const std::string& GameFolder() {
    static const std::string dir = [] {
        auto d =
            std::filesystem::temp_directory_path() / ("fuzz_project_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d / "work");
        return d.string();
    }();
    return dir;
}

void StartProject(const uint8_t* data, size_t size) {
    using namespace vesk;
    const std::string& dir = GameFolder();
    WriteFileAtomic(dir + "/vesk.lpb", data, size);
    TPosixFileSystem hostFs;
    TVrFileManager files(hostFs, dir + "/work");
    files.RegisterStartupArchives(dir + "/veskplay", {dir});
    TParamCollection store;
    TSysFuncMan funcs(store);
    bool quit = false;
    TProject p(TProjectEnv{.Files = files,
                           .Store = store,
                           .Funcs = &funcs,
                           .QuitFlag = quit,
                           .MessageBox = nullptr,
                           .Host = nullptr,
                           .Saves = nullptr,
                           .Display = nullptr,
                           .Trace = nullptr,
                           .ExeFolder = dir,
                           .HasGameArg = true});
    try {
        p.Create();
    } catch (const VeskError&) {
    }
    p.PageExists("two\\x.lsb");
    p.PageExists("two\\x.ogg");
    p.Free();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vesk;
    if (size < 1) return 0;
    ViewStream v(data + 1, size - 1);
    try {
        if (data[0] & 2) {
            StartProject(data + 1, size - 1);
        } else if (data[0] & 1) {
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
