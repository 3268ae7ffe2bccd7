// Surface operations on a 1280 x 720 32-bit screen, each against memcpy of the same bytes
// (the bandwidth limit) and against pixman's equivalent composite, in one run.
//
// pixman is loaded at run time from its shared library when present, so the benchmark
// needs no development package; without it the pixman rows are skipped. Counters:
//   x_memcpy = memcpy time / operation time (1.0 = memory bandwidth)
//   x_pixman = pixman time / operation time (above 1.0 = faster than pixman)
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "gfx/dibx.h"

namespace {

using vesk::TDIBX;
using vesk::TRect;

constexpr int32_t kW = 1280, kH = 720;

// The few pixman entry points used, resolved by name.
struct Pixman {
    struct Image;
    struct Color {
        uint16_t red, green, blue, alpha;
    };
    struct Transform {
        int32_t matrix[3][3];
    };
    static constexpr int kOpSrc = 1, kOpOver = 3, kOpAdd = 12;
    static constexpr int kFilterNearest = 3;
    static constexpr uint32_t kX8R8G8B8 = 0x20020888, kA8 = 0x08018000;

    Image* (*createBits)(uint32_t, int, int, uint32_t*, int) = nullptr;
    Image* (*createSolid)(const Color*) = nullptr;
    int (*unref)(Image*) = nullptr;
    void (*composite)(int, Image*, Image*, Image*, int32_t, int32_t, int32_t, int32_t, int32_t,
                      int32_t, int32_t, int32_t) = nullptr;
    int (*setTransform)(Image*, const Transform*) = nullptr;
    int (*setFilter)(Image*, int, const int32_t*, int) = nullptr;
    void* lib = nullptr;

    Pixman() {
        lib = dlopen("libpixman-1.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
        };
        get(createBits, "pixman_image_create_bits");
        get(createSolid, "pixman_image_create_solid_fill");
        get(unref, "pixman_image_unref");
        get(composite, "pixman_image_composite32");
        get(setTransform, "pixman_image_set_transform");
        get(setFilter, "pixman_image_set_filter");
    }
    ~Pixman() {
        if (lib) dlclose(lib);
    }
    bool Ok() const {
        return createBits && createSolid && unref && composite && setTransform && setFilter;
    }
};

// Test pictures: a noisy source, a sprite-like mask (a disc with soft edges: mostly 0 and
// 255, as character pictures are), and the screen.
struct Scene {
    std::unique_ptr<TDIBX> screen, src, mask, small;
    Scene() {
        std::mt19937 rng(7);
        screen = std::make_unique<TDIBX>(kW, kH, 32);
        src = std::make_unique<TDIBX>(kW, kH, 32);
        mask = std::make_unique<TDIBX>(kW, kH, 8);
        small = std::make_unique<TDIBX>(kW * 2 / 3, kH * 2 / 3, 32);
        for (int32_t y = 0; y < kH; ++y) {
            auto* s = reinterpret_cast<uint32_t*>(src->PixelAddress(0, y));
            auto* d = reinterpret_cast<uint32_t*>(screen->PixelAddress(0, y));
            uint8_t* m = mask->PixelAddress(0, y);
            for (int32_t x = 0; x < kW; ++x) {
                s[x] = rng() & 0xFFFFFF;
                d[x] = rng() & 0xFFFFFF;
                const double r = std::hypot(x - kW / 2.0, (y - kH / 2.0) * 1.6) / (kH * 0.8);
                m[x] = uint8_t(std::clamp((1.0 - r) * 2000.0, 0.0, 255.0));
            }
        }
        for (int32_t y = 0; y < small->Height(); ++y) {
            auto* s = reinterpret_cast<uint32_t*>(small->PixelAddress(0, y));
            for (int32_t x = 0; x < small->Width(); ++x) s[x] = rng() & 0xFFFFFF;
        }
    }
};

// Processor time of this thread, so that other load on the machine counts less.
double CpuNow() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double Seconds(const std::function<void()>& fn, int reps) {
    fn();
    const double t0 = CpuNow();
    for (int i = 0; i < reps; ++i) fn();
    return (CpuNow() - t0) / reps;
}

struct Case {
    std::string name;
    std::function<void(Scene&)> vesk;
    std::function<void(Scene&, Pixman&)> pixman;  // empty when pixman has no equivalent
};

std::vector<Case> Cases() {
    const TRect full{0, 0, kW, kH};
    const int32_t fw = kW, fh = kH;
    auto bits = [](Pixman& p, TDIBX& s, uint32_t fmt) {
        return p.createBits(fmt, s.Width(), s.Height(),
                            reinterpret_cast<uint32_t*>(s.PixelAddress(0, 0)), int(s.Pitch()));
    };
    auto solid = [](Pixman& p, uint16_t alpha) {
        Pixman::Color c{0, 0, 0, alpha};
        return p.createSolid(&c);
    };
    return {
        {"Draw", [=](Scene& s) { s.screen->Draw(0, 0, full, *s.src); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpSrc, a, nullptr, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(d);
         }},
        {"DrawAlpha128", [=](Scene& s) { s.screen->DrawAlpha(0, 0, full, *s.src, 128); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             auto* m = solid(p, 128 * 257);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpOver, a, m, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(m), p.unref(d);
         }},
        {"DrawMask", [=](Scene& s) { s.screen->DrawMask(0, 0, full, *s.src, *s.mask); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             auto* m = p.createBits(Pixman::kA8, fw, fh,
                                    reinterpret_cast<uint32_t*>(s.mask->PixelAddress(0, 0)),
                                    int(s.mask->Pitch()));
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpOver, a, m, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(m), p.unref(d);
         }},
        {"DrawAdd255", [=](Scene& s) { s.screen->DrawAdd(0, 0, full, *s.src, 255); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpAdd, a, nullptr, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(d);
         }},
        {"DrawAdd128", [=](Scene& s) { s.screen->DrawAdd(0, 0, full, *s.src, 128); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             auto* m = solid(p, 128 * 257);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpAdd, a, m, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(m), p.unref(d);
         }},
        {"StretchDraw1.5",
         [=](Scene& s) { s.screen->StretchDraw(full, s.small->BoundsRect(), *s.small, 255); },
         [=](Scene& s, Pixman& p) {
             auto* a = bits(p, *s.small, Pixman::kX8R8G8B8);
             Pixman::Transform t{{{65536 * 2 / 3, 0, 0}, {0, 65536 * 2 / 3, 0}, {0, 0, 65536}}};
             p.setTransform(a, &t);
             p.setFilter(a, Pixman::kFilterNearest, nullptr, 0);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpSrc, a, nullptr, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(d);
         }},
        {"DrawRotate20",
         [=](Scene& s) {
             s.screen->DrawRotate(kW / 2, kH / 2, full, *s.src, 255,
                                  {.angle = 20, .pivotX = kW / 2, .pivotY = kH / 2});
         },
         [=](Scene& s, Pixman& p) {
             // Destination to source: rotate back around the centre.
             const double th = 20 * 2 * std::numbers::pi / 256;
             const double c = std::cos(th), sn = std::sin(th);
             auto fx = [](double v) { return int32_t(std::lround(v * 65536)); };
             const double cx = kW / 2.0, cy = kH / 2.0;
             Pixman::Transform t{{{fx(c), fx(sn), fx(cx - c * cx - sn * cy)},
                                  {fx(-sn), fx(c), fx(cy + sn * cx - c * cy)},
                                  {0, 0, 65536}}};
             auto* a = bits(p, *s.src, Pixman::kX8R8G8B8);
             p.setTransform(a, &t);
             p.setFilter(a, Pixman::kFilterNearest, nullptr, 0);
             auto* d = bits(p, *s.screen, Pixman::kX8R8G8B8);
             p.composite(Pixman::kOpOver, a, nullptr, d, 0, 0, 0, 0, 0, 0, fw, fh);
             p.unref(a), p.unref(d);
         }},
        {"FillRectAlpha128", [=](Scene& s) { s.screen->FillRectAlpha(full, 0x336699, 128); },
         nullptr},
    };
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto scene = std::make_shared<Scene>();
    auto pixman = std::make_shared<Pixman>();
    const size_t bytes = size_t(kW) * kH * 4;
    auto from = std::make_shared<std::vector<uint8_t>>(bytes, 1);
    auto to = std::make_shared<std::vector<uint8_t>>(bytes, 2);
    // The comparisons are timed right after each operation, so that all three see the
    // same state of the machine.
    auto memcpyOnce = [=] {
        std::memcpy(to->data(), from->data(), bytes);
        benchmark::DoNotOptimize(to->data());
    };

    benchmark::RegisterBenchmark("Memcpy", [=](benchmark::State& st) {
        for (auto _ : st) memcpyOnce();
        st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes));
    });
    for (const Case& c : Cases()) {
        const bool withPixman = c.pixman && pixman->Ok();
        for (auto level :
             {vesk::KernelLevel::General, vesk::KernelLevel::Sse2, vesk::KernelLevel::Avx2}) {
            if (!vesk::RowKernels::Supported(level)) continue;
            const std::string name = c.name + (level == vesk::KernelLevel::General ? "/general"
                                               : level == vesk::KernelLevel::Sse2  ? "/sse2"
                                                                                   : "/avx2");
            benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) {
                scene->screen->SetKernelLevel(level);
                const double t0 = CpuNow();
                for (auto _ : st) {
                    c.vesk(*scene);
                    benchmark::ClobberMemory();
                }
                const double per = (CpuNow() - t0) / double(st.iterations());
                st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes));
                st.counters["x_memcpy"] = Seconds(memcpyOnce, 40) / per;
                if (withPixman) {
                    st.counters["x_pixman"] = Seconds([&] { c.pixman(*scene, *pixman); }, 20) / per;
                }
                scene->screen->SetKernelLevel(vesk::KernelLevel::Avx2);
            });
        }
        if (withPixman) {
            benchmark::RegisterBenchmark((c.name + "/pixman").c_str(), [=](benchmark::State& st) {
                const double t0 = CpuNow();
                for (auto _ : st) {
                    c.pixman(*scene, *pixman);
                    benchmark::ClobberMemory();
                }
                const double per = (CpuNow() - t0) / double(st.iterations());
                st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes));
                st.counters["x_memcpy"] = Seconds(memcpyOnce, 40) / per;
            });
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
