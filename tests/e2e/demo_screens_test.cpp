// The demo's system screens (demo/sys): the title, the system bar, the backlog, the save and
// load screens and the settings, driven through a small story of the test's own built
// together with the demo's pages, and played headless with scripted clicks.
#include <png.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "e2e_fixture.h"

namespace vesk::e2e {
namespace {

// The story: the title, then pages of text numbered by `step` in the message window with
// the system bar above it. A click on the window records the window's text delay (so the
// settings' effect shows) and turns to the next page.
constexpr char kMain[] = R"(VarNew choice, int, -1
VarNew scene, string, "公園の昼"
VarNew step, int, 0
VarNew mesDelay, int, -1
Calc runs = runs + 1
Label title
Call sys\title.lsb, ResultVar: choice
If choice == 3
    Terminate
ImgNew PR_NAME: "sky", PR_SOURCE: "pic\sky.qil"
BoxNew PR_NAME: "mes.panel", PR_PRIORITY: 2, PR_LEFT: 20, PR_TOP: 330, PR_WIDTH: 600,
    PR_HEIGHT: 130, PR_COLOR: $402010, PR_ALPHA: 200
MesNew PR_NAME: "mes", PR_PRIORITY: 3, PR_LEFT: 20, PR_TOP: 330, PR_WIDTH: 600,
    PR_HEIGHT: 130, PR_FONTHEIGHT: 20, PR_FONTCOLOR: $FFFFFF, PR_MARGINX: 12,
    PR_MARGINY: 10, PR_ONLBTNUP: "test\click.lsb"
Call sys\bar.lsb
Call sys\widgets.lsb:apply
WhileInit step = 1
While step <= 40
    TextIns "mes", TRUE, TRUE
        | <VAR NAME="step">ページ目のテキスト。Page number <VAR NAME="step">.
WhileLoop step = step + 1
)";

constexpr char kNext[] = R"(Calc mesDelay = GetProp("mes", 82)
TextClr "mes"
)";

// The pictures the screens name, painted plainly for runs where the demo has not got them.
const std::vector<std::pair<std::string, std::string>> kStandIns = {
    {"bg_title", "size 640 480\nfill #203050\n"},
    {"btn_title", "size 160 40\nfill #5078C0\n"},
    {"btn_title_hover", "size 160 40\nfill #70A0E0\n"},
    {"btn_title_down", "size 160 40\nfill #284C90\n"},
    {"btn_small", "size 56 22\nfill #5078C0\n"},
    {"btn_small_hover", "size 56 22\nfill #70A0E0\n"},
    {"btn_small_down", "size 56 22\nfill #284C90\n"},
    {"slot", "size 280 100\nfill #303850\n"},
    {"slot_hover", "size 280 100\nfill #405070\n"},
    {"check_off", "size 20 20\nfill #303030\n"},
    {"check_on", "size 20 20\nfill #30C030\n"},
};

struct Picture {
    png_uint_32 width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool Read(const fs::path& file) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, file.c_str())) return false;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        width = image.width;
        height = image.height;
        return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    }
    uint32_t At(int x, int y) const {
        const uint8_t* p = &rgb[(size_t(y) * width + size_t(x)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    // The mean of each channel over a rectangle.
    std::array<double, 3> Mean(int left, int top, int w, int h) const {
        std::array<double, 3> sum{};
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += rgb[(size_t(y) * width + size_t(x)) * 3 + c];
        for (double& s : sum) s /= double(w) * h;
        return sum;
    }
    int WhiteIn(int left, int top, int w, int h) const {
        int n = 0;
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x) n += At(x, y) == 0xFFFFFFu;
        return n;
    }
};

class DemoScreens : public ::testing::Test {
  protected:
    // The game is built once for all the tests (the demo's build makes pictures, music and
    // a video); each test plays a copy of its own, with its own save file.
    static void SetUpTestSuite() {
        built_ = new Workspace;
        Workspace& b = *built_;
        fs::copy(VESK_DEMO_SOURCE, b.Path("src"), fs::copy_options::recursive);
        b.Sources("src", {{"main.vss", kMain}, {"test/click.vss", kNext}});
        b.Build("src", "game");
        // Pictures the demo does not have get plain stand-ins.
        bool more = false;
        for (const auto& [name, text] : kStandIns) {
            if (fs::exists(b.Path("game/pic/" + name + ".qil"))) continue;
            std::ofstream(b.Path("src/pic/" + name + ".vpic")) << text;
            more = true;
        }
        if (more) b.Build("src", "game");
    }
    static void TearDownTestSuite() {
        delete built_;
        built_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(fs::exists(built_->Path("game/vesk.lpb")));
        fs::copy(built_->Path("game"), w.Path("game"), fs::copy_options::recursive);
    }
    // One run of `frames` ticks with the scripted input; screenshots at the given ticks are
    // written to shotN.png of the run.
    RunResult Play(const std::string& input, int frames, std::initializer_list<int> shots = {}) {
        ++run;
        const fs::path in = w.Path("input" + std::to_string(run) + ".txt");
        std::ofstream(in) << input;
        std::string args = w.Game("game") + " --frames " + std::to_string(frames) +
                           " --dump-vars --input " + Quote(in.string());
        for (int tick : shots)
            args += " --screenshot " + std::to_string(tick) + ":" + Quote(Shot(tick).string());
        return w.Play(args);
    }
    fs::path Shot(int tick) const {
        return w.Path("shot" + std::to_string(run) + "_" + std::to_string(tick) + ".png");
    }
    static inline Workspace* built_ = nullptr;
    Workspace w;
    int run = 0;
};

TEST_F(DemoScreens, TitleButtonsStartOrQuit) {
    // Start: the title answers 0 and the story shows its first page; quit: 3, and the game
    // ends by itself well before the run's last tick.
    RunResult r = Play("40 click left 320 260\n", 120);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("choice"), 0);
    EXPECT_EQ(r.Var("step"), 1);
    r = Play("40 click left 320 410\n", 400);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("choice"), 3);
    EXPECT_LT(r.Frames(), 400);
    EXPECT_EQ(r.Var("runs"), 2);  // counted from run to run
    // "Load" and "settings" come back to the title (by Esc and by a right click), which
    // still answers; the settings opened after Esc took the click on their speed arrow.
    r = Play(
        "40 click left 320 310\n80 key escape\n"
        "120 click left 320 360\n150 click left 514 108\n170 click right 300 200\n"
        "200 click left 320 260\n",
        260);
    EXPECT_EQ(r.Var("choice"), 0);
    EXPECT_EQ(r.Var("textSpeed"), 6);
    EXPECT_EQ(r.Var("step"), 1);
}

TEST_F(DemoScreens, SettingsApplyAtOnceAndLastFromRunToRun) {
    // From the title: the text speed's right arrow twice (5 -> 7), the music's slider left
    // arrow once (800 -> 750), the full-screen check, the effects' thumb (at 800 of 1000:
    // 466, 228) dragged off the left end; back, then quit.
    RunResult r = Play(
        "40 click left 320 360\n"
        "80 click left 514 108\n100 click left 514 108\n"
        "120 click left 306 168\n140 click left 310 288\n"
        "150 move 466 228\n151 down left\n153 move 420 228\n155 move 250 228\n157 up left\n"
        "170 click left 582 451\n210 click left 320 410\n",
        400);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("textSpeed"), 7);
    EXPECT_EQ(r.Var("bgmVolume"), 750);
    EXPECT_EQ(r.Var("seVolume"), 0);
    EXPECT_EQ(r.Var("fullScreen"), 1);
    // The next run keeps them and applies them to the story's window; the settings from the
    // bar change the window at once (speed 8: (10 - 8) * 256 / 10).
    r = Play(
        "40 click left 320 260\n80 click left 300 400\n"
        "110 click left 588 315\n150 click left 514 108\n180 click left 582 451\n"
        "210 click left 300 400\n",
        260, {160});
    EXPECT_EQ(r.Var("bgmVolume"), 750);
    EXPECT_EQ(r.Var("seVolume"), 0);
    EXPECT_EQ(r.Var("fullScreen"), 1);
    EXPECT_EQ(r.Var("textSpeed"), 8);
    EXPECT_EQ(r.Var("mesDelay"), 51);
    EXPECT_EQ(r.Var("step"), 3);  // the clicks went to the story again after "back"
    // The screen showed the new value beside its slider (a caption in light orange at 536,
    // 100, over the darkened scene).
    Picture shot;
    ASSERT_TRUE(shot.Read(Shot(160)));
    int light = 0;
    for (int y = 100; y < 118; ++y)
        for (int x = 536; x < 580; ++x)
            light += (shot.At(x, y) >> 16) > 0xC0 && (shot.At(x, y) & 0xFF) < 0xA0;
    EXPECT_GT(light, 10);
}

TEST_F(DemoScreens, SavedFromTheBarLoadsFromTheTitleToTheSamePlace) {
    // Three pages in, the reader saves into slot 2 from the bar, then reads on.
    RunResult r = Play(
        "40 click left 320 260\n80 click left 300 400\n100 click left 300 400\n"
        "140 click left 468 315\n180 click left 470 120\n"
        "240 click left 300 400\n260 click left 300 400\n",
        300, {130});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("step"), 5);
    Picture scene;
    ASSERT_TRUE(scene.Read(Shot(130)));
    // The next run: "continue" on the title, slot 2; the story is back on its third page,
    // and reads on from there.
    r = Play("40 click left 320 310\n80 click left 470 120\n120 click left 300 400\n", 160, {70});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("sysLoaded"), 1);
    EXPECT_EQ(r.Var("step"), 4);
    EXPECT_EQ(r.Var("scene").value("text", ""), "公園の昼");
    // Slot 2 shows the scene as it was when the reader asked to save (its thumbnail, 112 x 84
    // at 8, 8 in the slot at 330, 70); slot 1, never saved, shows no picture.
    Picture load;
    ASSERT_TRUE(load.Read(Shot(70)));
    const auto thumb = load.Mean(338, 78, 112, 84);
    const auto whole = scene.Mean(0, 0, 640, 480);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(thumb[c], whole[c], 12.0) << c;
    const auto empty = load.Mean(38, 78, 112, 84);
    double apart = 0;
    for (int c = 0; c < 3; ++c) apart += std::abs(empty[c] - whole[c]);
    EXPECT_GT(apart, 30.0);
}

TEST_F(DemoScreens, BacklogShowsEarlierTextAndScrolls) {
    // Twenty pages read, then the backlog: the newest text at the bottom; two wheel steps up
    // move the text down by 96 pixels and bring earlier lines in at the top; a right click
    // closes it and the story takes clicks again.
    std::string input = "40 click left 320 260\n";
    for (int i = 0; i < 20; ++i) input += std::to_string(70 + 12 * i) + " click left 300 400\n";
    input += "330 click left 408 315\n380 move 300 200\n382 wheel up\n392 wheel up\n";
    input += "440 click right 300 200\n470 click left 300 400\n";
    RunResult r = Play(input, 500, {370, 420});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("step"), 22);
    Picture before, after;
    ASSERT_TRUE(before.Read(Shot(370)));
    ASSERT_TRUE(after.Read(Shot(420)));
    // Text fills the window (at 40, 64, 560 x 360) from top to bottom.
    EXPECT_GT(before.WhiteIn(40, 64, 560, 100), 300);
    EXPECT_GT(before.WhiteIn(40, 300, 560, 100), 300);
    int same = 0, rows = 0;
    for (int y = 64; y + 96 < 64 + 360; ++y) {
        bool row = true;
        bool any = false;
        for (int x = 40; x < 600; ++x) {
            any |= before.At(x, y) == 0xFFFFFFu;
            row &= (before.At(x, y) == 0xFFFFFFu) == (after.At(x, y + 96) == 0xFFFFFFu);
        }
        rows += any;
        same += any && row;
    }
    EXPECT_GT(rows, 50);
    EXPECT_EQ(same, rows);
    EXPECT_GT(after.WhiteIn(40, 64, 560, 90), 300);
}

}  // namespace
}  // namespace vesk::e2e
