// `vesktool archive`: list, extract, create and check "vf" archives.
//   archive list ARCHIVE          members with size, storage, time and checksum
//   archive extract ARCHIVE DIR   members as files under DIR (UTF-8 names, '/' folders)
//   archive create DIR ARCHIVE    every file under DIR, written as the player writes archives
//   archive check ARCHIVE         verifies every checksum and inflates every member
// Exit status: 0 all well, 1 the archive cannot be read or some members were skipped or
// failed (the summary says how many), 2 usage errors.
#include <cstdio>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "command_table.h"
#include "platform/posix_file_system.h"
#include "vfs/archive_tools.h"
#include "vfs/vr_file.h"

namespace vesk::tool {

namespace {

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
    return r.failed ? kToolFailed : kToolOk;
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

void Cmd_archive(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand(
        "archive", "archives: list, extract, create and check game.dat and its kin");
    cmd->require_subcommand(1);
    cmd->footer(
        "Works on game.dat, split pieces, .ext companions and archives appended to executables.\n"
        "Exit status 1 also when some members were skipped or failed.");
    // The paths live as long as the tool's command line.
    struct Paths {
        std::string archive, dir;
    };
    auto p = std::make_shared<Paths>();

    CLI::App* list = cmd->add_subcommand("list", "members with size, storage, time and checksum");
    AddArg(list, "ARCHIVE", p->archive, "the archive file")->required();
    list->callback([p, &run] { run.status = List(p->archive); });

    CLI::App* extract =
        cmd->add_subcommand("extract", "members as files under DIR (never outside it)");
    AddArg(extract, "ARCHIVE", p->archive, "the archive file")->required();
    AddArg(extract, "DIR", p->dir, "the folder to write into")->required();
    extract->callback([p, &run] { run.status = Extract(p->archive, p->dir); });

    CLI::App* create = cmd->add_subcommand(
        "create", "every file under DIR, written as the player writes archives");
    AddArg(create, "DIR", p->dir, "the folder to pack")->required();
    AddArg(create, "ARCHIVE", p->archive, "the archive to write")->required();
    create->callback([p, &run] { run.status = Create(p->dir, p->archive); });

    CLI::App* check =
        cmd->add_subcommand("check", "verifies every checksum and inflates every member");
    AddArg(check, "ARCHIVE", p->archive, "the archive file")->required();
    check->callback([p, &run] { run.status = Check(p->archive); });
}

}  // namespace vesk::tool
