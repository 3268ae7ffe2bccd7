// vesktool as its users call it: every subcommand on its main path and on a usage error,
// options before and after the positional arguments, --help, and the exit statuses (0 done,
// 1 failed, 2 usage).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "../media/smf_builder.h"
#include "../vfs/vfs_fixture.h"
#include "base/cp932.h"
#include "base/stream.h"
#include "command_table.h"
#include "display/map_regions.h"
#include "display/motion_file.h"
#include "display/prev_menu_file.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "platform/posix_file_system.h"
#include "script/command.h"
#include "script/game_save.h"
#include "script/page_builder.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct ToolResult {
    int status = -1;  // -1: the tool did not exit normally
    std::string out, err;
};

class ToolTest : public ::testing::Test {
  protected:
    // Runs vesktool with `args`, each passed as one argument.
    ToolResult Tool(std::initializer_list<std::string> args) {
        std::string cmd = Quote(VESKTOOL_PATH);
        for (const std::string& a : args) cmd += " " + Quote(a);
        const fs::path out = Path("stdout.txt"), err = Path("stderr.txt");
        cmd += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
        const int raw = std::system(cmd.c_str());
        ToolResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadText(out);
        r.err = ReadText(err);
        return r;
    }
    std::string Path(const std::string& rel) const { return dir_.path() + "/" + rel; }
    void Write(const std::string& rel, const std::string& text) const {
        fs::create_directories(fs::path(Path(rel)).parent_path());
        std::ofstream(Path(rel), std::ios::binary) << text;
    }
    // A picture of w x h with a colour ramp.
    void Picture(const std::string& rel, int32_t w, int32_t h) const {
        TDIBX pic(w, h, 32);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                pic.SetPixel(x, y, uint32_t(x * 40) << 8 | uint32_t(y * 50));
        SavePngFile(pic, Path(rel));
    }
    // A usage error: status 2, a message on standard error naming the command.
    void ExpectUsage(const ToolResult& r, const std::string& command) {
        EXPECT_EQ(r.status, 2) << r.err;
        const std::string name = command.empty() ? "vesktool" : "vesktool " + command;
        EXPECT_EQ(r.err.rfind(name + ": ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }

    test::TempDir dir_;
};

// Every command path of the tool, "archive list" and the like, found from the tool itself.
void CommandPaths(const CLI::App& app, const std::vector<std::string>& path,
                  std::vector<std::vector<std::string>>& out) {
    out.push_back(path);
    for (const CLI::App* sub : app.get_subcommands({})) {
        std::vector<std::string> longer = path;
        longer.push_back(sub->get_name());
        CommandPaths(*sub, longer, out);
    }
}

TEST(ToolHelpTest, EveryCommandAnswersHelpWithItsUsage) {
    std::vector<std::vector<std::string>> paths;
    {
        CLI::App tool;
        tool::TToolRun run;
        tool::DescribeTool(tool, run);
        CommandPaths(tool, {}, paths);
    }
    EXPECT_GE(paths.size(), 28u);
    for (const auto& path : paths) {
        std::string name = "vesktool";
        for (const std::string& part : path) name += " " + part;
        SCOPED_TRACE(name);
        CLI::App tool;
        tool::TToolRun run;
        tool::DescribeTool(tool, run);
        std::vector<std::string> args = {"--help"};  // the library takes them last first
        args.insert(args.end(), path.rbegin(), path.rend());
        EXPECT_THROW(tool.parse(args), CLI::CallForHelp);
        const std::string help = tool.help();
        EXPECT_NE(help.find("Usage: " + name + " [OPTIONS]"), std::string::npos) << help;
        // Every option and argument says what it is for.
        const CLI::App* app = &tool;
        for (const std::string& part : path) app = app->get_subcommand(part);
        for (const CLI::Option* o : app->get_options())
            EXPECT_FALSE(o->get_description().empty()) << o->get_name();
        if (!path.empty()) {
            EXPECT_FALSE(app->get_description().empty());
        }
    }
}

TEST_F(ToolTest, HelpGoesToStandardOutputAndUsageErrorsEndWithTwo) {
    ToolResult r = Tool({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: vesktool [OPTIONS] SUBCOMMAND"), std::string::npos) << r.out;
    r = Tool({"image", "to-qil", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--first-layer-opaque"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    // Without a command, or with one that does not exist: a usage error.
    ExpectUsage(Tool({}), "");
    ExpectUsage(Tool({"nosuch"}), "");
    ExpectUsage(Tool({"archive"}), "archive");
    ExpectUsage(Tool({"archive", "list", "a", "b"}), "archive list");
}

TEST_F(ToolTest, ArchivesAreCreatedListedCheckedAndExtracted) {
    Write("src/a.txt", "alpha");
    Write("src/sub/b.txt", std::string(5000, 'b'));
    const std::string dat = Path("game.dat");
    ToolResult r = Tool({"archive", "create", Path("src"), dat});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"archive", "list", dat});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("a.txt\t5\tstored\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("sub\\b.txt\t"), std::string::npos) << r.out;
    r = Tool({"archive", "check", dat});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("2 members sound, 0 skipped or failed"), std::string::npos) << r.out;
    r = Tool({"archive", "extract", dat, Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(Path("out/sub/b.txt")), std::string(5000, 'b'));

    // A member whose bytes no longer match its checksum fails the check; a cut-off archive
    // cannot be read at all.
    std::string bytes = ReadText(dat);
    const size_t stored = bytes.find("alpha");
    ASSERT_NE(stored, std::string::npos);
    bytes[stored] = 'A';
    Write("bad.dat", bytes);
    r = Tool({"archive", "check", Path("bad.dat")});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("1 members sound, 1 skipped or failed"), std::string::npos) << r.out;
    Write("cut.dat", bytes.substr(0, 10));
    r = Tool({"archive", "list", Path("cut.dat")});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.err.rfind("vesktool archive list: ", 0), 0u) << r.err;
    r = Tool({"archive", "list", Path("none.dat")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no such archive file"), std::string::npos) << r.err;
    ExpectUsage(Tool({"archive", "extract", dat}), "archive extract");
    ExpectUsage(Tool({"archive", "pack", dat}), "archive");
}

TEST_F(ToolTest, ScriptsCompileDecompileAndBuildIntoAGame) {
    Write("src/project.vpj", "ProjectName: T\nStartPage: main.lsb\n");
    Write("src/main.vss", "VarNew n, int, 3\nCalc n = n + 1\nTerminate\n");
    // Options may come first.
    ToolResult r = Tool({"script", "compile", "-o", Path("pages"), Path("src/main.vss")});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(fs::exists(Path("pages/main.lsb")));
    r = Tool({"script", "decompile", Path("pages/main.lsb")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Calc n = n + 1"), std::string::npos) << r.out;
    r = Tool({"page", "dump", Path("pages/main.lsb")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Calc"), std::string::npos) << r.out;

    r = Tool({"build", "--archive", Path("src"), Path("game")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1 pages, 0 pictures converted, 0 other files\n");
    EXPECT_TRUE(fs::exists(Path("game/game.dat")));
    r = Tool({"build", Path("src"), Path("loose"), "--keep-pictures"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"script", "decompile", Path("loose/vesk.lpb"), "-o", Path("back.vpj")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(ReadText(Path("back.vpj")).find("ProjectName: \"T\""), std::string::npos);
    r = Tool({"script", "decompile", "-o", Path("again"), Path("loose")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(Path("again/main.vss")));

    // A source that does not compile fails; a damaged page cannot be dumped.
    Write("bad/main.vss", "NoSuchCommand 1\n");
    r = Tool({"script", "compile", Path("bad/main.vss"), "-o", Path("badpages")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("vesktool script compile: ", 0), 0u) << r.err;
    Write("cut.lsb", ReadText(Path("pages/main.lsb")).substr(0, 20));
    EXPECT_EQ(Tool({"page", "dump", Path("cut.lsb")}).status, 1);

    ExpectUsage(Tool({"script", "compile", Path("src/main.vss")}), "script compile");
    ExpectUsage(Tool({"script", "decompile", Path("loose")}), "script decompile");
    ExpectUsage(Tool({"build", Path("src")}), "build");
    ExpectUsage(Tool({"build", "--zip", Path("src"), Path("x")}), "build");
    ExpectUsage(Tool({"page", "dump"}), "page dump");
}

TEST_F(ToolTest, ExpressionsCompileAndEvaluate) {
    ToolResult r = Tool({"expr", "compile", "a = 1 + 2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("a <-"), std::string::npos) << r.out;
    r = Tool({"expr", "compile", "--stream", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.find_first_not_of("0123456789abcdef\n"), std::string::npos) << r.out;

    // Options before and after the text; variables in, variables out.
    r = Tool({"expr", "eval", "--json", "s = s ++ \"x\"", "--vars",
              R"([{"name": "s", "type": 4, "values": ["ab"]}])"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json out = json::parse(r.out);
    EXPECT_EQ(out["failed"], false);
    EXPECT_EQ(out["vars"][0]["values"][0]["text"], "abx");
    r = Tool({"expr", "eval", "--input-hex", "31202b2032"});  // "1 + 2"
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "result (type 1): 3\n");
    r = Tool({"expr", "eval", "-1 + 2"});  // a text that looks like an option
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "result (type 1): 1\n");

    // A text that does not compile fails (the JSON form says so too).
    r = Tool({"expr", "eval", "1 +", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(json::parse(r.out)["failed"], true);
    EXPECT_EQ(Tool({"expr", "compile", "(("}).status, 1);

    ExpectUsage(Tool({"expr", "eval"}), "expr eval");
    ExpectUsage(Tool({"expr", "eval", "1", "--vars", "[{"}), "expr eval");
    ExpectUsage(Tool({"expr", "eval", "1", "--vars", R"([{"name": "a", "type": 9}])"}),
                "expr eval");
    ExpectUsage(Tool({"expr", "compile", "--input-hex", "3"}), "expr compile");
    ExpectUsage(Tool({"expr", "compile", "1", "2"}), "expr compile");
}

TEST_F(ToolTest, ExpressionsSeeReferenceVariables) {
    // r refers to element 1 of a: writes through r land there, reads read it.
    const char* vars = R"([{"name": "a", "type": 1, "dims": [3], "values": [1, 2, 3]},
                           {"name": "r", "type": 0, "ref": "A", "index": 1}])";
    ToolResult r = Tool({"expr", "eval", "--json", "r = r + 8", "--vars", vars});
    ASSERT_EQ(r.status, 0) << r.err;
    json out = json::parse(r.out);
    EXPECT_EQ(out["failed"], false) << r.out;
    EXPECT_EQ(out["vars"][0]["values"], json::parse("[1, 10, 3]")) << r.out;
    EXPECT_EQ(out["vars"][1]["ref"]["text"], "A");
    EXPECT_EQ(out["vars"][1]["index"], 1);
    // A reference past the end of its target fails like any bad index.
    r = Tool({"expr", "eval", "--json", "r = 1", "--vars",
              R"([{"name": "a", "type": 1}, {"name": "r", "type": 0, "ref": "a", "index": 4}])"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out)["failed"], true) << r.out;
    // The target must come earlier in the list.
    ExpectUsage(Tool({"expr", "eval", "1", "--vars",
                      R"([{"name": "r", "type": 0, "ref": "a"}, {"name": "a", "type": 1}])"}),
                "expr eval");
    ExpectUsage(Tool({"expr", "eval", "1", "--vars", R"([{"name": "r", "type": 0}])"}),
                "expr eval");
}

TEST_F(ToolTest, PicturesAndLayeredImagesConvert) {
    Picture("a.png", 6, 4);
    Picture("b.png", 6, 4);
    ToolResult r = Tool({"picture", "info", Path("a.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "6 x 4, 32 bits\n");
    r = Tool({"picture", "convert", "--bits", "16", Path("a.png"), Path("a.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"picture", "info", Path("a.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "6 x 4, 24 bits\n");
    EXPECT_EQ(Tool({"picture", "info", Path("nothing.png")}).status, 1);
    Write("text.png", "not a picture");
    EXPECT_EQ(Tool({"picture", "info", Path("text.png")}).status, 1);
    ExpectUsage(Tool({"picture", "convert", Path("a.png"), Path("c.png"), "--bits", "7"}),
                "picture convert");

    // Two pictures into a layered image of two frames, out to PNG and back again.
    r = Tool({"image", "to-qil", "--tile", "4x4", Path("ab.qil"), Path("a.png"), Path("b.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"image", "to-png", Path("ab.qil"), Path("frames"), "--first-frame"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json frames = json::parse(ReadText(Path("frames/frames.json")));
    EXPECT_EQ(frames["frames"].size(), 1u);
    EXPECT_EQ(frames["frames"][0]["width"], 6);
    EXPECT_TRUE(fs::exists(Path("frames/frame000.png")));
    r = Tool({"image", "to-qil", Path("back.qil"), "--from", Path("frames")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"picture", "info", Path("back.qil")});
    EXPECT_EQ(r.status, 1);  // layered images are not plain pictures

    ExpectUsage(Tool({"image", "to-qil", Path("x.qil")}), "image to-qil");
    ExpectUsage(Tool({"image", "to-qil", Path("x.qil"), Path("a.png"), "--tile", "4"}),
                "image to-qil");
    ExpectUsage(Tool({"image", "to-qil", Path("x.qil"), Path("a.png"), "--compression", "lzw"}),
                "image to-qil");
    ExpectUsage(Tool({"image", "to-png", Path("ab.qil"), "--code", "x1"}), "image to-png");
    EXPECT_EQ(Tool({"image", "to-png", Path("none.qil")}).status, 1);
}

TEST_F(ToolTest, MidiFilesDumpAndRender) {
    test::TrackBuilder t;
    t.Ev(0, {0x90, 60, 100}).Ev(96, {0x80, 60, 64}).End();
    const std::vector<uint8_t> smf = test::MakeSmf(0, 96, {t});
    Write("a.mid", std::string(smf.begin(), smf.end()));
    ToolResult r = Tool({"midi", "dump", "--json", Path("a.mid")});
    ASSERT_EQ(r.status, 0) << r.err;
    const json dump = json::parse(r.out);
    EXPECT_EQ(dump["loaded"], true);
    EXPECT_EQ(dump["events"].size(), 3u);
    r = Tool({"midi", "dump", Path("a.mid")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("format 0, 1 tracks, division 96, 3 events", 0), 0u) << r.out;
    Write("text.mid", "not midi");
    EXPECT_EQ(Tool({"midi", "dump", Path("text.mid")}).status, 1);
    r = Tool({"midi", "render", Path("a.mid"), Path("a.wav"), "--repeat", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(fs::file_size(Path("a.wav")), 44u);
    ExpectUsage(Tool({"midi", "render", Path("a.mid"), Path("b.wav"), "--repeat", "0"}),
                "midi render");
    ExpectUsage(Tool({"midi", "dump", Path("a.mid"), "--xml"}), "midi dump");
}

TEST_F(ToolTest, MotionFilesWriteAndDump) {
    ToolResult r = Tool(
        {"motion", "write", "--frames", "4", Path("m.lmt"), "--offsets", "1,2;3,4", "--loop", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Tool({"motion", "dump", Path("m.lmt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "frames 4 (0.067 s at 60 a second), loop start 1\n"
              "       0           1           2\n"
              "       1           3           4\n"
              "       2           3           4\n"
              "       3           3           4\n");
    Write("offsets.txt", "5,6\n");
    r = Tool({"motion", "write", Path("f.lmt"), "--offsets-file", Path("offsets.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    // More offsets than frames is a fault of the data; a damaged file cannot be dumped.
    EXPECT_EQ(
        Tool({"motion", "write", Path("x.lmt"), "--frames", "1", "--offsets", "1,1;2,2"}).status,
        1);
    Write("cut.lmt", ReadText(Path("m.lmt")).substr(0, 5));
    EXPECT_EQ(Tool({"motion", "dump", Path("cut.lmt")}).status, 1);

    ExpectUsage(Tool({"motion", "write", Path("x.lmt")}), "motion write");
    ExpectUsage(Tool({"motion", "write", Path("x.lmt"), "--offsets", "1,1", "--offsets-file",
                      Path("offsets.txt")}),
                "motion write");
    ExpectUsage(Tool({"motion", "write", Path("x.lmt"), "--frames", "-3"}), "motion write");
    ExpectUsage(Tool({"motion", "dump"}), "motion dump");
}

TEST_F(ToolTest, PaintedPicturesAndClipFramesShowAsPng) {
    auto pixel = [&](const std::string& rel, int x, int y) {
        const std::vector<uint8_t> bytes = ReadWholeFile(Path(rel));
        return DecodePng(bytes.data(), bytes.size())->GetPixel(x, y) & 0xFFFFFFu;
    };
    // The left half painted; the right half transparent, over the checkerboard.
    Write("half.vpic", "size 16 16\nrect 0 0 8 16 #FF0000\n");
    ToolResult r = Tool({"paint", Path("half.vpic"), Path("half.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pixel("half.png", 2, 2), 0xFF0000u);
    EXPECT_EQ(pixel("half.png", 12, 2), 0x9A9A9Au);
    EXPECT_EQ(pixel("half.png", 12, 12), 0x666666u);
    // A clip's frame at a time: the green bar half-way across.
    Write("clip.wmv.txt",
          "size 16 16\nrate 10\nlength 1000\npaint fill #0000FF\n"
          "move 0 1000 rect 0>8 0 8 16 #00FF00\n");
    r = Tool({"paint", Path("clip.wmv.txt"), Path("clip.png"), "--at", "500"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pixel("clip.png", 1, 5), 0x0000FFu);
    EXPECT_EQ(pixel("clip.png", 5, 5), 0x00FF00u);
    // Faults: the line of a description, a file of another kind.
    Write("bad.vpic", "size 4 4\nrect 1\n");
    r = Tool({"paint", Path("bad.vpic"), Path("bad.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.vpic: line 2"), std::string::npos) << r.err;
    ExpectUsage(Tool({"paint", Path("half.png"), Path("x.png")}), "paint");
}

TEST_F(ToolTest, FilmsWriteAndDump) {
    ToolResult r = Tool({"film", "write", Path("f.lmt"), "--pictures", "pic\\snow.qil", "--frames",
                         "0*2; 1,4,-1; -", "--rate", "30", "--loop", "1", "--size", "40,20",
                         "--emitter", "1,2,3,4,50,10,900"});
    ASSERT_EQ(r.status, 0) << r.err;
    const TMotionTrack t = ReadMotionFile(ReadWholeFile(Path("f.lmt")));
    EXPECT_EQ(t.FrameCount(), 4);
    EXPECT_EQ(t.Pictures, (std::vector<int32_t>{0, 0, 1, -1}));
    EXPECT_EQ(t.Offsets[2].Y, -1);
    EXPECT_EQ(t.PictureFile, "pic\\snow.qil");
    EXPECT_EQ(t.Emitter.PreRoll, 900);
    r = Tool({"film", "dump", Path("f.lmt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("film: 4 frames at 30 a second"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("       2           4          -1        1\n"), std::string::npos)
        << r.out;
    // A picture the film has no file for, a damaged film: failures of the data.
    EXPECT_EQ(Tool({"film", "write", Path("x.lmt"), "--frames", "0"}).status, 1);
    Write("cut.lmt", ReadText(Path("f.lmt")).substr(0, 30));
    EXPECT_EQ(Tool({"film", "dump", Path("cut.lmt")}).status, 1);
    ExpectUsage(Tool({"film", "write", Path("x.lmt")}), "film write");
    ExpectUsage(Tool({"film", "write", Path("x.lmt"), "--frames", "-", "--rate", "0"}),
                "film write");
    ExpectUsage(Tool({"film", "write", Path("x.lmt"), "--frames", "-", "--size", "1"}),
                "film write");
}

TEST_F(ToolTest, RegionFilesWriteDumpAndHit) {
    Write("map.txt", "rect 扉 0 0 9 9\nellipse pond 20 0 29 9\npolygon roof 0,20 10,20 5,30\n");
    ToolResult r = Tool({"region", "write", Path("map.rgn"), "--regions-file", Path("map.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadRegionFile(ReadWholeFile(Path("map.rgn")))[0].Name, Utf8ToCp932("扉"));
    r = Tool({"region", "dump", Path("map.rgn")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "rect 扉 0 0 9 9\nellipse pond 20 0 29 9\npolygon roof 0,20 10,20 5,30\n");
    EXPECT_EQ(Tool({"region", "hit", Path("map.rgn"), "25", "5"}).out, "1 pond\n");
    EXPECT_EQ(Tool({"region", "hit", Path("map.rgn"), "20", "0"}).out, "-1\n");
    EXPECT_EQ(Tool({"region", "write", Path("x.rgn"), "--regions", "rect a 5 5 1 1"}).status, 1);
    ExpectUsage(Tool({"region", "write", Path("x.rgn")}), "region write");
    ExpectUsage(Tool({"region", "hit", Path("map.rgn"), "x", "1"}), "region hit");
}

TEST_F(ToolTest, PreviewMenusWriteAndDump) {
    Write("menu.json",
          R"({"version": 104, "width": 64, "height": 48, "items": [
              {"x": 4, "y": 5, "picture": "a.qil", "label": "はい", "hover": "a2.qil",
               "group": 2, "files104": ["x", "", "", "", "y"], "hidden": true},
              {"picture": "b.lmt", "enabled": false}]})");
    ToolResult r = Tool({"prevmenu", "write", Path("m.pvm"), Path("menu.json")});
    ASSERT_EQ(r.status, 0) << r.err;
    const TPrevMenuFile m = ReadPrevMenuFile(ReadWholeFile(Path("m.pvm")));
    EXPECT_EQ(m.Version, 104);
    ASSERT_EQ(m.Items.size(), 2u);
    EXPECT_EQ(m.Items[0].Label, Utf8ToCp932("はい"));
    EXPECT_EQ(m.Items[0].Files104[4], "y");
    EXPECT_EQ(m.Items[0].Hidden, 1);
    EXPECT_EQ(m.Items[1].Enabled, 0);
    r = Tool({"prevmenu", "dump", Path("m.pvm")});
    ASSERT_EQ(r.status, 0) << r.err;
    const json d = json::parse(r.out);
    EXPECT_EQ(d["items"][0]["label"], "はい");
    EXPECT_EQ(d["items"][0]["group"], 2);
    // The dump writes back to the same file.
    Write("again.json", r.out);
    ASSERT_EQ(Tool({"prevmenu", "write", Path("again.pvm"), Path("again.json")}).status, 0);
    EXPECT_EQ(ReadText(Path("again.pvm")), ReadText(Path("m.pvm")));
    Write("bad.json", R"({"version": 99})");
    EXPECT_EQ(Tool({"prevmenu", "write", Path("x.pvm"), Path("bad.json")}).status, 1);
    Write("broken.json", "{");
    EXPECT_EQ(Tool({"prevmenu", "write", Path("x.pvm"), Path("broken.json")}).status, 1);
    ExpectUsage(Tool({"prevmenu", "write", Path("x.pvm")}), "prevmenu write");
}

TEST_F(ToolTest, SaveFilesListAndDumpTheirSlotsAndPictures) {
    Picture("thumb.png", 8, 6);
    ASSERT_EQ(Tool({"image", "to-qil", Path("thumb.qil"), Path("thumb.png")}).status, 0);
    TPosixFileSystem hostFs;
    TSaveArchive a(hostFs);
    auto record = [](int32_t version, const std::string& caption) {
        MemoryStream m;
        StreamWriter w(m);
        w.I32(version);
        w.Str(caption);
        w.Str("load.lsb");
        w.I32(4);
        return m.Bytes();
    };
    a.Put("GAMESAVEDATA3", record(139, Utf8ToCp932("第三章")));
    a.Put("GAMESAVEDATA10", record(105, "old"));
    a.Put("GAMESAVEDATA11", {1, 2});
    a.Put("STATUSSAVEDATA", test::Bytes("Status103"));
    a.Put("SAVE:thumb.qil", ReadWholeFile(Path("thumb.qil")));
    const std::vector<uint8_t> bytes = a.Write();
    WriteFileAtomic(Path("save.dat"), bytes.data(), bytes.size());

    ToolResult r = Tool({"save", "list", Path("save.dat")});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line :
         {"GAMESAVEDATA3: 30 bytes, slot 3, version 139, caption \"第三章\", load page load.lsb "
          "at 4\n",
          "GAMESAVEDATA10: 27 bytes, slot 10, version 105, caption \"old\", load page load.lsb "
          "at 4 (this player cannot load this version)\n",
          "GAMESAVEDATA11: 2 bytes, slot 11, damaged\n",
          "STATUSSAVEDATA: 9 bytes, status, version 103\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    EXPECT_NE(r.out.find("SAVE:thumb.qil: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(", picture 8 x 6\n"), std::string::npos) << r.out;

    r = Tool({"save", "dump", Path("save.dat"), Path("out")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadWholeFile(Path("out/GAMESAVEDATA3")), record(139, Utf8ToCp932("第三章")));
    EXPECT_EQ(ReadWholeFile(Path("out/SAVE_thumb.qil")), ReadWholeFile(Path("thumb.qil")));
    EXPECT_TRUE(fs::exists(Path("out/SAVE_thumb.qil.png")));

    Write("junk.dat", "not an archive at all");
    EXPECT_EQ(Tool({"save", "list", Path("junk.dat")}).status, 1);
    EXPECT_EQ(Tool({"save", "list", Path("none.dat")}).status, 1);
    ExpectUsage(Tool({"save", "dump", Path("save.dat")}), "save dump");
}

TEST_F(ToolTest, TheDemoCommandRunsExpressionsLineByLine) {
    Write("start.expr", "# comment\nx = 2\ny = x * 21\n");
    ToolResult r = Tool({"demo", Path("start.expr")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  y          = 42\n"), std::string::npos) << r.out;
    EXPECT_EQ(Tool({"demo", Path("none.expr")}).status, 1);
    ExpectUsage(Tool({"demo", "a", "b"}), "demo");
}

}  // namespace
}  // namespace vesk
