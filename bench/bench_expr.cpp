// Expression execution speed against the size of the variable store. A typical compiled
// expression (variable reads, a function call, arithmetic and an assignment) runs with 100
// and with 100000 other variables in the store; the ratio of the two rates should stay
// near 1 because lookups go through the name index, never a scan.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "base/stream.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace {

using namespace vesk;

struct Setup {
    TParamCollection store;
    TSysFuncMan funcs{store};
    TVeskParser parser;

    explicit Setup(int fill) {
        for (int i = 0; i < fill; ++i)
            store.Create("var" + std::to_string(i), PT_INT, VarScope::Global);
        store.Create("a", PT_INT, VarScope::Global)->Param()->SetInt(7);
        store.Create("b", PT_INT, VarScope::Global)->Param()->SetInt(5);
        store.Create("f", PT_BOOL, VarScope::Global);
        store.Create("x", PT_INT, VarScope::Global);
        TBuildVeskParser b;
        b.Compile("x = (a * 2 + b) % 100 - Not(f) + var1");
        MemoryStream m;
        b.SaveToStream(m);
        m.Seek(0, SeekFrom::Begin);
        parser.LoadFromStream(m);
    }
};

void BM_Expression(benchmark::State& state) {
    Setup s(int(state.range(0)));
    for (auto _ : state) s.parser.Execute(s.store, &s.funcs);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Expression)->Arg(100)->Arg(100000);

double Rate(int fill) {
    Setup s(fill);
    auto t0 = std::chrono::steady_clock::now();
    int n = 0;
    while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(500)) {
        for (int i = 0; i < 1000; ++i) s.parser.Execute(s.store, &s.funcs);
        n += 1000;
    }
    double sec = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return n / sec;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    double small = Rate(100), large = Rate(100000);
    std::printf("expressions/s: %.0f with 100 variables, %.0f with 100000; ratio %.2f\n", small,
                large, large / small);
    return 0;
}
