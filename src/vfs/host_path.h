#pragma once
// Finding game files on disk. Game file names are CP932 with `\` folders and were made on a
// case-insensitive file system; here a name is matched folder by folder without regard to
// ASCII case, trying each part both converted to UTF-8 and as raw bytes.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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
    std::vector<std::string> Candidates(const std::string& dir, const std::string& part);

  private:
    struct Listing {
        timespec mtime{};
        std::unordered_map<std::string, std::vector<std::string>> byFolded;
    };
    std::unordered_map<std::string, Listing> dirs_;
};

// `folder` (a native folder path, with or without a trailing '/') joined with the CP932
// relative `name`, when that names an existing regular file (or folder, for FindHostDir).
// An empty folder finds nothing; a name starting with '/' is taken as a native absolute path.
// A cache, when given, saves scanning folders again.
std::optional<std::string> FindHostFile(const std::string& folder, std::string_view name,
                                        THostDirCache* cache = nullptr);
std::optional<std::string> FindHostDir(const std::string& folder, std::string_view name,
                                       THostDirCache* cache = nullptr);

// The relative native path ('/' folders, UTF-8 where the name converts) under which a member
// may be extracted; empty when its name could leave the target folder (an absolute path, a
// drive letter, "." or "..") or cannot name a file.
std::string SafeExtractionPath(std::string_view name);

bool IsHostFile(const std::string& path);
bool IsHostDir(const std::string& path);
// The folder part of a native path, ending in '/'.
std::string HostFolderOf(const std::string& path);
// A native folder path with a trailing '/'.
std::string WithSlash(std::string folder);

// The file's modification time as a packed DOS date and time (local time); 0 when unknown.
int32_t DosFileTime(const std::string& path);

}  // namespace vesk
