#pragma once
// The virtual file system: one name space of relative CP932 paths (`image\bg01.qil`) over
// archives, an in-memory collection, a base folder and the disc folders, searched in order.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/host_file_system.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "vfs/big_stream.h"
#include "vfs/host_path.h"
#include "vfs/vr_file.h"

namespace vesk {

// A member extracted to a work file for a decoder that needs a path.
struct TVrLockData {
    std::string Name;  // the virtual name, as asked for
    int32_t Id = 0;
    int32_t RefCount = 1;
    std::string Path;  // the work file
};

// A cached member: the upper-cased virtual name and its uncompressed bytes.
struct TVrCache {
    std::string Key;
    MemoryStream Data;
};

// What asking for another disk needs from the project and the application.
struct TDiskRequest {
    std::string prompt;      // CP932, with one "%d" for the disk number
    std::string quitPrompt;  // CP932, shown when the user cancels
    std::string caption;     // the application title
    // True when the installation record at `installPath` (native) is this game's record for
    // the zero-based disk `diskIndex`.
    std::function<bool(const std::string& installPath, int32_t diskIndex)> isDisk;
    // Sets the quit flag and asks the main window to close.
    std::function<void()> quit;
};

class TVrFileManager {
  public:
    // The cache holds at most this many bytes before older entries go (the newest stays).
    static constexpr int64_t kCacheLimit = 0x400000;

    // Every file is reached through `fs`, which must outlive the manager. `tempFolder`
    // receives work files; `cdRoots` are the folders that stand for disc drives (from game.ini
    // or the command line). All are native paths. `messageBox` asks for disks and reports
    // failing members while writing; it may be null.
    TVrFileManager(IHostFileSystem& fs, std::string tempFolder,
                   std::vector<std::string> cdRoots = {}, IMessageBox* messageBox = nullptr);
    ~TVrFileManager();
    TVrFileManager(const TVrFileManager&) = delete;
    TVrFileManager& operator=(const TVrFileManager&) = delete;

    // Adds an archive file, or a folder when `path` is not a file; an empty path adds an empty
    // collection. Returns the new index, or -1 when a collection has that folder already.
    int AddArchive(const std::string& path);
    // Adds resource bytes (data linked into the program) as an archive.
    int AddResourceArchive(const std::string& name, TResourceData data);
    // Adds the resource `name` of type `type` of another program or library file (native
    // path) as an archive. A file that cannot be read as one adds an empty collection; a
    // missing or empty resource fails with "リソースが見つかりません".
    int AddResourceArchive(const std::string& modulePath, const std::string& name,
                           const std::string& type);
    void RemoveCollection(int index);
    void Clear();
    size_t CollectionCount() const { return collections_.size(); }
    TVrFileCollection& Collection(size_t index) { return *collections_[index]; }

    // The registrations made at start-up, in lookup order: an empty memory collection; then,
    // without arguments, the executable's folder as base folder, the "DUMMY" resource archive
    // (when given and ending in "vf") and the executable itself when it ends in "vq"; with
    // arguments, the first as base folder and for each its "game.dat" and itself when it is a
    // file ending in "vq".
    void RegisterStartupArchives(const std::string& exePath, const std::vector<std::string>& args,
                                 const TResourceData* dummy = nullptr);
    // True when the file's last two bytes are "vq" (an archive is appended to it).
    bool HasAppendedArchive(const std::string& path);

    void SetBaseFolder(const std::string& path);
    const std::string& BaseFolder() const { return baseFolder_; }
    const std::vector<std::string>& CdRoots() const { return cdRoots_; }
    const std::string& TempFolder() const { return tempFolder_; }
    IHostFileSystem& HostFs() const { return fs_; }

    // Loose files are looked for in the base folder and the disc folders only (see
    // ResolveGameName): a name that would lead outside them is not there.
    bool Exists(std::string_view name);
    // Fills `dst` with the file's whole uncompressed contents and rewinds it. A memory stream
    // is emptied first. Fails with "%s:ファイルがありません".
    void LoadFile(Stream& dst, std::string_view name);
    std::vector<uint8_t> LoadBytes(std::string_view name);
    // A native path that a decoder can open: the loose file, a work file holding the member
    // (the same one, with one more reference, when asked again for the same name), a file in
    // a disc folder, or else the name unchanged.
    std::string GetRealPath(std::string_view name);
    // Drops one reference to the work file of `name`; at none the file is queued for deletion.
    void ReleaseRealPath(std::string_view name);
    // A read-only stream over the file that other threads may read: a window over the loose
    // file or the stored member, or the member's bytes in memory when it is compressed.
    std::unique_ptr<Stream> OpenRange(std::string_view name);
    // Adds the names of the files directly in `folder` (ending in `\`, or empty) that the
    // list does not hold yet: archive members, then loose files, then disc files.
    void ListFolder(std::string_view folder, std::vector<std::string>& list);

    struct Found {
        TVrFileCollection* collection = nullptr;
        TVrFile* entry = nullptr;
        explicit operator bool() const { return entry != nullptr; }
    };
    Found FindEntry(std::string_view name);
    static std::string ExtractFolder(std::string_view name) { return ExtractVirtualFolder(name); }

    // Asks for disk n until the user inserts it (true) or confirms quitting (false).
    bool RequestDisk(int n, const TDiskRequest& request);

    // The optional cache of loaded files.
    void CreateCache();
    void FreeCache();
    void ClearCache();
    bool HasCache() const { return cache_ != nullptr; }

    // Deletes the work files queued so far; the frame loop calls this once per frame.
    void DeleteQueuedFiles();
    const std::vector<TVrLockData>& Locks() const { return locks_; }
    const std::vector<std::string>& DeleteQueue() const { return deleteQueue_; }

  private:
    int Append(std::unique_ptr<TVrFileCollection> c);
    // Appends the file's bytes to `out`; false when it is an in-memory member (then copied).
    bool Fetch(std::vector<uint8_t>& out, std::string_view name);
    void FreeLock(size_t index);

    // The loose file `name` under `root`, or none.
    std::optional<std::string> LooseFile(const std::string& root, std::string_view name);

    IHostFileSystem& fs_;
    std::vector<std::unique_ptr<TVrFileCollection>> collections_;
    std::vector<std::string> cdRoots_;
    std::string baseFolder_;
    std::string tempFolder_;
    IMessageBox* messageBox_;
    std::unique_ptr<std::list<TVrCache>> cache_;
    std::vector<TVrLockData> locks_;
    int32_t nextLockId_ = 0;
    std::vector<std::string> deleteQueue_;
    THostDirCache dirCache_;
};

}  // namespace vesk
