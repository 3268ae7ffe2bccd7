#pragma once
// A small world for interpreter tests: pages held in memory, a display root with named
// objects and an event queue, and a project that records requests.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "script/call_man.h"
#include "script/command.h"
#include "script/command_handlers.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk::test {

class FakePages : public IPageSource {
  public:
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        auto it = pages.find(name);
        if (it == pages.end()) Fail("no page " + name);
        ++loads[name];
        return it->second;
    }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }

    std::map<std::string, std::vector<uint8_t>> pages;
    std::map<std::string, int> loads;
};

class FakeDisplay : public IScriptDisplay {
  public:
    ObjectId Add(const std::string& name) {
        ObjectId id = ++lastId;
        objects[id] = name;
        return id;
    }
    ObjectId FindObject(const std::string& name) override {
        for (auto& [id, n] : objects)
            if (n == name) return id;
        return 0;
    }
    std::string ObjectName(ObjectId id) override {
        auto it = objects.find(id);
        return it == objects.end() ? std::string() : it->second;
    }
    TTimerList& Events() override { return queue; }
    std::unique_ptr<TCustomParam> GetProp(ObjectId id, int32_t index) override {
        auto v = MakeParam(PT_INT);
        v->SetInt(props[{id, index}]);
        return v;
    }
    void SetProp(ObjectId id, int32_t index, const TCustomParam& value) override {
        props[{id, index}] = value.AsInt();
    }
    void FreeAll() override {
        objects.clear();
        ++freeAll;
    }
    // Queues an event from object `sender`.
    void Raise(ObjectId sender, const std::string& page, std::vector<std::string> args = {}) {
        TTimerData e;
        e.EventPage = page;
        e.Sender = sender;
        e.Args = std::move(args);
        queue.Add(std::move(e));
    }

    ObjectId lastId = 0;
    std::map<ObjectId, std::string> objects;
    std::map<std::pair<ObjectId, int32_t>, int32_t> props;
    TTimerList queue;
    int freeAll = 0;
};

// Stands for every subsystem that carries out object and media commands: records them and
// steps past.
class RecordingHandler : public ICommandHandler {
  public:
    void Execute(TCommand& cmd, TCallMan&, TPage*&, int32_t& pc) override {
        executed.push_back(cmd.GetType());
        ++pc;
    }
    std::vector<uint8_t> executed;
};

struct FakeHandlers {
    FakeHandlers() {
        for (int code = 0; code < kCommandTypeCount; ++code)
            table.Register(CommandCode(code), recorder);
    }
    std::shared_ptr<RecordingHandler> recorder = std::make_shared<RecordingHandler>();
    TCommandHandlers table;
};

class FakeProject : public IScriptProject {
  public:
    void RequestSave(const TSaveRequest& r) override { saves.push_back(r); }
    void RequestLoad(int32_t slot) override { loads.push_back(slot); }
    void ResetWorld() override { ++resets; }
    void PostClose() override { ++closes; }
    uint32_t TickCount() override { return tick; }
    int32_t FrameTime() override { return frameTime; }

    std::vector<TSaveRequest> saves;
    std::vector<int32_t> loads;
    int resets = 0;
    int closes = 0;
    uint32_t tick = 0;
    int32_t frameTime = 16;
};

// One interpreter with everything it talks to.
struct World {
    explicit World(bool withDisplay = true) {
        cm.SetProject(&project);
        if (withDisplay) cm.SetDisplay(&display);
        cm.SetHandlers(&handlers.table);
        cm.Attach();
    }
    void AddPage(const std::string& name, TPageBuilder& b) { pages.pages[name] = b.Bytes(); }
    // Creates global variables (integers unless the name is given a type).
    void Ints(std::initializer_list<const char*> names) {
        for (const char* n : names) store.Create(n, PT_INT, VarScope::Global);
    }
    void Strs(std::initializer_list<const char*> names) {
        for (const char* n : names) store.Create(n, PT_STR, VarScope::Global);
    }
    int32_t Int(const std::string& name) {
        auto* it = store.Find(name);
        return it ? it->Param()->AsInt() : -999;
    }
    std::string Str(const std::string& name) {
        auto* it = store.Find(name);
        return it ? it->Param()->AsStr() : "<none>";
    }
    // One frame: the clock advances, then the interpreter runs.
    void Frame() {
        project.tick += uint32_t(project.frameTime);
        cm.Run();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    TParamCollection store;
    TSysFuncMan funcs{store};
    FakePages pages;
    FakeDisplay display;
    FakeHandlers handlers;
    FakeProject project;
    TCallMan cm{store, &funcs, pages};
};

}  // namespace vesk::test
