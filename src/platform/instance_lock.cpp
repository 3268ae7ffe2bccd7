#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/cp932.h"
#include "base/hash_collection.h"

namespace vesk {

TInstanceLock::TInstanceLock(const std::string& gameFolder, const std::string& lockDir) {
    std::error_code ec;
    std::string folder = std::filesystem::weakly_canonical(gameFolder, ec).string();
    if (ec || folder.empty()) folder = gameFolder;
    // The folder upper-cased with separators turned into '-', like the original mutex name;
    // long names are shortened with a hash so they stay valid file names.
    std::string name = UpperAscii(folder);
    for (char& c : name)
        if (c == '/' || c == '\\') c = '-';
    if (name.size() > 100) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%016llx", (unsigned long long)NameHash64(name));
        name = name.substr(name.size() - 60) + "-" + buf;
    }
    std::string dir = lockDir;
    if (dir.empty()) {
        const char* run = std::getenv("XDG_RUNTIME_DIR");
        dir = run && *run ? run : std::filesystem::temp_directory_path(ec).string();
    }
    path_ = dir + "/veskplay" + name + ".lock";
    // The holder removes the file when it lets go, so a lock taken on a file that was removed
    // (or replaced) meanwhile guards nothing: then try the new file.
    for (int attempt = 0; attempt < 8; ++attempt) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (NamesHeldFile()) return;
        ::close(fd_);
        fd_ = -1;
    }
}

bool TInstanceLock::NamesHeldFile() const {
    struct stat held = {};
    struct stat named = {};
    return ::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

TInstanceLock::~TInstanceLock() {
    if (fd_ < 0) return;
    // Removed while still held, so nobody can take a lock on it that would not count; a file
    // that another player made after ours was removed is theirs.
    if (NamesHeldFile()) ::unlink(path_.c_str());
    ::close(fd_);
}

}  // namespace vesk
