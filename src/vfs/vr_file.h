#pragma once
// Archives in the "vf" format and the collections of files they hold.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/hash_collection.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "vfs/big_stream.h"

namespace vesk {

class TRangeStream;

// One member of a collection. `Name` is a CP932 relative path with `\` folders; rename an
// entry through its collection so that the name index follows.
class TVrFile : public THashItem {
  public:
    std::string Name;
    int64_t Offset = 0;                  // absolute position of the stored bytes in the container
    int64_t Size = 0;                    // stored length
    uint8_t Stored = 0;                  // 1: stored as is; 0: a zlib stream
    int32_t FileTime = 0;                // packed DOS date and time
    int32_t Checksum = 0;                // CRC-32
    uint8_t ChecksumOfSource = 0;        // 1: checksum over the uncompressed bytes; 0: as stored
    std::unique_ptr<MemoryStream> Data;  // an in-memory member's uncompressed bytes
};

// What the archive writer reports around each member. `bytesWritten` is -1 before the member
// is written and its stored size after.
struct TVrProgress {
    const TVrFile* entry = nullptr;
    int32_t count = 0;
    int32_t index = 0;
    int64_t bytesWritten = -1;
};
// Setting `cancel` stops the writer, which then returns false.
using TVrProgressFn = std::function<void(const TVrProgress& progress, bool& cancel)>;

// The folder part of a CP932 virtual name: everything up to and including the last `\`
// (never a trail byte); empty when there is none.
std::string ExtractVirtualFolder(std::string_view name);

// Raises "%s:ファイルがありません" for `name`.
[[noreturn]] void FailFileNotFound(std::string_view name);

class TVrFileCollection {
  public:
    // Names and offsets of archives of version 100 and later are XORed with a keystream of
    // TTpRandom started from 0 with this seed.
    static constexpr uint32_t kScrambleSeed = 0x4E8A2C57;
    static constexpr int32_t kWriteVersion = 102;

    // Archive files, folders and loose files are read through `fs`, which must outlive the
    // collection.
    explicit TVrFileCollection(IHostFileSystem& fs);
    ~TVrFileCollection();
    TVrFileCollection(const TVrFileCollection&) = delete;
    TVrFileCollection& operator=(const TVrFileCollection&) = delete;

    // Opens an archive file (native path): a file of its own, one with a ".ext" directory
    // companion, an archive appended to an ".exe"/".scr", or a split file. A path that is not
    // a file becomes a folder collection; an empty path leaves the collection empty.
    // `pieceSize` exists for tests; the format splits files at kBigPieceSize.
    void Open(const std::string& path, int64_t pieceSize = kBigPieceSize);
    // Opens resource bytes as an archive; `name` appears in messages.
    void OpenResource(const std::string& name, TResourceData data);
    // Reads the header and directory at the stream's position (the archive's start P).
    void ReadDirectory(Stream& s);
    // Frees the entries and the container.
    void Clear();

    TVrFile* AddEntry(std::string_view name);
    // An in-memory member with an empty Data stream for the caller to fill.
    TVrFile* AddMemoryEntry(std::string_view name);
    void RemoveEntry(std::string_view name);
    void Rename(TVrFile* entry, std::string_view name);
    // The entry of that name (ASCII case ignored); among equal names the one added last.
    TVrFile* Find(std::string_view name) const;
    size_t Count() const { return entries_.Count(); }
    TVrFile* At(size_t i) const { return entries_.At(i); }

    // The member's uncompressed bytes: from the entry's memory, the archive, or else from
    // the loose file of that name in BaseFolder (see ResolveGameName). Fails with
    // "%s:ファイルがありません" when none has it.
    void ReadEntry(Stream& dst, std::string_view name);
    // Appends an archive member's stored bytes, or its uncompressed bytes when `inflate`.
    void ReadMember(const TVrFile& entry, std::vector<uint8_t>& out, bool inflate = true);
    // A window over a member's stored bytes; none when the collection has no such member.
    std::unique_ptr<TRangeStream> OpenEntryRange(std::string_view name);
    // Adds the names of the entries directly in `folder` (ending in `\`, or empty for the
    // root) that the list does not hold yet.
    void ListEntries(std::string_view folder, std::vector<std::string>& list) const;

    // Writes the whole collection as a version-102 archive at the stream's position. Returns
    // false when OnProgress cancelled. A failing member is reported through `box` (when
    // given) as "エラー:" and its name, and the error propagates.
    bool WriteArchive(Stream& out, IMessageBox* box = nullptr);

    IHostFileSystem& HostFs() const { return fs_; }
    const std::string& BaseFolder() const { return baseFolder_; }
    void SetBaseFolder(std::string folder);
    const std::string& FileName() const { return fileName_; }
    bool HasContainer() const { return stream_ != nullptr; }
    bool IsResource() const { return isResource_; }
    // The version read from the archive (0 when it had no magic, or nothing was read).
    int32_t Version() const { return version_; }
    // The end of the member data (the position of the "\EOF\" sentinel).
    int64_t DataEnd() const { return dataEnd_; }
    // How the archive is named in messages (CP932).
    std::string DisplayName() const;

    TVrProgressFn OnProgress;

  private:
    // Hashing and comparing names the way lookups do: ASCII letters folded, trail bytes kept.
    struct FoldHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const;
    };
    struct FoldEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

    TVrFile* Insert(std::unique_ptr<TVrFile> f);
    void IndexEntry(TVrFile* f);
    void Unindex(TVrFile* f);
    void CheckBounds(const TVrFile& entry);
    void WriteMember(Stream& out, TVrFile& f);

    IHostFileSystem& fs_;
    THashCollection<TVrFile> entries_;
    // Entries by name; among equal names the last one added (or renamed) is at the back.
    std::unordered_map<std::string, std::vector<TVrFile*>, FoldHash, FoldEqual> index_;
    std::unique_ptr<TTpBigStream> stream_;
    TResourceData resource_;
    bool isResource_ = false;
    std::string fileName_;
    std::string baseFolder_;
    int32_t version_ = 0;
    int64_t dataEnd_ = 0;
    int64_t pieceSize_ = kBigPieceSize;
};

}  // namespace vesk
