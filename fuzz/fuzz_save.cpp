// Save data on arbitrary bytes: a save file (an archive of game records, the status record
// and stored files) or, when the first byte is odd, one game record or status record as it
// stands. Either a clear error that leaves the running game able to go on, or a game that
// runs, composes and saves again.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/stream.h"
#include "display/display_commands.h"
#include "display/effect_commands.h"
#include "display/vesk_base_list.h"
#include "platform/posix_file_system.h"
#include "script/game_save.h"
#include "script/page_builder.h"
#include "script/project.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vfs/vr_file_manager.h"

namespace {

using namespace vesk;

// A game folder made once: a project with a status variable and a page that waits.
const std::string& GameFolder() {
    static const std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "fuzz_save_XXXXXX").string();
        std::string dir = ::mkdtemp(tmpl.data());
        TProjectFile f;
        f.ProjectName = "Fuzz";
        f.StartPage = "main.lsb";
        f.SaveStatus = 0;
        TDeclaredVar v;
        v.Name = "runs";
        f.Vars = {v};
        MemoryStream m;
        f.Save(m);
        WriteFileAtomic(dir + "/vesk.lpb", m.Bytes().data(), m.Bytes().size());
        TPageBuilder main;
        main.Calc("n = n + 1");
        main.Add(CC_WAIT).SetExprText("Time", "30");
        main.Add(CC_FLIP).SetExprText("Effect", "1").SetExprText("Time", "50");
        main.WriteFile(dir + "/main.lsb");
        return dir;
    }();
    return folder;
}

struct Game {
    Game() : files(fs, GameFolder() + "/work/") {
        files.RegisterStartupArchives("", {GameFolder()});
        RegisterDisplayKinds(root.Kinds());
        RegisterEffectKinds(root.Kinds());
        parts.Display = {[this](StreamWriter& w) { root.SaveState(w); },
                         [this](StreamReader& r, int32_t v) { root.LoadState(r, v); }};
        saves = std::make_unique<TGameSaves>(fs, TSaveLocation{}, parts, nullptr);
        project = std::make_unique<TProject>(TProjectEnv{.Files = files,
                                                         .Store = store,
                                                         .Funcs = &funcs,
                                                         .QuitFlag = quit,
                                                         .Saves = nullptr,
                                                         .Display = &root,
                                                         .HasGameArg = true});
        project->Create();
    }
    void Frames(int n) {
        for (int i = 0; i < n && !quit; ++i) {
            project->Run();
            root.StepAll(16);
            root.PaintAll();
            root.ClearDirty();
        }
    }

    TPosixFileSystem fs;
    TVrFileManager files;
    TParamCollection store;
    TSysFuncMan funcs{store};
    TVeskBaseList root{64, 48};
    TSaveParts parts;
    bool quit = false;
    std::unique_ptr<TGameSaves> saves;
    std::unique_ptr<TProject> project;
};

// Puts one record in place the way a load does; a damaged one leaves the game running.
void Apply(Game& g, const std::string& name, const std::vector<uint8_t>& bytes) {
    int32_t slot = 0;
    try {
        if (SlotOfMember(name, slot))
            g.saves->ApplyGameRecord(*g.project, bytes);
        else if (name == kStatusMember)
            g.saves->ApplyStatusRecord(*g.project, bytes);
    } catch (const VeskError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    Game g;
    if (g.quit) return 0;
    g.Frames(2);
    const std::vector<uint8_t> rest(data + 1, data + size);
    if (data[0] & 1) {
        Apply(g, data[0] & 2 ? std::string(kStatusMember) : GameSaveMember(1), rest);
    } else {
        TSaveArchive archive(g.fs);
        try {
            archive.ReadBytes(rest);
        } catch (const VeskError&) {
            return 0;
        }
        for (const std::string& name : archive.Names()) {
            try {
                Apply(g, name, archive.Member(name));
            } catch (const VeskError&) {
            }
        }
    }
    g.Frames(3);
    try {
        (void)g.saves->GameRecord(*g.project, TSaveRequest{1, "again", "", 0});
        (void)g.saves->StatusRecord(*g.project);
    } catch (const VeskError&) {
    }
    return 0;
}
