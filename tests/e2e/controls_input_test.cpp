// Edits, sliders, scroll bars and gauges in the headless player: typed text, the input
// method's composition and keys reach an edit through an input script; the mouse drags a
// slider's thumb, presses its end button and pages a scroll bar; a gauge runs; the demo's
// settings slider sets the music's volume.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// A bar 100 x 6, a thumb and a one-frame end button of 10 x 10.
constexpr const char* kBar = "size 100 6\nfill #303030\n";
constexpr const char* kThumb = "size 10 10\nfill #E0E0E0\n";
constexpr const char* kButton = "size 10 10\nfill #808080\n";

TEST(ControlsInput, TypingComposingDraggingAndPaging) {
    Workspace w;
    const std::string pictures =
        "PR_SOURCE: \"bar.qil\", PR_THUMBSOURCE: \"thumb.qil\", PR_BUTTONSOURCE: \"btn.qil\"";
    BuildInputGame(
        w,
        "EditNew PR_NAME: \"name\", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 200, PR_HEIGHT: 24,\n"
        "    PR_FONTHEIGHT: 16, PR_ONNOTIFY: \"typed.lsb\"\n"
        "SliderNew PR_NAME: \"vol\", PR_LEFT: 10, PR_TOP: 60, " +
            pictures +
            ",\n"
            "    PR_MAX: 70, PR_ONNOTIFY: \"slid.lsb\", PR_ONHOLD: \"hold.lsb\",\n"
            "    PR_ONRELEASE: \"release.lsb\"\n"
            "ScrollbarNew PR_NAME: \"sb\", PR_LEFT: 10, PR_TOP: 90, " +
            pictures +
            ",\n    PR_MAX: 70, PR_LARGECHANGE: 20, PR_ONNOTIFY: \"paged.lsb\"\n"
            // A gauge running up over 160 ms after 48: part of the way after 100 ms, at
            // the end after 400.
            "GaugeNew PR_NAME: \"g\", PR_SOURCE: \"bar.qil\", PR_MAX: 100, PR_DELAY: 48,\n"
            "    PR_DURATION: 160\n"
            "VarNew early, int, 0\nVarNew late, int, 0\nVarNew running, int, 0\n"
            "Wait , 100\nGetProp \"g\", 125, early\n"
            "Wait , 300\nGetProp \"g\", 125, late\nGetProp \"g\", 138, running\n",
        {{"bar.vpic", kBar},
         {"thumb.vpic", kThumb},
         {"btn.vpic", kButton},
         {"typed.vss", "Calc log = log ++ @ParamStr[0] ++ \"=\" ++ @ParamStr[1] ++ \";\"\n"},
         {"slid.vss", "Calc log = log ++ \"S:\" ++ @ParamStr[0] ++ \";\"\n"},
         {"hold.vss", "Calc log = log ++ \"H;\"\n"},
         {"release.vss", "Calc log = log ++ \"R;\"\n"},
         {"paged.vss", "Calc log = log ++ \"B:\" ++ @ParamStr[0] ++ \";\"\n"}});
    RunResult r = PlayWithInput(w,
                                "# the edit takes the focus in the frame after it was made\n"
                                "3 text \"ab\"\n"
                                "5 key backspace\n"
                                "6 compose \"にほん\" 2\n"
                                "8 text \"日本\"\n"
                                "# the slider's thumb, from 0 to 40\n"
                                "10 move 22 65\n"
                                "10 down left\n"
                                "12 move 62 65\n"
                                "14 up left\n"
                                "# its upper end button, then the scroll bar's track\n"
                                "16 click left 105 65\n"
                                "18 click left 80 95\n",
                                40);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "229=ab;8=a;229=a日本;H;S:40;R;S:41;B:20;");
    EXPECT_GT(r.Var("early"), 0);
    EXPECT_LT(r.Var("early"), 100);
    EXPECT_EQ(r.Var("late"), 100);
    EXPECT_EQ(r.Var("running"), 0);
}

TEST(ControlsInput, TheDemosVolumeSliderSetsTheMusicVolume) {
    Workspace w;
    std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(VESK_DEMO_SOURCE) + " " +
                      w.Game("demo") + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    // The settings screen from the title (demo/sys/config.vss): the music's slider thumb
    // stands at 800 of 1000. It is dragged to the left end.
    RunResult r = w.Play(w.Game("demo") + " --frames 150 --dump-vars --input " +
                         InputFile(w,
                                   "40 click left 320 360\n"
                                   "90 move 466 168\n"
                                   "91 down left\n"
                                   "93 move 420 168\n"
                                   "95 move 280 168\n"
                                   "97 up left\n"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("bgmVolume"), 0);
    EXPECT_EQ(r.Var("textSpeed"), 5);
}

}  // namespace
}  // namespace vesk::e2e
