#pragma once
// Shared helpers of the effect component tests: a picture world whose root also makes the
// effect kinds, reads game files and films from memory and records choices; and a small
// game that runs pages against it.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/stream.h"
#include "display/display_commands.h"
#include "display/effect_commands.h"
#include "display/motion_file.h"
#include "image_fixture.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk::test {

constexpr int32_t kSaveVersion = 139;

struct EffectWorld : PictureWorld {
    EffectWorld() {
        RegisterEffectKinds(root.Kinds());
        root.SetFileReader([this](const std::string& n) { return files.LoadBytes(n); });
        root.SetMotionLoader(
            MotionFileLoader([this](const std::string& n) { return files.LoadBytes(n); }));
        root.SetSelectionSink([this](const std::string& text, int32_t index) {
            selections.emplace_back(text, index);
        });
    }
    // The events queued so far of one kind, as their arguments.
    std::vector<std::vector<std::string>> EventsOf(int32_t kind) {
        std::vector<std::vector<std::string>> out;
        for (size_t i = 0; i < root.Events().Count(); ++i)
            if (root.Events().At(i).Kind == kind) out.push_back(root.Events().At(i).Args);
        return out;
    }
    std::vector<std::pair<std::string, int32_t>> selections;
};

// The root's tree saved, and loaded into another root of the same kinds.
inline std::vector<uint8_t> SaveTree(TVeskBaseList& root) {
    MemoryStream s;
    StreamWriter w(s);
    root.SaveState(w);
    return s.Bytes();
}

inline void LoadTree(TVeskBaseList& root, std::vector<uint8_t> bytes,
                     int32_t version = kSaveVersion) {
    MemoryStream s(std::move(bytes));
    StreamReader r(s);
    root.LoadState(r, version);
}

class MemoryPages : public IPageSource {
  public:
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        auto it = pages.find(name);
        if (it == pages.end()) Fail("no page " + name);
        return it->second;
    }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }
    std::map<std::string, std::vector<uint8_t>> pages;
};

class RecordingProject : public IScriptProject {
  public:
    uint32_t TickCount() override { return tick; }
    void CommandFailed(const std::string&, const std::string& message) override {
        failures.push_back(message);
    }
    uint32_t tick = 1000;
    std::vector<std::string> failures;
};

// A world whose commands run: pages from memory, the display and effect commands, the
// expressions against a variable store.
struct EffectGame : EffectWorld {
    EffectGame() {
        RegisterDisplayCommands(handlers, root);
        RegisterEffectCommands(handlers, root);
        cm.SetProject(&project);
        cm.SetDisplay(&root);
        cm.SetHandlers(&handlers);
        cm.Attach();
        root.SetEvaluator([this](TVeskParser& e) -> TCustomParam* {
            if (e.Ops.empty()) return nullptr;
            e.Execute(store, &funcs);
            return e.Result.get();
        });
    }
    void Run(const std::string& page, TPageBuilder& b) {
        pages.pages[page] = b.Bytes();
        cm.Start(page);
    }
    void GameFrame(int32_t ms = 16) {
        project.tick += uint32_t(ms);
        root.ProcessInput(ms);
        cm.Run();
        root.StepAll(ms);
        root.PaintAll();
        root.ClearDirty();
    }

    TCommandHandlers handlers;
    TParamCollection store;
    TSysFuncMan funcs{store};
    MemoryPages pages;
    RecordingProject project;
    TCallMan cm{store, &funcs, pages};
};

}  // namespace vesk::test
