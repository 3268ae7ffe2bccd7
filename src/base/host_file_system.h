#pragma once
// The host's file system as the core sees it: files read and written at given positions,
// whole files mapped into memory, folder listings, what a path names, and the program's own
// path. The real one lives in platform/; whoever builds the managers hands it in, so a test
// may hand in another. Paths are native (UTF-8 where the name converts) with '/' folders.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

enum class HostEntryKind { Missing, File, Folder, Other };

// A modification time as the host keeps it.
struct HostTime {
    int64_t Seconds = 0;  // since 1970-01-01 00:00 UTC
    int32_t Nanoseconds = 0;
    bool operator==(const HostTime&) const = default;
};

// What a path names, symbolic links followed.
struct HostEntry {
    HostEntryKind Kind = HostEntryKind::Missing;
    int64_t Size = 0;
    HostTime Modified;
};

// An open file. Every read and write names its position, so the file has no shared position
// and threads holding their own handles never disturb each other. Failures raise a VeskError
// that names the file and the reason.
class IHostFile {
  public:
    virtual ~IHostFile() = default;
    // Reads up to n bytes at `offset`; fewer only at the end of the file.
    virtual size_t ReadAt(void* dst, size_t n, int64_t offset) = 0;
    virtual void WriteAt(const void* src, size_t n, int64_t offset) = 0;
    virtual int64_t Size() = 0;
    // Grows (with zero bytes) or cuts the file to `size` bytes.
    virtual void Resize(int64_t size) = 0;
    // Returns once the written bytes are on the disk.
    virtual void Sync() = 0;
};

enum class HostOpen {
    Read,       // an existing regular file, for reading
    ReadWrite,  // an existing regular file, for reading and writing
    Create,     // a new empty file, replacing the contents of one that exists
};

// A whole file mapped read-only. `Data` stays valid while `Owner` (or a copy of it) lives;
// an empty file has no data and no owner.
struct HostMapping {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    std::shared_ptr<const void> Owner;
};

class IHostFileSystem {
  public:
    virtual ~IHostFileSystem() = default;

    // Raises a VeskError ("cannot open file ...", "cannot create file ...") when the file
    // cannot be opened; anything but a regular file is refused.
    virtual std::unique_ptr<IHostFile> Open(const std::string& path, HostOpen mode) = 0;
    // Maps a regular file; raises a VeskError when it cannot.
    virtual HostMapping Map(const std::string& path) = 0;
    // Kind Missing when the path names nothing or cannot be examined.
    virtual HostEntry Stat(const std::string& path) = 0;
    // The names in a folder, without "." and "..", in no particular order; none when the
    // folder cannot be read.
    virtual std::vector<std::string> List(const std::string& folder) = 0;
    // The absolute path with every symbolic link, "." and ".." resolved; none when the path
    // names nothing.
    virtual std::optional<std::string> Canonical(const std::string& path) = 0;
    // Deletes a file; false when it could not (or there was none).
    virtual bool Remove(const std::string& path) = 0;
    // Moves a file over `to`, replacing it; raises a VeskError ("cannot replace file ...")
    // when it cannot.
    virtual void Rename(const std::string& from, const std::string& to) = 0;
    // A new empty folder of this program's own under the system's temporary folder, named
    // `prefix` and a unique ending; empty when none can be made.
    virtual std::string MakeTempFolder(const std::string& prefix) = 0;
    // The running program's file; empty when the host does not say.
    virtual std::string ExecutablePath() = 0;
    // Makes the creations, renames and removals in a folder durable. Hosts without a disk
    // of their own do nothing.
    virtual void SyncFolder(const std::string& /*folder*/) {}
    // Creates a folder and the folders above it that are missing; false when the folder is
    // not there afterwards.
    virtual bool MakeFolders(const std::string& folder) { return IsFolder(folder); }

    // The one test for "is there a file here" (a regular file, links followed).
    bool IsFile(const std::string& path) { return Stat(path).Kind == HostEntryKind::File; }
    bool IsFolder(const std::string& path) { return Stat(path).Kind == HostEntryKind::Folder; }
    // The whole contents of a regular file; raises a VeskError when it cannot be read.
    std::vector<uint8_t> ReadAll(const std::string& path) {
        std::unique_ptr<IHostFile> f = Open(path, HostOpen::Read);
        std::vector<uint8_t> bytes(size_t(f->Size()));
        bytes.resize(f->ReadAt(bytes.data(), bytes.size(), 0));
        return bytes;
    }
};

// Replaces the file at `path` (native) with `bytes` so that a crash or a failure at any
// point leaves either the old file or the whole new one: the bytes go to "path.tmp", are
// synced, and the temporary is renamed over the file; then the folder is synced. Raises a
// VeskError when the file cannot be replaced; the old file is then untouched.
void WriteHostFileAtomic(IHostFileSystem& fs, const std::string& path, const void* data,
                         size_t size);

}  // namespace vesk
