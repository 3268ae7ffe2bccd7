#include "media/audio_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "media/audio_format.h"
#include "media/audio_output.h"
#include "media/audio_system.h"
#include "media/wav_file.h"
#include "media/wav_out.h"
#include "wav_test_util.h"

#include <filesystem>

namespace vesk {
namespace {

TEST(VirtualClock, PullsAudioThenFiresTickersEachMillisecond) {
    VirtualAudioClock clock;
    std::vector<std::string> order;
    size_t frames = 0;
    clock.SetAudioPull([&](size_t n) {
        frames += n;
        order.push_back("pull" + std::to_string(clock.NowMs()));
    });
    auto t = clock.StartTicker(2, [&] { order.push_back("tick" + std::to_string(clock.NowMs())); });
    clock.Advance(4);
    EXPECT_EQ(order,
              (std::vector<std::string>{"pull1", "pull2", "tick2", "pull3", "pull4", "tick4"}));
    clock.Advance(996);
    EXPECT_EQ(frames, 44100u);  // whole seconds come out exact
    t.reset();
    order.clear();
    clock.Advance(10);
    EXPECT_EQ(order.size(), 10u);  // pulls only
}

class Counter : public AudioSource {
  public:
    void Render(int16_t* out, size_t frames) override {
        for (size_t i = 0; i < frames * 2; ++i) out[i] = 20000;
        pulled += frames;
    }
    std::atomic<uint64_t> pulled{0};
};

TEST(MixBus, AddsSourcesWithSaturation) {
    MixBus bus;
    Counter a, b;
    bus.Add(&a);
    bus.Add(&a);  // listed once
    int16_t out[4];
    bus.Pull(out, 2);
    EXPECT_EQ(out[0], 20000);
    bus.Add(&b);
    bus.Pull(out, 2);
    EXPECT_EQ(out[3], 32767);
    bus.Remove(&a);
    bus.Remove(&b);
    bus.Pull(out, 2);
    EXPECT_EQ(out[1], 0);
}

TEST(MixBus, MutedBusIsSilentButItsSourcesPlayOn) {
    MixBus bus;
    Counter a;
    bus.Add(&a);
    bus.SetMuted(true);
    int16_t out[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    bus.Pull(out, 4);
    EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(a.pulled.load(), 4u);
    bus.SetMuted(false);
    bus.Pull(out, 4);
    EXPECT_EQ(out[7], 20000);
}

TEST(NullSink, KeepsTheBusMovingInRealTime) {
    auto clock = MakeRealAudioClock();
    MixBus bus;
    Counter c;
    bus.Add(&c);
    {
        NullAudioSink sink(bus, *clock);
        EXPECT_FALSE(sink.Audible());
        clock->SleepMs(200);
    }
    // Roughly 200 ms of frames; a loaded machine may lag, never run ahead.
    EXPECT_GT(c.pulled.load(), uint64_t(kOutRate / 50));
    EXPECT_LE(c.pulled.load(), uint64_t(kOutRate / 2));
}

TEST(AudioSystem, HeadlessRunWritesWhatWasMixed) {
    const std::string path = ::testing::TempDir() + "/vesk_media_headless.wav";
    std::vector<int16_t> kept;
    {
        auto audio = AudioSystem::Headless(path);
        ASSERT_NE(audio->Virtual(), nullptr);
        audio->Capture()->KeepInMemory(true);
        TWavOut out(audio->Bus(), audio->Clock(), 100);
        out.Open();
        out.CreateSource(test::WavOf({1, 44100, 16}, test::Constant16(2205, 1234, -1234)))->Play();
        audio->Advance(300);
        kept = audio->Capture()->Samples();
        out.Close();
        audio->Finish();
    }
    auto bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 44 + kept.size() * 2);
    EXPECT_EQ(std::memcmp(bytes.data() + 44, kept.data(), kept.size() * 2), 0);
    EXPECT_NE(std::count(kept.begin(), kept.end(), 1234), 0);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vesk
