#include "media/wav_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "media/audio_format.h"
#include "media/audio_output.h"
#include "media/ogg_wave_item.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

using test::Constant16;
using test::S16Bytes;
using test::WavOf;

constexpr TWavFormat kCd{2, 44100, 16};

class WavOutTest : public ::testing::Test {
  protected:
    explicit WavOutTest(int delay = 100) : out(bus, clock, delay) {
        EXPECT_TRUE(out.Open());
        out.SetNotify([this](const uint8_t* d, size_t n) {
            auto* s = reinterpret_cast<const int16_t*>(d);
            blocks.emplace_back(s, s + n / 2);
        });
    }
    TWavBuffer* Playing(const TWavFormat& f, const std::vector<uint8_t>& pcm) {
        TWavBuffer* s = out.CreateSource(WavOf(f, pcm)).get();
        s->Play();
        return s;
    }

    VirtualAudioClock clock;
    MixBus bus;
    AudioCapture cap{clock, bus};  // plays the queued blocks as time passes
    TWavOut out;
    std::vector<std::vector<int16_t>> blocks;
};

TEST(WavOutConfig, DelayTimeRoundsAndClamps) {
    const std::pair<int, int> cases[] = {{750, 500}, {30, 100},  {250, 200}, {50, 100},
                                         {500, 500}, {199, 100}, {-5, 100},  {300, 300}};
    for (auto [in, want] : cases) EXPECT_EQ(NormalizeDelayTime(in), want) << in;
    VirtualAudioClock clock;
    MixBus bus;
    EXPECT_EQ(TWavOut(bus, clock, 250).BlockSize(), 35280u);
    EXPECT_EQ(TWavOut(bus, clock, 50).BlockSize(), 17640u);
}

TEST(WavOutConfig, VolumeFactors) {
    const std::pair<int, int> cases[] = {{-10000, 0}, {-5000, 0}, {-4999, 0}, {-2500, 128},
                                         {-1, 255},   {0, 256},   {300, 256}};
    for (auto [vol, want] : cases) EXPECT_EQ(VolumeToFactor(vol), want) << vol;
}

TEST_F(WavOutTest, ConvertsEveryFormatOfTheTable) {
    struct Case {
        TWavFormat f;
        std::vector<uint8_t> in;
        std::vector<int16_t> want;  // leading output samples; the rest of the block is silent
        int64_t readPerBlock;       // source bytes one 100 ms block takes
    };
    const auto s16 = S16Bytes({1000, -1000, 2000, -2000});
    const Case cases[] = {
        {{2, 44100, 16}, s16, {1000, -1000, 2000, -2000}, 17640},
        {{1, 44100, 16}, s16, {1000, 1000, -1000, -1000, 2000, 2000, -2000, -2000}, 8820},
        {{2, 22050, 16}, s16, {1000, -1000, 1000, -1000, 2000, -2000, 2000, -2000}, 8820},
        {{1, 22050, 16}, S16Bytes({1000, -3}), {1000, 1000, 1000, 1000, -3, -3, -3, -3}, 4410},
        {{2, 44100, 8}, {0x81, 0x7F, 0xFF, 0x00}, {256, -256, 32512, -32768}, 8820},
        {{1, 44100, 8}, {0x81, 0x7F}, {256, 256, -256, -256}, 4410},
        {{2, 22050, 8}, {0x81, 0x7F}, {256, -256, 256, -256}, 4410},
        {{1, 22050, 8}, {0x90}, {4096, 4096, 4096, 4096}, 2205},
    };
    for (const Case& c : cases) {
        blocks.clear();
        TWavBuffer* s = Playing(c.f, c.in);
        out.Feed();
        ASSERT_EQ(blocks.size(), 1u)
            << c.f.channels << "/" << c.f.samplesPerSec << "/" << c.f.bitsPerSample;
        std::vector<int16_t> head(blocks[0].begin(), blocks[0].begin() + c.want.size());
        EXPECT_EQ(head, c.want);
        for (size_t i = c.want.size(); i < blocks[0].size(); ++i) ASSERT_EQ(blocks[0][i], 0);
        out.DestroySource(s);

        // A long stream shows how much of the source one block takes.
        std::vector<uint8_t> longPcm(size_t(c.readPerBlock) * 3, 0x80);
        s = Playing(c.f, longPcm);
        out.Feed();
        EXPECT_EQ(s->ReadPos(), c.readPerBlock);
        out.DestroySource(s);
        clock.Advance(500);  // lets the queued blocks play out
    }
}

TEST_F(WavOutTest, UnsupportedFormatsStaySilentWhileOthersPlay) {
    TWavBuffer* hi = Playing({2, 48000, 16}, Constant16(10000, 20000, 20000));
    TWavBuffer* deep = Playing({2, 44100, 24}, std::vector<uint8_t>(60000, 0x40));
    Playing(kCd, Constant16(10000, 100, -100));
    out.Feed();
    ASSERT_EQ(blocks.size(), 2u);
    for (size_t i = 0; i < blocks[0].size(); i += 2) {
        ASSERT_EQ(blocks[0][i], 100);
        ASSERT_EQ(blocks[0][i + 1], -100);
    }
    EXPECT_EQ(hi->ReadPos(), 0);
    EXPECT_EQ(deep->ReadPos(), 0);
    // Silent, but over: they finish instead of hanging (items play such formats converted).
    EXPECT_TRUE(hi->HasEnded());
    EXPECT_TRUE(deep->HasEnded());
    clock.Advance(300);
    EXPECT_TRUE(hi->HasFinished());
}

TEST_F(WavOutTest, SourcesSaturateInsteadOfWrapping) {
    Playing(kCd, Constant16(100, 30000, -30000));
    Playing(kCd, Constant16(100, 30000, -30000));
    Playing({1, 22050, 8}, std::vector<uint8_t>(100, 0x80));  // silence adds nothing
    out.Feed();
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0][0], 32767);
    EXPECT_EQ(blocks[0][1], -32768);
}

TEST_F(WavOutTest, VolumeFactorScalesWithArithmeticShift) {
    const std::pair<int, std::vector<int16_t>> cases[] = {
        {128, {500, -501}}, {255, {1000, -1001}}, {256, {1000, -1001}}, {0, {0, 0}}};
    for (const auto& [factor, want] : cases) {
        blocks.clear();
        TWavBuffer* s = Playing(kCd, Constant16(10, 1000, -1001));
        s->SetVolume(factor);
        out.Feed();
        ASSERT_EQ(blocks.size(), 1u);
        EXPECT_EQ(blocks[0][0], want[0]) << factor;
        EXPECT_EQ(blocks[0][1], want[1]) << factor;
        out.DestroySource(s);
        clock.Advance(300);
    }
}

TEST_F(WavOutTest, FeedsAtMostTwoBlocksAndIdlesWithoutPlayingSources) {
    // Never started: mixes nothing and nothing is fed.
    TWavBuffer* s = out.CreateSource(WavOf(kCd, Constant16(44100 * 2, 10, 10))).get();
    clock.Advance(200);
    EXPECT_EQ(out.BlocksWritten(), 0u);
    s->Play();
    clock.Advance(25);  // the first feed after Play comes within DelayTime / 4
    EXPECT_EQ(out.BlocksWritten(), 2u);
    EXPECT_EQ(out.BlocksInFlight(), 2u);
    clock.Advance(100);  // one block played out, one more fed
    EXPECT_EQ(out.BlocksWritten(), 3u);
    EXPECT_LE(out.BlocksInFlight(), 2u);
    EXPECT_EQ(out.PoolSize(), 4u);
    s->Pause();
    const auto written = out.BlocksWritten();
    clock.Advance(500);
    EXPECT_EQ(out.BlocksWritten(), written);
    EXPECT_EQ(out.BlocksInFlight(), 0u);
}

TEST_F(WavOutTest, LoopingSourceEndingAtABlockEndRestartsAtLoopPosition) {
    // Exactly one block of frames 0, 1, 2, ... (left) and their negatives (right).
    std::vector<int16_t> ramp;
    for (int i = 0; i < 4410; ++i) {
        ramp.push_back(int16_t(i));
        ramp.push_back(int16_t(-i));
    }
    TOggWaveItem item(out, WavOf(kCd, S16Bytes(ramp)));
    item.SetAutoRepeat(true);
    item.SetRepeatPos(50);  // 8820 bytes: frame 2205
    item.Play();
    out.Feed();
    EXPECT_TRUE(item.Source()->HasEnded());
    EXPECT_FALSE(item.IsEnd());  // ended, not yet played out
    EXPECT_TRUE(item.IsPlaying());
    clock.Advance(211);  // more than 2 x DelayTime + 10 ms without a contribution
    EXPECT_FALSE(item.IsPlaying());
    EXPECT_FALSE(item.IsEnd());  // finished and looping: started again
    EXPECT_TRUE(item.IsPlaying());
    blocks.clear();
    out.Feed();
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0][0], 2205);
    EXPECT_EQ(blocks[0][2 * 2204], 4409);
    EXPECT_EQ(blocks[0][2 * 2205], 2205);  // wrapped within the block
}

TEST_F(WavOutTest, NonLoopingSourceEndsAndReportsPosition) {
    TOggWaveItem item(out, WavOf(kCd, Constant16(44100 / 4, 1, 1)));  // 250 ms
    EXPECT_EQ(item.GetLength(), 250);
    item.SetVol(-2500);
    EXPECT_EQ(item.Source()->Volume(), 128);
    item.SetPosition(-10);
    item.Play();
    clock.Advance(150);
    const int pos = item.GetPosition();
    EXPECT_GT(pos, 0);
    EXPECT_LE(pos, 250);
    clock.Advance(1000);
    EXPECT_TRUE(item.IsEnd());
    EXPECT_FALSE(item.IsPlaying());
    EXPECT_EQ(item.GetPosition(), 250);
    item.Pause();
    EXPECT_TRUE(item.IsPaused());
    EXPECT_EQ(item.GetPan(), 0);
}

TEST_F(WavOutTest, AudiblePositionLagsTheReadPositionByOneDelay) {
    TOggWaveItem item(out, WavOf(kCd, Constant16(44100, 1, 1)));  // one second
    item.Play();
    clock.Advance(25);  // the first feed reads two blocks: 200 ms
    EXPECT_EQ(item.Source()->ReadPos(), 35280);
    EXPECT_EQ(item.GetPosition(), 100);  // read position less one block
    clock.Advance(50);
    EXPECT_EQ(item.GetPosition(), 150);  // plus the time since that feed
    item.Pause();
    clock.Advance(201);
    EXPECT_EQ(item.GetPosition(), 200);  // long after: the read position itself
}

TEST_F(WavOutTest, AudioReachesTheBusInOrder) {
    cap.KeepInMemory(true);
    Playing({1, 22050, 16}, S16Bytes(std::vector<int16_t>(2205, 7000)));  // 100 ms
    clock.Advance(400);
    const auto& s = cap.Samples();
    ASSERT_EQ(s.size(), size_t(44100 * 4 / 10 * 2));
    // Fed after the pull of the 25th millisecond: silence until then, 100 ms of sound, silence.
    const size_t start = size_t(FramesAtMs(25));
    EXPECT_EQ(s[2 * (start - 1)], 0);
    EXPECT_EQ(s[2 * start], 7000);
    EXPECT_EQ(s[2 * (start + 4409) + 1], 7000);
    EXPECT_EQ(s[2 * (start + 4410)], 0);
}

// A decoded stream whose reads fail, like a damaged archive member.
class FailingStream : public TOggStream {
  public:
    TWavFormat GetFormat() override { return kCd; }
    size_t Read(void*, size_t) override { throw VeskError("read error"); }
    int64_t GetPos() override { return 0; }
    int64_t SetPos(int64_t) override { return 0; }
    int64_t GetSize() override { return 1000000; }
    int GetLen() override { return 0; }
};

TEST_F(WavOutTest, FailingStreamEndsItsSoundOnly) {
    TWavBuffer* bad = out.CreateSource(std::make_unique<FailingStream>()).get();
    bad->Play();
    Playing(kCd, Constant16(10000, 5, 5));
    out.Feed();
    EXPECT_TRUE(bad->HasEnded());
    ASSERT_FALSE(blocks.empty());
    EXPECT_EQ(blocks[0][0], 5);
}

// A stream that declares more data than it has, as a file cut short does.
class ShortStream : public TOggStream {
  public:
    TWavFormat GetFormat() override { return kCd; }
    size_t Read(void* dst, size_t n) override {
        n = std::min<size_t>(n, size_t(std::max<int64_t>(0, 4000 - pos_)));
        std::memset(dst, 1, n);
        pos_ += int64_t(n);
        return n;
    }
    int64_t GetPos() override { return pos_; }
    int64_t SetPos(int64_t p) override { return pos_ = std::clamp<int64_t>(p, 0, 1000000); }
    int64_t GetSize() override { return 1000000; }
    int GetLen() override { return 5669; }

  private:
    int64_t pos_ = 0;
};

TEST_F(WavOutTest, DataShorterThanDeclaredEndsTheSound) {
    for (bool loop : {false, true}) {
        TWavBuffer* s = out.CreateSource(std::make_unique<ShortStream>()).get();
        s->SetLoop(loop);
        s->Play();
        out.Feed();
        if (!loop) {
            EXPECT_TRUE(s->HasEnded());
            EXPECT_EQ(s->ReadPos(), 1000000);
        } else {
            // A looping one goes round at its loop start and fills the block.
            EXPECT_FALSE(s->HasEnded());
        }
        out.DestroySource(s);
        clock.Advance(500);
    }
}

TEST_F(WavOutTest, NotificationMayCallTheMixer) {
    // It is called after the mixer's lock is let go: asking the mixer from it must not
    // deadlock.
    size_t seen = 0;
    out.SetNotify([&](const uint8_t*, size_t) { seen = out.BlocksInFlight(); });
    Playing(kCd, Constant16(10000, 5, 5));
    out.Feed();
    EXPECT_EQ(seen, 2u);
}

TEST(WavOutNames, AbsoluteAndOggNames) {
    EXPECT_TRUE(IsAbsoluteMediaName("\\snd\\a.wav"));
    EXPECT_TRUE(IsAbsoluteMediaName("C:\\a.wav"));
    EXPECT_FALSE(IsAbsoluteMediaName("snd\\a.wav"));
    EXPECT_TRUE(HasOggExtension("bgm.OGG"));
    EXPECT_FALSE(HasOggExtension("bgm.wav"));
    EXPECT_FALSE(HasOggExtension("ogg"));
}

}  // namespace
}  // namespace vesk
