// A game's media load for 10 seconds on the virtual clock: 8 Ogg Vorbis sounds on the direct
// path (in several formats, so some are converted), the MIDI synthesizer, and one 640 x 480
// video with its sound, moved on every 16 ms frame as the player does. "realtime_share" is
// the CPU time spent as a share of the 10 seconds (the goal for the whole load: below 0.10);
// the arguments add the parts one by one, so their costs compare within the run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

#include "base/error.h"
#include "base/stream.h"
#include "media/audio_system.h"
#include "media/fluid_synth.h"
#include "media/media_system.h"
#include "media/media_writer.h"

namespace {

using namespace vesk;

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::vector<int16_t> Tone(int rate, int channels, double hz, int seconds) {
    std::vector<int16_t> s;
    for (int i = 0; i < rate * seconds; ++i) {
        const auto v = int16_t(std::sin(2 * M_PI * hz * i / rate) * 6000);
        for (int c = 0; c < channels; ++c) s.push_back(v);
    }
    return s;
}

std::vector<uint8_t> Song() {
    std::vector<uint8_t> trk;
    trk.reserve(4096);
    auto ev = [&](uint8_t delta, std::initializer_list<uint8_t> b) {
        trk.push_back(delta);
        trk.insert(trk.end(), b);
    };
    for (int ch = 0; ch < 4; ++ch) ev(0, {uint8_t(0xC0 | ch), uint8_t(ch * 8)});
    for (int i = 0; i < 80; ++i) {
        for (int ch = 0; ch < 4; ++ch)
            ev(0, {uint8_t(0x90 | ch), uint8_t(48 + (i * 5 + ch * 7) % 36), 100});
        for (int ch = 0; ch < 4; ++ch)
            ev(ch == 0 ? 24 : 0, {uint8_t(0x80 | ch), uint8_t(48 + (i * 5 + ch * 7) % 36), 0});
    }
    ev(0, {0xFF, 0x2F, 0});
    std::vector<uint8_t> f{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k'};
    for (int s = 24; s >= 0; s -= 8) f.push_back(uint8_t(trk.size() >> s));
    f.insert(f.end(), trk.begin(), trk.end());
    return f;
}

std::string SoundName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "s%d.ogg", i);
    return name;
}

// The game files, made once.
std::map<std::string, std::vector<uint8_t>>& Files() {
    static std::map<std::string, std::vector<uint8_t>> files = [] {
        std::map<std::string, std::vector<uint8_t>> f;
        const int rates[] = {44100, 48000, 22050, 32000};
        for (int i = 0; i < 8; ++i) {
            const int rate = rates[i % 4], channels = 1 + i % 2;
            f[SoundName(i)] =
                EncodeOggVorbis(Tone(rate, channels, 220 + 55 * i, 11), channels, rate);
        }
        f["song.mid"] = Song();
        const auto dir = std::filesystem::temp_directory_path() / "bench_media.wmv";
        TVideoPictures pictures;
        pictures.width = 640;
        pictures.height = 480;
        pictures.fps = 25;
        pictures.frames = 25 * 11;
        // A moving picture: bands that slide, so every frame differs.
        pictures.paint = [](int n, uint32_t* px, int pitch) {
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640; ++x)
                    px[y * (pitch / 4) + x] =
                        uint32_t(((x + n * 4) & 255) << 16 | (y & 255) << 8 | ((x ^ y) + n) % 256);
        };
        WriteWindowsMedia(dir.string(), Tone(44100, 2, 330, 11), pictures);
        f["movie.wmv"] = ReadWholeFile(dir.string());
        std::filesystem::remove(dir);
        return f;
    }();
    return files;
}

void BM_GameMedia(benchmark::State& state) {
    const int parts = int(state.range(0));  // 0 sounds, 1 + synth, 2 + video
    const std::string font = FindGmSoundFont();
    if (parts >= 1 && font.empty()) {
        state.SkipWithError("no General MIDI SoundFont");
        return;
    }
    auto& files = Files();
    TMediaSources sources{.OpenRange = [&](const std::string& n) -> std::unique_ptr<Stream> {
                              return std::make_unique<ViewStream>(files.at(n).data(),
                                                                  files.at(n).size());
                          },
                          .LoadBytes = [&](const std::string& n) { return files.at(n); },
                          .Exists = [&](const std::string& n) { return files.count(n) > 0; }};
    double cpu = 0;
    for (auto _ : state) {
        auto audio = AudioSystem::Headless();
        TMidiDevices synth = parts >= 1 ? SynthMidiDevices(audio->Bus(), font) : TMidiDevices{};
        TMediaSystem media(*audio, sources, TMediaConfig{}, std::move(synth));
        std::vector<std::shared_ptr<TDMediaItem>> items;
        for (int i = 0; i < 8; ++i) {
            items.push_back(media.OpenSound(SoundName(i)));
            items.back()->SetVol(-1500);
        }
        if (parts >= 1) items.push_back(media.OpenSound("song.mid"));
        std::shared_ptr<TVideoItem> video;
        if (parts >= 2) video = media.OpenVideo("movie.wmv");
        const double start = CpuSeconds();
        for (auto& it : items) it->Play();
        if (video) video->Play();
        for (int t = 0; t < 10000; t += 16) {
            audio->Advance(16);
            media.Update(16);
            if (video) benchmark::DoNotOptimize(video->NeedPaint());
        }
        cpu += CpuSeconds() - start;
        benchmark::DoNotOptimize(audio->Capture()->Frames());
        items.clear();
        video.reset();
    }
    state.counters["realtime_share"] = cpu / double(state.iterations()) / 10.0;
}
BENCHMARK(BM_GameMedia)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
