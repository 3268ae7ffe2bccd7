#include "vfs/archive_tools.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "base/cp932.h"
#include "base/crc32.h"
#include "base/error.h"
#include "vfs/big_stream.h"
#include "vfs/host_path.h"
#include "vfs/range_stream.h"
#include "vfs/zlib_codec.h"

namespace vesk {

namespace {

namespace fs = std::filesystem;

// Streams a member's stored bytes in blocks, so that large media never sit whole in memory.
template <class Fn>
void ForEachStoredBlock(TVrFileCollection& c, const TVrFile& f, Fn fn) {
    auto range = c.OpenEntryRange(f.Name);
    if (!range) FailFileNotFound(f.Name);
    std::vector<uint8_t> block(size_t(std::min<int64_t>(f.Size, 0x100000)));
    for (int64_t left = f.Size; left > 0;) {
        size_t n = size_t(std::min<int64_t>(left, int64_t(block.size())));
        range->ReadExact(block.data(), n, f.Name.c_str());
        fn(block.data(), n);
        left -= int64_t(n);
    }
}

}  // namespace

TArchiveReport ExtractArchive(TVrFileCollection& c, const std::string& target) {
    TArchiveReport report;
    fs::create_directories(target);
    std::map<std::string, std::string> spelling;  // folded path -> the first spelling met
    for (size_t i = 0; i < c.Count(); ++i) {
        const TVrFile& f = *c.At(i);
        std::string rel = SafeExtractionPath(f.Name);
        if (rel.empty()) {
            report.messages.push_back("skipped member " + std::to_string(i) +
                                      " with an unsafe name: \"" + Cp932ToUtf8(f.Name) + "\"");
            ++report.failed;
            continue;
        }
        std::string out =
            (fs::path(target) / spelling.emplace(LowerAscii(rel), rel).first->second).string();
        try {
            fs::create_directories(fs::path(out).parent_path());
            if (f.Stored) {
                TTpBigFileStream file(c.HostFs(), out, TTpBigFileStream::Mode::CreateAtomic);
                ForEachStoredBlock(c, f, [&](const uint8_t* p, size_t n) { file.Write(p, n); });
                file.Commit();
            } else {
                std::vector<uint8_t> bytes;
                c.ReadMember(f, bytes);
                static const uint8_t none = 0;  // a valid pointer for an empty member
                WriteFileAtomic(out, bytes.empty() ? &none : bytes.data(), bytes.size());
            }
            ++report.done;
        } catch (const std::exception& e) {
            report.messages.push_back("member " + Cp932ToUtf8(f.Name) + " failed: " + e.what());
            ++report.failed;
        }
    }
    return report;
}

TArchiveReport CheckArchive(TVrFileCollection& c) {
    TArchiveReport report;
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
                Fail(c.DisplayName() + ": " + f.Name + msg);
            }
            ++report.done;
        } catch (const VeskError& e) {
            report.messages.push_back(e.what());
            ++report.failed;
        }
    }
    return report;
}

TArchiveReport CreateArchive(IHostFileSystem& hostFs, const std::string& folder,
                             const std::string& archivePath) {
    if (!hostFs.IsFolder(folder)) Fail("not a folder: " + Utf8ToCp932(folder));
    TArchiveReport report;
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path self = fs::weakly_canonical(archivePath, ec);
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        if (!it->is_regular_file()) continue;
        if (fs::weakly_canonical(it->path(), ec) == self) continue;
        std::string rel = fs::relative(it->path(), folder).generic_string();
        std::string name;
        if (!TryUtf8ToCp932(rel, name)) {
            report.messages.push_back("skipped " + rel + ": the name has no Shift-JIS form");
            ++report.failed;
            continue;
        }
        std::replace(name.begin(), name.end(), '/', '\\');  // '/' is never a trail byte
        // The writer reads members the way the player reads loose files.
        if (!ResolveGameName(hostFs, folder, name, GameEntry::File)) {
            report.messages.push_back("skipped " + rel + ": it leads outside the folder");
            ++report.failed;
            continue;
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    TVrFileCollection c(hostFs);
    c.Open(folder);
    for (const std::string& n : names) c.AddEntry(n);
    TTpBigFileStream out(hostFs, archivePath, TTpBigFileStream::Mode::CreateAtomic);
    c.WriteArchive(out);
    out.Commit();
    report.done = names.size();
    return report;
}

}  // namespace vesk
