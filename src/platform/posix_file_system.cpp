#include "platform/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/cp932.h"
#include "base/error.h"

namespace vesk {

namespace {

[[noreturn]] void FailIo(const char* what, const std::string& path, int err) {
    Fail(std::string(what) + " " + Utf8ToCp932(path) + ": " + std::strerror(err));
}

class TPosixFile final : public IHostFile {
  public:
    TPosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~TPosixFile() override { ::close(fd_); }
    TPosixFile(const TPosixFile&) = delete;
    TPosixFile& operator=(const TPosixFile&) = delete;

    size_t ReadAt(void* dst, size_t n, int64_t offset) override {
        auto* out = static_cast<uint8_t*>(dst);
        size_t done = 0;
        while (done < n) {
            ssize_t got = ::pread(fd_, out + done, n - done, off_t(offset + int64_t(done)));
            if (got < 0) {
                if (errno == EINTR) continue;
                FailIo("cannot read file", path_, errno);
            }
            if (got == 0) break;
            done += size_t(got);
        }
        return done;
    }

    void WriteAt(const void* src, size_t n, int64_t offset) override {
        const auto* in = static_cast<const uint8_t*>(src);
        size_t done = 0;
        while (done < n) {
            ssize_t put = ::pwrite(fd_, in + done, n - done, off_t(offset + int64_t(done)));
            if (put < 0) {
                if (errno == EINTR) continue;
                FailIo("cannot write file", path_, errno);
            }
            done += size_t(put);
        }
    }

    int64_t Size() override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) FailIo("cannot read file", path_, errno);
        return int64_t(st.st_size);
    }

    void Resize(int64_t size) override {
        if (::ftruncate(fd_, off_t(size)) != 0) FailIo("cannot write file", path_, errno);
    }

    void Sync() override {
        if (::fsync(fd_) != 0) FailIo("cannot write file", path_, errno);
    }

  private:
    int fd_;
    std::string path_;
};

// Opens `path` read-only when it is a regular file: a folder opens too, but reading it
// makes no sense and its size is no file's size.
int OpenRegular(const std::string& path, int flags, struct stat& st) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) FailIo("cannot open file", path, errno);
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        FailIo("cannot open file", path, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        Fail("cannot open file " + Utf8ToCp932(path) + ": not a regular file");
    }
    return fd;
}

}  // namespace

std::unique_ptr<IHostFile> TPosixFileSystem::Open(const std::string& path, HostOpen mode) {
    struct stat st;
    switch (mode) {
        case HostOpen::Read:
            return std::make_unique<TPosixFile>(OpenRegular(path, O_RDONLY, st), path);
        case HostOpen::ReadWrite:
            return std::make_unique<TPosixFile>(OpenRegular(path, O_RDWR, st), path);
        case HostOpen::Create:
            break;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) FailIo("cannot create file", path, errno);
    return std::make_unique<TPosixFile>(fd, path);
}

HostMapping TPosixFileSystem::Map(const std::string& path) {
    struct stat st;
    int fd = OpenRegular(path, O_RDONLY, st);
    size_t size = size_t(st.st_size);
    if (size == 0) {
        ::close(fd);
        return {};
    }
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    int err = errno;
    ::close(fd);
    if (map == MAP_FAILED) FailIo("cannot map file", path, err);
    std::shared_ptr<const void> owner(
        map, [size](const void* p) { ::munmap(const_cast<void*>(p), size); });
    return {static_cast<const uint8_t*>(map), size, std::move(owner)};
}

HostEntry TPosixFileSystem::Stat(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    HostEntry e;
    e.Kind = S_ISREG(st.st_mode)   ? HostEntryKind::File
             : S_ISDIR(st.st_mode) ? HostEntryKind::Folder
                                   : HostEntryKind::Other;
    e.Size = int64_t(st.st_size);
    e.Modified = {int64_t(st.st_mtim.tv_sec), int32_t(st.st_mtim.tv_nsec)};
    return e;
}

std::vector<std::string> TPosixFileSystem::List(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string_view name = e->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    ::closedir(d);
    return names;
}

std::optional<std::string> TPosixFileSystem::Canonical(const std::string& path) {
    char* real = ::realpath(path.empty() ? "." : path.c_str(), nullptr);
    if (!real) return std::nullopt;
    std::string out = real;
    std::free(real);
    return out;
}

bool TPosixFileSystem::Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

void TPosixFileSystem::Rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) FailIo("cannot replace file", to, errno);
}

void TPosixFileSystem::SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool TPosixFileSystem::MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return IsFolder(folder);
}

std::string TPosixFileSystem::MakeTempFolder(const std::string& prefix) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

std::string TPosixFileSystem::ExecutablePath() {
    // Linux names the running program's file here, links resolved.
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (size_t(n) < buf.size()) return buf.substr(0, size_t(n));
        buf.resize(buf.size() * 2);
    }
}

}  // namespace vesk
