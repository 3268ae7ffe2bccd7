// The project description, the game builder, and the demo game run by the interpreter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../script/script_fixture.h"
#include "base/cp932.h"
#include "base/stream.h"
#include "platform/posix_file_system.h"
#include "script/page.h"
#include "script/project_install.h"
#include "scriptc/game_builder.h"
#include "scriptc/game_sources.h"
#include "scriptc/project_source.h"
#include "vfs/vr_file.h"

namespace vesk::scriptc {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Saved(const TProjectFile& p) {
    MemoryStream m;
    p.Save(m);
    return m.Bytes();
}

TEST(ProjectSourceTest, EverySettingReachesTheProjectFileAndBack) {
    const char* text = R"(// a comment
ProjectName: テスト "quoted" words
Screen: 800, 600
FullScreen: 1024, 768
StartPage: "start page.lsb"
QuitPage: quit.lsb
RegistryKey: Software\Key
ImageCode: $1234
SaveStatus: no
PaceFrames: 0
MediaExts: .ogg
PauseInactive: yes
Reserved: 7
DiskPrompt: "ディスク%d"
QuitPrompt: "終了\n"
Var: n, int, -5
Var: r, float, 0.1
Var: f, flag, TRUE
Var: s, string, "ソ表"
Var: t, int
FolderDisk: "data\bgm", 2
)";
    TProjectFile p = ParseProjectSource("p.vpj", text);
    EXPECT_EQ(p.ProjectName, Utf8ToCp932("テスト \"quoted\" words"));
    EXPECT_EQ(p.ScreenWidth, 800);
    EXPECT_EQ(p.FullHeight, 768);
    EXPECT_EQ(p.StartPage, "start page.lsb");
    EXPECT_EQ(p.RegistryKey, "Software\\Key");
    EXPECT_EQ(p.ImageCode, 0x1234);
    EXPECT_EQ(p.SaveStatus, 0);
    EXPECT_EQ(p.PauseInactive, 1);
    EXPECT_EQ(p.Reserved, 7);
    EXPECT_EQ(p.QuitPrompt, Utf8ToCp932("終了") + "\n");
    ASSERT_EQ(p.Vars.size(), 5u);
    EXPECT_EQ(p.Vars[0].IntValue, -5);
    EXPECT_EQ(p.Vars[1].FloatValue, 0.1L);
    EXPECT_TRUE(p.Vars[2].FlagValue);
    EXPECT_EQ(p.Vars[3].StrValue, Utf8ToCp932("ソ表"));
    ASSERT_EQ(p.FolderDisks.Entries.size(), 1u);
    EXPECT_EQ(p.FolderDisks.Entries[0].Folder, "data\\bgm");
    EXPECT_EQ(p.FolderDisks.Entries[0].Disk, 2);
    // The description written from a project file reads back into the same file.
    std::vector<uint8_t> bytes = Saved(p);
    MemoryStream m(bytes);
    TProjectFile loaded;
    loaded.Load(m);
    EXPECT_EQ(Saved(ParseProjectSource("again.vpj", ProjectSource(loaded))), bytes);
    // Left out, the prompts are the player's own.
    EXPECT_EQ(ParseProjectSource("e.vpj", "").QuitPrompt, Utf8ToCp932("終了します"));
}

TEST(ProjectSourceTest, BadSettingsAreLocated) {
    const struct {
        const char* text;
        int line;
        const char* message;
    } cases[] = {
        {"ProjectName: a\nColour: red", 2, "unknown setting"},
        {"Screen: 640", 1, "2 values"},
        {"ImageCode: many", 1, "not a 32-bit integer"},
        {"Var: x, matrix, 1", 1, "unknown variable type"},
        {"Var: x, flag, maybe", 1, "TRUE or FALSE"},
        {"StartPage", 1, "Name: value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParseProjectSource("p.vpj", c.text);
            ADD_FAILURE() << "no error";
        } catch (const SourceError& e) {
            EXPECT_EQ(e.Loc().Line, c.line);
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.what();
        }
    }
}

// A 1 x 1 picture, 24 bits per pixel.
std::string OnePixelBmp() {
    MemoryStream m;
    StreamWriter w(m);
    w.Raw("BM", 2);
    w.I32(58);
    w.I32(0);
    w.I32(54);
    w.I32(40);
    w.I32(1);
    w.I32(1);
    w.I16(1);
    w.I16(24);
    w.I32(0);
    w.I32(4);
    w.I32(2835);
    w.I32(2835);
    w.I32(0);
    w.I32(0);
    w.Raw("\x10\x20\x30\x00", 4);
    return std::string(m.Bytes().begin(), m.Bytes().end());
}

class BuildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ =
            fs::temp_directory_path() /
            ("scriptc-build-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "src" / "pages");
        Write("src/project.vpj", "ProjectName: game\nStartPage: main.lsb\n");
        Write("src/main.vss", "Call pages\\sub.lsb:go\n");
        Write("src/pages/sub.vss", "Calc a = 1\nLabel go\n");
        Write("src/bgm/theme.ogg", "not really music");
        Write("src/bg/sky.bmp", OnePixelBmp());
        Write("src/.hidden", "x");
    }
    void TearDown() override { fs::remove_all(root_); }
    void Write(const std::string& rel, const std::string& text) {
        fs::create_directories((root_ / rel).parent_path());
        WriteFileAtomic((root_ / rel).string(), text.data(), text.size());
    }
    fs::path root_;
};

TEST_F(BuildTest, LooseFilesAndInstallRecord) {
    BuildReport r =
        BuildGame((root_ / "src").string(), (root_ / "out").string(), {false, true, false});
    EXPECT_EQ(r.Pages.size(), 2u);
    EXPECT_EQ(r.Assets, (std::vector<std::string>{"bg/sky.bmp", "bgm/theme.ogg"}));
    EXPECT_EQ(r.Pictures, std::vector<std::string>{});
    fs::path out = root_ / "out";
    EXPECT_TRUE(fs::exists(out / "main.lsb"));
    EXPECT_TRUE(fs::exists(out / "pages" / "sub.lsb"));
    EXPECT_TRUE(fs::exists(out / "bg" / "sky.bmp"));
    EXPECT_FALSE(fs::exists(out / ".hidden"));
    EXPECT_FALSE(fs::exists(out / "project.vpj"));
    TPage main("main.lsb");
    main.LoadFromBytes(ReadWholeFile((out / "main.lsb").string()));
    EXPECT_EQ(main.At(0)->FindField("Page")->Text, "pages\\sub.lsb");
    EXPECT_EQ(main.At(0)->FindField("Target")->Num, 1);
    std::vector<uint8_t> lpb = ReadWholeFile((out / "vesk.lpb").string());
    MemoryStream pm(lpb);
    TProjectFile project;
    project.Load(pm);
    EXPECT_EQ(project.ProjectName, "game");
    std::vector<uint8_t> inst = ReadWholeFile((out / "install.dat").string());
    MemoryStream im(inst);
    TVeskInstallSet install;
    install.Load(im);
    EXPECT_EQ(install.ProjectId, "game");
    EXPECT_TRUE(install.Installed);
}

TEST_F(BuildTest, PicturesBecomeLayeredImages) {
    if (!CanConvertPictures()) GTEST_SKIP() << "built without the picture layer";
    BuildReport r = BuildGame((root_ / "src").string(), (root_ / "out").string(), {});
    EXPECT_EQ(r.Pictures, std::vector<std::string>{"bg/sky.qil"});
    std::vector<uint8_t> qil = ReadWholeFile((root_ / "out" / "bg" / "sky.qil").string());
    EXPECT_EQ(std::string(qil.begin(), qil.begin() + 4), "Quil");
    EXPECT_FALSE(fs::exists(root_ / "out" / "bg" / "sky.bmp"));
    // A layered image of the same name beside the picture is one file too many.
    Write("src/bg/sky.qil", "x");
    EXPECT_THROW(BuildGame((root_ / "src").string(), (root_ / "out2").string(), {}), VeskError);
}

TEST_F(BuildTest, ArchiveHoldsTheWholeGame) {
    BuildGame((root_ / "src").string(), (root_ / "out").string(), {true, false});
    fs::path out = root_ / "out";
    EXPECT_FALSE(fs::exists(out / "main.lsb"));
    EXPECT_FALSE(fs::exists(out / "install.dat"));
    TPosixFileSystem hostFs;
    TVrFileCollection archive(hostFs);
    archive.Open((out / "game.dat").string());
    EXPECT_EQ(archive.Count(), 5u);
    for (const char* name : {"main.lsb", "pages\\sub.lsb", "vesk.lpb", "bgm\\theme.ogg"})
        EXPECT_NE(archive.Find(name), nullptr) << name;
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(out)) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"game.dat"});
}

TEST_F(BuildTest, FaultsNameTheirFile) {
    Write("src/pages/sub.vss", "Calc a = 1\n    Calc b = 2\n");
    try {
        BuildGame((root_ / "src").string(), (root_ / "out").string(), {});
        ADD_FAILURE() << "no error";
    } catch (const SourceError& e) {
        EXPECT_EQ(fs::path(e.File()).filename(), "sub.vss");
        EXPECT_EQ(e.Loc().Line, 2);
    }
    Write("src/pages/sub.vss", "Label go\n");
    Write("src/project.vpj", "StartPage: nowhere.lsb\n");
    EXPECT_THROW(BuildGame((root_ / "src").string(), (root_ / "out").string(), {}), SourceError);
}

// A built game decompiled into sources builds into the same game.
TEST_F(BuildTest, GameFolderBackToSources) {
    fs::path game = root_ / "game", sources = root_ / "sources", again = root_ / "again";
    BuildGame((root_ / "src").string(), game.string(), {});
    SourcesReport r = DecompileGame(game.string(), sources.string());
    EXPECT_TRUE(r.Problems.empty()) << r.Problems[0];
    EXPECT_EQ(r.Pages, (std::vector<std::string>{"main.vss", "pages/sub.vss"}));
    EXPECT_TRUE(fs::exists(sources / "project.vpj"));
    BuildGame(sources.string(), again.string(), {false, false, false});
    for (const char* f : {"main.lsb", "pages/sub.lsb", "vesk.lpb", "bg/sky.qil", "bgm/theme.ogg"}) {
        if (!fs::exists(game / f)) continue;
        EXPECT_EQ(ReadWholeFile((game / f).string()), ReadWholeFile((again / f).string())) << f;
    }
    // A page the player cannot read is reported and copied as it is.
    Write("game/broken.lsb", "xx");
    r = DecompileGame(game.string(), (root_ / "sources2").string());
    ASSERT_EQ(r.Problems.size(), 1u);
    EXPECT_NE(r.Problems[0].find("broken.lsb"), std::string::npos);
}

// The demo game's sources build, and its pages do what they say.
TEST_F(BuildTest, DemoGameRuns) {
    const char* dir = std::getenv("VESK_SOURCE_DIR");
    if (!dir) dir = VESK_TEST_SOURCE_DIR;
    fs::path out = root_ / "demo";
    BuildGame((fs::path(dir) / "demo").string(), out.string(), {});
    test::World w;
    for (const auto& e : fs::recursive_directory_iterator(out)) {
        if (e.path().extension() != ".lsb") continue;
        std::string name = fs::relative(e.path(), out).generic_string();
        for (char& c : name)
            if (c == '/') c = '\\';
        w.pages.pages[name] = ReadWholeFile(e.path().string());
    }
    std::vector<uint8_t> lpb = ReadWholeFile((out / "vesk.lpb").string());
    MemoryStream pm(lpb);
    TProjectFile project;
    project.Load(pm);
    for (const TDeclaredVar& v : project.Vars) {
        auto* item = w.store.Create(v.Name, v.Type, VarScope::Global);
        if (v.Type == PT_STR) item->Param()->SetStr(v.StrValue);
        if (v.Type == PT_INT) item->Param()->SetInt(v.IntValue);
    }
    w.cm.Start(project.StartPage);
    // Without a display the pages run through their commands with nobody to click: the
    // test answers for the reader. The title waits for a button ("sysPick"; 0 is はじめる),
    // the story for the reader's name ("nameDone") and for the menu (@SelIndex; 0 the snow,
    // 1 home). Each story ends by going back to the title, which counts as the end of a run
    // here.
    auto play = [&w](int32_t choice) {
        const int32_t endings = w.Int("endings");
        for (int i = 0; i < 20000 && w.Int("endings") == endings; ++i) {
            w.Frame();
            if (w.Int("sysPick") == -1) w.store.Find("sysPick")->Param()->SetInt(0);
            if (w.Int("nameDone") == 0) w.store.Find("nameDone")->Param()->SetInt(1);
            if (w.store.SelIndex == -1) w.store.SelIndex = choice;
        }
    };
    play(0);
    EXPECT_EQ(w.Int("runs"), 1);
    EXPECT_EQ(w.Int("endings"), 1);
    EXPECT_EQ(w.Int("seenSnow"), 1);
    EXPECT_EQ(w.Int("seenHome"), 0);
    EXPECT_EQ(w.Str("route"), "snow");
    play(1);
    EXPECT_EQ(w.Int("runs"), 2);
    EXPECT_EQ(w.Int("endings"), 2);
    EXPECT_EQ(w.Int("seenHome"), 1);
    EXPECT_EQ(w.Str("route"), "home");
    EXPECT_EQ(w.project.closes, 0);  // only 終了 ends the game
}

}  // namespace
}  // namespace vesk::scriptc
