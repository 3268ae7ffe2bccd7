// Screen transitions in a running game: a flip with an effect changes the screen over its
// time while the script waits, and ends on the new screen; and `vesktool wipe` draws one
// state of a transition from picture files.
#include <memory>

#include "e2e_fixture.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

namespace vesk::e2e {
namespace {

// A PNG the player or the tool wrote, at 32 bits (null when unreadable).
std::unique_ptr<TDIBX> ReadShot(const fs::path& path) {
    auto pic = std::make_unique<TDIBX>(1, 1, 32);
    if (!fs::exists(path) || !pic->LoadFromFile(path.string())) return nullptr;
    return pic;
}

bool SamePicture(TDIBX& a, TDIBX& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
    return true;
}

const char* kProject = R"(ProjectName: "Flip"
Screen: 320, 240
StartPage: "main.lsb"
)";

// A red screen gives way to a blue one with a yellow square. An idle page counts the frames
// it runs while the flip is under way.
std::string FlipPage(int effect, const std::string& more = "") {
    return R"(VarNew flipping, int, 0
VarNew during, int, 0
VarNew after, int, 0
BoxNew PR_NAME: "red", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320, PR_HEIGHT: 240, PR_COLOR: $0000FF
Wait , 50
BoxNew PR_NAME: "sky", PR_PARENT: Chr(1), PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320,
    PR_HEIGHT: 240, PR_COLOR: $FF8000, PR_ONIDLE: "idle.lsb"
BoxNew PR_NAME: "sun", PR_PARENT: Chr(1), PR_LEFT: 100, PR_TOP: 60, PR_WIDTH: 80,
    PR_HEIGHT: 80, PR_COLOR: $00FFFF, PR_PRIORITY: 1
Calc flipping = 1
Flip Effect: )" +
           std::to_string(effect) + ", Time: 480, DeleteOld: TRUE" + more + R"(
Calc flipping = 0
Calc after = 1
Label idle
Wait , 1000
Jump :idle
)";
}

const char* kIdlePage = "If flipping\n    Calc during = during + 1\n";

struct FlipRun {
    RunResult result;
    std::vector<std::unique_ptr<TDIBX>> shots;  // after ticks 1 .. kShots
};
constexpr int kShots = 50;

FlipRun PlayFlip(Workspace& w, const std::string& name, int effect, const std::string& more = "",
                 bool withMask = false) {
    w.Sources(
        name,
        {{"project.vpj", kProject}, {"main.vss", FlipPage(effect, more)}, {"idle.vss", kIdlePage}});
    if (withMask) {
        // Grey levels rising from left to right.
        TDIBX mask(64, 8, 32);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 64; ++x) mask.SetPixel(x, y, uint32_t(x * 4) * 0x010101u);
        SavePngFile(mask, w.Path(name + "/mask.png").string());
    }
    w.Build(name, name + "-game");
    std::string args = w.Game(name + "-game") + " --frames 80 --dump-vars";
    for (int i = 1; i <= kShots; ++i)
        args += " --screenshot " + std::to_string(i) + ":" +
                Quote(w.Path(name + "-" + std::to_string(i) + ".png").string());
    args += " --screenshot 80:" + Quote(w.Path(name + "-end.png").string());
    FlipRun run;
    run.result = w.Play(args);
    for (int i = 1; i <= kShots; ++i)
        run.shots.push_back(ReadShot(w.Path(name + "-" + std::to_string(i) + ".png")));
    run.shots.push_back(ReadShot(w.Path(name + "-end.png")));
    return run;
}

TEST(FlipEffectTest, EffectsChangeTheScreenOverTheirTimeAndEndOnTheNewScreen) {
    Workspace w;
    // Without an effect: the old screen, then at once the new one.
    FlipRun plain = PlayFlip(w, "plain", 0);
    ASSERT_EQ(plain.result.status, 0) << plain.result.err;
    TDIBX* oldScreen = plain.shots[2].get();
    TDIBX* newScreen = plain.shots.back().get();
    ASSERT_TRUE(oldScreen && newScreen);
    EXPECT_EQ(oldScreen->GetPixel(5, 5), 0xFF0000u);
    EXPECT_EQ(newScreen->GetPixel(5, 5), 0x0080FFu);
    EXPECT_EQ(newScreen->GetPixel(140, 100), 0xFFFF00u);

    struct Case {
        int effect;
        const char* more;
        bool mask;
    };
    const Case cases[] = {{1, "", false},  {2, ", Param1: 32, Param2: 8", false},
                          {11, "", false}, {19, ", Source: \"mask.qil\", Reverse: TRUE", true},
                          {24, "", false}, {29, ", Param1: 40", false},
                          {37, "", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        const std::string name = "effect" + std::to_string(c.effect);
        FlipRun run = PlayFlip(w, name, c.effect, c.more, c.mask);
        ASSERT_EQ(run.result.status, 0) << run.result.err;
        int between = 0, lastOld = 0, firstNew = 0;
        for (int i = 0; i < kShots; ++i) {
            TDIBX* shot = run.shots[size_t(i)].get();
            ASSERT_NE(shot, nullptr) << i + 1;
            const bool isOld = SamePicture(*shot, *oldScreen);
            const bool isNew = SamePicture(*shot, *newScreen);
            if (isOld) lastOld = i + 1;
            if (isNew && !firstNew) firstNew = i + 1;
            between += !isOld && !isNew;
        }
        // 480 ms of 16 ms ticks: some 30 pictures between the two screens (late states may
        // already look like the new screen), the one half way differing from both.
        EXPECT_GE(between, 10);
        EXPECT_GT(firstNew, lastOld + 10);
        TDIBX& middle = *run.shots[size_t(lastOld + 15 - 1)];
        EXPECT_FALSE(SamePicture(middle, *oldScreen));
        EXPECT_FALSE(SamePicture(middle, *newScreen));
        EXPECT_TRUE(SamePicture(*run.shots.back(), *newScreen));
        // The script went on only after the flip; events ran meanwhile.
        EXPECT_EQ(run.result.Var("after"), 1);
        EXPECT_GT(run.result.Var("during").get<int>(), 20);
    }
}

TEST(FlipEffectTest, AFlipThatBlocksEventsHoldsThemUntilItEnds) {
    Workspace w;
    FlipRun run = PlayFlip(w, "blocking", 12, ", BlockEvents: TRUE");
    ASSERT_EQ(run.result.status, 0) << run.result.err;
    // The idle event held back starts as soon as the flip has ended, before the next command.
    EXPECT_LE(run.result.Var("during").get<int>(), 1);
    EXPECT_EQ(run.result.Var("after"), 1);
    // Through white: a white screen half way.
    bool white = false;
    for (const auto& shot : run.shots)
        white = white || (shot && shot->GetPixel(5, 5) == 0xFFFFFFu &&
                          shot->GetPixel(140, 100) == 0xFFFFFFu);
    EXPECT_TRUE(white);
}

// ---- vesktool wipe

int Tool(const std::string& args) {
    const std::string cmd = Quote(VESKTOOL_PATH) + " wipe " + args + " >/dev/null 2>&1";
    const int raw = std::system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(WipeToolTest, DrawsOneStateOfATransition) {
    Workspace w;
    auto flat = [&](const char* name, uint32_t rgb, int32_t width = 64) {
        TDIBX pic(width, 32, 32);
        pic.Clear(rgb);
        SavePngFile(pic, w.Path(name).string());
        return Quote(w.Path(name).string());
    };
    const std::string old = flat("old.png", 0x204080), neu = flat("new.png", 0xE0C0A0),
                      prev = flat("prev.png", 0x00FF00);
    TDIBX grey(2, 1, 32);
    grey.SetPixel(0, 0, 0);
    grey.SetPixel(1, 0, 0xFFFFFF);
    SavePngFile(grey, w.Path("mask.png").string());
    const std::string out = Quote(w.Path("out.png").string());
    auto result = [&] { return ReadShot(w.Path("out.png")); };

    // Half way through the fade: alpha 128.
    ASSERT_EQ(Tool("fade " + old + " " + neu + " " + prev + " 500 1000 " + out), 0);
    EXPECT_EQ(result()->GetPixel(10, 10), 0x7F7F8Fu);
    // White at half time, by number; the end draws nothing, leaving the previous picture.
    ASSERT_EQ(Tool("12 " + old + " " + neu + " " + prev + " 500 1000 " + out), 0);
    EXPECT_EQ(result()->GetPixel(10, 10), 0xFFFFFFu);
    ASSERT_EQ(Tool("WP_WHITE " + old + " " + neu + " " + prev + " 1000 1000 " + out), 0);
    EXPECT_EQ(result()->GetPixel(10, 10), 0x00FF00u);
    // ... or the last step drawn before it.
    ASSERT_EQ(
        Tool("white " + old + " " + neu + " " + prev + " 1000 1000 " + out + " --prior 100,500"),
        0);
    EXPECT_EQ(result()->GetPixel(10, 10), 0xFFFFFFu);
    // Parameters go through their limits: a blind of p0 = 1 has slats of 2.
    ASSERT_EQ(
        Tool("blindh " + old + " " + neu + " " + prev + " 500 1000 " + out + " --p0 1 --p1 0"), 0);
    EXPECT_EQ(result()->GetPixel(0, 5), 0xE0C0A0u);
    EXPECT_EQ(result()->GetPixel(1, 5), 0x204080u);
    // The mask picture, inverted with the start flag: at half time the bright columns (odd
    // ones, dark after inverting) still show the old picture.
    ASSERT_EQ(Tool("maskfade " + old + " " + neu + " " + prev + " 500 1000 " + out +
                   " --start --mask " + Quote(w.Path("mask.png").string())),
              0);
    EXPECT_EQ(result()->GetPixel(0, 5), 0xE0C0A0u);
    EXPECT_EQ(result()->GetPixel(1, 5), 0x204080u);
    // Pictures of other sizes: the destination has the previous picture's size.
    const std::string narrow = flat("narrow.png", 0x112233, 16);
    ASSERT_EQ(Tool("scrollh " + narrow + " " + neu + " " + prev + " 0 1000 " + out), 0);
    EXPECT_EQ(result()->Width(), 64);
    EXPECT_EQ(result()->GetPixel(3, 3), 0x112233u);
    EXPECT_EQ(result()->GetPixel(30, 3), 0u);

    // Unreadable pictures: 1; usage errors: 2.
    EXPECT_EQ(Tool("fade " + Quote(w.Path("none.png").string()) + " " + neu + " " + prev +
                   " 5 10 " + out),
              1);
    w.Sources("", {{"notes.txt", "not a picture"}});
    EXPECT_EQ(Tool("fade " + prev + " " + neu + " " + Quote(w.Path("notes.txt").string()) +
                   " 5 10 " + out),
              1);
    EXPECT_EQ(Tool("maskfade " + old + " " + neu + " " + prev + " 5 10 " + out + " --mask " +
                   Quote(w.Path("none.png").string())),
              1);
    for (const std::string& bad :
         {"0 " + old + " " + neu + " " + prev + " 5 10 " + out,
          "39 " + old + " " + neu + " " + prev + " 5 10 " + out,
          "sparkle " + old + " " + neu + " " + prev + " 5 10 " + out,
          "fade " + old + " " + neu + " " + prev + " 5 " + out,
          "fade " + old + " " + neu + " " + prev + " x 10 " + out,
          "fade " + old + " " + neu + " " + prev + " 5 10 " + out + " --p0",
          "fade " + old + " " + neu + " " + prev + " 5 10 " + out + " --prior 1,,2",
          "fade " + old + " " + neu + " " + prev + " 5 10 " + out + " --loud"})
        EXPECT_EQ(Tool(bad), 2) << bad;
    // Negative times are times.
    EXPECT_EQ(Tool("fade " + old + " " + neu + " " + prev + " -5 10 " + out), 0);
}

}  // namespace
}  // namespace vesk::e2e
