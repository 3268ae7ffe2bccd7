// The direct sound path: sample-exact starts, volume and pan, loops at the repeat position,
// the end and the position heard.
#include <gtest/gtest.h>

#include "media/stream_item.h"
#include "media/stream_player.h"
#include "media_fixture.h"
#include "wav_test_util.h"

namespace vesk {
namespace {

// A sound of `frames` frames whose left sample at frame i is i + 1 (and right -(i + 1)), so
// every heard sample tells where in the sound it came from.
std::unique_ptr<TOggStream> Ramp(size_t frames) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(int16_t(i % 30000 + 1));
        s.push_back(int16_t(-int(i % 30000 + 1)));
    }
    return test::WavOf({2, 44100, 16}, test::Bytes16(s));
}

struct PlayerTest : ::testing::Test {
    test::Headless h;
    TDecodeFeeder feeder{h.audio->Clock()};
};

TEST(DecibelGain, VolumeAndPanLaws) {
    struct Case {
        int vol, pan;
        int32_t left, right;
    };
    const Case cases[] = {
        {0, 0, 65536, 65536},    {-600, 0, 32846, 32846}, {-10000, 0, 0, 0},
        {-2000, 0, 6554, 6554},  {0, 2000, 6554, 65536},  {0, -2000, 65536, 6554},
        {-600, 10000, 0, 32846}, {50, -20000, 65536, 0},
    };
    for (const Case& c : cases) {
        TStereoGain g = DecibelGain(c.vol, c.pan);
        EXPECT_EQ(g.left, c.left) << c.vol << " " << c.pan;
        EXPECT_EQ(g.right, c.right) << c.vol << " " << c.pan;
    }
}

TEST_F(PlayerTest, StartsOnTheFirstSampleAfterPlay) {
    h.Advance(16);
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(20000));
    h.Advance(16);
    EXPECT_EQ(test::FirstSound(h.Mix()), h.Frames());  // created, not played: silent
    const size_t start = h.Frames();
    p.Play();
    h.Advance(100);
    ASSERT_EQ(test::FirstSound(h.Mix()), start);
    for (size_t i = 0; i < 4410; ++i) {
        ASSERT_EQ(h.Mix()[(start + i) * 2], int16_t(i + 1)) << i;
        ASSERT_EQ(h.Mix()[(start + i) * 2 + 1], int16_t(-int(i + 1))) << i;
    }
    EXPECT_EQ(p.Position(), 4410);
}

TEST_F(PlayerTest, PauseHoldsThePositionAndGainsApply) {
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(44100));
    p.Play();
    h.Advance(10);
    p.Pause();
    const int64_t at = p.Position();
    EXPECT_EQ(at, 441);
    h.Advance(50);
    EXPECT_EQ(p.Position(), at);
    p.SetGain({32768, 0});
    p.Play();
    const size_t from = h.Frames();
    h.Advance(10);
    EXPECT_EQ(h.Mix()[from * 2], int16_t((at + 1) / 2));  // half on the left
    EXPECT_EQ(h.Mix()[from * 2 + 1], 0);                  // nothing on the right
}

TEST_F(PlayerTest, LoopsAtTheLoopStartSampleExactly) {
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(1000));
    p.SetLoop(true);
    p.SetLoopStart(600);
    p.Play();
    h.Advance(100);  // 4410 frames: 1000, then 400-frame rounds from 600
    const auto& m = h.Mix();
    for (size_t i = 0; i < 4410; ++i) {
        const size_t src = i < 1000 ? i : 600 + (i - 1000) % 400;
        ASSERT_EQ(m[i * 2], int16_t(src + 1)) << i;
    }
    EXPECT_EQ(p.Position(), 600 + (4410 - 1000) % 400);
    EXPECT_FALSE(p.Ended());
}

TEST_F(PlayerTest, EndsOnceTheLastFrameIsHeard) {
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(1000));
    p.Play();
    h.Advance(22);  // 970 frames
    EXPECT_FALSE(p.Ended());
    h.Advance(1);
    EXPECT_TRUE(p.Ended());
    EXPECT_EQ(p.Position(), 1000);
    // Turning the loop on after the end changes nothing: it has been heard.
    p.SetLoop(true);
    EXPECT_TRUE(p.Ended());
    h.Advance(10);
    EXPECT_EQ(test::FirstSound(h.Mix(), 1001), h.Frames());
}

TEST_F(PlayerTest, LoopTurnedOnBeforeTheEndCarriesOn) {
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(1000));
    p.Play();
    h.Advance(5);
    p.SetLoop(true);  // the whole sound is already decoded
    h.Advance(40);
    EXPECT_FALSE(p.Ended());
    EXPECT_EQ(h.Mix()[1000 * 2], 1);  // round two begins right after the last frame
}

TEST_F(PlayerTest, PositionAndRestartAnywhere) {
    TStreamPlayer p(h.audio->Bus(), feeder, Ramp(44100));
    p.SetPosition(20000);
    p.Play();
    const size_t from = h.Frames();
    h.Advance(1);
    EXPECT_EQ(h.Mix()[from * 2], int16_t(20001));
    EXPECT_EQ(p.Position(), 20044);
    EXPECT_EQ(p.Length(), 44100);
}

TEST_F(PlayerTest, ItemEndIsToldOnceAndPlayAfterTheEndStartsOver) {
    TOggItem item(h.audio->Bus(), feeder, Ramp(441));
    item.Play();
    EXPECT_TRUE(item.IsPlaying());
    h.Advance(20);
    EXPECT_TRUE(item.IsEnd());
    EXPECT_FALSE(item.IsEnd());
    EXPECT_FALSE(item.IsPlaying());
    EXPECT_EQ(item.GetPosition(), 10);
    item.Play();
    EXPECT_EQ(item.GetPosition(), 0);
    EXPECT_TRUE(item.IsPlaying());
}

TEST_F(PlayerTest, StreamErrorsEndTheSoundOnly) {
    class Failing : public TOggStream {
      public:
        TWavFormat GetFormat() override { return {2, 44100, 16}; }
        size_t Read(void*, size_t) override { Fail("read error"); }
        int64_t GetPos() override { return 0; }
        int64_t SetPos(int64_t) override { return 0; }
        int64_t GetSize() override { return 1 << 20; }
        int GetLen() override { return 5000; }
    };
    TStreamPlayer bad(h.audio->Bus(), feeder, std::make_unique<Failing>());
    TStreamPlayer good(h.audio->Bus(), feeder, Ramp(44100));
    bad.Play();
    good.Play();
    h.Advance(50);
    EXPECT_TRUE(bad.Ended());
    EXPECT_EQ(good.Position(), 2205);
}

}  // namespace
}  // namespace vesk
