// The wave proxy: rows shifted by their offsets, batched into bands.
#include <gtest/gtest.h>

#include "gfx/dibx_wave.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

TEST(DibxWave, ShiftsEachRowByItsOffset) {
    auto target = Filled(4, 4, 8, 0);
    TDIBXWave wave;
    wave.SetTarget(target.get());
    wave.SetSize(4, 3, 8);
    wave.SetFirstRow(1);
    wave.Offsets() = {1, 1, -1};  // rows 1, 2 and 3; row 0 is outside the array
    auto src = Surface(2, 4, 8, {1, 2, 3, 4, 5, 6, 7, 8});
    wave.Draw(0, 0, {0, 0, 2, 4}, *src);
    EXPECT_EQ(Pixels(*target), (std::vector<uint32_t>{0, 0, 0, 0,  //
                                                      0, 3, 4, 0,  //
                                                      0, 5, 6, 0,  //
                                                      8, 0, 0, 0}));
    EXPECT_EQ(target->ClipRect(), TRect{});
}

TEST(DibxWave, FillsAndClipFollowTheTarget) {
    auto target = Filled(5, 2, 32, 0);
    target->SetClipRect({0, 0, 4, 2});
    TDIBXWave wave;
    wave.SetTarget(target.get());
    wave.SetSize(5, 2, 32);
    wave.Offsets() = {2, 0};
    wave.FillRect({0, 0, 3, 2}, 9);
    EXPECT_EQ(Pixels(*target), (std::vector<uint32_t>{0, 0, 9, 9, 0,  //
                                                      9, 9, 9, 0, 0}));
    EXPECT_EQ(target->ClipRect(), (TRect{0, 0, 4, 2}));
    // Without pixels of its own a proxy draws nothing as a source.
    auto other = Filled(2, 2, 32, 5);
    other->Draw(0, 0, {0, 0, 2, 2}, wave);
    EXPECT_EQ(Pixels(*other), std::vector<uint32_t>(4, 5));
    TDIBXWave lonely;
    lonely.SetSize(2, 2, 32);
    lonely.FillRect({0, 0, 2, 2}, 1);  // no target: nothing happens
}

TEST(DibxWave, StretchAndAlphaGoThroughTheBands) {
    auto target = Filled(4, 2, 32, 0);
    TDIBXWave wave;
    wave.SetTarget(target.get());
    wave.SetSize(4, 2, 32);
    wave.Offsets() = {0, 1};
    auto src = Filled(1, 1, 32, 0xFFFFFF);
    wave.StretchDraw({0, 0, 2, 2}, {0, 0, 1, 1}, *src, 255);
    wave.FillRectAlpha({3, 0, 4, 1}, 0xFFFFFF, 128);
    EXPECT_EQ(Pixels(*target), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0, 0x7F7F7F,  //
                                                      0, 0xFFFFFF, 0xFFFFFF, 0}));
}

}  // namespace
}  // namespace vesk
