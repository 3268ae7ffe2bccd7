// `vesktool save list SAVE.DAT` lists what a save file holds: each game slot with its
// version and caption, the status record's version, and the files scripts stored ("save:"
// names, such as thumbnails). `vesktool save dump SAVE.DAT OUTDIR` also writes every member
// out as it is stored and every stored picture as PNG, for people recovering their saves.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "command_table.h"
#include "gfx/picture_io.h"
#include "gfx/quil_frame_list.h"
#include "platform/posix_file_system.h"
#include "script/game_save.h"

namespace vesk::tool {

namespace {

namespace fs = std::filesystem;

std::string Readable(const std::string& cp932) {
    std::string utf8;
    return TryCp932ToUtf8(cp932, utf8) ? utf8 : cp932;
}

// A member's name as a file name of its own: characters no file name should hold become
// '_'.
std::string FileNameOf(const std::string& member) {
    std::string name = SaveFolderName(Readable(member));
    return name;
}

// One line about a member; "" when nothing more than its size is known.
std::string Describe(const std::string& name, const std::vector<uint8_t>& bytes) {
    int32_t slot = 0;
    if (SlotOfMember(name, slot)) {
        try {
            ViewStream s(bytes);
            StreamReader r(s);
            const TGameRecordHead h = ReadGameRecordHead(r);
            std::string line = "slot " + std::to_string(slot) + ", version " +
                               std::to_string(h.Version) + ", caption \"" + Readable(h.Caption) +
                               "\"";
            if (!h.LoadPage.empty())
                line +=
                    ", load page " + Readable(h.LoadPage) + " at " + std::to_string(h.LoadTarget);
            if (h.Version < kOldestGameSave || h.Version > kGameSaveVersion)
                line += " (this player cannot load this version)";
            return line;
        } catch (const VeskError&) {
            return "slot " + std::to_string(slot) + ", damaged";
        }
    }
    if (name == kStatusMember) {
        ViewStream s(bytes);
        StreamReader r(s);
        try {
            return "status, version " + std::to_string(ReadStatusVersion(r));
        } catch (const VeskError&) {
            return "status, damaged";
        }
    }
    TQuilFrameList pic;
    try {
        if (pic.LoadFromData(bytes.data(), bytes.size(), true) ||
            (pic.LoadFromBytes(bytes.data(), bytes.size(), true), pic.Count() > 0)) {
            TQuilFrame& f = pic.FrameAt(0);
            return "picture " + std::to_string(f.Width()) + " x " + std::to_string(f.Height());
        }
    } catch (const VeskError&) {
    }
    return "";
}

int Run(const std::string& path, const std::string& outDir) {
    TPosixFileSystem fs;
    TSaveArchive archive(fs);
    if (!fs.IsFile(path)) Fail(path + ": no such file");
    archive.Read(path);
    if (!outDir.empty()) fs::create_directories(outDir);
    int status = kToolOk;
    for (const std::string& name : archive.Names()) {
        std::vector<uint8_t> bytes;
        try {
            bytes = archive.Member(name);
        } catch (const VeskError& e) {
            std::printf("%s: damaged (%s)\n", Readable(name).c_str(), Readable(e.Text()).c_str());
            status = kToolFailed;
            continue;
        }
        const std::string what = Describe(name, bytes);
        std::printf("%s: %zu bytes%s%s\n", Readable(name).c_str(), bytes.size(),
                    what.empty() ? "" : ", ", what.c_str());
        if (outDir.empty()) continue;
        const fs::path base = fs::path(outDir) / FileNameOf(name);
        WriteFileAtomic(base.string(), bytes.data(), bytes.size());
        if (what.rfind("picture", 0) == 0) {
            TQuilFrameList pic;
            if (!pic.LoadFromData(bytes.data(), bytes.size(), true))
                pic.LoadFromBytes(bytes.data(), bytes.size(), true);
            SavePngFile(pic.FrameAt(0).Picture(), base.string() + ".png");
        }
    }
    return status;
}

}  // namespace

void Cmd_save(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd = tool.add_subcommand("save", "save files (save.dat): list, dump");
    cmd->require_subcommand(1);

    auto path = std::make_shared<std::string>();
    CLI::App* list =
        cmd->add_subcommand("list", "lists the slots, captions, versions and stored files");
    AddArg(list, "SAVE.DAT", *path, "the save file")->required();
    list->callback([path, &run] { run.status = Run(*path, ""); });

    struct DumpArgs {
        std::string path, out;
    };
    auto d = std::make_shared<DumpArgs>();
    CLI::App* dump = cmd->add_subcommand(
        "dump", "lists the save file and writes each member and each stored picture (PNG)");
    AddArg(dump, "SAVE.DAT", d->path, "the save file")->required();
    AddArg(dump, "OUTDIR", d->out, "where the members go")->required();
    dump->callback([d, &run] { run.status = Run(d->path, d->out); });
}

}  // namespace vesk::tool
