// `vesktool archive`: list, extract, create and check "vf" archives.
//   archive list ARCHIVE          members with size, storage, time and checksum
//   archive extract ARCHIVE DIR   members as files under DIR (UTF-8 names, '/' folders)
//   archive create DIR ARCHIVE    every file under DIR, written as the player writes archives
//   archive check ARCHIVE         verifies every checksum and inflates every member
// Exit status: 0 all well, 1 the archive cannot be read, 2 some members were skipped or failed.
#include <cstdio>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "platform/posix_file_system.h"
#include "vfs/archive_tools.h"
#include "vfs/vr_file.h"

namespace vesk::tool {

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vesktool archive list ARCHIVE\n"
                 "       vesktool archive extract ARCHIVE DIR\n"
                 "       vesktool archive create DIR ARCHIVE\n"
                 "       vesktool archive check ARCHIVE\n");
    return 2;
}

std::string FormatDosTime(int32_t t) {
    if (t == 0) return "-";
    uint32_t v = uint32_t(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (v >> 25),
                  (v >> 21) & 15, (v >> 16) & 31, (v >> 11) & 31, (v >> 5) & 63, (v & 31) * 2);
    return buf;
}

// Opens an archive file; a missing path is an error here, not an empty folder.
void OpenArchive(TVrFileCollection& c, const std::string& path) {
    if (!c.HostFs().IsFile(path)) Fail("no such archive file: " + Utf8ToCp932(path));
    c.Open(path);
}

int List(const std::string& path) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    OpenArchive(c, path);
    std::printf("# version %d, %zu members\n", c.Version(), c.Count());
    std::printf("# name\tsize\tstorage\ttime\tchecksum\n");
    for (size_t i = 0; i < c.Count(); ++i) {
        const TVrFile& f = *c.At(i);
        char sum[16] = "-";
        if (c.Version() >= 101)
            std::snprintf(sum, sizeof sum, "%08x%s", uint32_t(f.Checksum),
                          f.ChecksumOfSource ? "*" : "");
        std::printf("%s\t%lld\t%s\t%s\t%s\n", Cp932ToUtf8(f.Name).c_str(),
                    static_cast<long long>(f.Size), f.Stored ? "stored" : "zlib",
                    FormatDosTime(f.FileTime).c_str(), sum);
    }
    return 0;
}

// Prints the report's messages; the exit status for it.
int Finish(const TArchiveReport& r, const char* what) {
    for (const std::string& m : r.messages) std::fprintf(stderr, "%s\n", m.c_str());
    std::printf("%zu members %s, %zu skipped or failed\n", r.done, what, r.failed);
    return r.failed ? 2 : 0;
}

int Extract(const std::string& path, const std::string& target) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    OpenArchive(c, path);
    return Finish(ExtractArchive(c, target), "extracted");
}

int Create(const std::string& dir, const std::string& archive) {
    TPosixFileSystem hostFs;
    return Finish(CreateArchive(hostFs, dir, archive), "written");
}

int Check(const std::string& path) {
    TPosixFileSystem hostFs;
    TVrFileCollection c(hostFs);
    OpenArchive(c, path);
    if (c.Version() < 101)
        std::printf("version %d keeps no checksums; members are inflated only\n", c.Version());
    return Finish(CheckArchive(c), "sound");
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
