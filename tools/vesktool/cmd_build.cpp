// `vesktool build GAME_SRC OUTDIR [--archive] [--install] [--keep-pictures]`: a game source
// folder to a playable game folder.
#include <cstdio>
#include <string>

#include "base/error.h"
#include "scriptc/game_builder.h"

namespace vesk::tool {

int Cmd_build(int argc, char** argv) {
    std::string source, target;
    scriptc::BuildOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--archive")
            options.Archive = true;
        else if (a == "--install")
            options.Install = true;
        else if (a == "--keep-pictures")
            options.ConvertPictures = false;
        else if (!a.empty() && a[0] == '-')
            Fail("unknown option " + a);
        else if (source.empty())
            source = a;
        else if (target.empty())
            target = a;
        else
            source.clear(), target.clear(), i = argc;
    }
    if (source.empty() || target.empty()) {
        std::fputs(
            "usage: vesktool build GAME_SRC OUTDIR [--archive] [--install] [--keep-pictures]\n",
            stderr);
        return 2;
    }
    scriptc::BuildReport r = scriptc::BuildGame(source, target, options);
    std::printf("%zu pages, %zu pictures converted, %zu other files\n", r.Pages.size(),
                r.Pictures.size(), r.Assets.size());
    return 0;
}

}  // namespace vesk::tool
