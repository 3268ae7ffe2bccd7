// Decoding a 1280 x 720 24-bit layered image stored with zlib rows, zlib tiles, stored rows
// and JPEG, each against libpng decoding the same picture as PNG in the same iterations.
// Counter x_png = layered decode time / PNG decode time (goal for zlib: <= 1.0).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "gfx/quil_frame_list.h"
#include "gfx/quil_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kW = 1280, kH = 720;

// Smooth shading with soft noise and a few flat panels, like a painted background.
std::unique_ptr<vesk::TDIBX> Scene() {
    auto pic = std::make_unique<vesk::TDIBX>(kW, kH, 24);
    std::mt19937 rng(7);
    for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
            const int n = int(rng() % 7) - 3;
            const int r = std::clamp(int(128 + 100 * std::sin(x / 97.0)) + n, 0, 255);
            const int g = std::clamp(int(x * 255 / kW) + n, 0, 255);
            const int b = std::clamp(int(y * 255 / kH) + n, 0, 255);
            pic->SetPixel(x, y, uint32_t(r << 16 | g << 8 | b));
        }
    }
    pic->FillRect({100, 400, 600, 650}, 0x203040);
    pic->FillRect({800, 100, 1200, 300}, 0xE0E0D0);
    return pic;
}

void BM_QuilDecode(benchmark::State& state) {
    auto scene = Scene();
    vesk::TQuilFrameList src;
    src.AddFrame(kW, kH, 24).AddLayer().Picture().Assign(*scene);
    vesk::TQuilWriteOptions o;
    switch (state.range(0)) {
        case 1:
            o.tileWidth = o.tileHeight = 64;
            break;
        case 2:
            o.compression = vesk::TQuilCompression::None;
            break;
        case 3:
            o.compression = vesk::TQuilCompression::Jpeg;
            o.jpegQuality = 85;
            break;
        default:
            break;
    }
    const std::vector<uint8_t> qil = vesk::TQuilWriter(o).Write(src);
    const std::vector<uint8_t> png = vesk::EncodePng(*scene);
    double quil = 0, pngTime = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        vesk::TQuilFrameList list;
        list.LoadFromBytes(qil.data(), qil.size());
        const auto t1 = Clock::now();
        auto pic = vesk::DecodePng(png.data(), png.size());
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(list.FrameAt(0).Picture().PixelAddress(0, 0));
        benchmark::DoNotOptimize(pic->PixelAddress(0, 0));
        quil += std::chrono::duration<double>(t1 - t0).count();
        pngTime += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
    state.counters["x_png"] = quil / pngTime;
    state.counters["ratio_qil_png"] = double(qil.size()) / double(png.size());
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
}
BENCHMARK(BM_QuilDecode)
    ->ArgName("zlib_rows0_tiles1_stored2_jpeg3")
    ->DenseRange(0, 3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
