// Captions (Caption, kind 9) and picture-font captions (CGCaption, kind 24) in a display
// tree: their sizes, alignment, zoom, when they render, how they draw, their saves, the
// commands that make them, and the font-list system variables.
#include <gtest/gtest.h>

#include <map>

#include "../display/image_fixture.h"
#include "base/stream.h"
#include "font_fixture.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/command_info.h"
#include "script/page_builder.h"
#include "text/font_pixels.h"
#include "text/text_commands.h"
#include "text/vesk_cg_label.h"
#include "text/vesk_label.h"
#include "text_test_util.h"
#include "vars/param_collection.h"
#include "vars/param_system.h"
#include "vars/sys_func.h"

namespace vesk {
namespace {

using namespace test;

constexpr int32_t kVersion = 139;

struct Captions : PictureWorld {
    Captions() {
        services.Fonts = &fonts;
        services.Images = &cache;
        services.Files = &files;
        RegisterTextKinds(root.Kinds(), services);
    }
    TVeskLabel* Caption(const std::string& utf8Text, int32_t height = 16) {
        auto* c = static_cast<TVeskLabel*>(root.Adopt(root.Kinds().Make(LT_LABEL, &root)));
        SetStr(*c, PR_FONTNAME, Gothic());
        SetInt(*c, PR_FONTHEIGHT, height);
        SetStr(*c, PR_TEXT, J(utf8Text));
        return c;
    }
    std::vector<uint8_t> Save() {
        MemoryStream s;
        StreamWriter w(s);
        root.SaveState(w);
        return s.Bytes();
    }
    TFontPixelManager fonts;
    TTextServices services;
};

// The columns of the caption's coverage that hold ink in rows y0..y1.
std::pair<int32_t, int32_t> InkColumns(TVeskLabel& c, int32_t y0, int32_t y1) {
    TDIBX& cov = c.Canvas().Cover();
    int32_t lo = INT32_MAX, hi = -1;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = 0; x < cov.Width(); ++x)
            if (cov.GetPixel(x, y)) lo = std::min(lo, x), hi = std::max(hi, x);
    return {lo, hi};
}

TEST(Captions, SizeFollowsTheLinesAndTheZoom) {
    Captions w;
    auto* c = w.Caption("");
    EXPECT_EQ(c->Width(), 0);
    EXPECT_EQ(c->Height(), 0);
    EXPECT_TRUE(c->Canvas().Empty());
    // A trailing line break adds no line.
    SetStr(*c, PR_TEXT, J("あいう\r\nえ\r\n"));
    EXPECT_EQ(c->Lines().size(), 2u);
    EXPECT_EQ(c->GetStrProp(PR_TEXT), J("あいう\r\nえ"));
    EXPECT_EQ(c->Width(), 48);
    EXPECT_EQ(c->Height(), 32);
    SetInt(*c, PR_LINESPACE, 4);
    EXPECT_EQ(c->Height(), 40);
    // Zoom changes the shown size only.
    const int32_t renders = c->RenderCount();
    SetInt(*c, PR_ZOOMX, 512);
    SetInt(*c, PR_ZOOMY, 128);
    EXPECT_EQ(c->Width(), 96);
    EXPECT_EQ(c->Height(), 20);
    EXPECT_EQ(c->NaturalWidth(), 48);
    SetInt(*c, PR_ZOOMX, 0);
    EXPECT_EQ(c->GetIntProp(PR_ZOOMX), 1);
    // The same text again renders nothing.
    SetStr(*c, PR_TEXT, J("あいう\r\nえ"));
    EXPECT_EQ(c->RenderCount(), renders);
}

TEST(Captions, LinesAlignWithinTheWidestLine) {
    struct Case {
        int32_t halign;
        int32_t left;  // of the short line's cell
    } cases[] = {{0, 0}, {1, 16}, {2, 32}};
    for (const Case& k : cases) {
        Captions w;
        auto* c = w.Caption("漢\r\nあいう");
        SetInt(*c, PR_HALIGN, k.halign);
        auto g = w.fonts.Get(0x8ABF, Gothic(), 16, 0, 0);
        auto [lo, hi] = InkColumns(*c, 0, 16);
        EXPECT_EQ(lo, k.left + g->XOffset()) << k.halign;
        EXPECT_EQ(hi, k.left + g->XOffset() + g->Bitmap.Width - 1) << k.halign;
    }
}

TEST(Captions, DrawLikePicturesInTheirColour) {
    Captions w;
    auto* c = w.Caption("漢");
    SetInt(*c, PR_FONTCOLOR, 0x0000FF);
    SetInt(*c, PR_LEFT, 10);
    SetInt(*c, PR_TOP, 5);
    w.Frame();
    auto g = w.fonts.Get(0x8ABF, Gothic(), 16, 0, 0);  // without anti-alias: 0 or 255
    int32_t solid = 0;
    for (int32_t y = 0; y < g->Bitmap.Height; ++y)
        for (int32_t x = 0; x < g->Bitmap.Width; ++x) {
            const uint32_t want = g->Bitmap.At(x, y) ? 0xFF0000u : 0u;
            EXPECT_EQ(w.Px(10 + g->XOffset() + x, 5 + g->YOffset() + y), want) << x << "," << y;
            solid += g->Bitmap.At(x, y) != 0;
        }
    EXPECT_GT(solid, 10);
    // Mirrored: the ink moves to the other side of the cell.
    SetInt(*c, PR_FLIPH, 1);
    w.Frame();
    EXPECT_EQ(w.Px(10 + 15 - g->XOffset(), 5 + g->YOffset()), g->Bitmap.At(0, 0) ? 0xFF0000u : 0u);
    // Above 255 it adds: twice onto black is the colour at strength 44, added once.
    SetInt(*c, PR_FLIPH, 0);
    SetInt(*c, PR_ALPHA, 300);
    w.Frame();
    for (int32_t y = 0; y < g->Bitmap.Height; ++y)
        for (int32_t x = 0; x < g->Bitmap.Width; ++x)
            if (g->Bitmap.At(x, y)) {
                EXPECT_EQ(w.Px(10 + g->XOffset() + x, 5 + g->YOffset() + y),
                          uint32_t((255 * ((44 * 255) >> 8)) >> 8) << 16);
            }
}

TEST(Captions, SavedCaptionsComeBackRendered) {
    Captions w;
    auto* c = w.Caption("あい\r\nう", 20);
    SetStr(*c, PR_NAME, "cap");
    SetInt(*c, PR_LEFT, 3);
    SetInt(*c, PR_ALPHA, 128);
    SetInt(*c, PR_FONTCOLOR, 0x00FF00);
    SetInt(*c, PR_FONTSTYLE, dfBold);
    SetInt(*c, PR_HALIGN, 2);
    SetInt(*c, PR_ANTIALIAS, 1);
    SetInt(*c, PR_ZOOMX, 300);
    SetInt(*c, PR_ZOOMY, 200);
    SetInt(*c, PR_ANGLE, 16);
    SetInt(*c, PR_FLIPV, 1);
    SetInt(*c, PR_LINESPACE, 2);
    SetStr(*c, PR_ONIDLE, "idle");
    SetStr(*c, PR_ONPLAYEND, "end");
    SetInt(*c, PR_REPEAT, 1);
    const std::vector<uint8_t> saved = w.Save();

    Captions v;
    MemoryStream s(saved);
    StreamReader r(s);
    v.root.LoadState(r, kVersion);
    auto* back = dynamic_cast<TVeskLabel*>(v.root.FindControl("cap"));
    ASSERT_NE(back, nullptr);
    for (int32_t p : {PR_LEFT, PR_ALPHA, PR_FONTCOLOR, PR_FONTSTYLE, PR_HALIGN, PR_ANTIALIAS,
                      PR_ZOOMX, PR_ZOOMY, PR_ANGLE, PR_FLIPV, PR_LINESPACE, PR_FONTHEIGHT,
                      PR_REPEAT, PR_WIDTH, PR_HEIGHT})
        EXPECT_EQ(back->GetIntProp(p), c->GetIntProp(p)) << p;
    for (int32_t p : {PR_TEXT, PR_FONTNAME, PR_ONIDLE, PR_ONPLAYEND})
        EXPECT_EQ(back->GetStrProp(p), c->GetStrProp(p)) << p;
    EXPECT_EQ(back->NaturalWidth(), c->NaturalWidth());
    EXPECT_FALSE(back->Canvas().Empty());
}

TEST(PictureCaptions, CharactersShowTheirCellsOfThePicture) {
    Captions w;
    // Ten 4 x 4 cells, five to a row; cell k is coloured k + 1 in its red byte.
    FrameSpec font;
    font.w = 20;
    font.h = 8;
    font.pixel = [](int32_t x, int32_t y) { return uint32_t((y / 4 * 5 + x / 4) + 1) << 16; };
    w.Put("digits.qil", {font});
    auto* c = static_cast<TVeskCGLabel*>(w.root.Adopt(w.root.Kinds().Make(LT_CGLABEL, &w.root)));
    SetStr(*c, PR_SOURCE, "digits.qil");
    SetStr(*c, PR_MAPTEXT, "0123456789");
    SetInt(*c, PR_GLYPHWIDTH, 4);
    SetInt(*c, PR_GLYPHHEIGHT, 4);
    SetStr(*c, PR_TEXT, "2x1\r\n7");
    SetInt(*c, PR_LEFT, 10);
    SetInt(*c, PR_TOP, 10);
    EXPECT_EQ(c->Width(), 12);
    EXPECT_EQ(c->Height(), 8);
    EXPECT_EQ(c->GetIntProp(PR_ORIGWIDTH), 12);
    w.Frame();
    auto cellAt = [&](int32_t x, int32_t y) { return int(w.Px(x, y) >> 16) - 1; };
    EXPECT_EQ(cellAt(10, 10), 2);
    EXPECT_EQ(cellAt(13, 13), 2);
    EXPECT_EQ(cellAt(14, 10), -1);  // "x" is not in the map: a blank cell
    EXPECT_EQ(cellAt(18, 10), 1);
    EXPECT_EQ(cellAt(10, 14), 7);
    // Centred lines; more space between them.
    SetInt(*c, PR_HALIGN, 1);
    SetInt(*c, PR_LINESPACE, 2);
    w.Frame();
    EXPECT_EQ(c->Height(), 12);
    EXPECT_EQ(cellAt(14, 16), 7);
    EXPECT_EQ(cellAt(10, 16), -1);

    const std::vector<uint8_t> saved = w.Save();
    SetInt(*c, PR_GLYPHWIDTH, 0);
    EXPECT_EQ(c->Width(), 0);
    w.Frame();  // nothing to draw, nothing to fail

    Captions v;
    v.Put("digits.qil", {font});
    MemoryStream s(saved);
    StreamReader r(s);
    v.root.LoadState(r, kVersion);
    ASSERT_EQ(v.root.FrontLayer().ChildCount(), 1);
    v.Frame();
    auto backAt = [&](int32_t x, int32_t y) { return int(v.Px(x, y) >> 16) - 1; };
    EXPECT_EQ(backAt(14, 16), 7);
    EXPECT_EQ(backAt(18, 10), 1);
}

// Pages and a project for running the commands.
class Pages : public IPageSource {
  public:
    std::vector<uint8_t> LoadPage(const std::string& name) override { return pages.at(name); }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }
    std::map<std::string, std::vector<uint8_t>> pages;
};
class Project : public IScriptProject {
  public:
    uint32_t TickCount() override { return 0; }
    void CommandNotCarriedOut(const std::string& name) override { missing.push_back(name); }
    std::vector<std::string> missing;
};

TEST(Captions, CaptionAndCgCaptionCommandsMakeTheirObjects) {
    Captions w;
    TCommandHandlers handlers;
    RegisterDisplayCommands(handlers, w.root);
    TParamCollection store;
    TSysFuncMan funcs(store);
    Pages pages;
    Project project;
    TCallMan cm(store, &funcs, pages);
    cm.SetProject(&project);
    cm.SetDisplay(&w.root);
    cm.SetHandlers(&handlers);
    cm.Attach();
    TPageBuilder main;
    main.Add(CC_CAPTION)
        .SetPropText(PR_NAME, "\"title\"")
        .SetPropText(PR_TEXT, "\"abc\"")
        .SetPropText(PR_FONTNAME, "\"" + Gothic() + "\"")
        .SetPropText(PR_FONTHEIGHT, "20");
    main.Add(CC_CGCAPTION)
        .SetPropText(PR_NAME, "\"score\"")
        .SetPropText(PR_MAPTEXT, "\"0123456789\"")
        .SetPropText(PR_GLYPHWIDTH, "8")
        .SetPropText(PR_GLYPHHEIGHT, "10")
        .SetPropText(PR_TEXT, "\"42\"");
    pages.pages["main.lsb"] = main.Bytes();
    cm.Start("main.lsb");
    cm.Run();
    EXPECT_TRUE(project.missing.empty());
    auto* title = dynamic_cast<TVeskLabel*>(w.root.FindControl("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetIntProp(PR_COMPOTYPE), LT_LABEL);
    EXPECT_EQ(title->Width(), 30);  // three half-width characters of 20 pixels
    auto* score = dynamic_cast<TVeskCGLabel*>(w.root.FindControl("score"));
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->Width(), 16);
    EXPECT_EQ(score->Height(), 10);
}

TEST(Captions, FontListsNameTheInstalledAndTheWindowsFaces) {
    TFontPixelManager fonts;
    auto all = ReadTextVar(fonts, SV_FONTS);
    auto fixed = ReadTextVar(fonts, SV_FIXEDFONTS);
    ASSERT_TRUE(all && fixed);
    EXPECT_EQ(ReadTextVar(fonts, SV_TITLE), nullptr);
    const std::string a = all->AsStr(), f = fixed->AsStr();
    EXPECT_NE(a.find(J("ＭＳ ゴシック") + "\r\n"), std::string::npos);
    EXPECT_NE(a.find("IPAPGothic\r\n"), std::string::npos);
    EXPECT_NE(f.find("IPAGothic\r\n"), std::string::npos);
    EXPECT_EQ(f.find("IPAPGothic"), std::string::npos);
    EXPECT_NE(a.substr(a.size() - 2), "\r\n");
}

}  // namespace
}  // namespace vesk
