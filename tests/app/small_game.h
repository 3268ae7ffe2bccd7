#pragma once
// A small game on disk for the player's tests: a project file and a start page that counts
// its frames in `n`, made by the project's own writers.
#include <cstdint>
#include <functional>
#include <string>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "base/message_box.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "vars/param_collection.h"

namespace vesk::test {

struct BoxRecorder : IMessageBox {
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        texts.push_back(text);
        return MsgResult::Ok;
    }
    std::vector<std::string> texts;
};

struct SmallGame {
    // `lastFrame`: the frame whose page run terminates the game (0: it never ends).
    explicit SmallGame(int32_t lastFrame = 0, TProjectFile project = Defaults()) {
        MemoryStream m;
        project.Save(m);
        WriteFileAtomic(dir / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
        TPageBuilder main;
        main.Label("top");
        main.Calc("n = n + 1");
        if (lastFrame > 0) {
            main.If("n >= " + std::to_string(lastFrame));
            main.Add(CC_TERMINATE, 1);
        }
        main.Add(CC_WAIT).SetExprText("Time", "1");
        main.Add(CC_JUMP)
            .SetText("Page", "main.lsb")
            .SetNum("Target", 0)
            .SetExprText("Condition", "TRUE");
        main.WriteFile(dir.path() + "/main.lsb");
    }
    static TProjectFile Defaults() {
        TProjectFile f;
        f.ProjectName = "Small";
        f.ScreenWidth = 160;
        f.ScreenHeight = 120;
        f.StartPage = "main.lsb";
        TDeclaredVar v;
        v.Name = "n";
        f.Vars = {v};
        return f;
    }
    TEngineOptions Options(std::function<int64_t()> now) {
        TEngineOptions o;
        o.Args = {dir.path()};
        o.MessageBox = &boxes;
        o.Now = std::move(now);
        return o;
    }
    static int32_t N(TEngine& e) { return e.Store().Find("n")->Param()->AsInt(); }

    TempDir dir;
    BoxRecorder boxes;
};

}  // namespace vesk::test
