#include "vfs/pe_resource.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/cp932.h"
#include "base/endian.h"
#include "base/error.h"

namespace vesk {

namespace {

// Bounds-checked little-endian reads from the mapped file.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size, std::string what)
        : d_(data), n_(size), what_(std::move(what)) {}
    uint16_t U16(uint64_t at) const {
        Need(at, 2);
        return Le16(d_ + at);
    }
    uint32_t U32(uint64_t at) const {
        Need(at, 4);
        return Le32(d_ + at);
    }
    void Need(uint64_t at, uint64_t len) const {
        if (at > n_ || len > n_ - at)
            Fail(what_ + ": not a readable program file (data outside the file)");
    }
    size_t Size() const { return n_; }

  private:
    const uint8_t* d_;
    size_t n_;
    std::string what_;
};

struct Section {
    uint32_t va, vsize, rawSize, rawPtr;
};

// The UTF-8 form of a resource directory string (uint16 length, then UTF-16LE units).
std::string ResourceString(const Bytes& b, uint64_t at) {
    uint16_t len = b.U16(at);
    std::string out;
    for (uint64_t i = 0; i < len; ++i) {
        uint32_t c = b.U16(at + 2 + 2 * i);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < len) {
            uint32_t lo = b.U16(at + 2 + 2 * (i + 1));
            if (lo >= 0xDC00 && lo < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00), ++i;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 63));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 63)),
                out += char(0x80 | (c & 63));
        } else {
            out += char(0xF0 | (c >> 18)), out += char(0x80 | ((c >> 12) & 63));
            out += char(0x80 | ((c >> 6) & 63)), out += char(0x80 | (c & 63));
        }
    }
    return out;
}

// The entry of the resource directory at `dir` (relative to the resource section at `base`)
// whose name matches `key`, or -1; `key` is UTF-8 or "#id".
int64_t FindDirEntry(const Bytes& b, uint64_t base, uint64_t dir, const std::string& key) {
    uint32_t count = uint32_t(b.U16(base + dir + 12)) + b.U16(base + dir + 14);
    b.Need(base + dir + 16, uint64_t(count) * 8);
    bool byId = !key.empty() && key[0] == '#';
    uint32_t id = byId ? uint32_t(std::strtoul(key.c_str() + 1, nullptr, 10)) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t e = base + dir + 16 + uint64_t(i) * 8;
        uint32_t name = b.U32(e);
        bool named = (name & 0x80000000u) != 0;
        bool match =
            byId ? (!named && name == id)
                 : (named && SameTextAscii(ResourceString(b, base + (name & 0x7FFFFFFFu)), key));
        // Only the language level is taken as it comes: the first entry.
        if (key.empty() || match) return int64_t(b.U32(e + 4));
    }
    return -1;
}

}  // namespace

std::optional<std::pair<size_t, size_t>> LocatePeResource(const uint8_t* data, size_t size,
                                                          std::string_view name,
                                                          std::string_view type,
                                                          const std::string& what) {
    const Bytes b(data, size, what);
    if (b.U16(0) != 0x5A4D) Fail(what + ": not a program file");
    uint64_t pe = b.U32(0x3C);
    if (b.U32(pe) != 0x00004550) Fail(what + ": not a program file");
    uint16_t sections = b.U16(pe + 6);
    uint16_t optSize = b.U16(pe + 20);
    uint64_t opt = pe + 24;
    uint16_t magic = b.U16(opt);
    if (magic != 0x10B && magic != 0x20B) Fail(what + ": not a program file");
    uint64_t dirs = opt + (magic == 0x10B ? 96 : 112);
    uint32_t dirCount = b.U32(opt + (magic == 0x10B ? 92 : 108));
    if (dirCount < 3 || dirs + 3 * 8 > opt + optSize) return std::nullopt;
    uint32_t rsrcRva = b.U32(dirs + 2 * 8);
    if (rsrcRva == 0) return std::nullopt;

    std::vector<Section> table;
    uint64_t sec = opt + optSize;
    b.Need(sec, uint64_t(sections) * 40);
    for (uint16_t i = 0; i < sections; ++i) {
        uint64_t s = sec + uint64_t(i) * 40;
        table.push_back({b.U32(s + 12), b.U32(s + 8), b.U32(s + 16), b.U32(s + 20)});
    }
    auto fileOffset = [&](uint32_t rva) -> uint64_t {
        for (const Section& s : table) {
            uint32_t span = std::max(s.vsize, s.rawSize);
            if (rva >= s.va && rva - s.va < span) return uint64_t(s.rawPtr) + (rva - s.va);
        }
        Fail(what + ": not a readable program file (address outside every section)");
    };

    const uint64_t base = fileOffset(rsrcRva);
    std::string keys[3] = {std::string(type), std::string(name), std::string()};
    for (std::string& k : keys)
        if (!k.empty() && k[0] != '#') k = Cp932ToUtf8(k);
    uint64_t at = 0;
    for (int level = 0; level < 3; ++level) {
        int64_t next = FindDirEntry(b, base, at, keys[level]);
        if (next < 0) return std::nullopt;
        bool isDir = (next & 0x80000000) != 0;
        if (isDir != (level < 2)) Fail(what + ": not a readable program file (odd resource tree)");
        at = uint64_t(next) & 0x7FFFFFFFu;
    }
    uint32_t dataRva = b.U32(base + at);
    uint32_t dataSize = b.U32(base + at + 4);
    if (dataSize == 0) return std::make_pair(size_t(0), size_t(0));
    uint64_t off = fileOffset(dataRva);
    b.Need(off, dataSize);
    return std::make_pair(size_t(off), size_t(dataSize));
}

std::optional<TResourceData> FindPeResource(IHostFileSystem& fs, const std::string& path,
                                            std::string_view name, std::string_view type) {
    const std::string what = Utf8ToCp932(path);
    HostEntry entry = fs.Stat(path);
    if (entry.Kind != HostEntryKind::File) Fail(what + ": cannot open the program file");
    if (entry.Size < 64) Fail(what + ": not a program file");
    HostMapping map = fs.Map(path);
    if (map.Size < 64) Fail(what + ": not a program file");  // it shrank in between
    auto where = LocatePeResource(map.Data, map.Size, name, type, what);
    if (!where) return std::nullopt;
    if (where->second == 0) return TResourceData{};
    return TResourceData{map.Data + where->first, where->second, map.Owner};
}

}  // namespace vesk
