// What a game shows and how it answers: a scene of boxes composed by the player and written
// as screenshots, changes to it, the two layers, scripted mouse and keys reaching the
// objects' event pages, the start-up logo, and the window (under a virtual X display)
// showing the same picture as the headless screen.
#include <png.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>

#include "e2e_fixture.h"

namespace vesk::e2e {
namespace {

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

Picture ReadPng(const fs::path& path) {
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

std::string Hex(uint32_t rgb) {
    char s[16];
    std::snprintf(s, sizeof s, "#%06X", rgb);
    return s;
}

// True when the player's --help lists `option`; options that are still being added are
// skipped until then.
bool PlayerHasOption(const std::string& option) {
    std::string cmd = Quote(VESKPLAY_PATH) + " --help 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    if (!p) return false;
    std::string out;
    std::array<char, 4096> buf;
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), p.get())) > 0;)
        out.append(buf.data(), n);
    return out.find(option) != std::string::npos;
}

// ---- the box scene

// Colours in scripts are 0x00BBGGRR; the table below writes them as #RRGGBB.
const char* kSceneProject = R"(ProjectName: "Scene"
Screen: 320, 240
StartPage: "main.lsb"
)";

// The boxes of the scene. SetProp takes property numbers (8 is PR_COLOR).
const char* kSceneBoxes = R"(// The front layer's own colour is the background: #102030.
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

const char* kIdle = "Label idle\nWait , 1000\nJump :idle\n";

// The scene, whose white box moves right (PR_LEFT is property 3) after 100 ms.
std::string ScenePage() {
    return std::string(kSceneBoxes) + "Wait , 100\nSetProp \"mover\", 3, 275\n" + kIdle;
}

void BuildScene(Workspace& w) {
    w.Sources("src", {{"project.vpj", kSceneProject}, {"main.vss", ScenePage()}});
    w.Build("src", "game");
}

struct Expect {
    const char* what;
    int x, y;
    uint32_t rgb;
};

constexpr uint32_t kBg = 0x102030;  // the layer colour

// Expected pixels computed by hand. Blending is ((d * (255 - a) + s * a) >> 8) per channel;
// adding scales the colour by the strength / 256 and saturates at 255.
const Expect kScene[] = {
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
const Expect kBeforeMove[] = {
    {"mover over background", 235, 145, 0xFFFFFF},
    {"mover over the pad", 235, 160, 0xFFFFFF},
    {"pad right of the mover", 270, 160, 0x000080},
    {"background where the mover goes", 285, 145, kBg},
};
const Expect kAfterMove[] = {
    {"old place over background", 235, 145, kBg},
    {"old place over the pad", 235, 160, 0x000080},
    {"old place's last column", 259, 145, kBg},
    {"between the places over the pad", 270, 160, 0x000080},
    {"new place over background", 285, 145, 0xFFFFFF},
    {"new place over the pad", 285, 160, 0xFFFFFF},
    {"right of the new place", 306, 160, 0x000080},
};

void CheckPixels(const Picture& pic, const Expect* begin, const Expect* end) {
    for (const Expect* e = begin; e != end; ++e)
        EXPECT_EQ(Hex(pic.At(e->x, e->y)), Hex(e->rgb)) << e->what << " at " << e->x << "," << e->y;
}

TEST(DisplaySceneTest, BoxesComposeByPriorityBlendAndClip) {
    Workspace w;
    BuildScene(w);
    fs::path a = w.Path("a.png"), b = w.Path("b.png");
    RunResult r = w.Play(w.Game("game") + " --frames 20 --screenshot 3:" + Quote(a.string()) +
                         " --screenshot 20:" + Quote(b.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Picture first = ReadPng(a);
    ASSERT_TRUE(first.Ok()) << a;
    ASSERT_EQ(first.width, 320);
    ASSERT_EQ(first.height, 240);
    {
        SCOPED_TRACE("after tick 3");
        CheckPixels(first, std::begin(kScene), std::end(kScene));
        CheckPixels(first, std::begin(kBeforeMove), std::end(kBeforeMove));
    }
    Picture second = ReadPng(b);
    ASSERT_TRUE(second.Ok()) << b;
    {
        SCOPED_TRACE("after tick 20, the mover moved");
        CheckPixels(second, std::begin(kScene), std::end(kScene));
        CheckPixels(second, std::begin(kAfterMove), std::end(kAfterMove));
    }
    // Nothing but the mover's two places changed, and every pixel of both did.
    ASSERT_EQ(second.rgb.size(), first.rgb.size());
    int changed = 0, stray = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            if (first.At(x, y) == second.At(x, y)) continue;
            ++changed;
            const bool moverPlace =
                y >= 140 && y < 170 && ((x >= 230 && x < 260) || (x >= 275 && x < 305));
            if (!moverPlace && ++stray <= 5) ADD_FAILURE() << "changed at " << x << "," << y;
        }
    EXPECT_EQ(changed, 2 * 30 * 30);
}

// Changes to a scene already on the screen, each shown after a few frames, must give the
// picture that the changed scene gives when it is composed at once: what a change leaves
// out of the repainted area stays on the screen.
TEST(DisplaySceneTest, ChangesRepaintWhatTheyTouch) {
    struct Change {
        const char* what;
        const char* commands;  // property numbers: see the comments
    } changes[] = {
        {"move", "SetProp \"red\", 3, 15\n"},                    // PR_LEFT
        {"move up", "SetProp \"ring\", 4, 100\n"},               // PR_TOP
        {"narrower", "SetProp \"add\", 5, 30\n"},                // PR_WIDTH
        {"taller", "SetProp \"blue\", 6, 70\n"},                 // PR_HEIGHT
        {"colour", "SetProp \"add\", 8, $FFFFFF\n"},             // PR_COLOR
        {"lower priority", "SetProp \"green\", 12, 0\n"},        // PR_PRIORITY
        {"raise priority", "SetProp \"base\", 12, 9\n"},         // PR_PRIORITY
        {"alpha", "SetProp \"glass\", 11, 64\n"},                // PR_ALPHA
        {"alpha to additive", "SetProp \"glass\", 11, 300\n"},   // PR_ALPHA
        {"border width", "SetProp \"framed\", 9, 6\n"},          // PR_BORDERWIDTH
        {"border colour", "SetProp \"framed\", 10, $00FF00\n"},  // PR_BORDERCOLOR
        {"hide", "SetProp \"white\", 47, FALSE\n"},              // PR_VISIBLE
        {"show", "SetProp \"hidden\", 47, TRUE\n"},              // PR_VISIBLE
        {"anchor point", "SetProp \"kid2\", 13, 0\n"},           // PR_OFFSETX
        {"own clip", "SetProp \"kid3\", 118, 20\n"},             // PR_CLIPWIDTH
        {"clip off", "SetProp \"kid3\", 119, 0\n"},              // PR_CLIPHEIGHT
        {"plus x", "SetProp \"light\", 159, 10\n"},              // PR_PLUSX
        {"parent moves its children", "SetProp \"frame\", 3, 100\n"},
        {"out of the parent", "SetProp \"kid\", 1, \"\"\n"},  // PR_PARENT
        {"into another parent", "SetProp \"blue\", 1, \"frame\"\n"},
        {"deleted", "ObjDel \"zeta\"\n"},
        {"deleted parent", "ObjDel \"frame\"\n"},
        {"renamed over another", "SetProp \"alpha\", 0, \"zeta\"\n"},  // PR_NAME
        {"layer colour", "SetProp Chr(1) ++ \"BASE0\", 8, $400000\n"},
        {"new box",
         "BoxNew PR_NAME: \"late\", PR_LEFT: 100, PR_TOP: 100, PR_WIDTH: 100,\n"
         "    PR_HEIGHT: 100, PR_COLOR: $00FFFF, PR_ALPHA: 100\n"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        Workspace w;
        // At once: the change before the first frame is drawn; later: after 50 ms.
        w.Sources("now", {{"project.vpj", kSceneProject},
                          {"main.vss", std::string(kSceneBoxes) + c.commands + kIdle}});
        w.Sources("later",
                  {{"project.vpj", kSceneProject},
                   {"main.vss", std::string(kSceneBoxes) + "Wait , 50\n" + c.commands + kIdle}});
        w.Build("now", "now-game");
        w.Build("later", "later-game");
        fs::path now = w.Path("now.png"), later = w.Path("later.png"), before = w.Path("b.png");
        RunResult r = w.Play(w.Game("now-game") + " --frames 12 --screenshot 12:" + Quote(now));
        ASSERT_EQ(r.status, 0) << r.err;
        r = w.Play(w.Game("later-game") + " --frames 12 --screenshot 1:" + Quote(before) +
                   " --screenshot 12:" + Quote(later));
        ASSERT_EQ(r.status, 0) << r.err;
        Picture a = ReadPng(now), b = ReadPng(later), first = ReadPng(before);
        ASSERT_TRUE(a.Ok() && b.Ok() && first.Ok());
        EXPECT_TRUE(first.rgb != a.rgb) << "the change shows nothing";
        int differ = 0;
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                if (a.At(x, y) != b.At(x, y) && ++differ <= 3)
                    ADD_FAILURE() << "at " << x << "," << y << " composed at once "
                                  << Hex(a.At(x, y)) << ", after the change " << Hex(b.At(x, y));
        EXPECT_EQ(differ, 0);
    }
}

// An idle page is queued on every frame, but never while one of the same box is still
// queued or running: a page that waits 100 ms runs once every eight frames.
TEST(DisplaySceneTest, IdlePagesRunOncePerFrameAndNeverPileUp) {
    Workspace w;
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Idle\"\nStartPage: \"main.lsb\"\n"
                "Var: quick, int, 0\nVar: slow, int, 0\n"},
               {"main.vss",
                "BoxNew PR_NAME: \"q\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_ONIDLE: \"q.lsb\"\n"
                "BoxNew PR_NAME: \"s\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_ONIDLE: \"s.lsb\"\n" +
                    std::string(kIdle)},
               {"q.vss", "Calc quick = quick + 1\n"},
               {"s.vss", "Calc slow = slow + 1\nWait , 100\n"}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --frames 40 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    // Queued when the first frame's step sees the box, run from the second frame on.
    EXPECT_EQ(r.Var("quick"), 39);
    // Frames 2, 10, 18, 26 and 34: seven frames of waiting, then one to queue it again.
    EXPECT_EQ(r.Var("slow"), 5);
}

// ---- scripted input

// A game with the given start page (followed by an endless wait) and event pages; they log
// into the string "log". The quit page sets "quitran".
void BuildInputGame(Workspace& w, const std::string& mainPage,
                    std::initializer_list<std::pair<std::string, std::string>> pages) {
    w.Sources("src", {{"project.vpj",
                       "ProjectName: \"Input\"\nScreen: 320, 240\n"
                       "StartPage: \"main.lsb\"\nQuitPage: \"quit.lsb\"\n"
                       "Var: log, string, \"\"\nVar: quitran, int, 0\n"},
                      {"main.vss", mainPage + "Label idle\nWait , 1000\nJump :idle\n"},
                      {"quit.vss", "Calc quitran = 1\n"}});
    w.Sources("src", pages);
    w.Build("src", "game");
}

// An event page that logs "<tag>:<sender>@<x>,<y>;" (the position within the box).
std::string LogButton(const std::string& tag) {
    return "Calc log = log ++ \"" + tag +
           ":\" ++ @Sender ++ \"@\" ++ @ParamStr[0] ++ \",\" ++ @ParamStr[1] ++ \";\"\n";
}
// An event page that logs "<tag>:<sender>;".
std::string LogSender(const std::string& tag) {
    return "Calc log = log ++ \"" + tag + ":\" ++ @Sender ++ \";\"\n";
}

RunResult PlayWithInput(Workspace& w, const std::string& input, int frames) {
    std::ofstream(w.Path("input.txt"), std::ios::binary) << input;
    return w.Play(w.Game("game") + " --frames " + std::to_string(frames) + " --input " +
                  Quote(w.Path("input.txt").string()) + " --dump-vars");
}

std::string Log(const RunResult& r) {
    nlohmann::json v = r.Var("log");
    return v.is_object() && v.contains("text") ? v["text"].get<std::string>() : "<no log>";
}

#define SKIP_WITHOUT_OPTION(opt) \
    if (!PlayerHasOption(opt)) GTEST_SKIP() << "the player has no " opt " option yet"

TEST(DisplayInputTest, ClicksAndWheelStepsRunTheBoxPagesAndTheReleaseFollowsThePress) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    const std::string pages =
        ", PR_ONLBTNDOWN: \"down.lsb\", PR_ONLBTNUP: \"up.lsb\",\n"
        "    PR_ONRBTNDOWN: \"rd.lsb\", PR_ONRBTNUP: \"ru.lsb\",\n"
        "    PR_ONWHEELDOWN: \"wd.lsb\", PR_ONWHEELUP: \"wu.lsb\"\n";
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"target\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 100, "
                   "PR_HEIGHT: 100" +
                       pages +
                       "BoxNew PR_NAME: \"other\", PR_LEFT: 150, PR_TOP: 20, PR_WIDTH: 100, "
                       "PR_HEIGHT: 100" +
                       pages +
                       // A parent without pages; a child placed by its anchor point, and one
                       // that reaches out of the parent.
                       "BoxNew PR_NAME: \"p\", PR_LEFT: 20, PR_TOP: 150, PR_WIDTH: 100, "
                       "PR_HEIGHT: 50\n"
                       "BoxNew PR_NAME: \"c\", PR_PARENT: \"p\", PR_LEFT: 30, PR_TOP: 10, "
                       "PR_OFFSETX: 5, PR_OFFSETY: 5, PR_WIDTH: 20, PR_HEIGHT: 20" +
                       pages +
                       "BoxNew PR_NAME: \"c2\", PR_PARENT: \"p\", PR_LEFT: 90, PR_TOP: 10, "
                       "PR_WIDTH: 40, PR_HEIGHT: 20" +
                       pages,
                   {{"down.vss", LogButton("D")},
                    {"up.vss", LogButton("U")},
                    {"rd.vss", LogButton("RD")},
                    {"ru.vss", LogButton("RU")},
                    {"wd.vss", LogSender("WD")},
                    {"wu.vss", LogSender("WU")}});
    RunResult r = PlayWithInput(w,
                                "# a click on target\n"
                                "2 click left 50 60\n"
                                "\n"
                                "# press on target, move onto other, release there: the\n"
                                "# release still belongs to target\n"
                                "5 move 60 70\n"
                                "5 down left\n"
                                "7 move 200 50\n"
                                "9 up left\n"
                                "12 click left 151 21   # other's top-left pixel\n"
                                "14 click left 250 21   # just right of other: nobody\n"
                                "16 move 30 30\n"
                                "16 wheel down\n"
                                "18 wheel up\n"
                                "20 move 160 30\n"
                                "20 wheel up\n"
                                "# the right button holds on to its box the same way\n"
                                "22 move 30 30\n"
                                "22 down right\n"
                                "24 move 300 200\n"
                                "26 up right\n"
                                "# the anchored child's top-left pixel is at 45,155\n"
                                "28 click left 45 155\n"
                                "# the part of c2 outside its parent is not c2's\n"
                                "30 click left 115 165\n"
                                "32 click left 125 165\n"
                                "# pressed and released between two frames: still a click\n"
                                "34 move 50 60\n"
                                "34 down left\n"
                                "34 up left\n",
                                38);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r),
              "D:target@30,40;U:target@30,40;"
              "D:target@40,50;U:target@180,30;"
              "D:other@1,1;U:other@1,1;"
              "WD:target;WU:target;WU:other;"
              "RD:target@10,10;RU:target@280,180;"
              "D:c@0,0;U:c@0,0;D:c2@5,5;U:c2@5,5;"
              "D:target@30,40;U:target@30,40;");
}

// Each ignore-mouse mode on a box that covers another one, pressed with either button:
// which of the two gets the press.
TEST(DisplayInputTest, IgnoreMouseModesLetPressesThroughToTheBoxBelow) {
    SKIP_WITHOUT_OPTION("--input");
    struct Mode {
        int mode;
        const char* left;   // the box that gets a left press
        const char* right;  // the box that gets a right press
    } modes[] = {
        {0, "top0", "top0"},      // IM_NONE
        {1, "under1", "under1"},  // IM_ALL
        {2, "under2", "under2"},  // IM_CLICK
        {3, "under3", "top3"},    // IM_LCLICK: lets left presses through only
        {4, "top4", "under4"},    // IM_RCLICK: lets right presses through only
    };
    std::string page, input, expected;
    for (const Mode& m : modes) {
        const int x = 10 + 60 * m.mode;
        const std::string n = std::to_string(m.mode);
        const std::string rect = "PR_LEFT: " + std::to_string(x) +
                                 ", PR_TOP: 20, PR_WIDTH: 50, PR_HEIGHT: 50,\n"
                                 "    PR_ONLBTNDOWN: \"l.lsb\", PR_ONRBTNDOWN: \"r.lsb\"\n";
        page += "BoxNew PR_NAME: \"under" + n + "\", " + rect;
        page +=
            "BoxNew PR_NAME: \"top" + n + "\", PR_PRIORITY: 1, PR_IGNOREMOUSE: " + n + ", " + rect;
        const int tick = 2 + 4 * m.mode;
        input += std::to_string(tick) + " click left " + std::to_string(x + 25) + " 45\n";
        input += std::to_string(tick + 2) + " click right " + std::to_string(x + 25) + " 45\n";
        expected += std::string("L:") + m.left + ";R:" + m.right + ";";
    }
    Workspace w;
    BuildInputGame(w, page, {{"l.vss", LogSender("L")}, {"r.vss", LogSender("R")}});
    RunResult r = PlayWithInput(w, input, 26);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), expected);
}

TEST(DisplayInputTest, KeysReachTheFocusedBoxWithTheirCodes) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    // A key page logs its box and the codes it was given: "d:k2=13;" or, for two keys at
    // once, "d:k2=65+66;". H (72) pressed hides the box that has the focus.
    auto keyPage = [](const char* tag) {
        return std::string("Calc log = log ++ \"") + tag +
               ":\" ++ @Sender ++ \"=\" ++ @ParamStr[0]\n"
               "If @ParamCount > 1\n"
               "    Calc log = log ++ \"+\" ++ @ParamStr[1]\n"
               "Calc log = log ++ \";\"\n";
    };
    const std::string pages =
        "    PR_HANDLEKEY: 1, PR_ONKEYDOWN: \"kd.lsb\", PR_ONKEYUP: \"ku.lsb\",\n"
        "    PR_ONKEYREPEAT: \"kr.lsb\", PR_ONFOCUSIN: \"fi.lsb\", PR_ONFOCUSOUT: \"fo.lsb\"\n";
    // Nothing has the focus at first: the topmost box that handles keys gets it, k2.
    BuildInputGame(
        w,
        "BoxNew PR_NAME: \"k1\", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 10, PR_HEIGHT: 10,\n" + pages +
            "BoxNew PR_NAME: \"k2\", PR_LEFT: 20, PR_TOP: 0, PR_WIDTH: 10, "
            "PR_HEIGHT: 10,\n" +
            pages,
        {{"kd.vss", keyPage("d") + "If @ParamStr[0] == \"72\"\n    SetProp @Sender, 47, FALSE\n"},
         {"ku.vss", keyPage("u")},
         {"kr.vss", keyPage("r")},
         {"fi.vss", LogSender("FI")},
         {"fo.vss", LogSender("FO")}});
    RunResult r = PlayWithInput(w,
                                "3 key enter\n"
                                "6 key A\n"
                                "9 keydown space\n"
                                "12 keyup space\n"
                                "15 key left\n"
                                "18 key 112\n"
                                "21 keydown a\n"
                                "21 keydown b\n"
                                "24 keyup a\n"
                                "24 keyup b\n"
                                "# a click moves the focus to k1\n"
                                "27 click left 5 5\n"
                                "30 key tab\n"
                                "# held for about a second: it repeats\n"
                                "33 keydown x\n"
                                "93 keyup x\n"
                                "# hiding the box with the focus gives it to the other one\n"
                                "96 key h\n"
                                "99 key z\n",
                                102);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = Log(r);
    const std::string start =
        "FI:k2;d:k2=13;u:k2=13;d:k2=65;u:k2=65;d:k2=32;u:k2=32;d:k2=37;u:k2=37;"
        "d:k2=112;u:k2=112;d:k2=65+66;u:k2=65+66;"
        "FO:k2;FI:k1;d:k1=9;u:k1=9;d:k1=88;";
    ASSERT_EQ(log.substr(0, start.size()), start) << log;
    // Then repeats until the release: none in the first half second, one every few frames
    // after it.
    std::string rest = log.substr(start.size());
    int repeats = 0;
    while (rest.rfind("r:k1=88;", 0) == 0) {
        ++repeats;
        rest = rest.substr(8);
    }
    EXPECT_EQ(rest, "u:k1=88;d:k1=72;FI:k2;u:k2=72;d:k2=90;u:k2=90;") << log;
    EXPECT_GE(repeats, 3) << log;
    EXPECT_LE(repeats, 30) << log;
}

TEST(DisplayInputTest, TheMouseEnteringMovingInAndLeavingABoxRunsItsPages) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    const std::string pages =
        "    PR_ONMOUSEIN: \"in.lsb\", PR_ONMOUSEMOVE: \"mv.lsb\", PR_ONMOUSEOUT: \"out.lsb\"\n";
    BuildInputGame(
        w,
        "BoxNew PR_NAME: \"h1\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 50, "
        "PR_HEIGHT: 50,\n" +
            pages +
            "BoxNew PR_NAME: \"h2\", PR_LEFT: 70, PR_TOP: 20, PR_WIDTH: 50, "
            "PR_HEIGHT: 50,\n" +
            pages,
        {{"in.vss", LogSender("I")}, {"mv.vss", LogSender("M")}, {"out.vss", LogSender("O")}});
    RunResult r = PlayWithInput(w,
                                "3 move 5 5     # outside both\n"
                                "5 move 30 30   # into h1\n"
                                "7 move 31 32   # within h1\n"
                                "11 move 80 30  # straight into h2\n"
                                "13 move 200 200\n"
                                "# pressed in h1 and dragged into h2: h1 keeps the mouse\n"
                                "# until the release\n"
                                "15 move 30 30\n"
                                "15 down left\n"
                                "17 move 80 30\n"
                                "19 up left\n",
                                22);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r),
              "I:h1;M:h1;M:h1;O:h1;I:h2;M:h2;O:h2;"
              "I:h1;M:h1;M:h1;O:h1;I:h2;M:h2;");
}

TEST(DisplayInputTest, CloseEndsTheGameThroughItsQuitPage) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    BuildInputGame(w, "", {});
    RunResult r = PlayWithInput(w, "5 close\n", 100);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("quitran"), 1);
    EXPECT_GE(r.Frames(), 4);
    EXPECT_LE(r.Frames(), 5);
}

TEST(DisplayInputTest, AFaultyInputScriptIsRefusedWithItsLine) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    BuildInputGame(w, "", {});
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"1 move 1 2\n2 jump 3\n", "line 2"},
        {"# fine\n\n0 click left 1 1\n", "line 3"},
        {"4 key nosuchkey\n", "line 1"},
        {"4 click middle 1 1\n", "line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RunResult r = PlayWithInput(w, c.text, 5);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");  // the game never started
    }
    RunResult r =
        w.Play(w.Game("game") + " --frames 2 --input " + Quote(w.Path("missing.txt").string()));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
}

// The input system variables as a page sees them frame by frame: the page logs the frame
// (@UpdateCount, one less than the tick) and the state whenever the state changed.
TEST(DisplayInputTest, TheInputSystemVariablesFollowTheScriptedInput) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"k\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_HANDLEKEY: 1\n"
                   "VarNew last, string, \"\"\n"
                   "VarNew now, string, \"\"\n"
                   "Label poll\n"
                   // One line: only a comma carries a command on to the next line.
                   "Calc now = @MouseX ++ \",\" ++ @MouseY ++ \" L\" ++ @LPush ++ @LClick ++ "
                   "\" R\" ++ @RPush ++ @RClick ++ \" A\" ++ @KeyPush[65] ++ @KeyClick[65] ++ "
                   "\" W\" ++ @WheelDown ++ @WheelUp ++ @KeyPush[256] ++ @KeyPush[257] ++ "
                   "\" F\" ++ @ActiveCompo\n"
                   "If now <> last\n"
                   "    Calc log = log ++ @UpdateCount ++ \":\" ++ now ++ \"|\"\n"
                   "    Calc last = now\n"
                   "Wait , 1\n"
                   "Jump :poll\n",
                   {});
    RunResult r = PlayWithInput(w,
                                "3 move 30 40\n"
                                "5 down left\n"
                                "8 up left\n"
                                "10 click right 31 41\n"
                                "13 keydown a\n"
                                "20 keyup a\n"
                                "23 wheel down\n"
                                "26 wheel up\n",
                                30);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string log = Log(r);
    for (size_t at; (at = log.find("FALSE")) != std::string::npos;) log.replace(at, 5, "-");
    for (size_t at; (at = log.find("TRUE")) != std::string::npos;) log.replace(at, 4, "+");
    for (size_t at; (at = log.find('|')) != std::string::npos;) log.replace(at, 1, "\n");
    EXPECT_EQ(log,
              "0:0,0 L-- R-- A-- W---- F\n"
              "1:0,0 L-- R-- A-- W---- Fk\n"  // the box that handles keys took the focus
              "2:30,40 L-- R-- A-- W---- Fk\n"
              "4:30,40 L++ R-- A-- W---- Fk\n"  // pressed: held and clicked
              "5:30,40 L+- R-- A-- W---- Fk\n"  // held
              "7:30,40 L-- R-- A-- W---- Fk\n"
              "9:31,41 L-- R++ A-- W---- Fk\n"
              "10:31,41 L-- R-- A-- W---- Fk\n"
              "12:31,41 L-- R-- A++ W---- Fk\n"
              "13:31,41 L-- R-- A+- W---- Fk\n"
              "19:31,41 L-- R-- A-- W---- Fk\n"
              "22:31,41 L-- R-- A-- W+-+- Fk\n"  // the wheel also shows in the key states
              "23:31,41 L-- R-- A-- W---- Fk\n"
              "25:31,41 L-- R-- A-- W-+-+ Fk\n"
              "26:31,41 L-- R-- A-- W---- Fk\n");
}

// Names that begin with the character 1 order boxes before their priorities do: the name
// of two such characters is painted last and pressed first, others are painted first.
TEST(DisplayInputTest, SystemNamesComeBeforePriorities) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    auto box = [](const std::string& name, int left, int top, const char* color, int priority) {
        return "BoxNew PR_NAME: " + name + ", PR_LEFT: " + std::to_string(left) +
               ", PR_TOP: " + std::to_string(top) +
               ", PR_WIDTH: 50, PR_HEIGHT: 50, PR_COLOR: " + color +
               ", PR_PRIORITY: " + std::to_string(priority) + ", PR_ONLBTNDOWN: \"d.lsb\"\n";
    };
    BuildInputGame(w,
                   box("\"top\"", 10, 10, "$0000FF", 100) +
                       box("Chr(1) ++ Chr(1)", 30, 30, "$00FF00", -100) +
                       box("Chr(1) ++ \"sys\"", 100, 10, "$FF0000", 100) +
                       box("\"low\"", 120, 30, "$00FFFF", -100),
                   {{"d.vss", "Calc log = log ++ Length(@Sender) ++ \":\" ++ @Sender ++ \";\"\n"}});
    fs::path shot = w.Path("s.png");
    std::ofstream(w.Path("input.txt")) << "3 click left 45 45\n5 click left 135 45\n";
    RunResult r =
        w.Play(w.Game("game") + " --frames 8 --dump-vars --input " +
               Quote(w.Path("input.txt").string()) + " --screenshot 8:" + Quote(shot.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "2:\x01\x01;3:low;");
    Picture pic = ReadPng(shot);
    ASSERT_TRUE(pic.Ok());
    EXPECT_EQ(Hex(pic.At(45, 45)), Hex(0x00FF00));   // the doubled name over priority 100
    EXPECT_EQ(Hex(pic.At(135, 45)), Hex(0xFFFF00));  // priority -100 over the system name
}

// A box that deletes itself when pressed gets no release, and the box put in its place
// gets the mouse; hidden boxes let presses through, paused ones swallow them.
TEST(DisplayInputTest, DeletedHiddenAndPausedBoxesUnderTheMouse) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    // A 60 x 60 box at (left, 20).
    auto box = [](const std::string& name, int left, const std::string& more) {
        return "BoxNew PR_NAME: \"" + name + "\", PR_LEFT: " + std::to_string(left) +
               ", PR_TOP: 20, PR_WIDTH: 60, PR_HEIGHT: 60, " + more + "\n";
    };
    BuildInputGame(
        w,
        box("target", 20, "PR_ONLBTNDOWN: \"del.lsb\", PR_ONLBTNUP: \"up.lsb\"") +
            box("base", 100, "PR_ONLBTNDOWN: \"d.lsb\"") +
            box("ghost", 100, "PR_PRIORITY: 1, PR_VISIBLE: FALSE, PR_ONLBTNDOWN: \"d.lsb\"") +
            box("base2", 180, "PR_ONLBTNDOWN: \"d.lsb\"") +
            box("sleeper", 180, "PR_PRIORITY: 1, PR_PAUSED: TRUE, PR_ONLBTNDOWN: \"d.lsb\""),
        {{"d.vss", LogSender("D")},
         {"up.vss", LogSender("U")},
         {"in.vss", LogSender("I")},
         {"del.vss", LogSender("D") + "ObjDel @Sender\n" +
                         box("t2", 20, "PR_ONMOUSEIN: \"in.lsb\", PR_ONLBTNUP: \"up.lsb\"")}});
    RunResult r = PlayWithInput(w,
                                "3 click left 50 50\n"
                                "6 click left 130 50\n"
                                "9 click left 210 50\n",
                                12);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "D:target;I:t2;D:base;");
}

// The two layers: boxes made on the back layer show after a flip, the mouse works on the
// layer in front, and a flip that deletes the old layer's boxes leaves it empty.
TEST(DisplayInputTest, FlipsShowTheBackLayerAndTheMouseFollowsTheFrontLayer) {
    SKIP_WITHOUT_OPTION("--input");
    Workspace w;
    // Chr(1) names the back layer; 8 is PR_COLOR.
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"red\", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 50, "
                   "PR_HEIGHT: 50,\n"
                   "    PR_COLOR: $0000FF, PR_ONLBTNDOWN: \"d.lsb\"\n"
                   "BoxNew PR_NAME: \"green\", PR_PARENT: Chr(1), PR_LEFT: 100, PR_TOP: 10,\n"
                   "    PR_WIDTH: 50, PR_HEIGHT: 50, PR_COLOR: $00FF00, PR_ONLBTNDOWN: \"d.lsb\"\n"
                   "SetProp Chr(1), 8, $400000\n"
                   "Wait , 50\n"
                   "Flip 0, 0\n"
                   "Wait , 100\n"
                   "Flip 0, 0, DeleteOld: TRUE\n"
                   "Wait , 50\n"
                   "Flip 0, 0\n",
                   {{"d.vss", LogSender("D")}});
    std::ofstream(w.Path("input.txt")) << "8 click left 120 20\n10 click left 20 20\n";
    std::string args =
        w.Game("game") + " --frames 24 --dump-vars --input " + Quote(w.Path("input.txt").string());
    const int shots[] = {3, 9, 16, 24};
    for (int t : shots)
        args += " --screenshot " + std::to_string(t) + ":" +
                Quote(w.Path(std::to_string(t) + ".png").string());
    RunResult r = w.Play(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "D:green;");  // red is on the hidden layer at tick 10
    struct Seen {
        int tick;
        uint32_t left, right;  // at red's place and at green's place
    } seen[] = {
        {3, 0xFF0000, 0x000000},   // layer 0 in front: red on black
        {9, 0x000040, 0x00FF00},   // layer 1: green on its own colour
        {16, 0xFF0000, 0x000000},  // layer 0 again
        {24, 0x000040, 0x000040},  // layer 1 without green
    };
    for (const Seen& s : seen) {
        SCOPED_TRACE("tick " + std::to_string(s.tick));
        Picture pic = ReadPng(w.Path(std::to_string(s.tick) + ".png"));
        ASSERT_TRUE(pic.Ok());
        EXPECT_EQ(Hex(pic.At(20, 20)), Hex(s.left));
        EXPECT_EQ(Hex(pic.At(120, 20)), Hex(s.right));
    }
}

// ---- the start-up logo

TEST(DisplayLogoTest, TheStartPageWaitsForTheLogoOrItsSkipping) {
    SKIP_WITHOUT_OPTION("--logo");
    Workspace w;
    // A box over the whole screen would log any click that reached the game.
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Logo\"\nScreen: 320, 240\nStartPage: \"main.lsb\"\n"
                "Var: startedAt, int, -1\nVar: log, string, \"\"\n"},
               {"main.vss",
                "Calc startedAt = @TickCount\n"
                "BoxNew PR_NAME: \"all\", PR_WIDTH: 320, PR_HEIGHT: 240, PR_ONLBTNDOWN: \"d.lsb\", "
                "PR_ONLBTNUP: \"u.lsb\"\n"
                "Label idle\nWait , 1000\nJump :idle\n"},
               {"d.vss", LogSender("D")},
               {"u.vss", LogSender("U")}});
    w.Build("src", "game");
    std::ofstream(w.Path("click.txt")) << "5 click left 100 100\n";
    std::ofstream(w.Path("space.txt")) << "5 key space\n";
    std::ofstream(w.Path("other.txt")) << "5 key a\n";
    struct Case {
        const char* what;
        const char* options;
        int64_t earliest, latest;  // when the start page ran, in ms of game time
    } cases[] = {
        {"headless: no logo", "", 16, 16},
        {"--no-logo", "--no-logo", 16, 16},
        {"the logo plays about two seconds", "--logo", 2000, 2200},
        {"a click skips it", "--logo --input click.txt", 5 * 16, 7 * 16},
        {"Space skips it", "--logo --input space.txt", 5 * 16, 7 * 16},
        {"another key does not", "--logo --input other.txt", 2000, 2200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string options = c.options;
        if (size_t at = options.find("--input "); at != std::string::npos)
            options.replace(at + 8, std::string::npos,
                            Quote(w.Path(options.substr(at + 8)).string()));
        RunResult r = w.Play(w.Game("game") + " --frames 200 --dump-vars " + options);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_GE(r.Var("startedAt"), c.earliest);
        EXPECT_LE(r.Var("startedAt"), c.latest);
        EXPECT_EQ(Log(r), "");  // the click that skipped the logo is not the game's
    }
}

// ---- the window

const char* kNoXvfb =
    "xvfb-run is not installed (Debian package xvfb): no display to open the window on";

bool HaveXvfb() {
    return std::system("command -v xvfb-run >/dev/null 2>&1") == 0;
}

// Runs a command on a virtual X display of 1024 x 768. Display numbers are looked for from
// one chosen by the process id, so that tests running side by side do not race for the
// same one. The X and D-Bus client libraries keep a few allocations past exit that the leak
// checker would report as the player's; its own leaks are checked by the headless runs.
RunResult RunInXvfb(Workspace& w, const std::string& command, const std::string& env) {
    fs::path out = w.Path("stdout.txt"), err = w.Path("stderr.txt");
    const std::string server = std::to_string(100 + getpid() % 5000);
    std::string cmd = env + " ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" xvfb-run -a -n " +
                      server + " -s '-screen 0 1024x768x24' " + command + " >" +
                      Quote(out.string()) + " 2>" + Quote(err.string());
    int raw = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadText(out);
    r.err = ReadText(err);
    return r;
}

// The player in a window; `env` sets variables for it.
RunResult PlayInXvfb(Workspace& w, const std::string& args, const std::string& env = "") {
    return RunInXvfb(w, Quote(VESKPLAY_PATH) + " " + args, env);
}

// A shell script, for tools that look at the screen while the player runs.
RunResult PlayInXvfbShell(Workspace& w, const std::string& script) {
    return RunInXvfb(w, "sh -c " + Quote(script), "");
}

TEST(DisplayWindowTest, TheWindowShowsTheSamePictureAsTheHeadlessScreen) {
    SKIP_WITHOUT_OPTION("--window-shot");
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    Workspace w;
    BuildScene(w);
    // The scene stands still after its one move, long before tick 60 on the real clock.
    fs::path win = w.Path("win.png"), head = w.Path("head.png");
    RunResult r = PlayInXvfb(
        w, w.Game("game") + " --no-logo --frames 60 --window-shot 60:" + Quote(win.string()) +
               " --screenshot 60:" + Quote(head.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("without a window"), std::string::npos) << r.err;
    Picture shown = ReadPng(win), composed = ReadPng(head);
    ASSERT_TRUE(shown.Ok()) << r.err;
    ASSERT_TRUE(composed.Ok()) << r.err;
    ASSERT_EQ(shown.width, 320);
    ASSERT_EQ(shown.height, 240);
    CheckPixels(shown, std::begin(kScene), std::end(kScene));
    CheckPixels(shown, std::begin(kAfterMove), std::end(kAfterMove));
    int differ = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (shown.At(x, y) != composed.At(x, y) && ++differ <= 5)
                ADD_FAILURE() << "window " << Hex(shown.At(x, y)) << " screen "
                              << Hex(composed.At(x, y)) << " at " << x << "," << y;
    EXPECT_EQ(differ, 0);
}

TEST(DisplayWindowTest, ScriptedInputReachesTheGameInAWindow) {
    SKIP_WITHOUT_OPTION("--input");
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    Workspace w;
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"target\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 100,\n"
                   "    PR_HEIGHT: 100, PR_ONLBTNDOWN: \"down.lsb\", PR_ONLBTNUP: \"up.lsb\",\n"
                   "    PR_HANDLEKEY: 1, PR_ONKEYDOWN: \"key.lsb\"\n",
                   {{"down.vss", LogButton("D")},
                    {"up.vss", LogButton("U")},
                    {"key.vss", "Calc log = log ++ \"K\" ++ @ParamStr[0] ++ \";\"\n"}});
    std::ofstream(w.Path("input.txt")) << "5 click left 50 60\n8 key enter\n12 close\n";
    RunResult r = PlayInXvfb(w, w.Game("game") + " --no-logo --frames 300 --dump-vars --input " +
                                    Quote(w.Path("input.txt").string()));
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json dump = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_TRUE(dump.is_object()) << r.out << r.err;
    r.dump = dump;
    EXPECT_EQ(Log(r), "D:target@30,40;U:target@30,40;K13;");
    EXPECT_EQ(r.Var("quitran"), 1);
    EXPECT_LE(r.Frames(), 12);  // ended by the close, not by the frame limit
}

// The window gets only what changed each frame: with boxes moving, resizing and fading on
// every frame, what it shows is still the whole composed screen of that frame.
TEST(DisplayWindowTest, TheWindowKeepsUpWithChangesOnEveryFrame) {
    SKIP_WITHOUT_OPTION("--window-shot");
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    Workspace w;
    // Property numbers: 3 PR_LEFT, 4 PR_TOP, 5 PR_WIDTH, 11 PR_ALPHA, 8 PR_COLOR.
    w.Sources("src", {{"project.vpj", kSceneProject},
                      {"main.vss", std::string(kSceneBoxes) +
                                       "VarNew n, int, 0\n"
                                       "BoxNew PR_NAME: \"runner\", PR_WIDTH: 30, PR_HEIGHT: 30, "
                                       "PR_COLOR: $00FFFF, PR_PRIORITY: 7\n"
                                       "Label loop\n"
                                       "Calc n = n + 1\n"
                                       "SetProp \"runner\", 3, (n * 7) % 300\n"
                                       "SetProp \"runner\", 4, (n * 13) % 220\n"
                                       "SetProp \"glass\", 11, (n * 29) % 256\n"
                                       "SetProp \"green\", 5, 40 + (n * 3) % 60\n"
                                       "SetProp \"kid\", 8, n * 4099\n"
                                       "Wait , 1\n"
                                       "Jump :loop\n"}});
    w.Build("src", "game");
    std::string args = w.Game("game") + " --no-logo --frames 40";
    const int ticks[] = {7, 23, 40};
    for (int t : ticks)
        args += " --screenshot " + std::to_string(t) + ":" +
                Quote(w.Path("h" + std::to_string(t) + ".png").string()) + " --window-shot " +
                std::to_string(t) + ":" + Quote(w.Path("w" + std::to_string(t) + ".png").string());
    RunResult r = PlayInXvfb(w, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadPng(w.Path("h7.png")).rgb != ReadPng(w.Path("h40.png")).rgb)
        << "the scene did not change";
    for (int t : ticks) {
        SCOPED_TRACE("tick " + std::to_string(t));
        Picture composed = ReadPng(w.Path("h" + std::to_string(t) + ".png"));
        Picture shown = ReadPng(w.Path("w" + std::to_string(t) + ".png"));
        ASSERT_TRUE(composed.Ok() && shown.Ok()) << r.err;
        ASSERT_EQ(shown.width, composed.width);
        ASSERT_EQ(shown.height, composed.height);
        int differ = 0;
        for (int y = 0; y < composed.height; ++y)
            for (int x = 0; x < composed.width; ++x)
                if (shown.At(x, y) != composed.At(x, y) && ++differ <= 3)
                    ADD_FAILURE() << "window " << Hex(shown.At(x, y)) << " screen "
                                  << Hex(composed.At(x, y)) << " at " << x << "," << y;
        EXPECT_EQ(differ, 0);
    }
}

// In full screen the window shows the whole picture, scaled to the screen (4:3 on a 4:3
// screen, so it fills it); each checked pixel of the scene is found at its scaled place.
// SDL's software renderer draws it: with Mesa's OpenGL under Xvfb, which has no window
// manager, the back buffer keeps the size the window had before it went full screen (a bare
// SDL program shows the same), and only that corner of the screen would be drawn.
TEST(DisplayWindowTest, TheFullScreenWindowShowsTheWholePictureScaled) {
    SKIP_WITHOUT_OPTION("--window-shot");
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    Workspace w;
    w.Sources("src", {{"project.vpj", kSceneProject},
                      {"main.vss", "Calc @FullScr = TRUE\n" + ScenePage()}});
    w.Build("src", "game");
    fs::path win = w.Path("win.png");
    RunResult r = PlayInXvfb(
        w, w.Game("game") + " --no-logo --frames 60 --window-shot 60:" + Quote(win.string()),
        "SDL_RENDER_DRIVER=software");
    ASSERT_EQ(r.status, 0) << r.err;
    Picture shown = ReadPng(win);
    ASSERT_TRUE(shown.Ok()) << r.err;
    EXPECT_EQ(shown.width, 1024);
    EXPECT_EQ(shown.height, 768);
    const double sx = shown.width / 320.0, sy = shown.height / 240.0;
    int wrong = 0;
    auto check = [&](const Expect* begin, const Expect* end) {
        for (const Expect* e = begin; e != end; ++e) {
            const int x = int((e->x + 0.5) * sx), y = int((e->y + 0.5) * sy);
            if (shown.At(x, y) != e->rgb && ++wrong <= 5)
                ADD_FAILURE() << e->what << " at " << e->x << "," << e->y << " shown at " << x
                              << "," << y << ": " << Hex(shown.At(x, y)) << " instead of "
                              << Hex(e->rgb);
        }
    };
    check(std::begin(kScene), std::end(kScene));
    check(std::begin(kAfterMove), std::end(kAfterMove));
    EXPECT_EQ(wrong, 0);
}

// The X screen as xwd dumps it (ZPixmap, 24-bit colour in 3 or 4 bytes per pixel, either
// byte order); an empty picture when the dump is not of that kind.
Picture ReadXwd(const fs::path& path) {
    Picture pic;
    const std::string d = ReadText(path);
    auto u32 = [&](size_t field) {
        const size_t at = field * 4;
        if (at + 4 > d.size()) return uint32_t(0);
        return uint32_t(uint8_t(d[at])) << 24 | uint32_t(uint8_t(d[at + 1])) << 16 |
               uint32_t(uint8_t(d[at + 2])) << 8 | uint32_t(uint8_t(d[at + 3]));
    };
    const uint32_t headerSize = u32(0), format = u32(2), width = u32(4), height = u32(5),
                   byteOrder = u32(7), bitsPerPixel = u32(11), bytesPerLine = u32(12),
                   ncolors = u32(19);
    if (format != 2 || width == 0 || height == 0 || width > 8192 || height > 8192) return pic;
    const uint32_t bpp = bitsPerPixel / 8;  // rows may be padded beyond width * bpp
    const size_t start = size_t(headerSize) + size_t(ncolors) * 12;
    if ((bpp != 3 && bpp != 4) || bytesPerLine < width * bpp ||
        start + size_t(bytesPerLine) * height > d.size())
        return pic;
    pic.width = int(width);
    pic.height = int(height);
    pic.rgb.resize(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* px = reinterpret_cast<const uint8_t*>(d.data()) + start +
                                size_t(y) * bytesPerLine + size_t(x) * bpp;
            uint8_t* out = &pic.rgb[(size_t(y) * width + x) * 3];
            const bool lsb = byteOrder == 0;  // blue first
            out[0] = lsb ? px[2] : px[bpp - 3];
            out[1] = lsb ? px[1] : px[bpp - 2];
            out[2] = lsb ? px[0] : px[bpp - 1];
        }
    return pic;
}

// What the X server really shows: the player's window, found by its title, dumped from the
// screen while the game runs. Its picture sits below the toolbar and must be the headless
// screen's picture pixel for pixel.
TEST(DisplayWindowTest, TheScreenOfTheXServerShowsThePicture) {
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    if (std::system("command -v xwd >/dev/null 2>&1 && command -v xwininfo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xwd and xwininfo are not installed (Debian packages x11-apps and "
                        "x11-utils)";
    Workspace w;
    BuildScene(w);
    fs::path head = w.Path("head.png"), info = w.Path("info.txt"), dump = w.Path("root.xwd");
    // The scene stands still from its tenth frame; the dump is taken about a second after
    // the window appears, long before the last frame.
    std::string player = Quote(VESKPLAY_PATH) + " " + w.Game("game") +
                         " --no-logo --frames 250 --screenshot 30:" + Quote(head.string());
    std::string script = player +
                         " & for i in $(seq 100); do xwininfo -name Scene >/dev/null 2>&1 && "
                         "break; sleep 0.1; done; sleep 1; xwininfo -name Scene >" +
                         Quote(info.string()) + "; xwd -root -silent >" + Quote(dump.string()) +
                         "; wait";
    RunResult r = PlayInXvfbShell(w, script);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string where = ReadText(info);
    auto field = [&](const std::string& label) {
        size_t at = where.find(label);
        return at == std::string::npos ? -1 : std::atoi(where.c_str() + at + label.size());
    };
    const int wx = field("Absolute upper-left X:"), wy = field("Absolute upper-left Y:");
    const int ww = field("Width:"), wh = field("Height:");
    ASSERT_TRUE(wx >= 0 && wy >= 0) << where << r.err;
    EXPECT_EQ(ww, 320);
    ASSERT_GE(wh, 240);
    Picture screen = ReadXwd(dump), composed = ReadPng(head);
    ASSERT_TRUE(screen.Ok()) << "no screen dump";
    ASSERT_TRUE(composed.Ok()) << r.err;
    // The picture fills the window below the toolbar.
    const int top = wy + wh - 240;
    int differ = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (screen.At(wx + x, top + y) != composed.At(x, y) && ++differ <= 3)
                ADD_FAILURE() << "screen " << Hex(screen.At(wx + x, top + y)) << " picture "
                              << Hex(composed.At(x, y)) << " at " << x << "," << y;
    EXPECT_EQ(differ, 0);
}

// A window plays the start-up logo first; a click ends it and the scene follows.
TEST(DisplayWindowTest, TheLogoPlaysFirstInAWindowUntilAClick) {
    SKIP_WITHOUT_OPTION("--window-shot");
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    Workspace w;
    BuildScene(w);
    fs::path head = w.Path("head.png"), win = w.Path("win.png");
    RunResult r =
        PlayInXvfb(w, w.Game("game") + " --frames 20 --screenshot 20:" + Quote(head.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    Picture logo = ReadPng(head);
    ASSERT_TRUE(logo.Ok()) << r.err;
    EXPECT_NE(Hex(logo.At(20, 20)), Hex(0xFF0000)) << "the scene shows while the logo should";

    std::ofstream(w.Path("input.txt")) << "3 click left 10 10\n";
    r = PlayInXvfb(w, w.Game("game") + " --frames 20 --input " +
                          Quote(w.Path("input.txt").string()) + " --screenshot 20:" +
                          Quote(head.string()) + " --window-shot 20:" + Quote(win.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    Picture composed = ReadPng(head), shown = ReadPng(win);
    ASSERT_TRUE(composed.Ok() && shown.Ok()) << r.err;
    EXPECT_EQ(Hex(composed.At(20, 20)), Hex(0xFF0000));
    EXPECT_EQ(Hex(composed.At(5, 5)), Hex(kBg));
    EXPECT_TRUE(composed.rgb == shown.rgb) << "the window shows another picture";
}

// Writing @MouseX and @MouseY moves the mouse: the box it lands on sees it come and go, in
// the headless player and in a window (where the pointer is placed on the picture).
TEST(DisplayWindowTest, WritingTheMousePositionMovesTheMouse) {
    Workspace w;
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
    const std::string expected = "50,45;I:h;100,45;O:h;";
    RunResult r = w.Play(w.Game("game") + " --frames 20 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), expected);
    if (!HaveXvfb()) GTEST_SKIP() << kNoXvfb;
    r = PlayInXvfb(w, w.Game("game") + " --no-logo --frames 30 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    r.dump = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_EQ(Log(r), expected) << r.out << r.err;
}

}  // namespace
}  // namespace vesk::e2e
