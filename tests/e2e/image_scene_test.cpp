// Pictures on the screen: a game of small layered images shown by ImgNew over a box, each
// drawn another way (keyed, translucent, added, masked, mirrored, zoomed, brightened,
// turned), checked pixel for pixel against the drawing formulas; and pictures that cannot
// be shown.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "e2e_fixture.h"
#include "gfx/quil_writer.h"

namespace vesk::e2e {
namespace {

constexpr int kW = 320, kH = 240;

// The screen read back from a screenshot, as 0xRRGGBB values.
std::vector<uint32_t> ReadScreen(const fs::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) &&
                    image.width == kW && image.height == kH;
    png_image_free(&image);
    if (!ok) return {};
    std::vector<uint32_t> out(size_t(kW) * kH);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = uint32_t(rgb[i * 3]) << 16 | uint32_t(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
    return out;
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// ---- the pictures: 16 x 16, every pixel its own colour

constexpr int kSide = 16;
constexpr uint32_t kKey = 0xFF00FF;

uint32_t Pattern(int x, int y) {
    return uint32_t(x * 16 + 8) << 16 | uint32_t(y * 16 + 8) << 8 | 0x40;
}
// The keyed picture: some pixels hold the key colour.
uint32_t Keyed(int x, int y) {
    return (x + 2 * y) % 7 == 0 ? kKey : Pattern(x, y);
}
// The mask of the masked picture: transparent on the left, opaque on the right, every
// strength between.
uint8_t MaskAt(int x, int y) {
    return x < 4 ? 0 : x >= 12 ? 255 : uint8_t((x * 16 + y * 3) & 255);
}

std::vector<uint8_t> Qil(const std::function<uint32_t(int, int)>& pixel, int32_t transparent,
                         bool masked) {
    TQuilFrameList list;
    TQuilFrame& f = list.AddFrame(kSide, kSide, 32);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            f.Picture().SetPixel(x, y, pixel(x, y));
            if (masked) f.EnsureMask().SetPixel(x, y, MaskAt(x, y));
        }
    f.SetTransparent(transparent);
    return TQuilWriter().Write(list);
}

// ---- the formulas of the draws, per channel

uint32_t Channel(uint32_t c, int shift) {
    return (c >> shift) & 255;
}
uint32_t PerChannel(uint32_t d, uint32_t s, const std::function<uint32_t(uint32_t, uint32_t)>& f) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) out |= f(Channel(d, shift), Channel(s, shift)) << shift;
    return out;
}
uint32_t Blend(uint32_t d, uint32_t s, uint32_t a) {
    return PerChannel(d, s,
                      [a](uint32_t dc, uint32_t sc) { return (dc * (255 - a) + sc * a) >> 8; });
}
uint32_t Add(uint32_t d, uint32_t s, uint32_t a) {
    return PerChannel(d, s,
                      [a](uint32_t dc, uint32_t sc) { return std::min(dc + (sc * a >> 8), 255u); });
}
uint32_t Brighter(uint32_t c, int32_t b) {
    return PerChannel(
        c, 0, [b](uint32_t cc, uint32_t) { return uint32_t(std::clamp(int32_t(cc) + b, 0, 255)); });
}

// The expected screen: every object puts each of its pixels through its formula.
struct Screen {
    std::vector<uint32_t> px = std::vector<uint32_t>(size_t(kW) * kH);
    std::vector<std::string> owner = std::vector<std::string>(size_t(kW) * kH, "background");
    void Fill(int l, int t, int w, int h, uint32_t c, const std::string& who) {
        for (int y = t; y < t + h; ++y)
            for (int x = l; x < l + w; ++x) Set(x, y, c, who);
    }
    void Set(int x, int y, uint32_t c, const std::string& who) {
        if (x < 0 || y < 0 || x >= kW || y >= kH) return;
        px[size_t(y) * kW + size_t(x)] = c;
        owner[size_t(y) * kW + size_t(x)] = who;
    }
    uint32_t At(int x, int y) const { return px[size_t(y) * kW + size_t(x)]; }
    // A picture at (l, t): `source` (x, y) gives the picture's pixel shown at that place of
    // the destination, and `draw` what becomes of the destination pixel (or nothing).
    void Picture(const std::string& who, int l, int t, int w, int h,
                 const std::function<std::pair<int, int>(int, int)>& source,
                 const std::function<std::optional<uint32_t>(uint32_t d, int sx, int sy)>& draw) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [sx, sy] = source(x, y);
                if (auto c = draw(At(l + x, t + y), sx, sy)) Set(l + x, t + y, *c, who);
            }
    }
};

constexpr uint32_t kBackground = 0x102030, kBox = 0x606060;

const char* kProject = R"(ProjectName: "Pictures"
Screen: 320, 240
StartPage: "main.lsb"
)";

// The layer is dark blue, a grey box covers rows 16..115; the pictures stand at row 8 so
// that their upper half lies over the background and their lower half over the box.
const char* kPage = R"(VarNew zoomWidth, int, 0
VarNew frames, int, 0
SetProp Chr(1) ++ "BASE0", 8, $302010
BoxNew PR_NAME: "under", PR_LEFT: 0, PR_TOP: 16, PR_WIDTH: 320, PR_HEIGHT: 100,
    PR_COLOR: $606060
ImgNew PR_NAME: "copy", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 8, PR_TOP: 8, PR_PRIORITY: 1
ImgNew PR_NAME: "glass", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 32, PR_TOP: 8,
    PR_ALPHA: 100, PR_PRIORITY: 1
ImgNew PR_NAME: "add", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 56, PR_TOP: 8,
    PR_ALPHA: 416, PR_PRIORITY: 1
ImgNew PR_NAME: "masked", PR_SOURCE: "pic\masked.qil", PR_LEFT: 80, PR_TOP: 8,
    PR_PRIORITY: 1
ImgNew PR_NAME: "maskglass", PR_SOURCE: "pic\masked.qil", PR_LEFT: 104, PR_TOP: 8,
    PR_ALPHA: 128, PR_PRIORITY: 1
// Mirrored pictures mirror their anchor too: anchored at 0, 0 the picture ends there.
ImgNew PR_NAME: "mirror", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 143, PR_TOP: 23,
    PR_FLIPH: TRUE, PR_FLIPV: TRUE, PR_PRIORITY: 1
ImgNew PR_NAME: "bright", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 152, PR_TOP: 8,
    PR_BRIGHTNESS: 64, PR_PRIORITY: 1
ImgNew PR_NAME: "dark", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 176, PR_TOP: 8,
    PR_BRIGHTNESS: -48, PR_PRIORITY: 1
// A quarter turn clockwise about the anchor at 215, 8.
ImgNew PR_NAME: "turned", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 215, PR_TOP: 8,
    PR_ANGLE: 64, PR_PRIORITY: 1
ImgNew PR_NAME: "zoom", PR_SOURCE: "pic\keyed.qil", PR_LEFT: 224, PR_TOP: 8,
    PR_ZOOMX: 512, PR_ZOOMY: 1024, PR_PRIORITY: 1
Calc zoomWidth = GetProp("zoom", 5)
Calc frames = GetProp("copy", 45)
Wait , 100
// Opaque now: a keyed copy like the first.
SetProp "glass", 11, 255
Label idle
Wait , 1000
Jump :idle
)";

Screen ExpectedScene(bool glassOpaque) {
    Screen s;
    s.Fill(0, 0, kW, kH, kBackground, "background");
    s.Fill(0, 16, kW, 100, kBox, "box");
    auto same = [](int x, int y) { return std::pair{x, y}; };
    auto copy = [](uint32_t, int x, int y) -> std::optional<uint32_t> {
        if (Keyed(x, y) == kKey) return std::nullopt;
        return Keyed(x, y);
    };
    s.Picture("copy", 8, 8, kSide, kSide, same, copy);
    // Translucent: keyed pixels and pixels already equal are left.
    s.Picture("glass", 32, 8, kSide, kSide, same,
              [&](uint32_t d, int x, int y) -> std::optional<uint32_t> {
                  if (glassOpaque) return copy(d, x, y);
                  const uint32_t c = Keyed(x, y);
                  if (c == kKey || c == d) return std::nullopt;
                  return Blend(d, c, 100);
              });
    s.Picture("add", 56, 8, kSide, kSide, same,
              [](uint32_t d, int x, int y) -> std::optional<uint32_t> {
                  const uint32_t c = Keyed(x, y);
                  if (c == kKey) return std::nullopt;
                  return Add(d, c, 416 - 256);
              });
    // Through the mask: 0 leaves, 255 copies, the rest blends with the mask's strength.
    auto masked = [](uint32_t alpha) {
        return [alpha](uint32_t d, int x, int y) -> std::optional<uint32_t> {
            const uint32_t m = MaskAt(x, y), c = Pattern(x, y);
            const uint32_t a = alpha == 255 ? m : (alpha * m) >> 8;
            if (a == 0 || c == d) return std::nullopt;
            return a == 255 ? c : Blend(d, c, a);
        };
    };
    s.Picture("masked", 80, 8, kSide, kSide, same, masked(255));
    s.Picture("maskglass", 104, 8, kSide, kSide, same, masked(128));
    s.Picture(
        "mirror", 143 - (kSide - 1), 23 - (kSide - 1), kSide, kSide,
        [](int x, int y) {
            return std::pair{kSide - 1 - x, kSide - 1 - y};
        },
        copy);
    auto brightened = [](int32_t b) {
        return [b](uint32_t, int x, int y) -> std::optional<uint32_t> {
            if (Keyed(x, y) == kKey) return std::nullopt;
            return Brighter(Keyed(x, y), b);
        };
    };
    s.Picture("bright", 152, 8, kSide, kSide, same, brightened(64));
    s.Picture("dark", 176, 8, kSide, kSide, same, brightened(-48));
    // Turned a quarter clockwise about its anchor: the destination pixel (dx, dy) from the
    // pivot shows the source pixel (dy, -dx), so the picture covers columns 200..215.
    s.Picture(
        "turned", 215 - (kSide - 1), 8, kSide, kSide,
        [](int x, int y) {
            return std::pair{y, kSide - 1 - x};
        },
        copy);
    // Twice as wide and four times as tall, nearest pixel.
    s.Picture(
        "zoom", 224, 8, 2 * kSide, 4 * kSide,
        [](int x, int y) {
            return std::pair{x / 2, y / 4};
        },
        copy);
    return s;
}

void Compare(const std::vector<uint32_t>& shot, const Screen& expected) {
    ASSERT_EQ(shot.size(), expected.px.size());
    int wrong = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint32_t got = shot[size_t(y) * kW + size_t(x)], want = expected.At(x, y);
            if (got == want) continue;
            if (++wrong <= 12) {
                char text[160];
                std::snprintf(text, sizeof text, "%s at %d,%d: #%06X, expected #%06X",
                              expected.owner[size_t(y) * kW + size_t(x)].c_str(), x, y, got, want);
                ADD_FAILURE() << text;
            }
        }
    EXPECT_EQ(wrong, 0);
}

TEST(ImageSceneTest, PicturesDrawByTheirFormulasOverABox) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject}, {"main.vss", kPage}});
    WriteFile(w.Path("src/pic/keyed.qil"), Qil(Keyed, int32_t(kKey), false));
    WriteFile(w.Path("src/pic/masked.qil"), Qil(Pattern, -1, true));
    w.Build("src", "game");
    const fs::path a = w.Path("a.png"), b = w.Path("b.png");
    RunResult r =
        w.Play(w.Game("game") + " --frames 20 --dump-vars --screenshot 3:" + Quote(a.string()) +
               " --screenshot 20:" + Quote(b.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Scripts read the objects' properties.
    EXPECT_EQ(r.Var("zoomWidth"), 32);
    EXPECT_EQ(r.Var("frames"), 1);
    const std::vector<uint32_t> first = ReadScreen(a), second = ReadScreen(b);
    ASSERT_FALSE(first.empty()) << a;
    ASSERT_FALSE(second.empty()) << b;
    {
        SCOPED_TRACE("first picture");
        Compare(first, ExpectedScene(false));
    }
    {
        SCOPED_TRACE("after the translucent picture turned opaque");
        Compare(second, ExpectedScene(true));
    }
}

// A picture whose frame record claims a size no picture may have.
std::vector<uint8_t> HugeQil() {
    std::vector<uint8_t> bytes = Qil(Pattern, -1, false);
    // After the magic, the header record and the frame's name, transparent value, delay,
    // five other bytes and layer count come its width and height.
    const size_t at = 7 + 4 + 40 + 4 + 4 + 4 + 5 + 4;
    for (size_t k = 0; k < 2; ++k) {
        const uint32_t v = 40000;
        for (size_t i = 0; i < 4; ++i) bytes.at(at + 4 * k + i) = uint8_t(v >> (8 * i));
    }
    return bytes;
}

TEST(ImageSceneTest, PicturesThatCannotBeShownShowNothingAndAreToldOnce) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject}, {"main.vss", R"(VarNew done, int, 0
ImgNew PR_NAME: "a", PR_SOURCE: "text.qil", PR_LEFT: 0, PR_TOP: 0
ImgNew PR_NAME: "b", PR_SOURCE: "text.qil", PR_LEFT: 20, PR_TOP: 0
ImgNew PR_NAME: "c", PR_SOURCE: "cut.qil", PR_LEFT: 40, PR_TOP: 0
ImgNew PR_NAME: "d", PR_SOURCE: "huge.qil", PR_LEFT: 60, PR_TOP: 0
ImgNew PR_NAME: "e", PR_SOURCE: "missing.qil", PR_LEFT: 80, PR_TOP: 0
ImgNew PR_NAME: "f", PR_SOURCE: "fine.qil", PR_LEFT: 100, PR_TOP: 0
Wait , 50
// Shown again after nobody held it any more: read again, not told again.
ObjDel "a"
ObjDel "b"
Wait , 50
SetProp "f", 2, "text.qil"
Calc done = 1
Label idle
Wait , 1000
Jump :idle
)"}});
    const std::string text = "this is a text file, not a picture";
    WriteFile(w.Path("src/text.qil"), std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<uint8_t> cut = Qil(Pattern, -1, false);
    cut.resize(cut.size() - 40);
    WriteFile(w.Path("src/cut.qil"), cut);
    WriteFile(w.Path("src/huge.qil"), HugeQil());
    WriteFile(w.Path("src/fine.qil"), Qil(Pattern, -1, false));
    w.Build("src", "game");
    const fs::path shot = w.Path("s.png");
    RunResult r =
        w.Play(w.Game("game") + " --frames 30 --dump-vars --screenshot 30:" + Quote(shot.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("done"), 1);
    auto count = [&](const std::string& s) {
        size_t n = 0;
        for (size_t at = r.err.find(s); at != std::string::npos; at = r.err.find(s, at + 1)) ++n;
        return n;
    };
    for (const char* file : {"text.qil", "cut.qil", "huge.qil", "missing.qil"})
        EXPECT_EQ(count(std::string(file) + ":"), 1u) << file << "\n" << r.err;
    EXPECT_EQ(count("fine.qil"), 0u) << r.err;
    // Nothing of them is on the screen.
    const std::vector<uint32_t> screen = ReadScreen(shot);
    ASSERT_FALSE(screen.empty());
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(screen[size_t(y) * kW + size_t(x)], 0u) << x << "," << y;
}

}  // namespace
}  // namespace vesk::e2e
