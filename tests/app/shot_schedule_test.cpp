// The pictures the player writes at chosen ticks: the composed screen and the window's
// picture, what is said when one cannot be written, and the ones the game ended before.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/screenshots.h"
#include "base/error.h"
#include "gfx/dibx.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(ShotScheduleTest, ScreenAndWindowShotsAreWrittenAtTheirTicks) {
    test::TempDir dir;
    const std::string a = dir / "screen3.png", b = dir / "window3.png", c = dir / "screen5.png";
    const std::string bad = dir.path() + "/no-such-folder/x.png";
    TShotSchedule shots({{3, a}, {5, c}, {3, bad}}, {{3, b}});
    TDIBX screen(8, 6, 32);
    int windowReads = 0;
    const TShotSchedule::WindowReader readWindow = [&] {
        ++windowReads;
        return std::make_unique<TDIBX>(4, 4, 32);
    };
    EXPECT_TRUE(shots.WriteDue(2, &screen, readWindow).empty());
    EXPECT_EQ(windowReads, 0);  // the window is read only when a shot is due
    const std::vector<std::string> errors = shots.WriteDue(3, &screen, readWindow);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("cannot write the screenshot " + bad + ": ", 0), 0u) << errors[0];
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(fs::exists(b));
    EXPECT_FALSE(fs::exists(c));
    // The game ended at tick 4: the shot of tick 5 never came.
    EXPECT_EQ(shots.Missed(4, true),
              std::vector<std::string>{"the game ended at tick 4, before " + c + " was due"});
    EXPECT_EQ(shots.Missed(5, true), std::vector<std::string>{});
}

TEST(ShotScheduleTest, WithoutAWindowItsShotsAreNamedOnceAndNotMissed) {
    test::TempDir dir;
    const std::string w = dir / "w.png";
    TShotSchedule shots({}, {{2, w}});
    EXPECT_EQ(shots.NoWindow(), "no window, so no --window-shot is written");
    EXPECT_EQ(TShotSchedule({}, {}).NoWindow(), "");
    TDIBX screen(2, 2, 32);
    EXPECT_TRUE(shots.WriteDue(2, &screen, nullptr).empty());
    EXPECT_FALSE(fs::exists(w));
    EXPECT_TRUE(shots.Missed(1, false).empty());
    // A window that cannot be read is said, and the game goes on.
    const auto unreadable = []() -> std::unique_ptr<TDIBX> { Fail("the window cannot be read"); };
    EXPECT_EQ(shots.WriteDue(2, nullptr, unreadable),
              std::vector<std::string>{"cannot write the window shot " + w +
                                       ": the window cannot be read"});
}

}  // namespace
}  // namespace vesk
