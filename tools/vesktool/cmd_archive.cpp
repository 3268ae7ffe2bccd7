// `vesktool archive`: list, extract, create and check "vf" archives.
//   archive list ARCHIVE          members with size, storage, time and checksum
//   archive extract ARCHIVE DIR   members as files under DIR (UTF-8 names, '/' folders)
//   archive create DIR ARCHIVE    every file under DIR, written as the player writes archives
//   archive check ARCHIVE         verifies every checksum and inflates every member
// Exit status: 0 all well, 1 the archive cannot be read, 2 some members were skipped or failed.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/crc32.h"
#include "base/error.h"
#include "vfs/big_stream.h"
#include "vfs/host_path.h"
#include "vfs/range_stream.h"
#include "vfs/vr_file.h"
#include "vfs/zlib_codec.h"

namespace vesk::tool {

namespace {

namespace fs = std::filesystem;

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool archive list ARCHIVE\n"
                 "       vesktool archive extract ARCHIVE DIR\n"
                 "       vesktool archive create DIR ARCHIVE\n"
                 "       vesktool archive check ARCHIVE\n");
    return 2;
}

std::string Utf8(std::string_view cp932) {
    return Cp932ToUtf8(cp932);
}

std::string FormatDosTime(int32_t t) {
    if (t == 0) return "-";
    uint32_t v = uint32_t(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (v >> 25),
                  (v >> 21) & 15, (v >> 16) & 31, (v >> 11) & 31, (v >> 5) & 63, (v & 31) * 2);
    return buf;
}

// Streams a member's stored bytes in blocks, so that large media never sit whole in memory.
template <class Fn>
void ForEachStoredBlock(TVrFileCollection& c, const TVrFile& f, Fn fn) {
    auto range = c.OpenEntryRange(f.Name);
    if (!range) Fail(f.Name + ": not in the archive");
    std::vector<uint8_t> block(0x100000);
    for (int64_t left = f.Size; left > 0;) {
        size_t n = size_t(std::min<int64_t>(left, int64_t(block.size())));
        range->ReadExact(block.data(), n, f.Name.c_str());
        fn(block.data(), n);
        left -= int64_t(n);
    }
}

// Opens an archive file; a missing path is an error here, not an empty folder.
void OpenArchive(TVrFileCollection& c, const std::string& path) {
    if (!IsHostFile(path)) Fail("no such archive file: " + Utf8ToCp932(path));
    c.Open(path);
}

int List(const std::string& path) {
    TVrFileCollection c;
    OpenArchive(c, path);
    std::printf("# version %d, %zu members\n", c.Version(), c.Count());
    std::printf("# name\tsize\tstorage\ttime\tchecksum\n");
    for (size_t i = 0; i < c.Count(); ++i) {
        const TVrFile& f = *c.At(i);
        char sum[16] = "-";
        if (c.Version() >= 101)
            std::snprintf(sum, sizeof sum, "%08x%s", uint32_t(f.Checksum),
                          f.ChecksumOfSource ? "*" : "");
        std::printf("%s\t%lld\t%s\t%s\t%s\n", Utf8(f.Name).c_str(), static_cast<long long>(f.Size),
                    f.Stored ? "stored" : "zlib", FormatDosTime(f.FileTime).c_str(), sum);
    }
    return 0;
}

int Extract(const std::string& path, const std::string& target) {
    TVrFileCollection c;
    OpenArchive(c, path);
    fs::create_directories(target);
    int failed = 0;
    // Members differing only in case are one file to the player: the later one wins.
    std::map<std::string, std::string> spelling;
    for (size_t i = 0; i < c.Count(); ++i) {
        const TVrFile& f = *c.At(i);
        std::string rel = SafeExtractionPath(f.Name);
        if (rel.empty()) {
            std::fprintf(stderr, "skipped member %zu with an unsafe name: \"%s\"\n", i,
                         Utf8(f.Name).c_str());
            ++failed;
            continue;
        }
        auto [it, fresh] = spelling.emplace(LowerAscii(rel), rel);
        std::string out = (fs::path(target) / it->second).string();
        try {
            fs::create_directories(fs::path(out).parent_path());
            if (f.Stored) {
                TTpBigFileStream file(out, TTpBigFileStream::Mode::CreateAtomic);
                ForEachStoredBlock(c, f, [&](const uint8_t* p, size_t n) { file.Write(p, n); });
                file.Commit();
            } else {
                std::vector<uint8_t> bytes;
                c.ReadMember(f, bytes);
                static const uint8_t none = 0;  // a valid pointer for an empty member
                WriteFileAtomic(out, bytes.empty() ? &none : bytes.data(), bytes.size());
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "member %s failed: %s\n", Utf8(f.Name).c_str(), e.what());
            ++failed;
        }
    }
    if (failed) std::fprintf(stderr, "%d of %zu members were not extracted\n", failed, c.Count());
    return failed ? 2 : 0;
}

int Create(const std::string& dir, const std::string& archive) {
    if (!IsHostDir(dir)) Fail("not a folder: " + Utf8ToCp932(dir));
    std::vector<std::string> names;
    int skipped = 0;
    std::error_code ec;
    fs::path outPath = fs::weakly_canonical(archive, ec);
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator();
         ++it) {
        if (!it->is_regular_file()) continue;
        if (fs::weakly_canonical(it->path(), ec) == outPath) continue;
        std::string rel = fs::relative(it->path(), dir).generic_string();
        std::string name;
        if (!TryUtf8ToCp932(rel, name)) {
            std::fprintf(stderr, "skipped %s: the name has no Shift-JIS form\n", rel.c_str());
            ++skipped;
            continue;
        }
        std::replace(name.begin(), name.end(), '/', '\\');  // '/' is never a trail byte
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    TVrFileCollection c;
    c.Open(dir);
    for (const std::string& n : names) c.AddEntry(n);
    TTpBigFileStream out(archive, TTpBigFileStream::Mode::CreateAtomic);
    c.WriteArchive(out);
    out.Commit();
    std::printf("%zu members written to %s\n", names.size(), archive.c_str());
    return skipped ? 2 : 0;
}

int Check(const std::string& path) {
    TVrFileCollection c;
    OpenArchive(c, path);
    int failed = 0;
    for (size_t i = 0; i < c.Count(); ++i) {
        const TVrFile& f = *c.At(i);
        try {
            uint32_t crc = 0;
            if (f.Stored) {
                ForEachStoredBlock(c, f,
                                   [&](const uint8_t* p, size_t n) { crc = Crc32(crc, p, n); });
            } else {
                std::vector<uint8_t> stored, bytes;
                c.ReadMember(f, stored, false);
                InflateAppend(stored.data(), stored.size(), bytes, c.DisplayName() + ": " + f.Name);
                crc = f.ChecksumOfSource ? Crc32(0, bytes.data(), bytes.size())
                                         : Crc32(0, stored.data(), stored.size());
            }
            if (c.Version() >= 101 && crc != uint32_t(f.Checksum)) {
                char msg[64];
                std::snprintf(msg, sizeof msg, ": checksum %08x, stored %08x", crc,
                              uint32_t(f.Checksum));
                Fail(f.Name + msg);
            }
        } catch (const VeskError& e) {
            std::fprintf(stderr, "%s\n", e.what());
            ++failed;
        }
    }
    std::printf("%zu members, %d failed%s\n", c.Count(), failed,
                c.Version() >= 101 ? "" : " (this version keeps no checksums)");
    return failed ? 2 : 0;
}

}  // namespace

int Cmd_archive(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string verb = argv[1];
    if (verb == "list" && argc == 3) return List(argv[2]);
    if (verb == "extract" && argc == 4) return Extract(argv[2], argv[3]);
    if (verb == "create" && argc == 4) return Create(argv[2], argv[3]);
    if (verb == "check" && argc == 3) return Check(argv[2]);
    return Usage();
}

}  // namespace vesk::tool
