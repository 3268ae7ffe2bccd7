#include "base/host_file_system.h"

#include "base/error.h"

namespace vesk {

void WriteHostFileAtomic(IHostFileSystem& fs, const std::string& path, const void* data,
                         size_t size) {
    const std::string tmp = path + ".tmp";
    try {
        std::unique_ptr<IHostFile> f = fs.Open(tmp, HostOpen::Create);
        if (size > 0) f->WriteAt(data, size, 0);
        f->Sync();
    } catch (...) {
        fs.Remove(tmp);
        throw;
    }
    try {
        fs.Rename(tmp, path);
    } catch (...) {
        fs.Remove(tmp);
        throw;
    }
    const size_t slash = path.find_last_of('/');
    fs.SyncFolder(slash == std::string::npos ? std::string(".")
                  : slash == 0               ? std::string("/")
                                             : path.substr(0, slash));
}

}  // namespace vesk
