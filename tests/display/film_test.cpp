// Films: the version-2 motion file, frames as text, pictures played by image objects and
// cinemas, and tiles.
#include <gtest/gtest.h>

#include "base/endian.h"
#include "display/motion_file.h"
#include "display/vesk_cinema.h"
#include "display/vesk_tile.h"
#include "effect_fixture.h"

namespace vesk {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

TMotionTrack Film(std::vector<int32_t> pictures, std::vector<TMotionTrack::TOffset> offsets = {},
                  int32_t rate = 60) {
    TMotionTrack t;
    t.Film = true;
    t.PictureFile = "frames.qil";
    t.Pictures = std::move(pictures);
    t.Offsets = offsets.empty() ? std::vector<TMotionTrack::TOffset>(t.Pictures.size()) : offsets;
    t.FrameRate = rate;
    return t;
}

TEST(FilmFile, TheLayoutOfVersionTwo) {
    TMotionTrack t = Film({0, -1}, {{1, 2}, {-3, 4}}, 24);
    t.LoopStart = 1;
    t.Width = 50;
    t.Height = 40;
    t.HasEmitter = true;
    t.Emitter = {.X = 1, .Y = 2, .Width = 3, .Height = 4, .Base = 5, .Spread = 6, .PreRoll = 7};
    Bytes want = {'V', 'M', 'O', 'T'};
    AppendLe16(want, 2);
    AppendLe16(want, 1);
    for (int32_t v : {2, 1, 24, 50, 40, 10}) AppendLe32(want, uint32_t(v));
    for (char c : std::string("frames.qil")) want.push_back(uint8_t(c));
    for (int32_t v : {1, 2, 0, -3, 4, -1, 1, 2, 3, 4, 5, 6, 7}) AppendLe32(want, uint32_t(v));
    EXPECT_EQ(WriteMotionFile(t), want);
    const TMotionTrack back = ReadMotionFile(want);
    EXPECT_TRUE(back.Film);
    EXPECT_EQ(back.FrameRate, 24);
    EXPECT_EQ(back.PictureFile, "frames.qil");
    EXPECT_EQ(back.Pictures, (std::vector<int32_t>{0, -1}));
    EXPECT_EQ(back.Offsets[1].X, -3);
    EXPECT_EQ(back.Emitter, t.Emitter);
    EXPECT_EQ(WriteMotionFile(back), want);
    // Without an emitter the flags are 0 and the file ends after the frames.
    t.HasEmitter = false;
    EXPECT_EQ(WriteMotionFile(t).size(), want.size() - 28);
}

TEST(FilmFile, HostileFilmsAreClearErrors) {
    auto raw = [](int32_t rate, int32_t w, int32_t h, int32_t nameLen, const std::string& name,
                  std::vector<int32_t> frames, uint16_t flags = 0, std::vector<int32_t> tail = {}) {
        Bytes b = {'V', 'M', 'O', 'T'};
        AppendLe16(b, 2);
        AppendLe16(b, flags);
        AppendLe32(b, uint32_t(frames.size() / 3));
        AppendLe32(b, 0);
        for (int32_t v : {rate, w, h, nameLen}) AppendLe32(b, uint32_t(v));
        b.insert(b.end(), name.begin(), name.end());
        for (int32_t v : frames) AppendLe32(b, uint32_t(v));
        for (int32_t v : tail) AppendLe32(b, uint32_t(v));
        return b;
    };
    const std::vector<int32_t> one = {0, 0, 0};
    const struct {
        const char* name;
        Bytes bytes;
        const char* error;
    } cases[] = {
        {"rate 0", raw(0, 0, 0, 1, "a", one), "frame rate 0"},
        {"negative rate", raw(-30, 0, 0, 1, "a", one), "frame rate -30"},
        {"rate too high", raw(1001, 0, 0, 1, "a", one), "frame rate 1001"},
        {"negative size", raw(30, -1, 5, 1, "a", one), "negative film size"},
        {"negative name length", raw(30, 0, 0, -1, "", one), "name length -1"},
        {"long name", raw(30, 0, 0, 5000, "", one), "name length 5000"},
        {"name beyond the data", raw(30, 0, 0, 900, "ab", one), "picture file name"},
        {"picture below -1", raw(30, 0, 0, 1, "a", {0, 0, -2}), "picture -2"},
        {"picture without a file", raw(30, 0, 0, 0, "", {0, 0, 3}), "names no picture file"},
        {"emitter cut", raw(30, 0, 0, 1, "a", one, 1, {1, 2, 3}), "film emitter"},
        {"negative interval", raw(30, 0, 0, 1, "a", one, 1, {0, 0, 1, 1, -5, 0, 0}),
         "must not be negative"},
        {"unknown flags", raw(30, 0, 0, 1, "a", one, 2), "unknown flags"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string err = ErrorOf([&] { ReadMotionFile(c.bytes); });
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
}

TEST(FilmFile, FramesAsText) {
    using F = std::vector<std::tuple<int32_t, int32_t, int32_t>>;
    const struct {
        const char* text;
        F want;
    } cases[] = {
        {"", {}},
        {"0", {{0, 0, 0}}},
        {"0*2; 1,4,-1*2; -", {{0, 0, 0}, {0, 0, 0}, {1, 4, -1}, {1, 4, -1}, {-1, 0, 0}}},
        {"# film\n 2 , 3 , 4 \n-,1,1 # none\n", {{2, 3, 4}, {-1, 1, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        F got;
        for (const auto& f : ParseFilmFrames(c.text))
            got.emplace_back(f.Picture, f.Offset.X, f.Offset.Y);
        EXPECT_EQ(got, c.want);
    }
    for (const char* bad : {"a", "1,2", "1,2,3,4", "-1", "+1", "1*0", "1*-2", "1*x", ",1,2"})
        EXPECT_NE(ErrorOf([&] { ParseFilmFrames(bad); }), "") << bad;
    EXPECT_NE(ErrorOf([&] { ParseFilmFrames("0*2147483647", 1000); }).find("more than 1000"),
              std::string::npos);
}

struct FilmWorld {
    FilmWorld() {
        w.Put("frames.qil", {Solid(4, 4, 0xFF0000), Solid(6, 2, 0x00FF00), Solid(4, 4, 0x0000FF)});
    }
    EffectWorld w;
};

TEST(Film, AnImageObjectShowsTheFramesPicturesAtSixtyASecond) {
    FilmWorld f;
    f.w.Put("walk.lmt", WriteMotionFile(Film({0, 1, -1, 2}, {{0, 0}, {10, 0}, {0, 0}, {0, 5}})));
    TVeskImages* img = f.w.Image("walker", "walk.lmt");
    SetInt(*img, PR_LEFT, 3);
    ASSERT_NE(img->ActiveMotion(), nullptr);
    EXPECT_EQ(img->Width(), 4);
    f.w.Frame();
    f.w.Frame();  // the start-up frames
    EXPECT_EQ(f.w.Px(3, 0), 0xFF0000u);
    f.w.Frame(17);  // frame 1: the second picture, 10 to the right
    EXPECT_EQ(img->Width(), 6);
    EXPECT_EQ(img->Height(), 2);
    EXPECT_EQ(f.w.Px(13, 0), 0x00FF00u);
    EXPECT_EQ(f.w.Px(3, 0), 0u);
    f.w.Frame(17);  // frame 2 shows nothing
    EXPECT_EQ(img->Picture(), nullptr);
    EXPECT_EQ(f.w.Px(13, 0), 0u);
    SetInt(*img, PR_INDEX, 3);
    f.w.Frame(0);
    EXPECT_EQ(f.w.Px(3, 5), 0x0000FFu);
}

TEST(Film, ACinemaPlaysAtTheFilmsRate) {
    FilmWorld f;
    f.w.Put("film.lmt", WriteMotionFile(Film({0, 1, 2, 0}, {{0, 0}, {2, 1}, {8, 8}, {0, 0}}, 10)));
    auto* c = f.w.root.Create<TVeskCinema>();
    SetStr(*c, PR_NAME, "cine");
    SetInt(*c, PR_LEFT, 20);
    SetInt(*c, PR_TOP, 10);
    SetStr(*c, PR_SOURCE, "film.lmt");
    SetStr(*c, PR_ONPLAYEND, "end");
    EXPECT_EQ(c->Width(), 4);  // the first picture's size
    EXPECT_EQ(c->Height(), 4);
    EXPECT_EQ(c->GetIntProp(PR_COUNT), 4);
    f.w.Frame(0);
    EXPECT_EQ(f.w.Px(20, 10), 0xFF0000u);
    f.w.Frame(149);  // 149 ms: frame round(1.49) = 1
    EXPECT_EQ(c->Frame(), 1);
    EXPECT_EQ(f.w.Px(22, 11), 0x00FF00u);
    EXPECT_EQ(f.w.Px(23, 12), 0x00FF00u);
    EXPECT_EQ(f.w.Px(24, 11), 0u);  // the picture is cut to the cinema's area (4 x 4)
    f.w.Frame(2);                   // 151 ms: frame 2, drawn outside the area: nothing shows
    EXPECT_EQ(c->Frame(), 2);
    EXPECT_EQ(f.w.Px(28, 18), 0u);
    EXPECT_TRUE(c->GetIntProp(PR_PLAYING));
    f.w.Frame(200);  // 351 ms: frame 4 is past the end: the last frame, play end once
    EXPECT_EQ(c->Frame(), 3);
    EXPECT_EQ(f.w.EventsOf(PR_ONPLAYEND).size(), 1u);
    EXPECT_FALSE(c->GetIntProp(PR_PLAYING));
    f.w.root.Events().Clear();
    f.w.Frame(100);
    EXPECT_TRUE(f.w.EventsOf(PR_ONPLAYEND).empty());
    // Repeating wraps to the loop start.
    SetInt(*c, PR_REPEAT, 1);
    SetInt(*c, PR_INDEX, 3);
    f.w.Frame(100);  // frame 4: 4 mod 4 + 0
    EXPECT_EQ(c->Frame(), 0);
    // Auto scrap removes it at the end.
    SetInt(*c, PR_REPEAT, 0);
    SetInt(*c, PR_AUTOSCRAP, 1);
    f.w.Frame(1000);
    EXPECT_EQ(f.w.root.FindComponent("cine"), nullptr);
}

TEST(Film, ASavedCinemaRewindsOrGoesOn) {
    FilmWorld f;
    TMotionTrack t = Film({0, 1, 2, 0}, {}, 10);
    t.Width = 30;
    t.Height = 20;
    f.w.Put("film.lmt", WriteMotionFile(t));
    auto* c = f.w.root.Create<TVeskCinema>();
    SetStr(*c, PR_NAME, "cine");
    SetStr(*c, PR_SOURCE, "film.lmt");
    EXPECT_EQ(c->Width(), 30);
    SetInt(*c, PR_VOLUME, 500);
    f.w.Frame(210);
    for (bool rewind : {true, false}) {
        SCOPED_TRACE(rewind);
        SetInt(*c, PR_REWINDONLOAD, rewind);
        EffectWorld copy;
        copy.Put("frames.qil", f.w.files.LoadBytes("frames.qil"));
        copy.Put("film.lmt", f.w.files.LoadBytes("film.lmt"));
        LoadTree(copy.root, SaveTree(f.w.root));
        auto* back = dynamic_cast<TVeskCinema*>(copy.root.FindComponent("cine"));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Frame(), rewind ? 0 : 2);
        EXPECT_EQ(back->GetIntProp(PR_VOLUME), 500);
        EXPECT_EQ(back->Width(), 30);
    }
}

TEST(Tile, ThePatternRepeatsScrolledAndSpaced) {
    EffectWorld w;
    // A 3 x 2 picture of six colours.
    FrameSpec s;
    s.w = 3;
    s.h = 2;
    s.pixel = [](int32_t x, int32_t y) { return uint32_t(0x100000 * (1 + x + 3 * y)); };
    w.Put("tile.qil", {s});
    auto* t = w.root.Create<TVeskTile>();
    SetStr(*t, PR_SOURCE, "tile.qil");
    t->SetBounds(2, 1, 20, 10);
    EXPECT_EQ(t->Width(), 20);  // the picture fills the area; it does not size it
    SetInt(*t, PR_SCROLLX, 1);
    SetInt(*t, PR_SCROLLY, -1);
    SetInt(*t, PR_DISTANCEX, 2);
    SetInt(*t, PR_DISTANCEY, 1);
    w.Frame();
    // Tiles start shifted back by the wrapped scroll (1, 1) and stand 5 x 3 apart.
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const int32_t u = x + 1, v = y + 1;  // in pattern space
            const int32_t cx = u % 5, cy = v % 3;
            const uint32_t want = cx < 3 && cy < 2 ? 0x100000u * uint32_t(1 + cx + 3 * cy) : 0u;
            EXPECT_EQ(w.Px(2 + x, 1 + y), want) << x << "," << y;
        }
    EXPECT_EQ(w.Px(1, 1), 0u);  // nothing outside the area
    EXPECT_EQ(w.Px(22, 1), 0u);
}

TEST(Tile, TranslucentAndZoomedTiles) {
    EffectWorld w;
    w.Put("tile.qil", {Solid(2, 2, 0xC0C0C0)});
    auto* t = w.root.Create<TVeskTile>();
    SetStr(*t, PR_SOURCE, "tile.qil");
    t->SetBounds(0, 0, 8, 8);
    SetInt(*t, PR_ALPHA, 128);
    w.Frame();
    EXPECT_EQ(w.Px(5, 5), 0x606060u);
    SetInt(*t, PR_ALPHA, 255);
    SetInt(*t, PR_ZOOMX, 512);
    SetInt(*t, PR_DISTANCEX, 1);
    w.Frame();
    // Tiles of 4 x 2, one apart: columns 4 and 9 are gaps.
    EXPECT_EQ(w.Px(3, 0), 0xC0C0C0u);
    EXPECT_EQ(w.Px(4, 0), 0u);
    EXPECT_EQ(w.Px(5, 0), 0xC0C0C0u);
}

}  // namespace
}  // namespace vesk
