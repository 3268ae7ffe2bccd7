// The audio path on the real clock, with its own threads: the feeding timer, the sequencer's
// timer and the silent sink that plays the bus when there is no device.
#include <gtest/gtest.h>

#include <atomic>

#include "media/audio_system.h"
#include "media/midi_player.h"
#include "media/ogg_wave_item.h"
#include "media/stream_item.h"
#include "media/wav_out.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

bool WaitFor(AudioClock& clock, const std::function<bool()>& done, uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 10) {
        if (done()) return true;
        clock.SleepMs(10);
    }
    return done();
}

TEST(RealTime, WaveSoundPlaysToItsEndWithoutADevice) {
    auto audio = AudioSystem::Realtime();
    EXPECT_EQ(audio->Virtual(), nullptr);
    TWavOut out(audio->Bus(), audio->Clock(), 100);
    ASSERT_TRUE(out.Open());
    const uint32_t start = audio->Clock().NowMs();
    {
        TOggWaveItem item(out, test::WavOf({2, 22050, 16}, test::Constant16(22050 / 5, 9, 9)));
        item.Play();  // 200 ms
        EXPECT_TRUE(WaitFor(
            audio->Clock(), [&] { return item.IsEnd(); }, 3000));
        // It cannot end before it has been heard: 200 ms of sound and the play-out time.
        EXPECT_GE(audio->Clock().NowMs() - start, 200u);
        EXPECT_EQ(item.GetPosition(), 200);
    }
    out.Close();
}

// A device that stops pulling, as an unplugged one does.
class LostSink : public AudioSink {
  public:
    bool Audible() const override { return true; }
    bool Lost() const override { return true; }
};

TEST(RealTime, LostDeviceIsReplacedBySilence) {
    auto audio = AudioSystem::Realtime();
    audio->SetSink(std::make_unique<LostSink>());
    TWavOut out(audio->Bus(), audio->Clock(), 100);
    ASSERT_TRUE(out.Open());
    // Half a second: more than the two blocks that can be queued without a consumer.
    TOggWaveItem item(out, test::WavOf({2, 44100, 16}, test::Constant16(22050, 9, 9)));
    item.Play();
    audio->KeepAlive();
    EXPECT_TRUE(WaitFor(
        audio->Clock(), [&] { return item.IsEnd(); }, 3000));
}

class CountingOut : public TMidiOut {
  public:
    explicit CountingOut(std::atomic<int>& notes) : notes_(notes) {}
    void ShortMsg(uint8_t s, uint8_t, uint8_t) override {
        if ((s & 0xF0) == 0x90) ++notes_;
    }
    void LongMsg(const uint8_t*, size_t) override {}
    void Reset() override {}

  private:
    std::atomic<int>& notes_;
};

TEST(RealTime, SequencerPlaysOnItsTimerThread) {
    auto clock = MakeRealAudioClock();
    std::atomic<int> notes{0};
    TMidiDeviceInfo d;
    d.open = [&] { return std::make_unique<CountingOut>(notes); };
    TMidiPlayV player(*clock, {d});
    ASSERT_TRUE(player.OpenDevice(TMidiPlayV::kMapper));
    // Four notes 50 ms apart (96 ticks per quarter at 120 bpm: 5.2 ms per tick).
    std::vector<uint8_t> trk;
    for (int i = 0; i < 4; ++i) trk.insert(trk.end(), {uint8_t(i ? 10 : 0), 0x90, 60, 100});
    trk.insert(trk.end(), {0, 0xFF, 0x2F, 0});
    std::vector<uint8_t> f{'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                           1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(trk.size())};
    f.insert(f.end(), trk.begin(), trk.end());
    ASSERT_TRUE(player.Load(f.data(), f.size()));
    player.PlayFrom(0);
    EXPECT_TRUE(WaitFor(
        *clock, [&] { return !player.IsPlaying(); }, 3000));
    EXPECT_EQ(notes.load(), 4);
    EXPECT_GE(player.Position(), 150);
}

TEST(RealTime, DirectSoundPlaysOnTheDecoderAndDeviceThreads) {
    // The decoder thread keeps the queue filled while the silent sink pulls the bus on its
    // own thread; the item ends once its last frame has been pulled.
    auto audio = AudioSystem::Realtime();
    TDecodeFeeder feeder(audio->Clock());
    // 300 ms, longer than the queue filled at Play.
    TOggItem item(audio->Bus(), feeder,
                  test::WavOf({2, 44100, 16}, test::Constant16(44100 * 3 / 10, 100, -100)));
    const uint32_t start = audio->Clock().NowMs();
    item.Play();
    EXPECT_TRUE(WaitFor(
        audio->Clock(), [&] { return item.IsEnd(); }, 3000));
    EXPECT_GE(audio->Clock().NowMs() - start, 280u);
    EXPECT_EQ(item.GetPosition(), 300);
}

}  // namespace
}  // namespace vesk
