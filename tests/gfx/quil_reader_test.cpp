// Layered images: files made by the writer read back with every storage choice, the
// version conditions, composition, display preparation, and malformed files.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/error.h"
#include "base/tp_random.h"
#include "gfx/quil_codec.h"
#include "gfx_test_util.h"
#include "quil_test_util.h"

namespace vesk {
namespace {

using test::Pattern;
using test::Pixels;
using test::QuilBytes;
using test::RampPalette;
using test::WriteQuil;

// A list of one frame with one layer holding a pattern.
void OneLayer(TQuilFrameList& list, int32_t w, int32_t h, int bits, uint32_t seed = 1) {
    TQuilFrame& f = list.AddFrame(w, h, bits);
    if (bits <= 8) RampPalette(f.Picture());
    Pattern(f.AddLayer().Picture(), seed);
}

std::unique_ptr<TQuilFrameList> Read(const std::vector<uint8_t>& bytes, int32_t code = 0,
                                     bool firstOnly = false, bool retain = false,
                                     bool prepare = false) {
    auto list = std::make_unique<TQuilFrameList>(code);
    list->LoadFromBytes(bytes.data(), bytes.size(), firstOnly, retain, prepare);
    return list;
}

// ---- storage choices -----------------------------------------------------------------

struct StorageCase {
    const char* name;
    int bits;
    TQuilCompression compression;
    int32_t tileW, tileH;
    bool scramble;
};

TEST(QuilReader, ReadsBackEveryDepthAndStorage) {
    const StorageCase cases[] = {
        {"rows zlib", 24, TQuilCompression::Zlib, 0, 0, false},
        {"rows stored", 32, TQuilCompression::None, 0, 0, false},
        {"rows scrambled", 16, TQuilCompression::Zlib, 0, 0, true},
        {"tiles zlib", 15, TQuilCompression::Zlib, 32, 32, false},
        {"tiles stored", 8, TQuilCompression::None, 32, 32, false},
        {"tiles scrambled", 24, TQuilCompression::Zlib, 16, 8, true},
        {"4-bit tiles at odd columns", 4, TQuilCompression::None, 7, 5, false},
        {"1-bit tiles", 1, TQuilCompression::Zlib, 9, 4, true},
        {"1-bit rows", 1, TQuilCompression::None, 0, 0, false},
    };
    for (const auto& c : cases) {
        TQuilFrameList src(0x1234);
        OneLayer(src, 100, 50, c.bits);
        TQuilWriteOptions o;
        o.compression = c.compression;
        o.tileWidth = c.tileW;
        o.tileHeight = c.tileH;
        o.scramble = c.scramble;
        const auto bytes = WriteQuil(src, o);
        auto list = Read(bytes, 0x1234, false, true);
        ASSERT_EQ(list->Count(), 1u) << c.name;
        TQuilFrame& f = list->FrameAt(0);
        EXPECT_EQ(f.BitCount(), c.bits) << c.name;
        EXPECT_EQ(Pixels(f.Picture()), Pixels(src.FrameAt(0).LayerAt(0).Picture())) << c.name;
        if (c.bits <= 8) {
            TPalette a, b;
            f.Picture().GetPalette(a);
            src.FrameAt(0).Picture().GetPalette(b);
            EXPECT_EQ(a, b) << c.name;
        }
    }
}

TEST(QuilReader, ScrambleOrderDealsLikeTheGenerator) {
    for (int32_t code : {0, 1, 77, -5, 0x7FFFFFFF}) {
        for (int32_t n : {0, 1, 2, 3, 8, 100, 1000}) {
            TTpRandom r(code);
            r.Reset(n);
            std::vector<int32_t> expected;
            for (int32_t i = 0; i < n; ++i) expected.push_back(r.Next());
            EXPECT_EQ(quil::ScrambleOrder(code, n), expected) << code << " " << n;
        }
    }
}

TEST(QuilReader, TileGeometryCutsEdgeTiles) {
    const quil::TileGrid g(100, 50, 32, 32);
    EXPECT_EQ(g.cols, 4);
    EXPECT_EQ(g.rows, 2);
    EXPECT_EQ(g.Tile(3), (TRect{96, 0, 100, 32}));
    EXPECT_EQ(g.Tile(4), (TRect{0, 32, 32, 50}));
    EXPECT_EQ(g.Tile(7), (TRect{96, 32, 100, 50}));
}

// The stored tiled plane of frame `frame`, layer 0 of a stored (uncompressed) file: its
// directory entries.
std::vector<std::pair<int32_t, int32_t>> Directory(const std::vector<uint8_t>& file,
                                                   size_t planeOffset, int32_t entries) {
    std::vector<std::pair<int32_t, int32_t>> dir;
    ViewStream s(file);
    s.Seek(int64_t(planeOffset), SeekFrom::Begin);
    StreamReader r(s);
    for (int32_t i = 0; i < entries; ++i) {
        const int32_t a = r.I32();
        dir.emplace_back(a, r.I32());
    }
    return dir;
}

TEST(QuilReader, RepeatedTilesAreStoredAsReferences) {
    // Frame 0: the left half repeats one tile; frame 1 is frame 0 with one tile changed.
    TQuilFrameList src;
    for (int i = 0; i < 2; ++i) {
        TQuilFrame& f = src.AddFrame(64, 16, 32);
        TDIBX& pic = f.AddLayer().Picture();
        Pattern(pic, 3);
        pic.FillRect(TRect{0, 0, 32, 16}, 0x123456);
        if (i == 1) pic.FillRect(TRect{48, 0, 64, 16}, 0xABCDEF);
    }
    TQuilWriteOptions o;
    o.compression = TQuilCompression::None;
    o.tileWidth = 16;
    o.tileHeight = 16;
    const auto bytes = WriteQuil(src, o);
    // Magic 7, header 44, frame record 33 (empty name), layer record 22 + size 4.
    const size_t plane0 = 7 + 44 + 33 + 22 + 4;
    using E = std::pair<int32_t, int32_t>;
    EXPECT_EQ(Directory(bytes, plane0, 4), (std::vector<E>{{-1, 0}, {-2, 0}, {-1, 0}, {-1, 0}}));
    const int32_t plane0Size = 4 * 8 + 3 * 16 * 16 * 4;
    const size_t plane1 = plane0 + plane0Size + 4 /* mask size */ + 8 /* rects */ + 33 + 22 + 4;
    EXPECT_EQ(Directory(bytes, plane1, 4), (std::vector<E>{{0, 0}, {-2, 0}, {0, 0}, {-1, 0}}));

    // Scrambled with code 1 (order 1, 0, 3, 2): file entry i is the entry of tile order[i].
    TQuilFrameList scrambled(1);
    for (int i = 0; i < 2; ++i) scrambled.AppendFrame(src.ExtractFrame(0));
    o.scramble = true;
    const auto sbytes = WriteQuil(scrambled, o);
    EXPECT_EQ(Directory(sbytes, plane0, 4), (std::vector<E>{{-2, 0}, {-1, 0}, {-1, 0}, {-1, 0}}));
    auto slist = Read(sbytes, 1);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Pixels(slist->FrameAt(i).Picture()),
                  Pixels(scrambled.FrameAt(i).LayerAt(0).Picture()));
    }

    auto list = Read(bytes);
    ASSERT_EQ(list->Count(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Pixels(list->FrameAt(i).Picture()),
                  Pixels(scrambled.FrameAt(i).LayerAt(0).Picture()));
    }
}

TEST(QuilReader, ScrambledRowsFollowTheGeneratorOrder) {
    // Code 1 deals 1, 0, 2 for three rows: stored row i is picture row order[i].
    TQuilFrameList src(1);
    TQuilFrame& f = src.AddFrame(1, 3, 8);
    TDIBX& pic = f.AddLayer().Picture();
    for (int32_t y = 0; y < 3; ++y) pic.SetPixel(0, y, uint32_t(10 + y));
    TQuilWriteOptions o;
    o.compression = TQuilCompression::None;
    o.scramble = true;
    const auto bytes = WriteQuil(src, o);
    const size_t plane = 7 + 44 + 33 + 256 * 4 + 22 + 4;
    EXPECT_EQ(bytes[plane], 11);
    EXPECT_EQ(bytes[plane + 4], 10);
    EXPECT_EQ(bytes[plane + 8], 12);

    EXPECT_EQ(Pixels(Read(bytes, 1)->FrameAt(0).Picture()), (std::vector<uint32_t>{10, 11, 12}));
    // Without the code the rows come out in the stored order; nothing tells the difference.
    EXPECT_EQ(Pixels(Read(bytes, 0)->FrameAt(0).Picture()), (std::vector<uint32_t>{11, 10, 12}));
}

TEST(QuilReader, ScramblingWithoutACodeIsRefused) {
    TQuilFrameList src(0);
    OneLayer(src, 4, 4, 24);
    TQuilWriteOptions o;
    o.scramble = true;
    try {
        WriteQuil(src, o);
        FAIL() << "no error";
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("識別コードを設定してください"));
    }
}

TEST(QuilReader, JpegColourPlanesWithZlibMasks) {
    TQuilFrameList src;
    TQuilFrame& f = src.AddFrame(40, 24, 32);
    TQuilLayer& l = f.AddLayer();
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 40; ++x)
            l.Picture().SetPixel(x, y, uint32_t(x * 6) << 16 | uint32_t(y * 10));
    }
    TDIBX& m = l.EnsureMask();
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 40; ++x) m.SetPixel(x, y, uint32_t((x * 7 + y) & 255));
    }
    l.maskEnabled = true;
    TQuilWriteOptions o;
    o.compression = TQuilCompression::Jpeg;
    o.jpegQuality = 95;
    o.tileWidth = 16;  // JPEG planes are never tiled; the masks neither
    o.tileHeight = 16;
    auto list = Read(WriteQuil(src, o), 0, false, true);
    TQuilFrame& g = list->FrameAt(0);
    EXPECT_EQ(g.LayerAt(0).Picture().BitCount(), 24);
    EXPECT_EQ(g.BitCount(), 32);
    int worst = 0;
    for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
            const uint32_t a = g.Picture().GetPixel(x, y), b = l.Picture().GetPixel(x, y);
            for (int sh = 0; sh < 24; sh += 8) {
                worst = std::max(worst, std::abs(int(a >> sh & 255) - int(b >> sh & 255)));
            }
        }
    }
    EXPECT_LE(worst, 12);
    ASSERT_NE(g.Mask(), nullptr);
    EXPECT_EQ(Pixels(*g.Mask()), Pixels(m));
}

// ---- versions ------------------------------------------------------------------------

// Two frames of two layers; layer 1 of each has a mask and is half transparent.
void MaskedList(TQuilFrameList& list) {
    for (int i = 0; i < 2; ++i) {
        TQuilFrame& f = list.AddFrame(6, 4, 24);
        f.name = "f" + std::to_string(i);
        f.delay = 40 + i;
        f.rects1 = {TRect{1, 2, 3, 4}};
        TQuilLayer& base = f.AddLayer();
        base.Picture().Clear(0x102030);
        TQuilLayer& top = f.AddLayer();
        top.Picture().Clear(0xF0E0D0);
        TDIBX& m = top.EnsureMask();
        m.Clear(0);
        m.FillRect(TRect{0, 0, 3, 4}, 255);
        top.maskEnabled = true;
    }
}

TEST(QuilReader, VersionConditions) {
    struct Case {
        int32_t version;
        bool masksUsed;
        bool rects;
    };
    // 102: no header record, masks present; 100: no mask switch (masks used); 99: no masks.
    const Case cases[] = {{106, true, true},  {104, true, true},  {103, true, false},
                          {102, true, false}, {101, true, false}, {100, true, false},
                          {99, false, false}, {0, false, false}};
    for (const auto& c : cases) {
        TQuilFrameList src;
        MaskedList(src);
        TQuilWriteOptions o;
        o.version = c.version;
        auto list = Read(WriteQuil(src, o));
        EXPECT_EQ(list->version, c.version);
        ASSERT_EQ(list->Count(), 2u) << c.version;
        TQuilFrame& f = list->FrameAt(1);
        EXPECT_EQ(f.name, "f1");
        EXPECT_EQ(f.delay, 41);
        EXPECT_EQ(f.Picture().GetPixel(0, 0), 0xF0E0D0u) << c.version;
        EXPECT_EQ(f.Picture().GetPixel(5, 0), c.masksUsed ? 0x102030u : 0xF0E0D0u) << c.version;
        EXPECT_EQ(f.rects1.size(), c.rects ? 1u : 0u) << c.version;
    }
}

TEST(QuilReader, HeaderRecordShorterThanFortyBytesLeavesTheRestZero) {
    QuilBytes q(106);
    q.Header(1, 1, 0, 0, 20);  // compression, tiles and colour cut off: zlib rows
    q.Frame(1, 2, 1, 8);
    TDIBX pic(2, 1, 8);
    pic.SetPixel(0, 0, 7);
    pic.SetPixel(1, 0, 9);
    const auto rows = quil::Deflate(pic.PixelAddress(0, 0), 4, 6);
    std::vector<uint8_t> pal(1024, 0);
    q.W().Raw(pal.data(), pal.size());
    q.Layer(rows);
    q.NoRects();
    auto list = Read(q.Bytes());
    EXPECT_EQ(Pixels(list->FrameAt(0).Picture()), (std::vector<uint32_t>{7, 9}));
}

TEST(QuilReader, FirstFrameOnly) {
    TQuilFrameList src;
    for (int i = 0; i < 12; ++i) OneLayer(src, 8, 8, 16, uint32_t(i));
    const auto bytes = WriteQuil(src);
    EXPECT_EQ(Read(bytes)->Count(), 12u);
    auto first = Read(bytes, 0, true);
    ASSERT_EQ(first->Count(), 1u);
    EXPECT_EQ(Pixels(first->FrameAt(0).Picture()), Pixels(src.FrameAt(0).LayerAt(0).Picture()));
}

// ---- composition ---------------------------------------------------------------------

TEST(QuilReader, ComposesLayersByTheirRules) {
    TQuilFrameList src;
    src.backgroundColor = 0x0000FF;  // red, as 0x00BBGGRR
    TQuilFrame& f = src.AddFrame(5, 1, 32);
    TQuilLayer& keyed = f.AddLayer();  // copies, skipping its transparent colour
    keyed.Picture().Clear(0x000011);
    keyed.Picture().SetPixel(1, 0, 0x00ABCD);
    keyed.transparentColor = 0x000011;
    TQuilLayer& hidden = f.AddLayer();
    hidden.visible = false;
    hidden.Picture().Clear(0xFFFFFF);
    TQuilLayer& half = f.AddLayer();  // blends with opacity 128 where not transparent
    half.Picture().Clear(0x000011);
    half.Picture().SetPixel(3, 0, 0x808080);
    half.transparentColor = 0x000011;
    half.opacity = 128;
    auto list = Read(WriteQuil(src));
    const uint32_t bg = 0xFF0000;
    const uint32_t blend =
        ((0xFF * 127 + 0x80 * 128) >> 8) << 16 | ((0x80 * 128) >> 8) << 8 | ((0x80 * 128) >> 8);
    EXPECT_EQ(Pixels(list->FrameAt(0).Picture()),
              (std::vector<uint32_t>{bg, 0x00ABCD, bg, blend, bg}));
}

TEST(QuilReader, FirstLayerOpaqueFlagFromVersion105) {
    // An opaque first layer is copied whole, its transparent colour included.
    TQuilFrameList src;
    src.firstLayerOpaque = true;
    src.backgroundColor = 0x00FF00;
    TQuilFrame& f = src.AddFrame(2, 1, 24);
    TQuilLayer& l = f.AddLayer();
    l.Picture().SetPixel(1, 0, 0x445566);
    l.transparentColor = 0;
    for (int32_t version : {104, 105}) {
        TQuilWriteOptions o;
        o.version = version;
        auto list = Read(WriteQuil(src, o));
        EXPECT_EQ(list->firstLayerOpaque, version >= 105);
        EXPECT_EQ(list->FrameAt(0).Picture().GetPixel(0, 0), version >= 105 ? 0u : 0x00FF00u);
    }
}

TEST(QuilReader, FirstVisibleMaskBecomesTheFrameMask) {
    TQuilFrameList src;
    MaskedList(src);
    // Make layer 0 of frame 0 invisible: layer 1 is then the first visible one.
    src.FrameAt(0).LayerAt(0).visible = false;
    auto list = Read(WriteQuil(src), 0, false, true);
    TQuilFrame& f0 = list->FrameAt(0);
    ASSERT_NE(f0.Mask(), nullptr);
    EXPECT_EQ(Pixels(*f0.Mask()), Pixels(*src.FrameAt(0).LayerAt(1).Mask()));
    EXPECT_EQ(f0.LayerAt(1).transparentColor, -1);
    EXPECT_EQ(list->FrameAt(1).Mask(), nullptr);
    // Without retaining, the layers are gone after reading.
    EXPECT_EQ(Read(WriteQuil(src))->FrameAt(0).LayerCount(), 0u);
}

TEST(QuilReader, FrameWithoutLayersShowsTheNearestBackground) {
    // Palette entry 3 is pure red; the background colour is nearly so.
    QuilBytes q(106);
    q.Header(1);
    q.Frame(0, 2, 1, 8);
    std::vector<uint8_t> p(1024, 0);
    p[3 * 4 + 2] = 255;
    q.W().Raw(p.data(), p.size());
    q.NoRects();
    std::vector<uint8_t> bytes = q.Bytes();
    // Background colour at record offset 24: magic 7 + size 4 + 24.
    bytes[7 + 4 + 24] = 0xFE;
    EXPECT_EQ(Pixels(Read(bytes)->FrameAt(0).Picture()), (std::vector<uint32_t>{3, 3}));
}

// ---- display preparation -------------------------------------------------------------

TEST(QuilReader, PreparedIndexedFrameGetsMaskAndColourKey) {
    TQuilFrameList src;
    TQuilFrame& f = src.AddFrame(3, 2, 8);
    RampPalette(f.Picture());
    f.SetTransparent(5);
    TDIBX& pic = f.AddLayer().Picture();
    const std::vector<uint32_t> idx = {1, 5, 2, 5, 5, 9};
    for (int i = 0; i < 6; ++i) pic.SetPixel(i % 3, i / 3, idx[size_t(i)]);
    auto list = Read(WriteQuil(src), 0, false, false, true);
    TQuilFrame& g = list->FrameAt(0);
    ASSERT_NE(g.Mask(), nullptr);
    EXPECT_EQ(Pixels(*g.Mask()), (std::vector<uint32_t>{255, 0, 255, 0, 0, 255}));
    EXPECT_EQ(g.BitCount(), 24);
    const uint32_t colour5 = g.Picture().GetPixel(1, 0);
    EXPECT_EQ(colour5, (35u << 16) | (250u << 8) | 5u);
    EXPECT_EQ(g.Transparent(), int32_t(colour5));
    EXPECT_EQ(g.TransparentColor(), int32_t(colour5));
}

TEST(QuilReader, PreparationConvertsToTheTargetDepth) {
    TQuilFrameList src;
    TQuilFrame& f = src.AddFrame(2, 1, 24);
    f.SetTransparent(0x00FF00);
    TDIBX& pic = f.AddLayer().Picture();
    pic.SetPixel(0, 0, 0x00FF00);
    pic.SetPixel(1, 0, 0xFF0000);
    const auto bytes = WriteQuil(src);
    TQuilFrameList list;
    list.targetBits = 16;
    list.LoadFromBytes(bytes.data(), bytes.size(), false, true, true);
    TQuilFrame& g = list.FrameAt(0);
    EXPECT_EQ(g.BitCount(), 16);
    EXPECT_EQ(g.LayerAt(0).Picture().BitCount(), 16);
    EXPECT_EQ(Pixels(g.Picture()), (std::vector<uint32_t>{0x07E0, 0xF800}));
    EXPECT_EQ(g.Transparent(), 0x07E0);
    EXPECT_EQ(Pixels(*g.Mask()), (std::vector<uint32_t>{0, 255}));
}

// ---- surfaces ------------------------------------------------------------------------

TEST(QuilReader, CopiesFramesAndMasksToSurfaces) {
    TQuilFrameList list;
    TQuilFrame& f = list.AddFrame(2, 1, 32);
    f.Picture().SetPixel(0, 0, 0xAB123456);  // a fourth byte that means nothing
    f.Picture().SetPixel(1, 0, 0x00FFFFFF);
    TDIBX s32(1, 1, 32);
    list.CopyToSurface(0, s32);
    EXPECT_EQ(Pixels(s32), (std::vector<uint32_t>{0x123456, 0xFFFFFF}));
    TDIBX s16(1, 1, 16);
    list.CopyToSurface(0, s16);
    EXPECT_EQ(Pixels(s16), (std::vector<uint32_t>{0x11AA, 0xFFFF}));

    TDIBX mask(1, 1, 32);
    EXPECT_FALSE(list.CopyMaskToSurface(0, mask));
    EXPECT_EQ(mask.Width(), 1);
    f.EnsureMask().SetPixel(1, 0, 0x40);
    EXPECT_TRUE(list.CopyMaskToSurface(0, mask));
    EXPECT_EQ(mask.BitCount(), 8);
    EXPECT_EQ(Pixels(mask), (std::vector<uint32_t>{255, 0x40}));
}

TEST(QuilReader, IndexedFrameIntoAnIndexedSurfaceKeepsItsPalette) {
    TQuilFrameList list;
    TQuilFrame& f = list.AddFrame(2, 1, 8);
    RampPalette(f.Picture());
    f.Picture().SetPixel(1, 0, 200);
    TDIBX s(1, 1, 8);
    list.CopyToSurface(0, s);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0, 200}));
    EXPECT_EQ(s.PaletteRgb()[200], f.Picture().PaletteRgb()[200]);
}

// ---- malformed files -----------------------------------------------------------------

void ExpectBroken(const std::vector<uint8_t>& bytes, const std::string& why) {
    TQuilFrameList list;
    list.memoryLimit = int64_t(64) << 20;
    EXPECT_THROW(list.LoadFromBytes(bytes.data(), bytes.size(), false, true, true), VeskError)
        << why;
    EXPECT_EQ(list.Count(), 0u) << why;
}

TEST(QuilReader, EveryCutOfAFileIsAnError) {
    TQuilFrameList src;
    MaskedList(src);
    OneLayer(src, 6, 4, 24);
    TQuilWriteOptions o;
    o.tileWidth = 4;
    o.tileHeight = 3;
    const auto bytes = WriteQuil(src, o);
    for (size_t n = 0; n < bytes.size(); ++n) {
        ExpectBroken(std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(n)),
                     "cut at " + std::to_string(n));
    }
}

// A one-frame 8 x 2 32-bit file with 4 x 1 tiles (4 tiles), stored, with this plane.
std::vector<uint8_t> TiledFile(const std::vector<std::pair<int32_t, int32_t>>& dir,
                               size_t dataBytes, int32_t frames = 1) {
    QuilBytes q(106);
    q.Header(frames, 1, 4, 1);
    for (int32_t i = 0; i < frames; ++i) {
        q.Frame(1, 8, 2, 32);
        MemoryStream plane;
        StreamWriter w(plane);
        for (const auto& e : dir) {
            w.I32(e.first);
            w.I32(e.second);
        }
        std::vector<uint8_t> data(dataBytes, 0x5A);
        w.Raw(data.data(), data.size());
        q.Layer(plane.Bytes());
        q.NoRects();
    }
    return q.Bytes();
}

TEST(QuilReader, MalformedFilesAreErrors) {
    using Dir = std::vector<std::pair<int32_t, int32_t>>;
    const Dir ok = {{-1, 0}, {-2, 0}, {-1, 0}, {-2, 2}};
    {
        auto list = Read(TiledFile(ok, 32));
        EXPECT_EQ(list->FrameAt(0).Picture().GetPixel(7, 1) & 0xFFFFFF, 0x5A5A5Au);
    }
    ExpectBroken(TiledFile(ok, 31), "tile data cut short");
    ExpectBroken(TiledFile({{-1, 0}, {-2, 1}, {-1, 0}, {-1, 0}}, 48), "repeat of itself");
    ExpectBroken(TiledFile({{-1, 0}, {-2, 3}, {-1, 0}, {-1, 0}}, 48), "forward repeat");
    ExpectBroken(TiledFile({{-1, 0}, {0, 0}, {-1, 0}, {-1, 0}}, 48), "copy of the layer itself");
    ExpectBroken(TiledFile({{-1, 0}, {1, 0}, {-1, 0}, {-1, 0}}, 48, 2), "copy from a later frame");
    ExpectBroken(TiledFile({{-1, 0}, {-3, 0}, {-1, 0}, {-1, 0}}, 48), "unknown entry");
    ExpectBroken(TiledFile({{-1, 0}}, 0), "directory cut short");

    auto withHeaderSize = [](int32_t size) {
        QuilBytes q(106);
        q.Header(0, 1, 0, 0, std::min(size, 40));
        auto b = q.Bytes();
        b[7] = uint8_t(size);
        return b;
    };
    EXPECT_EQ(Read(withHeaderSize(40))->Count(), 0u);
    ExpectBroken(withHeaderSize(41), "header size 41");

    auto frame = [](int32_t w, int32_t h, int32_t bits, size_t tail) {
        QuilBytes q(106);
        q.Header(1);
        q.Frame(0, w, h, bits);
        std::vector<uint8_t> rest(tail, 0);
        q.W().Raw(rest.data(), rest.size());
        return q.Bytes();
    };
    EXPECT_EQ(Read(frame(2, 2, 8, 1024 + 8))->Count(), 1u);
    ExpectBroken(frame(2, 2, 8, 1000), "palette cut short");
    ExpectBroken(frame(100000, 100000, 32, 8), "size that overflows");
    ExpectBroken(frame(-1, 5, 32, 8), "negative width");
    ExpectBroken(frame(4, 4, 12, 8), "depth 12");
    ExpectBroken(frame(8000, 8000, 32, 8), "beyond the memory limit");

    QuilBytes counts(106);
    counts.Header(0x7FFFFFFF);
    ExpectBroken(counts.Bytes(), "frame count beyond the data");

    QuilBytes zlib(106);
    zlib.Header(1, 0);
    zlib.Frame(1, 4, 4, 32);
    zlib.Layer({0x78, 0x9C, 0xFF, 0xFF, 0x00, 0x01});
    zlib.NoRects();
    ExpectBroken(zlib.Bytes(), "broken zlib data");

    QuilBytes jpeg(106);
    jpeg.Header(1, 2);
    jpeg.Frame(1, 4, 4, 32);
    jpeg.Layer({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
    jpeg.NoRects();
    ExpectBroken(jpeg.Bytes(), "broken JPEG data");

    QuilBytes small(106);
    small.Header(1, 2);
    small.Frame(1, 4, 4, 32);
    TDIBX two(2, 2, 24);
    small.Layer(quil::EncodeJpeg(two, 90));
    small.NoRects();
    ExpectBroken(small.Bytes(), "JPEG plane of another size");

    std::vector<uint8_t> badVersion = {'Q', 'u', 'i', 'l', '1', 'x', '6'};
    ExpectBroken(badVersion, "version not a number");
}

}  // namespace
}  // namespace vesk
