// The player in a window, under a virtual X display: the window shows the same picture as
// the headless screen, in a window and in full screen, frame after frame, and input and
// the start-up logo work there too. The suite shares one X server, so it runs as one test
// program (see CMakeLists.txt).
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// A virtual X display of 1024 x 768. Xvfb chooses a free display number itself and says
// which once it accepts clients, so suites running side by side never race for one; it
// ends with this process however that ends.
class VirtualDisplay {
  public:
    // The running server, or null with `why` set.
    static std::unique_ptr<VirtualDisplay> Start(std::string* why) {
        int fds[2];
        if (::pipe(fds) != 0) {
            *why = "no pipe for Xvfb";
            return nullptr;
        }
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid < 0) {
            *why = "cannot start Xvfb";
            return nullptr;
        }
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(1);
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        auto d = std::unique_ptr<VirtualDisplay>(new VirtualDisplay(pid));
        // The display number and a line end, within ten seconds.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
            char buf[16];
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break;
            number.append(buf, size_t(n));
        }
        ::close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            *why = "Xvfb did not start";
            return nullptr;
        }
        d->name_ = ":" + number.substr(0, number.find('\n'));
        return d;
    }
    ~VirtualDisplay() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    const std::string& Name() const { return name_; }

  private:
    explicit VirtualDisplay(pid_t pid) : pid_(pid) {}
    pid_t pid_;
    std::string name_;
};

class DisplayWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
            skip_ =
                "Xvfb is not installed (Debian package xvfb): no display to open the "
                "window on";
            return;
        }
        display_ = VirtualDisplay::Start(&error_).release();
    }
    static void TearDownTestSuite() {
        delete display_;
        display_ = nullptr;
    }
    void SetUp() override {
        if (!skip_.empty()) GTEST_SKIP() << skip_;
        ASSERT_NE(display_, nullptr) << error_;
    }

    // Runs a command on the display. The X and D-Bus client libraries keep a few
    // allocations past exit that the leak checker would report as the player's; its own
    // leaks are checked by the headless runs. What the player remembers (the window's place)
    // stays in the workspace.
    RunResult Run(Workspace& w, const std::string& command, const std::string& env) {
        fs::path out = w.Path("stdout.txt"), err = w.Path("stderr.txt");
        std::string cmd = env + " DISPLAY=" + display_->Name() +
                          " XDG_CONFIG_HOME=" + Quote(w.Path("config").string()) +
                          " ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:detect_leaks=0\" " + command + " >" +
                          Quote(out.string()) + " 2>" + Quote(err.string());
        int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        if (!r.out.empty()) r.dump = nlohmann::json::parse(r.out, nullptr, false);
        return r;
    }
    // The player in a window; `env` sets variables for it.
    RunResult Play(Workspace& w, const std::string& args, const std::string& env = "") {
        return Run(w, Quote(VESKPLAY_PATH) + " " + args, env);
    }
    // A shell script, for tools that look at the screen while the player runs.
    RunResult Shell(Workspace& w, const std::string& script) {
        return Run(w, "sh -c " + Quote(script), "");
    }
    // Plays in the background; once the window titled `title` is up and five frames have
    // run, `actions` run (shell, $id the window), then the player is closed as by Ctrl+C.
    // The status is the player's, or 97 when its window never came. `env` sets variables
    // for the player.
    RunResult PlayAndAct(Workspace& w, const std::string& args, const std::string& title,
                         const std::string& actions, const std::string& env = "") {
        if (std::system("command -v xdotool >/dev/null 2>&1") != 0) {
            ADD_FAILURE() << "xdotool is not installed (Debian package xdotool)";
            return {};
        }
        const std::string ready = Quote(w.Path("ready.png").string());
        fs::remove(w.Path("ready.png"));
        const std::string script = env + " " + Quote(VESKPLAY_PATH) + " " + args +
                                   " --screenshot 5:" + ready +
                                   " & p=$!; id=; for i in $(seq 200); do [ -s " + ready +
                                   " ] && id=$(xdotool search --name " + Quote("^" + title + "$") +
                                   " | head -n 1) && [ -n \"$id\" ] && break; sleep 0.05; done; "
                                   "if [ -z \"$id\" ]; then kill -TERM $p; wait $p; exit 97; fi; " +
                                   actions + "; sleep 0.4; kill -TERM $p; wait $p";
        return Shell(w, script);
    }

  private:
    static inline VirtualDisplay* display_ = nullptr;
    static inline std::string skip_, error_;
};

// The window tests that compare the window's picture with the composed screen pixel for
// pixel show it at its own size.
constexpr const char* kOneToOne = " --scale 1";

// The scene of the box tests stands still from its eighth frame, after its one move.
constexpr int kSceneStill = 12;

TEST_F(DisplayWindowTest, TheWindowShowsTheSamePictureAsTheHeadlessScreen) {
    Workspace w;
    BuildScene(w);
    fs::path win = w.Path("win.png"), head = w.Path("head.png");
    const std::string at = " " + std::to_string(kSceneStill) + ":";
    RunResult r = Play(w, w.Game("game") + kOneToOne + " --no-logo --frames " +
                              std::to_string(kSceneStill) + " --window-shot" + at +
                              Quote(win.string()) + " --screenshot" + at + Quote(head.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("without a window"), std::string::npos) << r.err;
    Picture shown = ReadPng(win), composed = ReadPng(head);
    ASSERT_TRUE(shown.Ok()) << r.err;
    ASSERT_TRUE(composed.Ok()) << r.err;
    ASSERT_EQ(shown.width, 320);
    ASSERT_EQ(shown.height, 240);
    CheckPixels(shown, kScene);
    CheckPixels(shown, kAfterMove);
    ExpectSamePicture(shown, "window", composed, "screen");
}

TEST_F(DisplayWindowTest, ScriptedInputReachesTheGameInAWindow) {
    Workspace w;
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"target\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 100,\n"
                   "    PR_HEIGHT: 100, PR_ONLBTNDOWN: \"down.lsb\", PR_ONLBTNUP: \"up.lsb\",\n"
                   "    PR_HANDLEKEY: 1, PR_ONKEYDOWN: \"key.lsb\"\n",
                   {{"down.vss", LogButton("D")},
                    {"up.vss", LogButton("U")},
                    {"key.vss", "Calc log = log ++ \"K\" ++ @ParamStr[0] ++ \";\"\n"}});
    // The frame limit only guards against a close that does not arrive.
    RunResult r = Play(w, w.Game("game") + " --no-logo --frames 60 --dump-vars --input " +
                              InputFile(w, "5 click left 50 60\n8 key enter\n12 close\n"));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.dump.is_object()) << r.out << r.err;
    EXPECT_EQ(Log(r), "D:target@30,40;U:target@30,40;K13;");
    EXPECT_EQ(r.Var("quitran"), 1);
    EXPECT_LE(r.Frames(), 12);  // ended by the close, not by the frame limit
}

// The window gets only what changed each frame: with boxes moving, resizing and fading on
// every frame, what it shows is still the whole composed screen of that frame.
TEST_F(DisplayWindowTest, TheWindowKeepsUpWithChangesOnEveryFrame) {
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
    std::string args = w.Game("game") + kOneToOne + " --no-logo --frames 40";
    const int ticks[] = {7, 23, 40};
    for (int t : ticks)
        args += " --screenshot " + std::to_string(t) + ":" +
                Quote(w.Path("h" + std::to_string(t) + ".png").string()) + " --window-shot " +
                std::to_string(t) + ":" + Quote(w.Path("w" + std::to_string(t) + ".png").string());
    RunResult r = Play(w, args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadPng(w.Path("h7.png")).rgb != ReadPng(w.Path("h40.png")).rgb)
        << "the scene did not change";
    for (int t : ticks) {
        SCOPED_TRACE("tick " + std::to_string(t));
        Picture composed = ReadPng(w.Path("h" + std::to_string(t) + ".png"));
        Picture shown = ReadPng(w.Path("w" + std::to_string(t) + ".png"));
        ASSERT_TRUE(composed.Ok() && shown.Ok()) << r.err;
        ExpectSamePicture(shown, "window", composed, "screen");
    }
}

// In full screen the window shows the whole picture, scaled to the screen (4:3 on a 4:3
// screen, so it fills it); each checked pixel of the scene is found at its scaled place.
// SDL's software renderer draws it: with Mesa's OpenGL under Xvfb, which has no window
// manager, the back buffer keeps the size the window had before it went full screen (a bare
// SDL program shows the same), and only that corner of the screen would be drawn. 3.2 times
// is no whole multiple, so the picture would be smoothed; nearest is asked for so that each
// pixel can be checked.
TEST_F(DisplayWindowTest, TheFullScreenWindowShowsTheWholePictureScaled) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kSceneProject},
                      {"main.vss", "Calc @FullScr = TRUE\n" + ScenePage()}});
    w.Build("src", "game");
    fs::path win = w.Path("win.png");
    const std::string still = std::to_string(kSceneStill);
    RunResult r = Play(w,
                       w.Game("game") + " --filter nearest --no-logo --frames " + still +
                           " --window-shot " + still + ":" + Quote(win.string()),
                       "SDL_RENDER_DRIVER=software");
    ASSERT_EQ(r.status, 0) << r.err;
    Picture shown = ReadPng(win);
    ASSERT_TRUE(shown.Ok()) << r.err;
    EXPECT_EQ(shown.width, 1024);
    EXPECT_EQ(shown.height, 768);
    const double sx = shown.width / 320.0, sy = shown.height / 240.0;
    int wrong = 0;
    auto check = [&](const auto& expected) {
        for (const Expect& e : expected) {
            const int x = int((e.x + 0.5) * sx), y = int((e.y + 0.5) * sy);
            if (shown.At(x, y) != e.rgb && ++wrong <= 5)
                ADD_FAILURE() << e.what << " at " << e.x << "," << e.y << " shown at " << x << ","
                              << y << ": " << Hex(shown.At(x, y)) << " instead of " << Hex(e.rgb);
        }
    };
    check(kScene);
    check(kAfterMove);
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
TEST_F(DisplayWindowTest, TheScreenOfTheXServerShowsThePicture) {
    ASSERT_EQ(std::system("command -v xwd >/dev/null 2>&1 && command -v xwininfo >/dev/null 2>&1"),
              0)
        << "xwd and xwininfo are not installed (Debian packages x11-apps and x11-utils)";
    Workspace w;
    BuildScene(w);
    fs::path head = w.Path("head.png"), info = w.Path("info.txt"), dump = w.Path("root.xwd");
    // The screen is dumped once the player has written the screenshot of a frame after the
    // scene stood still; then the player is asked to close (the frame limit is only a
    // guard).
    std::string player = Quote(VESKPLAY_PATH) + " " + w.Game("game") + kOneToOne +
                         " --no-logo --frames 600 --screenshot " + std::to_string(kSceneStill) +
                         ":" + Quote(head.string());
    std::string script = player + " & p=$!; for i in $(seq 200); do [ -s " + Quote(head.string()) +
                         " ] && xwininfo -name Scene >/dev/null 2>&1 && break; sleep 0.05; done; "
                         "xwininfo -name Scene >" +
                         Quote(info.string()) + "; xwd -root -silent >" + Quote(dump.string()) +
                         "; kill -TERM $p; wait $p";
    RunResult r = Shell(w, script);
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
TEST_F(DisplayWindowTest, TheLogoPlaysFirstInAWindowUntilAClick) {
    Workspace w;
    BuildScene(w);
    fs::path head = w.Path("head.png"), win = w.Path("win.png");
    RunResult r = Play(w, w.Game("game") + " --frames 20 --screenshot 20:" + Quote(head.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    Picture logo = ReadPng(head);
    ASSERT_TRUE(logo.Ok()) << r.err;
    EXPECT_NE(Hex(logo.At(20, 20)), Hex(0xFF0000)) << "the scene shows while the logo should";

    r = Play(w, w.Game("game") + kOneToOne + " --frames 20 --input " +
                    InputFile(w, "3 click left 10 10\n") + " --screenshot 20:" +
                    Quote(head.string()) + " --window-shot 20:" + Quote(win.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    Picture composed = ReadPng(head), shown = ReadPng(win);
    ASSERT_TRUE(composed.Ok() && shown.Ok()) << r.err;
    EXPECT_EQ(Hex(composed.At(20, 20)), Hex(0xFF0000));
    EXPECT_EQ(Hex(composed.At(5, 5)), Hex(kBg));
    EXPECT_TRUE(composed.rgb == shown.rgb) << "the window shows another picture";
}

// Writing @MouseX and @MouseY moves the mouse in a window too, where the pointer is placed
// on the picture: the box it lands on sees it come and go.
TEST_F(DisplayWindowTest, WritingTheMousePositionMovesTheMouse) {
    Workspace w;
    BuildMouseWritingGame(w);
    RunResult r = Play(w, w.Game("game") + " --no-logo --frames 30 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), kMouseWritten) << r.out << r.err;
}

// At twice the game's size a click lands on the game pixel under it, whichever of the four
// window pixels of that game pixel it hits; the window shows each game pixel as a 2 x 2
// block, exactly.
TEST_F(DisplayWindowTest, AtTwiceTheSizeAClickReachesTheGamePixelUnderIt) {
    Workspace w;
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"target\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 100,\n"
                   "    PR_HEIGHT: 100, PR_COLOR: $0000FF, PR_ONLBTNDOWN: \"down.lsb\",\n"
                   "    PR_ONLBTNUP: \"up.lsb\"\n",
                   {{"down.vss", LogButton("D")}, {"up.vss", LogButton("U")}});
    const fs::path head = w.Path("head.png"), win = w.Path("win.png");
    // The picture starts below the toolbar's 22 points. Window point 99 is in game pixel
    // 49, 100 and 101 in 50.
    const int dock = 22;
    RunResult r = PlayAndAct(w,
                             w.Game("game") +
                                 " --scale 2 --no-logo --frames 3000 --dump-vars --screenshot 8:" +
                                 Quote(head.string()) + " --window-shot 8:" + Quote(win.string()),
                             "Input",
                             "xdotool mousemove --window $id 99 " + std::to_string(dock + 119) +
                                 " click 1; sleep 0.2; xdotool mousemove --window $id 100 " +
                                 std::to_string(dock + 120) +
                                 " click 1; sleep 0.2; xdotool mousemove --window $id 101 " +
                                 std::to_string(dock + 121) + " click 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r),
              "D:target@29,39;U:target@29,39;D:target@30,40;U:target@30,40;"
              "D:target@30,40;U:target@30,40;");
    Picture composed = ReadPng(head), shown = ReadPng(win);
    ASSERT_TRUE(composed.Ok() && shown.Ok()) << r.err;
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.height, 480);
    int differ = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (shown.At(x, y) != composed.At(x / 2, y / 2) && ++differ <= 3)
                ADD_FAILURE() << "window " << Hex(shown.At(x, y)) << " at " << x << "," << y
                              << ", game " << Hex(composed.At(x / 2, y / 2));
    EXPECT_EQ(differ, 0);
}

TEST_F(DisplayWindowTest, KeysTypedInTheWindowReachTheFocusedEditAsText) {
    Workspace w;
    BuildInputGame(
        w,
        "EditNew PR_NAME: \"name\", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 200,\n"
        "    PR_HEIGHT: 24, PR_ONNOTIFY: \"typed.lsb\"\n",
        {{"typed.vss", "Calc log = log ++ @ParamStr[0] ++ \"=\" ++ @ParamStr[1] ++ \";\"\n"}});
    // The edit has the focus, so SDL's text input is on: each key comes as a key and as
    // its character.
    RunResult r = PlayAndAct(w, w.Game("game") + " --no-logo --frames 3000 --dump-vars", "Input",
                             "xdotool windowfocus --sync $id; sleep 0.2; "
                             "xdotool type --delay 150 ab; sleep 0.2");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "65=a;66=ab;");
}

// The window's place and size are kept when the player ends and taken up on the next run,
// and so is full screen (with the place to come back to); all of it in the user's
// configuration folder, nothing in the game's.
TEST_F(DisplayWindowTest, TheWindowsPlaceSizeAndFullScreenAreRemembered) {
    Workspace w;
    BuildInputGame(w, "If @FullScr\n    Calc log = \"full\"\n", {});
    const std::string play = w.Game("game") + " --no-logo --frames 3000 --dump-vars";
    auto gameFiles = [&] {
        std::vector<std::string> names;
        // The game's own save file (its status) is the one file the player keeps there.
        for (const auto& e : fs::recursive_directory_iterator(w.Path("game")))
            if (e.path().filename() != "save.dat") names.push_back(e.path().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = gameFiles();
    // Moved and resized by the user (xdotool stands in for a window manager here).
    RunResult r = PlayAndAct(w, play, "Input",
                             "xdotool windowmove $id 100 80; xdotool windowsize $id 500 400");
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path kept = w.Path("config") / "veskplay" / "windows";
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(kept, ec)) files.push_back(e.path());
    ASSERT_EQ(files.size(), 1u) << r.err;
    EXPECT_EQ(files[0].filename().string().rfind("Input-", 0), 0u) << files[0];
    nlohmann::json j = nlohmann::json::parse(ReadText(files[0]), nullptr, false);
    EXPECT_EQ(j["x"], 100) << j;
    EXPECT_EQ(j["y"], 80) << j;
    EXPECT_EQ(j["width"], 500) << j;
    EXPECT_EQ(j["height"], 400) << j;
    EXPECT_EQ(j["fullScreen"], false) << j;
    EXPECT_EQ(gameFiles(), before);

    // The next run opens there, at that size, and switches to full screen with the
    // toolbar's button (its second button, at 70..137 of the dock).
    const fs::path info = w.Path("info.txt");
    r = PlayAndAct(w, play, "Input",
                   "xwininfo -id $id >" + Quote(info.string()) +
                       "; xdotool mousemove --window $id 100 10 click 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "");
    const std::string text = ReadText(info);
    auto field = [&](const std::string& label) {
        const size_t at = text.find(label);
        return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
    };
    EXPECT_EQ(field("Absolute upper-left X:"), 100) << text;
    EXPECT_EQ(field("Absolute upper-left Y:"), 80) << text;
    EXPECT_EQ(field("Width:"), 500) << text;
    EXPECT_EQ(field("Height:"), 400) << text;
    j = nlohmann::json::parse(ReadText(files[0]), nullptr, false);
    EXPECT_EQ(j["fullScreen"], true) << j;
    EXPECT_EQ(j["x"], 100) << j;  // where it goes back to
    EXPECT_EQ(j["width"], 500) << j;

    // The run after that starts in full screen, which the game sees, and the window shows
    // the picture over the whole screen (drawn by SDL's software renderer, see the full
    // screen test above).
    const fs::path shot = w.Path("full.png");
    r = PlayAndAct(w, play + " --window-shot 12:" + Quote(shot.string()), "Input", "sleep 0.3",
                   "SDL_RENDER_DRIVER=software");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "full");
    Picture full = ReadPng(shot);
    EXPECT_EQ(full.width, 1024) << r.err;
    EXPECT_EQ(full.height, 768) << r.err;
}

}  // namespace
}  // namespace vesk::e2e
