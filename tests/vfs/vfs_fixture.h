#pragma once
// Helpers for the file-system tests: a temporary folder and an archive builder for every
// version of the format, written independently of the player's own writer so that each
// checks the other.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/stream.h"
#include "base/tp_random.h"
#include "platform/posix_file_system.h"

namespace vesk::test {

inline std::vector<uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

class TempDir {
  public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vfs_test_XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // The native path of `rel` inside the folder, creating its parent folders.
    std::string operator/(const std::string& rel) const {
        std::filesystem::path p = std::filesystem::path(path_) / rel;
        std::filesystem::create_directories(p.parent_path());
        return p.string();
    }
    const std::string& path() const { return path_; }
    std::string Write(const std::string& rel, const std::vector<uint8_t>& bytes) const {
        std::string p = *this / rel;
        FileStream f(p, FileStream::Mode::Create);
        if (!bytes.empty()) f.Write(bytes.data(), bytes.size());
        return p;
    }

  private:
    std::string path_;
};

struct FixtureMember {
    std::string name;  // CP932
    std::vector<uint8_t> bytes;
    bool stored = false;  // versions >= 101 only; older versions compress everything
    uint8_t basis = 0;    // version 102: checksum over the source bytes
    int32_t time = 0;
};

inline std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw, int level = 1) {
    uLongf n = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(n);
    compress2(out.data(), &n, raw.data(), uLong(raw.size()), level);
    out.resize(n);
    return out;
}

inline uint32_t Crc(const std::vector<uint8_t>& b) {
    return uint32_t(crc32(0, b.data(), uInt(b.size())));
}

// An archive of `version` (0 written without the magic) as the format lays it out.
// `prefix` bytes are placed before it; offsets stay relative to the archive's start.
inline std::vector<uint8_t> BuildArchive(int version, const std::vector<FixtureMember>& members,
                                         size_t prefix = 0) {
    MemoryStream head;
    StreamWriter w(head);
    if (version != 0) {
        w.Raw("vf", 2);
        w.I32(version);
    }
    w.I32(int32_t(members.size()));
    TTpRandom nameKey{0x4E8A2C57};
    for (const auto& m : members) {
        std::string name = m.name;
        if (version >= 100)
            for (char& c : name) c = char(uint8_t(c) ^ uint8_t(nameKey.NextRaw()));
        w.Str(name);
    }
    std::vector<std::vector<uint8_t>> data;
    for (const auto& m : members)
        data.push_back(version >= 101 && m.stored ? m.bytes : Zlib(m.bytes));
    const bool wide = version >= 101;
    size_t n = members.size();
    size_t tables = (n + 1) * (wide ? 8 : 4) + (wide ? n * 9 : 0) + (version >= 102 ? n : 0);
    int64_t pos = head.Size() + int64_t(tables);
    TTpRandom offsetKey{0x4E8A2C57};
    for (size_t i = 0; i <= n; ++i) {
        uint32_t key = version >= 100 ? offsetKey.NextRaw() : 0;
        if (wide)
            w.U64(uint64_t(pos) ^ uint64_t(int64_t(int32_t(key))));
        else
            w.U32(uint32_t(pos) ^ key);
        if (i < n) pos += int64_t(data[i].size());
    }
    if (wide) {
        for (const auto& m : members) w.U8(m.stored);
        for (const auto& m : members) w.I32(m.time);
        for (size_t i = 0; i < n; ++i)
            w.U32(members[i].basis && version >= 102 ? Crc(members[i].bytes) : Crc(data[i]));
        if (version >= 102)
            for (const auto& m : members) w.U8(m.basis);
    }
    for (const auto& d : data) w.Raw(d.data(), d.size());
    std::vector<uint8_t> out(prefix, 'x');
    out.insert(out.end(), head.Bytes().begin(), head.Bytes().end());
    return out;
}

}  // namespace vesk::test
