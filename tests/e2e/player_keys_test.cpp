// The player's own keys in headless runs: fast-forward as a scripted hold gives the game
// exactly what normal play gives it, in fewer shown frames; the screenshot key writes the
// picture --screenshot writes of the same tick, into the user's pictures folder.
#include <algorithm>
#include <cstdlib>
#include <regex>

#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// Moves a box frame by frame, flips to a new scene through a fade, waits, and ends, noting
// the game time and the frame count at each step. Every run starts afresh: the status
// variables are not kept between runs.
constexpr const char* kTimedProject = R"(ProjectName: "Timed"
Screen: 320, 240
StartPage: "main.lsb"
SaveStatus: no
Var: n, int, 0
Var: afterMoves, int, 0
Var: afterFlip, int, 0
Var: atEnd, int, 0
Var: frames, int, 0
Var: seen, string, ""
)";
constexpr const char* kTimedMain =
    R"(BoxNew PR_NAME: "b", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: $00FF00
Label loop
Calc n = n + 1
SetProp "b", 3, n * 3
Wait , 1
If n < 40
    Jump :loop
Calc afterMoves = @TickCount
BoxNew PR_NAME: "sky", PR_PARENT: Chr(1), PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320,
    PR_HEIGHT: 240, PR_COLOR: $FF8000
Flip Effect: 1, Time: 480, DeleteOld: TRUE
Calc afterFlip = @TickCount
Wait , 700
Calc atEnd = @TickCount
Calc frames = @UpdateCount
Calc seen = "" ++ n ++ "," ++ GetProp("b", 3)
Terminate
)";

TEST(PlayerKeysTest, FastForwardGivesTheGameWhatNormalPlayGivesItInFewerShownFrames) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kTimedProject}, {"main.vss", kTimedMain}});
    w.Build("src", "game");
    RunResult normal = w.Play(w.Game("game") + " --frames 1000 --dump-vars");
    ASSERT_EQ(normal.status, 0) << normal.err;
    ASSERT_GT(normal.Var("atEnd"), 0) << normal.out;
    const int64_t frames = normal.Frames();
    ASSERT_GT(frames, 100);
    ASSERT_LT(frames, 1000);  // ended by its Terminate

    // Held from the first tick at the default speed (8 frames a tick) and at another, the
    // game ends within an eighth (a quarter) of the ticks, with every variable as in normal
    // play: the same game time at each step, the same frame count.
    struct Case {
        const char* options;
        int64_t speed;
    } cases[] = {{"", 8}, {" --ff-speed 4", 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        const int64_t ticks = frames / c.speed + 2;
        RunResult fast = w.Play(w.Game("game") + c.options + " --frames " + std::to_string(ticks) +
                                " --dump-vars --input " + InputFile(w, "1 fastforward on\n"));
        ASSERT_EQ(fast.status, 0) << fast.err;
        EXPECT_EQ(fast.dump["vars"], normal.dump["vars"]);
        EXPECT_EQ(fast.Frames(), frames);
    }

    // Let go half-way, it goes on at the normal pace and still ends the same.
    RunResult mixed = w.Play(w.Game("game") + " --frames 1000 --dump-vars --input " +
                             InputFile(w, "1 fastforward on\n4 fastforward off\n"));
    ASSERT_EQ(mixed.status, 0) << mixed.err;
    EXPECT_EQ(mixed.dump["vars"], normal.dump["vars"]);

    // Ctrl held by a script is the game's key only: headless runs do not fast-forward.
    RunResult ctrl = w.Play(w.Game("game") + " --frames " + std::to_string(frames / 8 + 2) +
                            " --dump-vars --input " + InputFile(w, "1 keydown control\n"));
    ASSERT_EQ(ctrl.status, 0) << ctrl.err;
    EXPECT_EQ(ctrl.Var("atEnd"), 0);
}

// Sets an environment variable for the players a test starts, and takes it away after.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(PlayerKeysTest, TheScreenshotKeyWritesTheComposedScreenIntoThePicturesFolder) {
    Workspace w;
    BuildScene(w);
    const fs::path pictures = w.Path("pictures");
    ScopedEnv env("XDG_PICTURES_DIR", pictures.string());
    // F12 at tick 5 (before the box moves) and at tick 12 (after), each beside the picture
    // --screenshot writes after the same tick.
    RunResult r =
        w.Play(w.Game("game") + " --frames 14 --input " + InputFile(w, "5 key f12\n12 key f12\n") +
               " --screenshot 5:" + Quote(w.Path("at5.png").string()) +
               " --screenshot 12:" + Quote(w.Path("at12.png").string()));
    ASSERT_EQ(r.status, 0) << r.err;
    // Named after the game ("Scene"), by date and time; two within a second apart.
    const std::vector<fs::path> shots = FilesIn(pictures / "veskplay" / "Scene");
    ASSERT_EQ(shots.size(), 2u) << r.err;
    for (const fs::path& p : shots)
        EXPECT_TRUE(std::regex_match(p.filename().string(),
                                     std::regex(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.png)")))
            << p;
    EXPECT_NE(r.err.find("screenshot saved: " + shots[0].string()), std::string::npos) << r.err;
    // The names sort in the order the pictures were taken.
    Picture first = ReadPng(shots[0]), second = ReadPng(shots[1]);
    Picture at5 = ReadPng(w.Path("at5.png")), at12 = ReadPng(w.Path("at12.png"));
    ASSERT_TRUE(first.Ok() && second.Ok() && at5.Ok() && at12.Ok()) << r.err;
    EXPECT_EQ(first.width, 320);
    EXPECT_EQ(first.height, 240);
    ExpectSamePicture(first, "F12 at 5", at5, "--screenshot 5");
    ExpectSamePicture(second, "F12 at 12", at12, "--screenshot 12");
    CheckPixels(second, kAfterMove);

    // Without any pictures folder the player says so and plays on.
    ScopedEnv noPictures("XDG_PICTURES_DIR", "");
    ScopedEnv noHome("HOME", "");
    r = w.Play(w.Game("game") + " --frames 8 --input " + InputFile(w, "5 key f12\n"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("no screenshot: no pictures folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vesk::e2e
