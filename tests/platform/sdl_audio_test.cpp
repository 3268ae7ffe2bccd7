#include "platform/sdl_audio.h"

#include "platform/alsa_midi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace vesk {
namespace {

class Counter : public AudioSource {
  public:
    void Render(int16_t* out, size_t frames) override {
        std::fill_n(out, frames * 2, int16_t(0));
        pulled += frames;
    }
    std::atomic<uint64_t> pulled{0};
};

// Waits up to two seconds of real time for the sink to pull something.
bool Pulls(AudioClock& clock, Counter& c) {
    for (int i = 0; i < 200 && c.pulled.load() == 0; ++i) clock.SleepMs(10);
    return c.pulled.load() > 0;
}

TEST(SdlAudio, DummyDevicePullsTheBus) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto clock = MakeRealAudioClock();
    MixBus bus;
    Counter c;
    bus.Add(&c);
    auto sink = StartAudioOutput(bus, *clock);
    ASSERT_NE(sink, nullptr);
    EXPECT_TRUE(Pulls(*clock, c));
    sink.reset();
    bus.Remove(&c);
}

TEST(SdlAudio, NoDeviceFallsBackToSilentTimekeeping) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto clock = MakeRealAudioClock();
    MixBus bus;
    Counter c;
    bus.Add(&c);
    std::string why;
    EXPECT_EQ(SdlAudioSink::Open(bus, &why), nullptr);
    EXPECT_FALSE(why.empty());
    auto sink = StartAudioOutput(bus, *clock);
    ASSERT_NE(sink, nullptr);
    EXPECT_FALSE(sink->Audible());
    EXPECT_TRUE(Pulls(*clock, c));
    sink.reset();
    bus.Remove(&c);
}

TEST(AlsaMidi, ListsOnlyPortsThatCanBeOpened) {
    // Without a sequencer (as in most containers) the list is empty and nothing is said
    // about it; with one, every entry has a name and opens.
    const bool sequencer = std::filesystem::exists("/dev/snd/seq");
    ::testing::internal::CaptureStderr();
    TMidiDevices devices = AlsaMidiDevices();
    const std::string said = ::testing::internal::GetCapturedStderr();
    if (!sequencer) {
        EXPECT_TRUE(devices.empty());
        EXPECT_EQ(said, "");
    }
    for (const TMidiDeviceInfo& d : devices) {
        SCOPED_TRACE(d.name);
        EXPECT_FALSE(d.name.empty());
        ASSERT_TRUE(bool(d.open));
        EXPECT_NE(d.open(), nullptr);
    }
}

}  // namespace
}  // namespace vesk
