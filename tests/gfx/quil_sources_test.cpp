// PNG and BMP pictures as one-frame lists, the choice of reader by file name.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "base/stream.h"
#include "gfx/quil_codec.h"
#include "gfx_test_util.h"
#include "quil_test_util.h"

namespace vesk {
namespace {

using test::Pixels;

TEST(QuilSources, PngOpacityBecomesTheMask) {
    const std::vector<uint8_t> rgba = {10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 128};
    const auto png = quil::EncodePlainPng(3, 1, 6, rgba.data());
    TQuilFrameList list;
    list.LoadFromPng(png.data(), png.size());
    ASSERT_EQ(list.Count(), 1u);
    TQuilFrame& f = list.FrameAt(0);
    EXPECT_EQ(Pixels(f.Picture()), (std::vector<uint32_t>{0x0A141E, 0x28323C, 0x46505A}));
    ASSERT_NE(f.Mask(), nullptr);
    EXPECT_EQ(Pixels(*f.Mask()), (std::vector<uint32_t>{255, 0, 128}));
    EXPECT_EQ(f.Transparent(), -1);
}

TEST(QuilSources, PngSingleTransparentColour) {
    // RGB with a tRNS colour: the frame's transparent value is its pixel value.
    const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6};
    const auto png = quil::EncodePlainPng(2, 1, 2, rgb.data(), {}, {0, 4, 0, 5, 0, 6});
    TQuilFrameList list;
    list.LoadFromPng(png.data(), png.size(), true);
    TQuilFrame& f = list.FrameAt(0);
    EXPECT_EQ(f.Transparent(), 0x040506);
    ASSERT_NE(f.Mask(), nullptr);  // prepared: the key made a mask
    EXPECT_EQ(Pixels(*f.Mask()), (std::vector<uint32_t>{255, 0}));

    // A palette whose one entry is fully transparent keys that index; partial opacities
    // make a mask instead.
    const std::vector<uint8_t> idx = {0, 1, 2};
    const std::vector<uint8_t> plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    const auto keyed = quil::EncodePlainPng(3, 1, 3, idx.data(), plte, {255, 0});
    list.LoadFromPng(keyed.data(), keyed.size());
    EXPECT_EQ(list.FrameAt(0).BitCount(), 8);
    EXPECT_EQ(list.FrameAt(0).Transparent(), 1);
    EXPECT_EQ(list.FrameAt(0).TransparentColor(), 0x00FF00);
    EXPECT_EQ(list.FrameAt(0).Mask(), nullptr);
    const auto partial = quil::EncodePlainPng(3, 1, 3, idx.data(), plte, {255, 0, 100});
    list.LoadFromPng(partial.data(), partial.size());
    EXPECT_EQ(list.FrameAt(0).Transparent(), -1);
    ASSERT_NE(list.FrameAt(0).Mask(), nullptr);
    EXPECT_EQ(Pixels(*list.FrameAt(0).Mask()), (std::vector<uint32_t>{255, 0, 100}));
}

// A 32-bit BMP, bottom-up, of one row: blue, green, red, fourth byte per pixel.
std::vector<uint8_t> Bmp32(const std::vector<uint8_t>& bgra) {
    MemoryStream out;
    StreamWriter w(out);
    const uint32_t w32 = uint32_t(bgra.size() / 4);
    w.U8('B');
    w.U8('M');
    w.U32(uint32_t(54 + bgra.size()));
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.I32(int32_t(w32));
    w.I32(1);
    w.U16(1);
    w.U16(32);
    for (int i = 0; i < 6; ++i) w.U32(0);
    w.Raw(bgra.data(), bgra.size());
    return std::move(out.Bytes());
}

TEST(QuilSources, BmpFourthByteBecomesTheMask) {
    const auto bmp = Bmp32({1, 2, 3, 200, 4, 5, 6, 0});
    TQuilFrameList list;
    list.LoadFromBmp(bmp.data(), bmp.size());
    TQuilFrame& f = list.FrameAt(0);
    EXPECT_EQ(f.BitCount(), 24);
    EXPECT_EQ(Pixels(f.Picture()), (std::vector<uint32_t>{0x030201, 0x060504}));
    ASSERT_NE(f.Mask(), nullptr);
    EXPECT_EQ(Pixels(*f.Mask()), (std::vector<uint32_t>{200, 0}));
    // Fourth bytes all 0 carry no opacity: no mask rather than an invisible picture.
    const auto plain = Bmp32({1, 2, 3, 0, 4, 5, 6, 0});
    list.LoadFromBmp(plain.data(), plain.size());
    EXPECT_EQ(list.FrameAt(0).Mask(), nullptr);
}

TEST(QuilSources, FileNameChoosesTheReader) {
    const auto dir = std::filesystem::path(testing::TempDir()) / "quil_sources";
    std::filesystem::create_directories(dir);
    TQuilFrameList src;
    src.AddFrame(2, 2, 24).AddLayer().Picture().Clear(0x112233);
    const auto qil = test::WriteQuil(src);
    const auto other = (dir / "picture.dat").string();
    const auto upper = (dir / "PICTURE.QIL").string();
    WriteFileAtomic(other, qil.data(), qil.size());
    WriteFileAtomic(upper, qil.data(), qil.size());
    TQuilFrameList list;
    EXPECT_FALSE(list.LoadFromFile(other));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(list.LoadFromFile(upper));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.FrameAt(0).Picture().GetPixel(1, 1), 0x112233u);
    // By content instead: layered, PNG and BMP data; anything else is not a picture.
    const std::vector<uint8_t> rgb = {1, 2, 3};
    const auto png = quil::EncodePlainPng(1, 1, 2, rgb.data());
    const auto bmp = Bmp32({1, 2, 3, 0});
    for (const auto* data : {&qil, &png, &bmp}) {
        EXPECT_TRUE(list.LoadFromData(data->data(), data->size()));
        EXPECT_EQ(list.Count(), 1u);
    }
    const std::vector<uint8_t> junk = {'G', 'I', 'F', '8'};
    EXPECT_FALSE(list.LoadFromData(junk.data(), junk.size()));
    EXPECT_EQ(list.Count(), 0u);
    std::filesystem::remove_all(dir);
}

TEST(QuilSources, StreamsInMemoryAndElsewhereReadAlike) {
    TQuilFrameList src;
    src.AddFrame(3, 2, 16).AddLayer().Picture().Clear(0x1234);
    auto bytes = test::WriteQuil(src);
    bytes.insert(bytes.begin(), {9, 9});  // the picture starts inside the stream
    MemoryStream mem(bytes);
    ViewStream view(bytes);
    for (Stream* s : {static_cast<Stream*>(&mem), static_cast<Stream*>(&view)}) {
        s->Seek(2, SeekFrom::Begin);
        TQuilFrameList list;
        list.LoadFromStream(*s);
        ASSERT_EQ(list.Count(), 1u);
        EXPECT_EQ(Pixels(list.FrameAt(0).Picture()), std::vector<uint32_t>(6, 0x1234));
        EXPECT_EQ(s->Remaining(), 0);
    }
}

TEST(QuilSources, SurfaceLoaderReadsTheFirstFrame) {
    TQuilFrameList src;
    for (uint32_t c : {0xFF0000u, 0x0000FFu}) src.AddFrame(2, 1, 24).AddLayer().Picture().Clear(c);
    const auto bytes = test::WriteQuil(src);
    TDIBX s(1, 1, 16);
    ViewStream in(bytes);
    EXPECT_TRUE(s.LoadFromStream(in));
    EXPECT_EQ(s.BitCount(), 16);
    EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0xF800, 0xF800}));
    // A broken layered image is an error and leaves no picture behind.
    auto cut = bytes;
    cut.resize(90);  // inside the first frame
    ViewStream cutIn(cut);
    TDIBX t(3, 3, 32);
    EXPECT_THROW(t.LoadFromStream(cutIn), VeskError);
    EXPECT_EQ(t.Width(), 3);
}

}  // namespace
}  // namespace vesk
