// The effect components in the player: a map image reads its region file through the game's
// files and a click on a region reaches its select page with "@SelStr" and "@SelIndex"; a
// property motion moves a box; particles fall over the screen.
#include "base/cp932.h"
#include "display/map_regions.h"
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

TEST(EffectsTest, AMapChoiceAndAPropertyMotionInThePlayer) {
    Workspace w;
    TMapRegion door;
    door.Name = Utf8ToCp932("扉");
    door.Left = 0, door.Top = 0, door.Right = 39, door.Bottom = 49;
    TMapRegion roof;
    roof.Name = "roof";
    roof.Shape = RegionShape::Polygon;
    roof.Points = {{40, 0}, {100, 0}, {100, 50}};
    const std::vector<uint8_t> regions = WriteRegionFile({door, roof});
    w.Sources("src", {{"map.rgn", std::string(regions.begin(), regions.end())},
                      {"map.vpic", "size 100 50\nrect 0 0 100 50 #808080\n"},
                      {"flake.vpic", "size 4 4\nrect 0 0 4 4 #FFFFFF\n"}});
    BuildInputGame(
        w,
        "MapImgNew PR_NAME: \"map\", PR_SOURCE: \"map.qil\", PR_MAPSOURCE: \"map.rgn\",\n"
        "    PR_LEFT: 10, PR_TOP: 10, PR_ONSELECT: \"pick.lsb\", PR_ONMAPIN: \"in.lsb\"\n"
        "BoxNew PR_NAME: \"box\", PR_LEFT: 0, PR_TOP: 200, PR_WIDTH: 10, PR_HEIGHT: 10,\n"
        "    PR_COLOR: $FFFFFF\n"
        "PropMotion Target: \"box\", Property: 3, Value: 100.0, Time: 160\n"
        "ParticleNew PR_NAME: \"snow\", PR_SOURCE: \"flake.qil\", PR_LEFT: 200, PR_WIDTH: 100,\n"
        "    PR_HEIGHT: 240, PR_PARTMOTION: 1, PR_PARAM1: 2.0, PR_DELAY: 16,\n"
        "    PR_IGNOREMOUSE: 1\n",
        {{"pick.vss",
          "Calc log = log ++ \"S:\" ++ @SelStr ++ \"/\" ++ @SelIndex ++ \"/\" ++ "
          "@ParamStr[0] ++ \"/\" ++ @ParamStr[1] ++ \";\"\n"},
         {"in.vss", "Calc log = log ++ \"I:\" ++ @ParamStr[0] ++ \";\"\n"}});
    const fs::path shot = w.Path("shot.png");
    RunResult r = w.Play(w.Game("game") + " --frames 40 --dump-vars --input " +
                         InputFile(w,
                                   "3 move 30 30\n5 click left 30 30\n8 move 100 15\n"
                                   "10 click left 100 15\n") +
                         " --screenshot 30:" + Quote(shot.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "I:扉;S:扉/0/扉/0;I:roof;S:roof/1/roof/1;") << r.err;
    const Picture pic = ReadPng(shot);
    ASSERT_TRUE(pic.Ok());
    EXPECT_EQ(pic.At(100, 205), 0xFFFFFFu);  // the box has moved to 100
    EXPECT_EQ(pic.At(5, 205), 0u);
    int flakes = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 200; x < 300; ++x) flakes += pic.At(x, y) == 0xFFFFFFu;
    EXPECT_GT(flakes, 16 * 5);  // a few dozen flakes have come down
}

}  // namespace
}  // namespace vesk::e2e
