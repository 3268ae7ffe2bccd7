// Interpreter speed: a page whose main flow is a tight While loop of Calc commands, run to
// its end in one frame. Compared in the same run with the same statements executed straight
// on the expression machine, so the ratio is what the interpreter adds per command.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>

#include "base/error.h"
#include "script/call_man.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace {

using namespace vesk;

struct Pages : IPageSource {
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        if (name != "loop.lsb") Fail("no page " + name);
        return bytes;
    }
    bool PageExists(const std::string& name) override { return name == "loop.lsb"; }
    std::vector<uint8_t> bytes;
};

constexpr int kLoops = 20000;
// Commands executed per pass of the loop: While, three Calcs, WhileLoop.
constexpr int kCommandsPerLoop = 5;

std::vector<uint8_t> LoopPage() {
    TPageBuilder b;
    b.Add(CC_WHILEINIT).SetExprText("Statement", "i = 0");
    b.Add(CC_WHILE).SetExprText("Condition", "i < " + std::to_string(kLoops)).SetNum("End", 6);
    b.Calc("a = a + i * 2", 1);
    b.Calc("b = (a % 7) + b", 1);
    b.Calc("c = c ++ \"\"", 1);
    b.Add(CC_WHILELOOP, 1).SetExprText("Statement", "i = i + 1").SetNum("Start", 1);
    return b.Bytes();
}

struct World {
    TParamCollection store;
    TSysFuncMan funcs{store};
    Pages pages;
    TCallMan cm{store, &funcs, pages};
    World() {
        pages.bytes = LoopPage();
        for (const char* n : {"i", "a", "b"}) store.Create(n, PT_INT, VarScope::Global);
        store.Create("c", PT_STR, VarScope::Global);
        cm.Attach();
    }
    void RunPage() {
        cm.Start("loop.lsb");
        cm.Run();
    }
};

void BM_WhileLoopOfCalc(benchmark::State& state) {
    World w;
    for (auto _ : state) w.RunPage();
    state.SetItemsProcessed(state.iterations() * kLoops * kCommandsPerLoop);
}
BENCHMARK(BM_WhileLoopOfCalc)->Unit(benchmark::kMillisecond);

double CommandRate() {
    World w;
    auto t0 = std::chrono::steady_clock::now();
    long n = 0;
    while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(700)) {
        w.RunPage();
        n += long(kLoops) * kCommandsPerLoop;
    }
    return n / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The statements of one pass, run on the expression machine alone.
double ExpressionRate() {
    World w;
    std::vector<TVeskParser> exprs(kCommandsPerLoop);
    const char* texts[] = {"i < 1000000000", "a = a + i * 2", "b = (a % 7) + b", "c = c ++ \"\"",
                           "i = i + 1"};
    for (int k = 0; k < kCommandsPerLoop; ++k) CompileExpr(texts[k], exprs[size_t(k)]);
    auto t0 = std::chrono::steady_clock::now();
    long n = 0;
    while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(700)) {
        for (int i = 0; i < 1000; ++i)
            for (auto& e : exprs) e.Execute(w.store, &w.funcs);
        n += 1000L * kCommandsPerLoop;
    }
    return n / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    double commands = CommandRate(), exprs = ExpressionRate();
    std::printf("commands/s: %.0f through the interpreter, %.0f as bare expressions; ratio %.2f\n",
                commands, exprs, commands / exprs);
    return 0;
}
