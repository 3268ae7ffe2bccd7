// `vesktool build GAME_SRC OUTDIR [--archive] [--install] [--keep-pictures]`: a game source
// folder to a playable game folder.
#include <cstdio>
#include <memory>
#include <string>

#include "command_table.h"
#include "scriptc/game_builder.h"

namespace vesk::tool {

void Cmd_build(CLI::App& tool, TToolRun& run) {
    CLI::App* cmd =
        tool.add_subcommand("build", "turns a game source folder into a playable game folder");
    struct Args {
        std::string source, target;
        bool archive = false, install = false, keepPictures = false;
    };
    auto a = std::make_shared<Args>();
    AddArg(cmd, "GAME_SRC", a->source, "the game's sources (project.vpj, *.vss, pictures)")
        ->required();
    AddArg(cmd, "OUTDIR", a->target, "the game folder to write")->required();
    cmd->add_flag("--archive", a->archive, "pack everything into OUTDIR/game.dat");
    cmd->add_flag("--install", a->install, "write an install.dat that marks the game installed");
    cmd->add_flag("--keep-pictures", a->keepPictures,
                  "copy PNG and BMP pictures as they are instead of making layered images");
    cmd->callback([a, &run] {
        scriptc::BuildOptions options;
        options.Archive = a->archive;
        options.Install = a->install;
        options.ConvertPictures = !a->keepPictures;
        scriptc::BuildReport r = scriptc::BuildGame(a->source, a->target, options);
        std::printf("%zu pages, %zu pictures converted, %zu other files\n", r.Pages.size(),
                    r.Pictures.size(), r.Assets.size());
        run.status = kToolOk;
    });
}

}  // namespace vesk::tool
