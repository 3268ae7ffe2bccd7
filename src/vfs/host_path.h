#pragma once
// Finding game files on disk. Game file names are CP932 with `\` folders and were made on a
// case-insensitive file system; here a name is matched folder by folder without regard to
// ASCII case, trying each part both converted to UTF-8 and as raw bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/host_file_system.h"

namespace vesk {

// Splits a CP932 path at `\` and `/` (never at a trail byte); empty parts are dropped.
std::vector<std::string> SplitVirtualPath(std::string_view name);

// The native spelling of a CP932 name part: UTF-8 when it converts, else the raw bytes.
std::string NativeName(std::string_view cp932);
// The CP932 spelling of a native name: converted from UTF-8 when possible, else raw.
std::string VirtualName(std::string_view native);

// Listings of folders already scanned for names spelled in another case, each kept while
// the folder's modification time stays the same. Owned by whoever looks names up often.
class THostDirCache {
  public:
    // The entries of `dir` (ending in '/') whose CP932 spelling equals `part` without
    // regard to case.
    std::vector<std::string> Candidates(IHostFileSystem& fs, const std::string& dir,
                                        const std::string& part);

  private:
    struct Listing {
        HostTime mtime;
        std::unordered_map<std::string, std::vector<std::string>> byFolded;
    };
    std::unordered_map<std::string, Listing> dirs_;
};

// `folder` (a native folder path, with or without a trailing '/') joined with the CP932
// relative `name`, when that names an existing regular file (or folder, for FindHostDir).
// An empty folder finds nothing; a name starting with '/' is taken as a native absolute path.
// For names the user gives; names read from game data go through ResolveGameName.
// A cache, when given, saves scanning folders again.
std::optional<std::string> FindHostFile(IHostFileSystem& fs, const std::string& folder,
                                        std::string_view name, THostDirCache* cache = nullptr);
std::optional<std::string> FindHostDir(IHostFileSystem& fs, const std::string& folder,
                                       std::string_view name, THostDirCache* cache = nullptr);

enum class GameEntry { File, Folder };

// Where a file name read from game data (CP932, `\` or '/' folders) lies under `root`, one of
// the folders the game may read from (its own folder, a disc folder, the save folder): the
// native path of a regular file (or, for GameEntry::Folder, of a folder, ending in '/'),
// found folder by folder without regard to case. A name that would leave `root` is not found:
// an absolute name, a drive letter or any ':', a ".." above the root (inner "a\..\b" is
// fine), a lead byte hiding a '/', a NUL, or a symbolic link that leads outside. An empty name
// finds the root itself as a folder and nothing as a file.
std::optional<std::string> ResolveGameName(IHostFileSystem& fs, const std::string& root,
                                           std::string_view name, GameEntry kind,
                                           THostDirCache* cache = nullptr);

// The relative native path ('/' folders, UTF-8 where the name converts) under which a member
// may be extracted; empty when its name could leave the target folder (an absolute path, a
// drive letter, "." or "..") or cannot name a file.
std::string SafeExtractionPath(std::string_view name);

// The folder part of a native path, ending in '/'.
std::string HostFolderOf(const std::string& path);
// A native folder path with a trailing '/'.
std::string WithSlash(std::string folder);

// The file's modification time as a packed DOS date and time (local time); 0 when unknown.
int32_t DosFileTime(IHostFileSystem& fs, const std::string& path);

}  // namespace vesk
