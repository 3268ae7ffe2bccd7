// Text on the screen: a game's caption checked pixel for pixel against the glyphs the
// player draws from, the installed fonts as the game sees them, and `vesktool text render`.
#include "base/cp932.h"
#include "scene_fixture.h"
#include "text/font_pixels.h"

namespace vesk::e2e {
namespace {

const char* kProject = R"(ProjectName: "Text"
Screen: 320, 240
StartPage: "main.lsb"
)";

const char* kPage = R"(VarNew fonts, string
VarNew fixed, string
Calc fonts = @Fonts
Calc fixed = @FixedFonts
SetProp Chr(1) ++ "BASE0", 8, $000000
Caption PR_NAME: "title", PR_TEXT: "漢字", PR_FONTNAME: "ＭＳ ゴシック", PR_FONTHEIGHT: 24,
    PR_FONTCOLOR: $FFFFFF, PR_LEFT: 10, PR_TOP: 20
Label idle
[yield] Wait Time: 1000
Jump :idle
)";

// Whether the glyph drawn with its cell at (x0, y0) covers (x, y) (monochrome glyphs).
bool Ink(const TFontPixel& g, int x0, int y0, int x, int y) {
    const int gx = x - x0 - g.XOffset(), gy = y - y0 - g.YOffset();
    return gx >= 0 && gy >= 0 && gx < g.Bitmap.Width && gy < g.Bitmap.Height &&
           g.Bitmap.At(gx, gy) != 0;
}

TEST(TextScene, ACaptionShowsItsGlyphsAndTheGameSeesTheFonts) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject}, {"main.vss", kPage}});
    w.Build("src", "game");
    fs::path shot = w.Path("shot.png");
    RunResult r = w.Play(w.Game("game") + " --frames 4 --screenshot 3:" + Quote(shot.string()) +
                         " --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string fonts = r.Var("fonts").value("text", "");
    EXPECT_NE(fonts.find("IPAGothic"), std::string::npos);
    EXPECT_NE(fonts.find("ＭＳ ゴシック"), std::string::npos);
    EXPECT_NE(r.Var("fixed").value("text", "").find("IPAGothic"), std::string::npos);

    Picture pic = ReadPng(shot);
    ASSERT_TRUE(pic.Ok());
    TFontPixelManager glyphs;
    const std::string face = Utf8ToCp932("ＭＳ ゴシック");
    auto kan = glyphs.Get(0x8ABF, face, 24, 0, 0), ji = glyphs.Get(0x8E9A, face, 24, 0, 0);
    int differ = 0, ink = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool on = Ink(*kan, 10, 20, x, y) || Ink(*ji, 34, 20, x, y);
            ink += on;
            if (pic.At(x, y) != (on ? 0xFFFFFFu : 0u) && ++differ <= 3)
                ADD_FAILURE() << "at " << x << "," << y << ": " << Hex(pic.At(x, y));
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(ink, 50);
}

TEST(TextScene, VesktoolRendersATextsFirstPage) {
    Workspace w;
    w.Sources("t", {{"message.txt", "漢字<BR>abc<CLEAR>next page"}});
    fs::path out = w.Path("message.png");
    std::string cmd = Quote(VESKTOOL_PATH) + " text render " +
                      Quote(w.Path("t/message.txt").string()) + " " + Quote(out.string()) +
                      " --width 0 --size 24 --antialias 0 >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    Picture pic = ReadPng(out);
    // Two rows of 24 pixels, the widest 48 wide, inside a margin of 4.
    ASSERT_EQ(pic.width, 48 + 8);
    ASSERT_EQ(pic.height, 48 + 8);
    TFontPixelManager glyphs;
    auto kan = glyphs.Get(0x8ABF, Utf8ToCp932("ＭＳ ゴシック"), 24, 0, 0);
    int differ = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 28; ++x)
            differ += pic.At(x, y) != (Ink(*kan, 4, 4, x, y) ? 0u : 0xFFFFFFu);
    EXPECT_EQ(differ, 0);
    // Bad options are refused.
    std::string bad = Quote(VESKTOOL_PATH) + " text render " +
                      Quote(w.Path("t/message.txt").string()) + " " + Quote(out.string()) +
                      " --antialias 7 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
}

}  // namespace
}  // namespace vesk::e2e
