// The interpreter state of a game save on arbitrary bytes: a clear error, or a state the
// interpreter can run for a few frames without crashing or spinning.
#include <cstddef>
#include <cstdint>
#include <map>

#include "base/error.h"
#include "script/call_man.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace {

using namespace vesk;

struct Pages : IPageSource {
    Pages() {
        TPageBuilder main;
        main.Add(CC_WAIT).SetExprText("Time", "50").SetExprText("BlockEvents", "1");
        main.Add(CC_TEXTINS).SetText("TextBlock", "t");
        main.Calc("a = a + 1");
        main.Add(CC_FLIP);
        pages["main.lsb"] = main.Bytes();
        TPageBuilder ev;
        ev.Add(CC_DOEVENT);
        ev.Add(CC_MOVIESTOP);
        pages["ev.lsb"] = ev.Bytes();
    }
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        auto it = pages.find(name);
        if (it == pages.end()) Fail("no page");
        return it->second;
    }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }
    std::map<std::string, std::vector<uint8_t>> pages;
};

struct Display : IScriptDisplay {
    ObjectId FindObject(const std::string& name) override { return name == "obj" ? 1 : 0; }
    std::string ObjectName(ObjectId id) override { return id == 1 ? "obj" : ""; }
    TTimerList& Events() override { return queue; }
    std::unique_ptr<TCustomParam> GetProp(ObjectId, int32_t) override { return nullptr; }
    void SetProp(ObjectId, int32_t, const TCustomParam&) override {}
    void FreeAll() override {}
    TTimerList queue;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    TParamCollection store;
    store.Create("a", PT_INT, VarScope::Global);
    TSysFuncMan funcs(store);
    Pages pages;
    Display display;
    TCallMan cm(store, &funcs, pages);
    cm.SetDisplay(&display);
    cm.Attach();
    ViewStream s(data + 1, size - 1);
    try {
        cm.LoadFromStream(s, data[0] & 1 ? 116 : 115);
    } catch (const VeskError&) {
        return 0;
    }
    TTimerData e;
    e.EventPage = "ev.txt";
    e.Sender = 1;
    display.queue.Add(e);
    for (int frame = 0; frame < 4; ++frame) cm.Run();
    return 0;
}
