// Every screen transition on a 1280 x 720 32-bit screen: milliseconds per step, with the
// step value changing at every step (masks are redrawn each time), against memcpy of the
// screen in the same run. Counters:
//   ms_step   processor milliseconds per step
//   headroom  a 60 fps frame (16.7 ms) / ms_step; the target is at least 4 on one core
//   x_memcpy  memcpy time of one screen / step time (1.0 = memory bandwidth)
// After the runs the three slowest kinds are listed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "gfx/custom_wipe.h"
#include "gfx/dibx.h"

namespace {

using vesk::TDIBX;

constexpr int32_t kW = 1280, kH = 720;
constexpr double kFrameMs = 1000.0 / 60;

// Two photographs stand-ins: smooth gradients with noise, so that neighbouring pixels differ
// a little, as in real pictures.
struct Scene {
    std::unique_ptr<TDIBX> screen, old, neu, mask;
    Scene() {
        std::mt19937 rng(11);
        screen = std::make_unique<TDIBX>(kW, kH, 32);
        old = std::make_unique<TDIBX>(kW, kH, 32);
        neu = std::make_unique<TDIBX>(kW, kH, 32);
        mask = std::make_unique<TDIBX>(256, 256, 32);
        for (int32_t y = 0; y < kH; ++y) {
            auto* o = reinterpret_cast<uint32_t*>(old->PixelAddress(0, y));
            auto* n = reinterpret_cast<uint32_t*>(neu->PixelAddress(0, y));
            for (int32_t x = 0; x < kW; ++x) {
                const uint32_t noise = rng() & 0x0F0F0F;
                o[x] =
                    ((uint32_t(x * 200 / kW) << 16) | (uint32_t(y * 200 / kH) << 8) | 80) + noise;
                n[x] = ((uint32_t(y * 200 / kH) << 16) | 90 << 8 | uint32_t(x * 200 / kW)) + noise;
            }
        }
        for (int32_t y = 0; y < 256; ++y)
            for (int32_t x = 0; x < 256; ++x)
                mask->SetPixel(x, y, uint32_t((x + y) / 2) * 0x010101u);
    }
};

double CpuNow() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double MemcpySeconds() {
    const size_t bytes = size_t(kW) * kH * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
    std::memcpy(to.data(), from.data(), bytes);
    const int reps = 40;
    const double t0 = CpuNow();
    for (int i = 0; i < reps; ++i) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    return (CpuNow() - t0) / reps;
}

std::mutex gResultsLock;
std::map<std::string, double> gMsPerStep;

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    auto scene = std::make_shared<Scene>();
    const double memcpySeconds = MemcpySeconds();
    for (int32_t kind = 1; kind < vesk::kWipeKindEnd; ++kind) {
        const std::string name = vesk::WipeKindName(kind);
        benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) {
            vesk::TWipeEnv env;
            env.seed = 1;
            auto picture = scene->mask.get();
            env.loadPicture = [picture](const std::string&) {
                auto copy = std::make_unique<TDIBX>(1, 1, 32);
                copy->Assign(*picture);
                return copy;
            };
            auto wipe = vesk::CreateWipe(kind, *scene->screen, *scene->neu, *scene->old, env);
            // A long duration and an odd stride: every step is a new state, all over the
            // transition's course.
            constexpr int32_t kDuration = 100000;
            wipe->SetDuration(kDuration);
            wipe->SetText("mask");
            wipe->Prepare();
            wipe->SetElapsed(0);
            wipe->Step();  // the blurs make their pictures at the first step
            int32_t elapsed = 0;
            const double t0 = CpuNow();
            for (auto _ : st) {
                elapsed = (elapsed + 7919) % kDuration;
                wipe->SetElapsed(elapsed);
                wipe->Step();
                benchmark::ClobberMemory();
            }
            const double per = (CpuNow() - t0) / double(st.iterations());
            st.counters["ms_step"] = per * 1000;
            st.counters["headroom"] = kFrameMs / (per * 1000);
            st.counters["x_memcpy"] = memcpySeconds / per;
            std::lock_guard<std::mutex> lock(gResultsLock);
            gMsPerStep[name] = per * 1000;
        })->Unit(benchmark::kMillisecond);
    }
    // The first step of the blurs, which blurs both pictures.
    benchmark::RegisterBenchmark("WP_BLURWHITE/first_step", [=](benchmark::State& st) {
        for (auto _ : st) {
            auto wipe =
                vesk::CreateWipe(vesk::WP_BLURWHITE, *scene->screen, *scene->neu, *scene->old);
            wipe->SetDuration(1000);
            wipe->Prepare();
            wipe->SetElapsed(0);
            wipe->Step();
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::vector<std::pair<double, std::string>> slowest;
    for (const auto& [name, ms] : gMsPerStep) slowest.emplace_back(ms, name);
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("\nslowest steps at %d x %d (memcpy of the screen: %.3f ms):\n", kW, kH,
                memcpySeconds * 1000);
    for (size_t i = 0; i < std::min<size_t>(3, slowest.size()); ++i)
        std::printf("  %-16s %7.3f ms  headroom %.1f x\n", slowest[i].second.c_str(),
                    slowest[i].first, kFrameMs / slowest[i].first);
    return 0;
}
