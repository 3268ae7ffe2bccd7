// The start-up logo: its length, what it draws, how it is skipped, and that it never
// reaches scripts or saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/start_logo.h"
#include "base/stream.h"
#include "display/display_commands.h"
#include "display/vesk_base_list.h"

namespace vesk {
namespace {

bool HasLogo(TVeskBaseList& root) {
    for (int32_t i = 0; i < root.ObjectCount(); ++i)
        if (dynamic_cast<TStartLogo*>(root.ObjectAt(i))) return true;
    return false;
}

TEST(StartLogo, EndsAfterItsDurationAndIsRemoved) {
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    auto* logo = root.Create<TStartLogo>(64, 48);
    int frames = 0;
    while (HasLogo(root) && frames < 1000) {
        EXPECT_FALSE(logo->Finished());
        root.StepAll(50);
        ++frames;
    }
    EXPECT_EQ(frames, TStartLogo::kDurationMs / 50);
    EXPECT_EQ(root.ObjectCount(), 0);
    // A frame after a long pause cannot run it past its end, nor a negative time back.
    TStartLogo* again = root.Create<TStartLogo>(64, 48);
    EXPECT_FALSE(again->Step(-500));
    EXPECT_EQ(again->ElapsedMs(), 0);
    EXPECT_TRUE(again->Step(100000));
    EXPECT_EQ(again->ElapsedMs(), TStartLogo::kDurationMs);
}

// The picture once the emblem has come together (slid in and faded in, the line most of
// the way out), on a screen that was white before.
struct LogoPicture {
    int32_t w, h;
    std::vector<uint32_t> px;
    LogoPicture(int32_t width, int32_t height) : w(width), h(height) {
        TVeskBaseList root(w, h);
        root.Screen().Clear(0xFFFFFF);
        auto* logo = root.Create<TStartLogo>(w, h);
        while (logo->ElapsedMs() < 1000) root.StepAll(16);
        root.PaintAll();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) px.push_back(root.Screen().GetPixel(x, y));
    }
    uint32_t At(int32_t x, int32_t y) const {
        return x < 0 || y < 0 || x >= w || y >= h ? 0 : px[size_t(y) * size_t(w) + size_t(x)];
    }
};

int Brightness(uint32_t c) {
    return int(c >> 16 & 255) + int(c >> 8 & 255) + int(c & 255);
}
bool Coloured(uint32_t c) {
    const int r = int(c >> 16 & 255), g = int(c >> 8 & 255), b = int(c & 255);
    return std::max({r, g, b}) - std::min({r, g, b}) > 0x40;
}

// The emblem: on black, three equally wide bars of distinct colours side by side with
// gaps between them, standing on one line, the middle one taller, each lighter at the top;
// a light line under them; the whole in the middle of the screen and scaled with it.
TEST(StartLogo, PaintsBlackWithTheEmblemInTheMiddle) {
    int32_t barWidth320 = 0;
    for (auto [w, h] : {std::pair{320, 240}, {640, 480}, {800, 450}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h);
        const LogoPicture pic(w, h);
        // Black everywhere but the emblem, which lies within the middle of the screen.
        int32_t left = w, right = -1, top = h, bottom = -1;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                ASSERT_NE(pic.At(x, y), 0xFFFFFFu) << "not painted at " << x << "," << y;
                if (pic.At(x, y) == 0) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        ASSERT_GE(right, left) << "nothing drawn";
        EXPECT_LE(std::abs(left + right + 1 - w), 2) << left << ".." << right;
        EXPECT_GT(top, h / 4);
        EXPECT_LT(bottom, h * 3 / 4);

        // Across the middle: three runs of one colour each.
        struct Run {
            int32_t from, to;  // columns, inclusive
            uint32_t color;
            int32_t top = 0, base = 0;  // the bar's rows, inclusive
        };
        std::vector<Run> runs;
        const int32_t mid = (top + bottom) / 2;
        for (int32_t x = left; x <= right; ++x) {
            const uint32_t c = pic.At(x, mid);
            if (c == 0) continue;
            if (runs.empty() || runs.back().to != x - 1)
                runs.push_back({x, x, c});
            else
                runs.back().to = x;
            EXPECT_EQ(c, runs.back().color) << "a bar's row has one colour";
        }
        ASSERT_EQ(runs.size(), 3u);
        for (Run& r : runs) {
            SCOPED_TRACE(r.from);
            EXPECT_EQ(r.to - r.from, runs[0].to - runs[0].from);  // equally wide
            EXPECT_TRUE(Coloured(r.color)) << std::hex << r.color;
            const int32_t x = (r.from + r.to) / 2;
            for (r.top = mid; pic.At(x, r.top - 1) != 0;) --r.top;
            for (r.base = mid; pic.At(x, r.base + 1) != 0;) ++r.base;
            EXPECT_GT(Brightness(pic.At(x, r.top)), Brightness(pic.At(x, r.base)));
        }
        // Twice the screen, twice the bars.
        const int32_t barWidth = runs[0].to - runs[0].from + 1;
        if (w == 320) barWidth320 = barWidth;
        if (w == 640) {
            EXPECT_NEAR(barWidth, 2 * barWidth320, 1);
        }
        EXPECT_NE(runs[0].color, runs[1].color);
        EXPECT_NE(runs[1].color, runs[2].color);
        EXPECT_NE(runs[0].color, runs[2].color);
        EXPECT_EQ(runs[0].base, runs[1].base);
        EXPECT_EQ(runs[2].base, runs[1].base);
        EXPECT_LT(runs[1].top, runs[0].top);
        EXPECT_EQ(runs[0].top, runs[2].top);

        // Below the bars: a light grey line at least as wide as the three of them.
        int32_t lineFrom = w, lineTo = -1;
        for (int32_t y = runs[1].base + 1; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t c = pic.At(x, y);
                if (c == 0) continue;
                EXPECT_FALSE(Coloured(c)) << x << "," << y;
                EXPECT_GE(Brightness(c), 3 * 0xC0) << x << "," << y;
                lineFrom = std::min(lineFrom, x), lineTo = std::max(lineTo, x);
            }
        EXPECT_LE(lineFrom, runs[0].from);
        EXPECT_GE(lineTo, runs[2].to);
    }
}

class LogoScene : public ::testing::Test {
  protected:
    LogoScene() : root(320, 240) { logo = root.Create<TStartLogo>(320, 240); }
    void RunTo(int32_t ms) {
        while (logo->ElapsedMs() < ms) root.StepAll(std::min(16, ms - logo->ElapsedMs()));
    }
    uint32_t Paint(int32_t x, int32_t y) {
        root.PaintAll();
        root.ClearDirty();
        return root.Screen().GetPixel(x, y);
    }
    TVeskBaseList root;
    TStartLogo* logo;
};

TEST_F(LogoScene, EveryFrameRepaintsTheEmblemAsItFadesInAndOut) {
    std::vector<uint32_t> samples;
    for (int32_t ms : {100, 400, 1000, 1700, 1990}) {
        RunTo(ms);
        ASSERT_GE(root.FrontLayer().Dirty().Count(), 1u) << ms;
        samples.push_back(Brightness(Paint(160, 120)));  // the middle of the screen
    }
    // Rising, then full, then falling.
    EXPECT_LT(samples[0], samples[1]);
    EXPECT_LT(samples[1], samples[2]);
    EXPECT_GT(samples[2], samples[3]);
    EXPECT_GT(samples[3], samples[4]);
    // Removal repaints the whole screen without the logo.
    root.StepAll(16);
    EXPECT_FALSE(HasLogo(root));
    ASSERT_EQ(root.FrontLayer().Dirty().Count(), 1u);
    EXPECT_EQ(root.FrontLayer().Dirty().At(0), (TRect{0, 0, 320, 240}));
}

TEST_F(LogoScene, ClickSpaceOrEnterSkipIt) {
    EXPECT_TRUE(StartLogoSkipKey(0x20));
    EXPECT_TRUE(StartLogoSkipKey(0x0D));
    EXPECT_FALSE(StartLogoSkipKey(0x1B));
    EXPECT_FALSE(StartLogoSkipKey('A'));

    auto frame = [&] {
        root.ProcessInput(16);
        root.StepAll(16);
    };
    // Other keys and mere movement leave it playing.
    root.RecordKeyDown('A');
    root.MouseMoveTo(10, 10);
    frame();
    root.RecordKeyUp('A');
    frame();
    EXPECT_TRUE(HasLogo(root));
    root.RecordKeyDown(0x0D);
    frame();
    EXPECT_FALSE(HasLogo(root));

    root.RecordKeyUp(0x0D);
    root.Create<TStartLogo>(320, 240);
    frame();
    root.RecordKeyDown(0x20);
    frame();
    EXPECT_FALSE(HasLogo(root));

    root.Create<TStartLogo>(320, 240);
    frame();
    root.MouseButton(true, true);
    frame();
    EXPECT_FALSE(HasLogo(root));
}

TEST_F(LogoScene, ScriptsAndSavesNeverSeeIt) {
    EXPECT_TRUE(IsSystemName(logo->Name()));
    EXPECT_EQ(logo->Kind(), LT_NONE);
    EXPECT_EQ(root.FindObject("LOGO"), 0u);
    RunTo(500);
    MemoryStream s;
    StreamWriter w(s);
    root.SaveState(w);
    TVeskBaseList copy(320, 240);
    RegisterDisplayKinds(copy.Kinds());
    MemoryStream in(s.Bytes());
    StreamReader r(in);
    copy.LoadState(r, 139);
    EXPECT_EQ(copy.ObjectCount(), 0);
    EXPECT_EQ(copy.FrontLayer().ChildCount(), 0);
}

}  // namespace
}  // namespace vesk
