#pragma once
// What the display end-to-end tests share: pictures read back from the player's PNG files,
// the box scene with the pixels it must show, and small games whose event pages log what
// reached them.
#include <png.h>

#include <cstdio>
#include <iterator>

#include "e2e_fixture.h"

namespace vesk::e2e {

// An RGB picture read back from a PNG the player wrote.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool Ok() const { return width > 0 && height > 0; }
    // The colour at (x, y) as 0xRRGGBB; outside the picture a value no pixel has.
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFF000000u;
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

inline Picture ReadPng(const fs::path& path) {
    Picture pic;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return pic;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return pic;
    }
    pic.width = int(image.width);
    pic.height = int(image.height);
    pic.rgb = std::move(rgb);
    return pic;
}

inline std::string Hex(uint32_t rgb) {
    char s[16];
    std::snprintf(s, sizeof s, "#%06X", rgb);
    return s;
}

// Expects two pictures of the same size to be equal pixel for pixel; reports the first few
// pixels that differ, naming the pictures `a` and `b`.
inline void ExpectSamePicture(const Picture& pa, const char* a, const Picture& pb, const char* b) {
    ASSERT_EQ(pa.width, pb.width);
    ASSERT_EQ(pa.height, pb.height);
    int differ = 0;
    for (int y = 0; y < pa.height; ++y)
        for (int x = 0; x < pa.width; ++x)
            if (pa.At(x, y) != pb.At(x, y) && ++differ <= 3)
                ADD_FAILURE() << a << " " << Hex(pa.At(x, y)) << ", " << b << " "
                              << Hex(pb.At(x, y)) << " at " << x << "," << y;
    EXPECT_EQ(differ, 0);
}

// ---- the box scene

// Colours in scripts are 0x00BBGGRR; the tables below write them as #RRGGBB.
inline constexpr const char* kSceneProject = R"(ProjectName: "Scene"
Screen: 320, 240
StartPage: "main.lsb"
)";

// The boxes of the scene. SetProp takes property numbers (8 is PR_COLOR).
inline constexpr const char* kSceneBoxes =
    R"(// The front layer's own colour is the background: #102030.
SetProp Chr(1) ++ "BASE0", 8, $302010

// Priorities: green (2) over red (1); blue (0) is created last but stays under green.
BoxNew PR_NAME: "red", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 80, PR_HEIGHT: 60,
    PR_COLOR: $0000FF, PR_PRIORITY: 1
BoxNew PR_NAME: "green", PR_LEFT: 50, PR_TOP: 40, PR_WIDTH: 80, PR_HEIGHT: 60,
    PR_COLOR: $00FF00, PR_PRIORITY: 2
BoxNew PR_NAME: "blue", PR_LEFT: 100, PR_TOP: 20, PR_WIDTH: 60, PR_HEIGHT: 40,
    PR_COLOR: $FF0000, PR_PRIORITY: 0
// Equal priorities go by name: "zeta" over "alpha" whichever came first.
BoxNew PR_NAME: "zeta", PR_LEFT: 10, PR_TOP: 190, PR_WIDTH: 40, PR_HEIGHT: 30,
    PR_COLOR: $00FFFF, PR_PRIORITY: 3
BoxNew PR_NAME: "alpha", PR_LEFT: 30, PR_TOP: 200, PR_WIDTH: 40, PR_HEIGHT: 30,
    PR_COLOR: $FFFF00, PR_PRIORITY: 3

// Half-transparent white over the background, a dark blue box and a white box.
BoxNew PR_NAME: "base", PR_LEFT: 200, PR_TOP: 10, PR_WIDTH: 40, PR_HEIGHT: 60,
    PR_COLOR: $804000
BoxNew PR_NAME: "white", PR_LEFT: 250, PR_TOP: 10, PR_WIDTH: 30, PR_HEIGHT: 30,
    PR_COLOR: $FFFFFF
BoxNew PR_NAME: "glass", PR_LEFT: 170, PR_TOP: 20, PR_WIDTH: 100, PR_HEIGHT: 40,
    PR_COLOR: $FFFFFF, PR_ALPHA: 128, PR_PRIORITY: 5

// Additive at half strength (alpha 256 + 128) over the background and a light grey box.
BoxNew PR_NAME: "light", PR_LEFT: 200, PR_TOP: 90, PR_WIDTH: 60, PR_HEIGHT: 40,
    PR_COLOR: $C0C0C0
BoxNew PR_NAME: "add", PR_LEFT: 170, PR_TOP: 80, PR_WIDTH: 60, PR_HEIGHT: 40,
    PR_COLOR: $404080, PR_ALPHA: 384, PR_PRIORITY: 5

// A yellow box with a 3-pixel magenta border, and a white ring without a fill.
BoxNew PR_NAME: "framed", PR_LEFT: 20, PR_TOP: 130, PR_WIDTH: 60, PR_HEIGHT: 40,
    PR_COLOR: $00FFFF, PR_BORDERWIDTH: 3, PR_BORDERCOLOR: $FF00FF
BoxNew PR_NAME: "ring", PR_LEFT: 90, PR_TOP: 130, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: -1, PR_BORDERWIDTH: 2, PR_BORDERCOLOR: $FFFFFF

// A grey parent: a red child cut at the parent's edges, a green one placed by its anchor
// point, a blue one cut by its own clip rectangle.
BoxNew PR_NAME: "frame", PR_LEFT: 120, PR_TOP: 130, PR_WIDTH: 80, PR_HEIGHT: 60,
    PR_COLOR: $808080
BoxNew PR_NAME: "kid", PR_PARENT: "frame", PR_LEFT: 60, PR_TOP: 40, PR_WIDTH: 40,
    PR_HEIGHT: 40, PR_COLOR: $0000FF
BoxNew PR_NAME: "kid2", PR_PARENT: "frame", PR_LEFT: 20, PR_TOP: 20, PR_OFFSETX: 10,
    PR_OFFSETY: 10, PR_WIDTH: 20, PR_HEIGHT: 20, PR_COLOR: $00FF00
BoxNew PR_NAME: "kid3", PR_PARENT: "frame", PR_LEFT: 50, PR_TOP: 10, PR_WIDTH: 30,
    PR_HEIGHT: 30, PR_COLOR: $FF0000, PR_CLIPLEFT: 5, PR_CLIPTOP: 5, PR_CLIPWIDTH: 10,
    PR_CLIPHEIGHT: 10

// Boxes that draw nothing: hidden, alpha 0, alpha 512.
BoxNew PR_NAME: "hidden", PR_LEFT: 290, PR_TOP: 10, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: $0000FF, PR_VISIBLE: FALSE
BoxNew PR_NAME: "clear", PR_LEFT: 290, PR_TOP: 40, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: $0000FF, PR_ALPHA: 0
BoxNew PR_NAME: "over", PR_LEFT: 290, PR_TOP: 80, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: $0000FF, PR_ALPHA: 512

// Boxes reaching past the screen's edges.
BoxNew PR_NAME: "edge", PR_LEFT: 300, PR_TOP: 220, PR_WIDTH: 40, PR_HEIGHT: 40,
    PR_COLOR: $0000FF
BoxNew PR_NAME: "corner", PR_LEFT: -10, PR_TOP: 230, PR_WIDTH: 20, PR_HEIGHT: 20,
    PR_COLOR: $0000FF

// A white box over a dark blue pad.
BoxNew PR_NAME: "pad", PR_LEFT: 220, PR_TOP: 150, PR_WIDTH: 90, PR_HEIGHT: 30,
    PR_COLOR: $800000
BoxNew PR_NAME: "mover", PR_LEFT: 230, PR_TOP: 140, PR_WIDTH: 30, PR_HEIGHT: 30,
    PR_COLOR: $FFFFFF, PR_PRIORITY: 1
)";

inline constexpr const char* kIdle = "Label idle\nWait , 1000\nJump :idle\n";

// The scene, whose white box moves right (PR_LEFT is property 3) after 100 ms: still from
// the eighth frame on.
inline std::string ScenePage() {
    return std::string(kSceneBoxes) + "Wait , 100\nSetProp \"mover\", 3, 275\n" + kIdle;
}

inline void BuildScene(Workspace& w) {
    w.Sources("src", {{"project.vpj", kSceneProject}, {"main.vss", ScenePage()}});
    w.Build("src", "game");
}

struct Expect {
    const char* what;
    int x, y;
    uint32_t rgb;
};

inline constexpr uint32_t kBg = 0x102030;  // the layer colour

// Expected pixels computed by hand. Blending is ((d * (255 - a) + s * a) >> 8) per channel;
// adding scales the colour by the strength / 256 and saturates at 255.
inline constexpr Expect kScene[] = {
    {"background", 5, 5, kBg},
    {"background right of everything", 315, 120, kBg},
    {"red alone", 20, 20, 0xFF0000},
    {"green over red (higher priority)", 70, 50, 0x00FF00},
    {"green over blue created after it", 120, 50, 0x00FF00},
    {"blue alone", 150, 30, 0x0000FF},
    {"green alone", 100, 90, 0x00FF00},
    {"just past red's right edge", 90, 20, kBg},
    {"red's last column", 89, 20, 0xFF0000},
    {"zeta alone", 15, 195, 0xFFFF00},
    {"equal priority: zeta over alpha", 40, 210, 0xFFFF00},
    {"alpha alone", 60, 225, 0x00FFFF},
    // White at 128 over #102030: 16*127+255*128 = 34672 >> 8 = 135; 32 -> 143; 48 -> 151.
    {"glass over background", 180, 30, 0x878F97},
    {"glass over background below white", 260, 50, 0x878F97},
    // Over #004080: 0 -> 127 (the divisor is 256), 64 -> 159, 128 -> 191.
    {"glass over base", 210, 30, 0x7F9FBF},
    {"base above the glass", 210, 15, 0x004080},
    // A colour is not blended into pixels that already have it.
    {"glass over white stays white", 260, 30, 0xFFFFFF},
    // #804040 at 128/256 is #402020 added: background -> #50 40 50.
    {"add over background", 180, 100, 0x504050},
    // Over #C0C0C0: 192+64 saturates at 255, 192+32 = 224.
    {"add over light grey", 210, 100, 0xFFE0E0},
    {"light grey alone", 240, 110, 0xC0C0C0},
    {"border top-left corner", 20, 130, 0xFF00FF},
    {"border left, third column", 22, 150, 0xFF00FF},
    {"inside next to the left border", 23, 150, 0xFFFF00},
    {"border right, last column", 79, 150, 0xFF00FF},
    {"border right, first column", 77, 150, 0xFF00FF},
    {"inside next to the right border", 76, 150, 0xFFFF00},
    {"border bottom", 50, 167, 0xFF00FF},
    {"inside above the bottom border", 50, 166, 0xFFFF00},
    {"left of the bordered box", 19, 150, kBg},
    {"ring border", 91, 140, 0xFFFFFF},
    {"ring inside shows the background", 100, 140, kBg},
    {"just inside the ring's border", 92, 140, kBg},
    {"parent", 125, 135, 0x808080},
    {"child inside its parent", 190, 180, 0xFF0000},
    {"child cut at the parent's right edge", 205, 180, kBg},
    {"child cut at the parent's bottom edge", 190, 195, kBg},
    {"child placed by its anchor point", 131, 141, 0x00FF00},
    {"left of the anchored child", 129, 141, 0x808080},
    {"anchored child's last pixel", 149, 159, 0x00FF00},
    {"right of the anchored child", 150, 150, 0x808080},
    {"child inside its own clip", 180, 150, 0x0000FF},
    {"child outside its own clip", 172, 150, 0x808080},
    {"child below its own clip", 190, 160, 0x808080},
    {"hidden box", 300, 20, kBg},
    {"alpha 0 box", 300, 50, kBg},
    {"alpha 512 box", 300, 90, kBg},
    {"box past the bottom-right corner", 319, 239, 0xFF0000},
    {"box past the left edge", 0, 235, 0xFF0000},
    {"above the box past the left edge", 5, 229, kBg},
};

// The moving box before and after its move.
inline constexpr Expect kBeforeMove[] = {
    {"mover over background", 235, 145, 0xFFFFFF},
    {"mover over the pad", 235, 160, 0xFFFFFF},
    {"pad right of the mover", 270, 160, 0x000080},
    {"background where the mover goes", 285, 145, kBg},
};
inline constexpr Expect kAfterMove[] = {
    {"old place over background", 235, 145, kBg},
    {"old place over the pad", 235, 160, 0x000080},
    {"old place's last column", 259, 145, kBg},
    {"between the places over the pad", 270, 160, 0x000080},
    {"new place over background", 285, 145, 0xFFFFFF},
    {"new place over the pad", 285, 160, 0xFFFFFF},
    {"right of the new place", 306, 160, 0x000080},
};

template <size_t N>
void CheckPixels(const Picture& pic, const Expect (&expected)[N]) {
    for (const Expect& e : expected)
        EXPECT_EQ(Hex(pic.At(e.x, e.y)), Hex(e.rgb)) << e.what << " at " << e.x << "," << e.y;
}

// ---- games that log their events

// A game with the given start page (followed by an endless wait) and event pages; they log
// into the string "log". The quit page sets "quitran".
inline void BuildInputGame(Workspace& w, const std::string& mainPage,
                           std::initializer_list<std::pair<std::string, std::string>> pages) {
    w.Sources("src", {{"project.vpj",
                       "ProjectName: \"Input\"\nScreen: 320, 240\n"
                       "StartPage: \"main.lsb\"\nQuitPage: \"quit.lsb\"\nSaveStatus: no\n"
                       "Var: log, string, \"\"\nVar: quitran, int, 0\n"},
                      {"main.vss", mainPage + kIdle},
                      {"quit.vss", "Calc quitran = 1\n"}});
    w.Sources("src", pages);
    w.Build("src", "game");
}

// An event page that logs "<tag>:<sender>@<x>,<y>;" (the position within the box).
inline std::string LogButton(const std::string& tag) {
    return "Calc log = log ++ \"" + tag +
           ":\" ++ @Sender ++ \"@\" ++ @ParamStr[0] ++ \",\" ++ @ParamStr[1] ++ \";\"\n";
}
// An event page that logs "<tag>:<sender>;".
inline std::string LogSender(const std::string& tag) {
    return "Calc log = log ++ \"" + tag + ":\" ++ @Sender ++ \";\"\n";
}

// The path of an input script holding `text`, written into the workspace as `name`.
inline std::string InputFile(Workspace& w, const std::string& text,
                             const std::string& name = "input.txt") {
    std::ofstream(w.Path(name), std::ios::binary) << text;
    return Quote(w.Path(name).string());
}

inline RunResult PlayWithInput(Workspace& w, const std::string& input, int frames) {
    return w.Play(w.Game("game") + " --frames " + std::to_string(frames) + " --input " +
                  InputFile(w, input) + " --dump-vars");
}

inline std::string Log(const RunResult& r) {
    nlohmann::json v = r.Var("log");
    return v.is_object() && v.contains("text") ? v["text"].get<std::string>() : "<no log>";
}

// The game of the mouse-position test: writing @MouseX and @MouseY moves the mouse onto
// the box "h" and off it again; the log holds what the game read back and saw.
inline constexpr const char* kMouseWritten = "50,45;I:h;100,45;O:h;";
inline void BuildMouseWritingGame(Workspace& w) {
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"h\", PR_LEFT: 40, PR_TOP: 40, PR_WIDTH: 20, PR_HEIGHT: 20,\n"
                   "    PR_ONMOUSEIN: \"in.lsb\", PR_ONMOUSEOUT: \"out.lsb\"\n"
                   "Wait , 50\n"
                   "Calc @MouseX = 50\n"
                   "Calc @MouseY = 45\n"
                   "Calc log = log ++ @MouseX ++ \",\" ++ @MouseY ++ \";\"\n"
                   "Wait , 50\n"
                   "Calc @MouseX = 100\n"
                   "Calc log = log ++ @MouseX ++ \",\" ++ @MouseY ++ \";\"\n",
                   {{"in.vss", LogSender("I")}, {"out.vss", LogSender("O")}});
}

}  // namespace vesk::e2e
