// Map images: region files (layout, hostile bytes, text form), hit tests of each shape, and
// the object's hover picture, map events, choices and removal.
#include <gtest/gtest.h>

#include "base/endian.h"
#include "display/map_regions.h"
#include "display/vesk_map_image.h"
#include "effect_fixture.h"

namespace vesk {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

TMapRegion Rect(const std::string& name, int32_t l, int32_t t, int32_t r, int32_t b,
                RegionShape shape = RegionShape::Rect) {
    TMapRegion g;
    g.Name = name;
    g.Shape = shape;
    g.Left = l, g.Top = t, g.Right = r, g.Bottom = b;
    return g;
}

TMapRegion Polygon(const std::string& name, std::vector<TMapRegion::TPoint> points) {
    TMapRegion g;
    g.Name = name;
    g.Shape = RegionShape::Polygon;
    g.Points = std::move(points);
    return g;
}

void Str(Bytes& b, const std::string& s) {
    AppendLe32(b, uint32_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}

TEST(RegionFile, TheLayoutIsCountThenNamedShapes) {
    Bytes want;
    AppendLe32(want, 2);
    Str(want, "door");
    want.push_back(0);
    for (int32_t v : {1, 2, 30, 40}) AppendLe32(want, uint32_t(v));
    Str(want, "roof");
    want.push_back(1);
    AppendLe32(want, 3);
    for (int32_t v : {0, 0, 10, 0, 5, -7}) AppendLe32(want, uint32_t(v));
    const TMapRegions regions = {Rect("door", 1, 2, 30, 40),
                                 Polygon("roof", {{0, 0}, {10, 0}, {5, -7}})};
    EXPECT_EQ(WriteRegionFile(regions), want);
    const TMapRegions back = ReadRegionFile(want);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Name, "door");
    EXPECT_EQ(back[0].Right, 30);
    EXPECT_EQ(back[1].Points, regions[1].Points);
    // Ellipses round-trip too.
    const TMapRegions e = {Rect("pond", -5, 3, 9, 3, RegionShape::Ellipse)};
    EXPECT_EQ(ReadRegionFile(WriteRegionFile(e))[0].Shape, RegionShape::Ellipse);
}

TEST(RegionFile, HostileBytesAreClearErrors) {
    const Bytes good = WriteRegionFile({Rect("a", 0, 0, 1, 1)});
    Bytes cut = good;
    cut.pop_back();
    Bytes trailing = good;
    trailing.push_back(0);
    auto one = [](uint8_t kind, std::vector<int32_t> numbers) {
        Bytes b;
        AppendLe32(b, 1);
        Str(b, "x");
        b.push_back(kind);
        for (int32_t v : numbers) AppendLe32(b, uint32_t(v));
        return b;
    };
    Bytes huge;
    AppendLe32(huge, 0x7FFFFFFF);
    const struct {
        const char* name;
        Bytes bytes;
        const char* error;
    } cases[] = {
        {"empty", {}, "region count"},
        {"record cut after its kind", one(0, {}), "exceeds the data left"},
        {"count beyond the data", huge, "exceeds the data left"},
        {"cut", cut, "region bottom"},
        {"bytes after", trailing, "1 bytes after the last region"},
        {"negative width", one(0, {5, 0, 4, 3}), "negative size"},
        {"negative height", one(2, {0, 5, 3, 4}), "negative size"},
        {"two corners", one(1, {2, 0, 0, 1, 1}), "has 2 corners"},
        {"corners beyond the data", one(1, {1000000, 0, 0}), "exceeds the data left"},
        {"unknown kind", one(7, {0, 0, 0, 0}), "unknown kind 7"},
        {"far coordinate", one(0, {0, 0, 1 << 25, 1}), "beyond"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string err = ErrorOf([&] { ReadRegionFile(c.bytes); });
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
    Bytes negative;
    AppendLe32(negative, uint32_t(-3));
    EXPECT_NE(ErrorOf([&] { ReadRegionFile(negative); }).find("negative region count"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { WriteRegionFile({Polygon("p", {{0, 0}, {1, 1}})}); }), "");
}

TEST(RegionFile, ShapesAreHitWhereTheirPixelsAre) {
    const TMapRegion rect = Rect("r", 2, 3, 5, 4);
    const TMapRegion ellipse = Rect("e", 0, 0, 9, 5, RegionShape::Ellipse);
    // An L: concave, so the even-odd rule matters.
    const TMapRegion ell = Polygon("l", {{0, 0}, {4, 0}, {4, 2}, {2, 2}, {2, 6}, {0, 6}});
    const struct {
        const TMapRegion* g;
        int32_t x, y;
        bool in;
    } cases[] = {
        {&rect, 2, 3, true},    {&rect, 5, 4, true},      {&rect, 6, 4, false},
        {&rect, 1, 3, false},   {&rect, 5, 5, false},     {&ellipse, 5, 3, true},
        {&ellipse, 0, 2, true}, {&ellipse, 0, 0, false},  {&ellipse, 9, 5, false},
        {&ellipse, 4, 0, true}, {&ellipse, 10, 3, false}, {&ell, 0, 0, true},
        {&ell, 3, 1, true},     {&ell, 3, 2, false},      {&ell, 1, 5, true},
        {&ell, 2, 5, false},    {&ell, 4, 0, false},      {&ell, -1, 1, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.g->Contains(c.x, c.y), c.in) << c.g->Name << " " << c.x << "," << c.y;
    // The runs of each row are exactly the pixels inside.
    const TMapRegion star = Polygon("s", {{10, 0},
                                          {13, 8},
                                          {20, 8},
                                          {14, 12},
                                          {17, 20},
                                          {10, 15},
                                          {3, 20},
                                          {6, 12},
                                          {0, 8},
                                          {7, 8}});
    const TMapRegion tilted = Rect("t", -3, 2, 17, 9, RegionShape::Ellipse);
    for (const TMapRegion* g : {&rect, &ellipse, &ell, &star, &tilted}) {
        std::vector<std::pair<int32_t, int32_t>> runs;
        for (int32_t y = -2; y < 24; ++y) {
            g->RowRuns(y, runs);
            for (int32_t x = -5; x < 25; ++x) {
                bool inRun = false;
                for (auto [a, b] : runs) inRun = inRun || (x >= a && x < b);
                EXPECT_EQ(inRun, g->Contains(x, y)) << g->Name << " " << x << "," << y;
                if (g->Contains(x, y)) {
                    const TRect bounds = g->Bounds();
                    EXPECT_TRUE(x >= bounds.left && x < bounds.right && y >= bounds.top &&
                                y < bounds.bottom);
                }
            }
        }
    }
    const TMapRegions all = {rect, ell};
    EXPECT_EQ(RegionAt(all, 3, 3), 0);  // the first region holding the pixel
    EXPECT_EQ(RegionAt(all, 1, 5), 1);
    EXPECT_EQ(RegionAt(all, 30, 30), -1);
}

TEST(RegionFile, RegionsAsText) {
    const TMapRegions g = ParseRegionText(
        "# the house\nrect door 1 2 30 40\n\n  ellipse pond 0 0 9 5  # water\n"
        "polygon roof 0,0 10,0 5,-7\r\n");
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[0].Bottom, 40);
    EXPECT_EQ(g[1].Shape, RegionShape::Ellipse);
    EXPECT_EQ(g[2].Points.size(), 3u);
    const char* bad[] = {"rect a 1 2 3",   "circle a 1 2 3 4",    "polygon a 0,0 1,1", "rect",
                         "rect a 1 2 x 4", "polygon a 0,0 1,1 2", "rect a 5 5 4 4"};
    for (const char* text : bad) EXPECT_NE(ErrorOf([&] { ParseRegionText(text); }), "") << text;
}

// A 20 x 10 map: grey, hover picture red; a rectangle and a triangle.
struct Map {
    Map() {
        w.Put("map.qil", {Solid(20, 10, 0x808080)});
        w.Put("hover.qil", {Solid(20, 10, 0xFF0000)});
        w.Put("map.rgn", WriteRegionFile({Rect("left", 0, 0, 4, 9),
                                          Polygon("tri", {{10, 0}, {20, 10}, {10, 10}})}));
        m = w.root.Create<TVeskMapImage>();
        SetStr(*m, PR_NAME, "map");
        SetStr(*m, PR_SOURCE, "map.qil");
        SetStr(*m, PR_HOVERSOURCE, "hover.qil");
        SetStr(*m, PR_MAPSOURCE, "map.rgn");
        SetInt(*m, PR_LEFT, 10);
        SetInt(*m, PR_TOP, 5);
        for (int32_t kind : {PR_ONMAPIN, PR_ONMAPOUT, PR_ONSELECT}) SetStr(*m, kind, "page");
    }
    void Move(int32_t x, int32_t y) {
        w.root.MouseMoveTo(10 + x, 5 + y);
        w.root.ProcessInput(16);
        w.Frame();
    }
    void Click(bool left = true) {
        w.root.MouseButton(left, true);
        w.root.ProcessInput(16);
        w.root.MouseButton(left, false);
        w.root.ProcessInput(16);
        w.Frame();
    }
    EffectWorld w;
    TVeskMapImage* m;
};

TEST(MapImage, TheMouseMovesThroughRegions) {
    Map t;
    EXPECT_EQ(t.m->Width(), 20);
    EXPECT_EQ(t.m->Height(), 10);
    EXPECT_EQ(t.m->Regions().size(), 2u);
    using Args = std::vector<std::vector<std::string>>;
    t.Move(2, 2);
    EXPECT_EQ(t.m->HoverRegion(), 0);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPIN), (Args{{"left", "0"}}));
    t.w.root.Events().Clear();  // as if the pages had run
    t.Move(7, 2);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPOUT), (Args{{"left", "0"}}));
    t.Move(18, 9);
    EXPECT_EQ(t.m->HoverRegion(), 1);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPIN), (Args{{"tri", "1"}}));
    t.w.root.Events().Clear();
    // The hovered region shows the hover picture, only within its shape.
    EXPECT_EQ(t.w.Px(10 + 18, 5 + 9), 0xFF0000u);
    EXPECT_EQ(t.w.Px(10 + 12, 5 + 1), 0x808080u);
    EXPECT_EQ(t.w.Px(10 + 2, 5 + 2), 0x808080u);
    // Leaving the picture leaves the region.
    t.Move(40, 30);
    EXPECT_EQ(t.m->HoverRegion(), -1);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPOUT), (Args{{"tri", "1"}}));
    EXPECT_EQ(t.w.Px(10 + 18, 5 + 9), 0x808080u);
}

TEST(MapImage, AClickChoosesARegionOnce) {
    Map t;
    t.Move(3, 3);
    t.Click();
    ASSERT_EQ(t.w.selections.size(), 1u);
    EXPECT_EQ(t.w.selections[0], (std::pair<std::string, int32_t>{"left", 0}));
    EXPECT_EQ(t.w.EventsOf(PR_ONSELECT), (std::vector<std::vector<std::string>>{{"left", "0"}}));
    t.Click();  // the choice is made again, but its page is still queued: not twice
    EXPECT_EQ(t.w.selections.size(), 2u);
    EXPECT_EQ(t.w.EventsOf(PR_ONSELECT).size(), 1u);
    // A click outside the regions chooses nothing.
    t.Move(7, 1);
    t.Click();
    EXPECT_EQ(t.w.selections.size(), 2u);
}

TEST(MapImage, AutoScrapGoesOnceTheChoiceIsTaken) {
    Map t;
    SetInt(*t.m, PR_AUTOSCRAP, 1);
    t.Move(15, 8);
    t.Click();
    EXPECT_TRUE(t.m->IsDisabled());
    t.Move(2, 2);  // a closing map takes no more mouse
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPIN).size(), 1u);
    t.w.Frame();
    EXPECT_NE(t.w.root.FindComponent("map"), nullptr);  // its select page still waits
    t.w.root.Events().Clear();
    t.w.Frame();
    EXPECT_EQ(t.w.root.FindComponent("map"), nullptr);
}

TEST(MapImage, ARightClickRemovesItWithoutAChoice) {
    Map t;
    t.Move(3, 3);
    t.Click(false);
    EXPECT_NE(t.w.root.FindComponent("map"), nullptr);  // right-click scrap is off
    SetInt(*t.m, PR_RCLICKSCRAP, 1);
    t.Click(false);
    t.w.Frame();
    EXPECT_EQ(t.w.root.FindComponent("map"), nullptr);
    EXPECT_TRUE(t.w.selections.empty());
}

TEST(MapImage, ABadRegionFileLeavesNoRegions) {
    Map t;
    t.w.Put("bad.rgn", Bytes{1, 2, 3});
    SetStr(*t.m, PR_MAPSOURCE, "bad.rgn");
    EXPECT_TRUE(t.m->Regions().empty());
    SetStr(*t.m, PR_MAPSOURCE, "missing.rgn");
    EXPECT_TRUE(t.m->Regions().empty());
    t.Move(2, 2);
    EXPECT_EQ(t.m->HoverRegion(), -1);
}

}  // namespace
}  // namespace vesk
