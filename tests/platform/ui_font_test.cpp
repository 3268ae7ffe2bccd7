// UTF-8 decoding, and text drawn with the UI font into a pixel buffer.
#include "platform/ui_font.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace vesk {
namespace {

TEST(NextCodePointTest, DecodesAndReplacesMalformedSequences) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<char32_t> points;
    };
    const Case cases[] = {
        {"ascii", "Ok", {U'O', U'k'}},
        {"two, three and four bytes",
         "\xC3\xA9\xE7\xB5\x82\xF0\x9F\x98\x80",
         {0xE9, 0x7D42, 0x1F600}},
        {"overlong slash",
         "\xC0\xAF"
         "a",
         {0xFFFD, 0xFFFD, U'a'}},
        {"surrogate", "\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},
        {"above U+10FFFF", "\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
        {"stray continuation", "\x80z", {0xFFFD, U'z'}},
        {"cut short at the end", "a\xE7\xB5", {U'a', 0xFFFD, 0xFFFD}},
        {"lead byte before ascii",
         "\xE7"
         "ab",
         {0xFFFD, U'a', U'b'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char32_t> got;
        for (size_t pos = 0; pos < c.text.size();) {
            size_t before = pos;
            got.push_back(NextCodePoint(c.text, pos));
            ASSERT_GT(pos, before);
        }
        EXPECT_EQ(got, c.points);
    }
}

TEST(UiFontTest, MissingOrBrokenFontFilesFailWithAMessage) {
    std::string error;
    EXPECT_EQ(TUiFont::OpenFile("/nonexistent/font.ttf", 12, &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos) << error;
    const std::string junk = ::testing::TempDir() + "ui_font_junk.ttf";
    { std::ofstream(junk, std::ios::binary) << "not a font at all"; }
    error.clear();
    EXPECT_EQ(TUiFont::OpenFile(junk, 12, &error), nullptr);
    EXPECT_FALSE(error.empty());
    std::remove(junk.c_str());
}

TEST(UiFontTest, NoFontFoundIsAnErrorNotACrash) {
    // A fontconfig setup that knows no font folder at all.
    const std::string conf = ::testing::TempDir() + "ui_font_empty_fonts.conf";
    { std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n"; }
    const char* old = std::getenv("FONTCONFIG_FILE");
    const std::string saved = old ? old : "";
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    std::string error;
    auto font = TUiFont::Open(12, &error);
    if (old)
        setenv("FONTCONFIG_FILE", saved.c_str(), 1);
    else
        unsetenv("FONTCONFIG_FILE");
    std::remove(conf.c_str());
    EXPECT_EQ(font, nullptr);
    EXPECT_NE(error.find("no font"), std::string::npos) << error;
}

class UiFontDrawTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        font_ = TUiFont::Open(12, &error);
        if (!font_) GTEST_SKIP() << "no Japanese font: " << error;
    }
    std::unique_ptr<TUiFont> font_;
};

TEST_F(UiFontDrawTest, MeasuresProportionally) {
    EXPECT_EQ(font_->Measure(""), 0);
    EXPECT_GT(font_->LineHeight(), 0);
    EXPECT_GT(font_->Ascent(), 0);
    EXPECT_LE(font_->Ascent(), font_->LineHeight());
    // A kanji is about one em wide; a proportional "i" is much narrower than a "W".
    const int32_t kanji = font_->Measure("終");
    EXPECT_GE(kanji, 9);
    EXPECT_LE(kanji, 14);
    EXPECT_LT(font_->Measure("i"), font_->Measure("W"));
    EXPECT_EQ(font_->Measure("終了"), kanji + font_->Measure("了"));
}

TEST_F(UiFontDrawTest, BlendsInsideTheClipOnly) {
    constexpr int32_t W = 40, H = 20;
    constexpr uint32_t kBack = 0x203040, kInk = 0xF0E0D0;
    std::vector<uint32_t> px(W * H, kBack);
    TPixelBuffer buf{px.data(), W * 4, W, H};
    const TRect clip{0, 0, 12, H};
    const int32_t end = font_->Draw(buf, clip, 0, 2, "終了", kInk);
    EXPECT_EQ(end, font_->Measure("終了"));
    int inked = 0, full = 0;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const uint32_t p = px[size_t(y) * W + x];
            if (p == kBack) continue;
            ASSERT_LT(x, clip.right) << "drawn outside the clip at " << x << "," << y;
            ++inked;
            if (p == kInk) ++full;
            // Every blended pixel lies between the background and the ink, channel by channel.
            for (int shift : {16, 8, 0}) {
                const uint32_t c = (p >> shift) & 0xFF, lo = (kBack >> shift) & 0xFF,
                               hi = (kInk >> shift) & 0xFF;
                EXPECT_GE(c, lo);
                EXPECT_LE(c, hi);
            }
        }
    EXPECT_GT(inked, 10);
    EXPECT_GT(full, 0) << "no pixel fully covered";
}

TEST_F(UiFontDrawTest, TextPartlyOffTheBufferIsCut) {
    constexpr int32_t W = 16, H = 8;
    std::vector<uint32_t> px(W * H + 8, 0);  // the tail catches writes past the buffer
    TPixelBuffer buf{px.data(), W * 4, W, H};
    const TRect everywhere{-1000, -1000, 1000, 1000};
    for (auto [x, y] : {std::pair{-6, -6}, {10, 2}, {-100, 0}, {0, 100}, {12, -10}})
        font_->Draw(buf, everywhere, x, y, "画面切替", 0xFFFFFF);
    for (size_t i = W * H; i < px.size(); ++i) EXPECT_EQ(px[i], 0u);
    // Nothing at all with a null buffer.
    font_->Draw(TPixelBuffer{}, everywhere, 0, 0, "終了", 0xFFFFFF);
}

}  // namespace
}  // namespace vesk
