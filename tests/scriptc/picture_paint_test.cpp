// Painted pictures: the shapes and how they cover one another, faults named by their line,
// and the layered image the game builder makes of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "base/stream.h"
#include "gfx/quil_frame_list.h"
#include "scriptc/game_builder.h"
#include "scriptc/picture_paint.h"

namespace vesk::scriptc {
namespace {

namespace fs = std::filesystem;

uint32_t At(const PaintedPicture& p, int x, int y) {
    return p.Pixels.at(size_t(y) * size_t(p.Width) + size_t(x));
}

TEST(PicturePaintTest, ShapesCoverWhatIsBelowThem) {
    const PaintedPicture p = PaintPicture(R"(// comments and blank lines are skipped

size 40, 30
rect 0 0 10 10 #102030
gradient 10 0 10 11 #000000 #FF6400   // top to bottom
rect 5 5 10 10 #FFFFFF80
ellipse 30 20 6 6 #00FF00
polygon #0000FF 0,20 10,20 0,30
)");
    ASSERT_EQ(p.Width, 40);
    ASSERT_EQ(p.Height, 30);
    EXPECT_EQ(At(p, 0, 0), 0xFF102030u);
    // Nothing painted stays transparent.
    EXPECT_EQ(At(p, 39, 0), 0u);
    EXPECT_EQ(At(p, 12, 0), 0xFF000000u);
    EXPECT_EQ(At(p, 17, 10), 0xFFFF6400u);
    EXPECT_EQ(At(p, 12, 4), 0xFF662800u);
    // White at half opacity over an opaque colour, and alone.
    EXPECT_EQ(At(p, 6, 6), 0xFF889098u);
    EXPECT_EQ(At(p, 14, 14), 0x80FFFFFFu);
    // An ellipse: full inside, nothing outside, part cover on its edge.
    EXPECT_EQ(At(p, 30, 20), 0xFF00FF00u);
    EXPECT_EQ(At(p, 37, 20), 0u);
    const uint32_t edge = At(p, 35, 17) >> 24;
    EXPECT_GT(edge, 0u);
    EXPECT_LT(edge, 255u);
    // A triangle: its right angle is covered, the far corner is not.
    EXPECT_EQ(At(p, 1, 21), 0xFF0000FFu);
    EXPECT_EQ(At(p, 9, 29), 0u);
}

TEST(PicturePaintTest, RoundedShapesLinesStarsGlowsAndHoles) {
    const PaintedPicture p = PaintPicture(R"(size 60 40
hgradient 0 0 11 2 #000000 #FF6400          // left to right
roundrect 0 10 20 20 6 #FF0000
line 30 5 50 5 4 #00FF00                    // round ends reach 2 past each end
star 40 25 10 #0000FF
glow 10 35 4 #FFFFFF
rect 50 30 10 10 #FFFF00
clear 52 32 4 4
)");
    // The horizontal gradient runs from the first colour to the second across its width.
    EXPECT_EQ(At(p, 0, 1), 0xFF000000u);
    EXPECT_EQ(At(p, 10, 1), 0xFFFF6400u);
    EXPECT_EQ(At(p, 5, 0), 0xFF803200u);
    // A rounded rectangle: full along its edges, nothing in the very corner.
    EXPECT_EQ(At(p, 10, 10), 0xFFFF0000u);
    EXPECT_EQ(At(p, 0, 20), 0xFFFF0000u);
    EXPECT_EQ(At(p, 0, 10), 0u);
    EXPECT_EQ(At(p, 19, 29), 0u);
    // A line: covered along it and just past its ends, clear beside it.
    EXPECT_EQ(At(p, 40, 5), 0xFF00FF00u);
    EXPECT_EQ(At(p, 29, 5) >> 24, 255u);
    EXPECT_EQ(At(p, 40, 9), 0u);
    EXPECT_EQ(At(p, 53, 5), 0u);
    // A star: its middle and its top point covered, the gap between two points not.
    EXPECT_EQ(At(p, 40, 25), 0xFF0000FFu);
    EXPECT_EQ(At(p, 40, 20), 0xFF0000FFu);
    EXPECT_EQ(At(p, 46, 18), 0u);
    // A glow is strongest in its middle and gone at its radius.
    const uint32_t mid = At(p, 10, 35) >> 24, near = At(p, 12, 35) >> 24;
    EXPECT_GT(mid, near);
    EXPECT_GT(near, 0u);
    EXPECT_EQ(At(p, 15, 35), 0u);
    // A hole is transparent whatever was below it.
    EXPECT_EQ(At(p, 51, 31), 0xFFFFFF00u);
    EXPECT_EQ(At(p, 53, 33), 0u);
}

TEST(PicturePaintTest, ScatterIsTheSameOnEveryBuildAndStaysInItsArea) {
    const char* text = "size 40 40\nscatter 10 10 20 20 30 3 7 #FFFFFF\n";
    const PaintedPicture a = PaintPicture(text), b = PaintPicture(text);
    EXPECT_EQ(a.Pixels, b.Pixels);
    int dots = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            if (!At(a, x, y)) continue;
            ++dots;
            // A dot is at most 3 pixels across, centred inside the area.
            EXPECT_TRUE(x >= 8 && x < 32 && y >= 8 && y < 32) << x << "," << y;
        }
    EXPECT_GT(dots, 10);
    // Another seed scatters them elsewhere.
    EXPECT_NE(PaintPicture("size 40 40\nscatter 10 10 20 20 30 3 8 #FFFFFF\n").Pixels, a.Pixels);
}

TEST(PicturePaintTest, FaultsNameTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"rect 0 0 1 1 #FFFFFF", "line 1: 'size' must come first"},
        {"size 0 10", "line 1: a picture is 1 to 4096"},
        {"size 5000 10", "line 1: a picture is 1 to 4096"},
        {"size 4 4\nsize 4 4", "line 2: the size is given twice"},
        {"size 4 4\n\nrect 0 0 1", "line 3: a value is missing"},
        {"size 4 4\nrect 0 0 1 1 #FFF", "line 2: '#FFF' is not a colour"},
        {"size 4 4\nrect 0 0 1 1 FFFFFF", "line 2: 'FFFFFF' is not a colour"},
        {"size 4 4\nrect 0 0 x 1 #FFFFFF", "line 2: 'x' is not a number"},
        {"size 4 4\nrect 0 0 1 1 #FFFFFF 9", "line 2: '9' is more than"},
        {"size 4 4\nellipse 1 1 0 1 #FFFFFF", "line 2: an ellipse needs radii above 0"},
        {"size 4 4\npolygon #FFFFFF 0 0 1 1", "line 2: a polygon needs three points"},
        {"size 4 4\ncircle 1 1 1 #FFFFFF", "line 2: unknown command 'circle'"},
        {"size 4 4\nroundrect 0 0 0 4 1 #FFFFFF", "line 2: a rounded rectangle needs"},
        {"size 4 4\nline 0 0 3 3 0 #FFFFFF", "line 2: a line needs a width above 0"},
        {"size 4 4\nstar 1 1 0 #FFFFFF", "line 2: a star needs a radius above 0"},
        {"size 4 4\nglow 1 1 -2 #FFFFFF", "line 2: a glow needs a radius above 0"},
        {"size 4 4\nscatter 0 0 4 4 20000 1 1 #FFFFFF", "line 2: scatter needs"},
        {"size 4 4\nclear 0 0 1", "line 2: a value is missing"},
        {"// nothing", "the picture has no size"},
    };
    for (const auto& c : cases) {
        try {
            PaintPicture(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const VeskError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.text << " -> " << e.what();
        }
    }
}

TEST(PicturePaintTest, TheBuilderMakesALayeredImageWithAMaskWhereNeeded) {
    if (!CanConvertPictures()) GTEST_SKIP() << "built without the picture layer";
    const fs::path root =
        fs::temp_directory_path() /
        ("picture-paint-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(root);
    auto write = [&](const std::string& rel, const std::string& text) {
        fs::create_directories((root / rel).parent_path());
        WriteFileAtomic((root / rel).string(), text.data(), text.size());
    };
    write("src/project.vpj", "ProjectName: game\nStartPage: main.lsb\n");
    write("src/main.vss", "Terminate\n");
    write("src/pic/solid.vpic", "size 3 2\nfill #123456\n");
    write("src/pic/round.vpic", "size 9 9\nellipse 4 4 4 4 #FF0000\n");
    BuildReport r = BuildGame((root / "src").string(), (root / "out").string(), {});
    EXPECT_EQ(r.Pictures, (std::vector<std::string>{"pic/round.qil", "pic/solid.qil"}));

    TQuilFrameList solid;
    ASSERT_TRUE(solid.LoadFromFile((root / "out/pic/solid.qil").string()));
    ASSERT_EQ(solid.Count(), 1u);
    EXPECT_EQ(solid.FrameAt(0).Width(), 3);
    EXPECT_EQ(solid.FrameAt(0).Picture().GetPixel(2, 1), 0x123456u);
    EXPECT_EQ(solid.FrameAt(0).Mask(), nullptr);
    TQuilFrameList round;
    ASSERT_TRUE(round.LoadFromFile((root / "out/pic/round.qil").string()));
    ASSERT_NE(round.FrameAt(0).Mask(), nullptr);
    EXPECT_EQ(round.FrameAt(0).Mask()->GetPixel(4, 4), 255u);
    EXPECT_EQ(round.FrameAt(0).Mask()->GetPixel(0, 0), 0u);
    EXPECT_EQ(round.FrameAt(0).Picture().GetPixel(4, 4), 0xFF0000u);
    // A faulty description stops the build, naming the file.
    write("src/pic/bad.vpic", "size 2 2\nrect 0 0 1 1\n");
    try {
        BuildGame((root / "src").string(), (root / "out2").string(), {});
        ADD_FAILURE() << "no error";
    } catch (const VeskError& e) {
        EXPECT_NE(std::string(e.what()).find("bad.vpic: line 2"), std::string::npos) << e.what();
    }
    fs::remove_all(root);
}

}  // namespace
}  // namespace vesk::scriptc
