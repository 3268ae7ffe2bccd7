// Mixing 8 wave-out sources plus the MIDI synthesizer for 10 seconds of audio on the virtual
// clock. The "realtime_share" counter is the CPU time spent as a share of the 10 seconds of
// sound produced: below 1 the player keeps up; the lower, the more room for the rest.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <memory>

#include "base/stream.h"
#include "media/audio_output.h"
#include "media/fluid_synth.h"
#include "media/midi_player.h"
#include "media/ogg_wave_item.h"
#include "media/wav_file.h"
#include "media/wav_out.h"

namespace {

using namespace vesk;

double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// A tone of `seconds` in the given format.
std::vector<uint8_t> Tone(const TWavFormat& f, double hz, int seconds) {
    std::vector<uint8_t> pcm;
    const int n = f.samplesPerSec * seconds;
    for (int i = 0; i < n; ++i) {
        const double v = std::sin(2 * M_PI * hz * i / f.samplesPerSec) * 8000;
        for (int c = 0; c < f.channels; ++c) {
            if (f.bitsPerSample == 16) {
                const int16_t s = int16_t(v);
                pcm.push_back(uint8_t(s));
                pcm.push_back(uint8_t(uint16_t(s) >> 8));
            } else {
                pcm.push_back(uint8_t(128 + int(v / 256)));
            }
        }
    }
    return MakeWavBytes(f, pcm);
}

// A song of sixteenth notes on four channels, 10 seconds long.
std::vector<uint8_t> Song() {
    std::vector<uint8_t> trk;
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

void BM_MixEightSourcesAndSynth(benchmark::State& state) {
    const std::string font = FindGmSoundFont();
    const bool withSynth = state.range(0) != 0;
    if (withSynth && font.empty()) {
        state.SkipWithError("no General MIDI SoundFont");
        return;
    }
    const TWavFormat formats[] = {{2, 44100, 16}, {1, 44100, 16}, {2, 22050, 16}, {1, 22050, 16},
                                  {2, 44100, 8},  {1, 44100, 8},  {2, 22050, 8},  {1, 22050, 8}};
    std::vector<std::vector<uint8_t>> waves;
    for (int i = 0; i < 8; ++i) waves.push_back(Tone(formats[i], 220.0 + 55 * i, 11));
    const auto song = Song();
    double cpu = 0;
    for (auto _ : state) {
        VirtualAudioClock clock;
        MixBus bus;
        AudioCapture capture(clock, bus);
        TWavOut out(bus, clock, 200);
        out.Open();
        std::vector<std::unique_ptr<TOggWaveItem>> items;
        for (auto& w : waves) {
            items.push_back(std::make_unique<TOggWaveItem>(
                out, std::make_unique<TWavStream>(std::make_unique<ViewStream>(w))));
            items.back()->SetVol(-1000);
            items.back()->Play();
        }
        std::unique_ptr<TMidiPlayV> player;
        if (withSynth) {
            player = std::make_unique<TMidiPlayV>(clock, SynthMidiDevices(bus, font));
            player->OpenDevice(TMidiPlayV::kMapper);
            player->Load(song.data(), song.size());
            player->SetRepeat(true);
            player->PlayFrom(0);
        }
        const double start = CpuSeconds();
        clock.Advance(10000);
        cpu += CpuSeconds() - start;
        benchmark::DoNotOptimize(capture.Frames());
    }
    state.counters["realtime_share"] = cpu / double(state.iterations()) / 10.0;
}
BENCHMARK(BM_MixEightSourcesAndSynth)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
