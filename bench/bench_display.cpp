// Composition of a busy scene: 200 boxes on a 1280 x 720 screen, half of them translucent,
// 10 moving every frame. Compared in the same run with the same fills issued straight to
// the surface (the kernel work alone), so the ratio shows what the object tree adds.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "vars/param.h"

namespace {

using namespace vesk;

constexpr int32_t kW = 1280, kH = 720;
constexpr int kBoxes = 200, kMoving = 10;

struct Scene {
    Scene() : root(kW, kH) {
        std::mt19937 rng(7);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int i = 0; i < kBoxes; ++i) {
            auto* b = root.Create<TVeskBox>();
            b->SetBounds(pick(0, kW - 40), pick(0, kH - 40), pick(40, 240), pick(40, 160));
            b->SetIntProp(PR_COLOR, pick(0, 0xFFFFFF));
            if (i % 2) b->SetIntProp(PR_ALPHA, pick(40, 220));
            b->SetIntProp(PR_PRIORITY, i);
            boxes.push_back(b);
        }
        root.PaintAll();
        root.ClearDirty();
    }
    // Moves the moving boxes and marks what changed.
    void Move() {
        for (int i = 0; i < kMoving; ++i) {
            TVeskBox* b = boxes[size_t(i * (kBoxes / kMoving))];
            b->SetIntProp(PR_LEFT, (b->Left() + 7) % (kW - 40));
        }
    }
    void Frame() {
        Move();
        root.PaintAll();
        root.ClearDirty();
    }
    TVeskBaseList root;
    std::vector<TVeskBox*> boxes;
};

// The fills one frame's composition issues, in order.
struct FillOp {
    TRect clip, rect;
    uint32_t pixel;
    int32_t alpha;
};

std::vector<FillOp> RecordFills(Scene& s) {
    s.Move();
    std::vector<FillOp> ops;
    TVeskBase& layer = s.root.FrontLayer();
    for (const TRect& r : layer.Dirty().Items()) {
        ops.push_back({r, r, 0, 255});
        for (int32_t i = 0; i < layer.ChildCount(); ++i) {
            auto* b = static_cast<TVeskBox*>(layer.ChildAt(i));
            const TRect br = b->ScreenRect();
            const TRect clip = Intersect(r, br);
            if (clip.IsEmpty()) continue;
            ops.push_back({clip, br, uint32_t(s.root.Screen().ColorToPixel(b->Color())),
                           b->GetIntProp(PR_ALPHA)});
        }
    }
    s.root.PaintAll();
    s.root.ClearDirty();
    return ops;
}

void RunFills(TCustomDIBX& d, const std::vector<FillOp>& ops) {
    for (const FillOp& op : ops) {
        d.SetClipRect(op.clip);
        if (op.alpha == 255)
            d.FillRect(op.rect, op.pixel);
        else
            d.FillRectAlpha(op.rect, op.pixel, op.alpha);
    }
    d.ResetClip();
}

void BM_ComposeFrame(benchmark::State& state) {
    Scene s;
    for (auto _ : state) s.Frame();
}
BENCHMARK(BM_ComposeFrame)->Unit(benchmark::kMillisecond);

void BM_KernelsOnly(benchmark::State& state) {
    Scene s;
    const std::vector<FillOp> ops = RecordFills(s);
    for (auto _ : state) RunFills(s.root.Screen(), ops);
}
BENCHMARK(BM_KernelsOnly)->Unit(benchmark::kMillisecond);

double MsPer(const std::function<void()>& f, int n) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f();
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count() / n;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // The same frame composed through the tree and as bare fills.
    Scene s;
    const std::vector<FillOp> ops = RecordFills(s);
    std::vector<TRect> dirty;
    {
        s.Move();
        dirty = s.root.FrontLayer().Dirty().Items();
        s.root.PaintAll();
        s.root.ClearDirty();
    }
    const int n = 200;
    const double tree = MsPer(
        [&] {
            for (const TRect& r : dirty) s.root.FrontLayer().AddDirtyRect(r);
            s.root.PaintAll();
            s.root.ClearDirty();
        },
        n);
    const double kernels = MsPer([&] { RunFills(s.root.Screen(), ops); }, n);
    const double frame = MsPer([&] { s.Frame(); }, n);
    std::printf(
        "moving frame: %.3f ms composed; same repaint %.3f ms through the tree, %.3f ms as bare "
        "fills; share outside the kernels %.1f %%\n",
        frame, tree, kernels, tree > 0 ? 100.0 * (tree - kernels) / tree : 0.0);
    return 0;
}
