// TTpWord's revelation: which glyphs show in which frame with TextDelay and WAIT, the fade
// with FadeTime, the events, the caret, pausing and the visible height.
#include <gtest/gtest.h>

#include "font_fixture.h"
#include "text/tp_word.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using namespace test;

struct Reveal {
    Reveal() : fonts(std::make_unique<TBoxRasterizer>()), word(TTextServices{.Fonts = &fonts}) {
        word.FontSize = 16;
        word.EventsEnabled = true;
        word.OnEvent = [this](const std::string& e) { events.push_back(Cp932ToUtf8(e)); };
    }
    TWdPage& Lay(const std::string& utf8) {
        word.SetText({J(utf8)});
        pages.clear();
        word.Layout(pages);
        return *pages.at(0);
    }
    // The text revealed in each of `frames` frames of `ms` milliseconds, "|" between frames.
    std::string Frames(TWdPage& page, int frames, int32_t ms) {
        std::string r;
        for (int i = 0; i < frames; ++i) {
            if (i) r += "|";
            r += Cp932ToUtf8(word.Step(page, ms));
        }
        return r;
    }
    std::vector<int32_t> Opacities(const TWdPage& page) {
        std::vector<int32_t> r;
        for (const TWdGlyph* g : page.Order)
            if (g->Kind() == wkChar) r.push_back(g->Opacity);
        return r;
    }
    TFontPixelManager fonts;
    TTpWord word;
    TWdPages pages;
    std::vector<std::string> events;
};

TEST(TextReveal, TextDelayAndWaitsSpaceTheGlyphs) {
    struct Case {
        int32_t textDelay;
        const char* text;
        const char* frames;  // 6 frames of 20 ms
    } cases[] = {
        // No delay: everything in view at once.
        {0, "あいう", "あいう|||||"},
        {-1, "あいう", "あいう|||||"},
        // 50 * 256 / 256 = 50 ms a glyph; the first shows without delay.
        {256, "あいう", "あ|||い||う"},
        {128, "あいう", "あ||い|う||"},
        // A negative WAIT is milliseconds, whatever the delay (unless it is negative).
        {0, "<WAIT VALUE=-30>あいう", "あ||い|う||"},
        {1000, "<WAIT VALUE=-30>あいう", "あ||い|う||"},
        {-1, "<WAIT VALUE=-30>あいう", "あいう|||||"},
        {256, "<WAIT VALUE=0>あい</WAIT>う", "あいう|||||"},
        {256, "あ<WAIT VALUE=0>いう", "あ|||いう||"},
    };
    for (const Case& c : cases) {
        Reveal r;
        r.word.FadeTime = 0;
        r.word.TextDelay = c.textDelay;
        TWdPage& page = r.Lay(c.text);
        EXPECT_EQ(r.Frames(page, 6, 20), c.frames) << c.textDelay << " " << c.text;
    }
}

TEST(TextReveal, FadeTimeBringsGlyphsInAfterAFrameThatOnlyShows) {
    Reveal r;
    r.word.TextDelay = 0;
    r.word.FadeTime = 100;
    TWdPage& page = r.Lay("あい");
    // The frame after a reset only shows.
    EXPECT_EQ(r.word.Step(page, 20), "");
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{0, 0}));
    // Revealed, at opacity 0 (the first frame counts no time).
    EXPECT_EQ(Cp932ToUtf8(r.word.Step(page, 20)), "あい");
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{0, 0}));
    EXPECT_TRUE(r.word.IsRunning(page));
    // 50 ms of 100: 50 * 256 / 100 = 128.
    r.word.Step(page, 50);
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{128, 128}));
    EXPECT_FALSE(r.word.IsComplete(page));
    // The remainder carries: 30 ms more is (30 * 256 + 0) / 100 = 76.
    r.word.Step(page, 30);
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{204, 204}));
    r.word.Step(page, 30);
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{255, 255}));
    EXPECT_TRUE(r.word.IsComplete(page));
    EXPECT_FALSE(r.word.IsRunning(page));

    // FadeTime 0: opaque in the frame they are revealed.
    Reveal z;
    z.word.FadeTime = 0;
    TWdPage& p0 = z.Lay("あい");
    z.word.Step(p0, 16);
    EXPECT_EQ(z.Opacities(p0), (std::vector<int32_t>{255, 255}));
    EXPECT_TRUE(z.word.IsComplete(p0));
}

TEST(TextReveal, EventsInARowFireTogetherInTextOrderAfterTheFade) {
    Reveal r;
    r.word.TextDelay = 0;
    r.word.FadeTime = 40;
    TWdPage& page = r.Lay("あ<EVENT VALUE=one><EVENT VALUE=\"two\" END>い<EVENT VALUE=three>");
    r.word.Step(page, 20);  // shows only
    EXPECT_EQ(Cp932ToUtf8(r.word.Step(page, 20)), "あ");
    EXPECT_TRUE(r.events.empty());
    // The text stops at the events until they have fired.
    EXPECT_EQ(r.word.Step(page, 20), "");
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.word.Step(page, 20), "");
    EXPECT_EQ(r.events, (std::vector<std::string>{"one", "\x01two"}));
    EXPECT_EQ(Cp932ToUtf8(r.word.Step(page, 20)), "い");
    r.Frames(page, 3, 20);
    EXPECT_EQ(r.events, (std::vector<std::string>{"one", "\x01two", "three"}));
    EXPECT_TRUE(r.word.IsComplete(page));

    // Without an event handler the events stay silent.
    Reveal off;
    off.word.EventsEnabled = false;
    off.word.FadeTime = 0;
    TWdPage& p2 = off.Lay("あ<EVENT VALUE=x>い");
    off.Frames(p2, 4, 16);
    EXPECT_TRUE(off.events.empty());
    EXPECT_TRUE(off.word.IsComplete(p2));
}

TEST(TextReveal, TheCaretStandsWhereTheNextGlyphWill) {
    Reveal r;
    r.word.FadeTime = 0;
    r.word.TextDelay = 256;
    r.word.PageWidth = 32;
    TWdPage& page = r.Lay("あいう");
    EXPECT_EQ(r.word.CaretX(), 0);
    r.word.Step(page, 16);
    EXPECT_EQ(r.word.CaretX(), 16);
    EXPECT_EQ(r.word.CaretY(), 0);
    EXPECT_EQ(r.word.CaretHeight(), 16);
    r.word.Step(page, 50);
    // う stands on the second row.
    EXPECT_EQ(r.word.CaretX(), 0);
    EXPECT_EQ(r.word.CaretY(), 16);
    r.word.Step(page, 50);
    // After the last glyph: at its right edge.
    EXPECT_EQ(r.word.CaretX(), 16);
    EXPECT_EQ(r.word.CaretY(), 16);
}

TEST(TextReveal, PausedTextAndRowsOutOfViewWait) {
    Reveal r;
    r.word.FadeTime = 0;
    r.word.Paused = true;
    TWdPage& page = r.Lay("あい");
    EXPECT_EQ(r.Frames(page, 3, 16), "||");
    EXPECT_FALSE(r.word.IsRunning(page));
    r.word.Paused = false;
    EXPECT_TRUE(r.word.IsRunning(page));
    EXPECT_EQ(r.Frames(page, 1, 16), "あい");

    // Without paging, rows below the visible height wait until scrolled into view.
    Reveal s;
    s.word.FadeTime = 0;
    s.word.Paging = false;
    s.word.PageHeight = 20;
    TWdPage& p = s.Lay("あ<BR>い<BR>う<BR>え");
    EXPECT_EQ(s.Frames(p, 2, 16), "あい|");
    EXPECT_FALSE(s.word.IsRunning(p));
    p.ScrollY = 16;
    EXPECT_TRUE(s.word.IsRunning(p));
    EXPECT_EQ(s.Frames(p, 1, 16), "う");
}

TEST(TextReveal, RevealAllAndResetShowAndHideThePage) {
    Reveal r;
    r.word.FadeTime = 50;
    TWdPage& page = r.Lay("あ<EVENT VALUE=e>い");
    r.word.RevealAll(page);
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{255, 255}));
    EXPECT_TRUE(r.word.IsComplete(page));
    EXPECT_TRUE(r.events.empty());
    r.word.ResetReveal(page);
    EXPECT_EQ(r.Opacities(page), (std::vector<int32_t>{0, 0}));
    EXPECT_FALSE(r.word.IsComplete(page));
}

}  // namespace
}  // namespace vesk
