// The functions that reach files on disk and the desktop, with a desktop that answers as
// the test says and a game folder in a temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "../vars/sys_func_test_util.h"
#include "../vfs/vfs_fixture.h"
#include "app/system_funcs.h"
#include "base/message_box.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "gfx/quil_frame_list.h"
#include "platform/posix_file_system.h"
#include "vars/param_system.h"
#include "vfs/vr_file.h"
#include "vfs/vr_file_manager.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

struct FakeDesktop : IDesktop {
    std::vector<TDisplayModeInfo> modes;
    std::optional<std::string> answer;
    std::vector<std::string> opened, asked;
    std::vector<TFileFilter> lastFilter;
    std::vector<TDisplayModeInfo> DisplayModes() override { return modes; }
    std::optional<std::string> SelectOpenFile(const std::vector<TFileFilter>& f,
                                              const std::string& start) override {
        asked.push_back("open " + start);
        lastFilter = f;
        return answer;
    }
    std::optional<std::string> SelectSaveFile(const std::vector<TFileFilter>& f,
                                              const std::string& start) override {
        asked.push_back("save " + start);
        lastFilter = f;
        return answer;
    }
    std::optional<std::string> SelectDirectory(const std::string& start) override {
        asked.push_back("folder " + start);
        return answer;
    }
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
};

struct Answers : IMessageBox {
    MsgResult answer = MsgResult::No;
    std::vector<std::string> texts;
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        texts.push_back(Cp932ToUtf8(text));
        return answer;
    }
};

// Functions over a game folder `game` and an output folder `out`.
struct SysEnv : FuncEnv, ISysFuncHost, ISystemVarProvider {
    TPosixFileSystem hostFs;
    TempDir game, out, work;
    TVrFileManager files{hostFs, work.path()};
    FakeDesktop desktop;
    Answers boxes;
    TDIBX screen, back;
    std::string saveFolder;
    std::map<std::string, std::vector<uint8_t>> saved;
    bool saveRefused = false;  // the save file takes no members
    std::unique_ptr<TSystemFuncs> sys;
    std::vector<std::string> dropped;

    explicit SysEnv(bool withDesktop = true) {
        files.SetBaseFolder(game.path());
        files.AddArchive("");
        screen.SetSize(4, 3, 24);
        back.SetSize(8, 6, 24);
        saveFolder = out.path();
        sys = std::make_unique<TSystemFuncs>(TSystemFuncsEnv{
            .Files = &files,
            .MessageBox = &boxes,
            .Desktop = withDesktop ? &desktop : nullptr,
            .WallpaperPath = out / "wall.bmp",
            .Screen = [this]() -> TCustomDIBX* { return &screen; },
            .LayerPicture = [this](bool other) -> TCustomDIBX* { return other ? &back : &screen; },
            .SaveFolder = [this] { return saveFolder; },
            .WriteSaveMember =
                [this](const std::string& n, const std::vector<uint8_t>& b) {
                    if (saveRefused) return false;
                    saved[n] = b;
                    return true;
                },
            .DropPicture = [this](const std::string& n) { dropped.push_back(n); },
            .GameSize =
                [] {
                    return std::pair{640, 480};
                },
            .PreferredSize =
                [] {
                    return std::pair{800, 600};
                }});
        funcs.SetHost(this);
        store.SetSystemProvider(this);
    }
    bool ExecFunc(SysFuncCall& c) override { return sys->ExecFunc(c); }
    uint8_t PropertyType(int32_t) override { return 0; }
    std::unique_ptr<TCustomParam> ReadSystemVar(int id) override { return sys->ReadVar(id); }
    void WriteSystemVar(int id, const TCustomParam& v) override { sys->WriteVar(id, v); }
    TCustomParam* CallResult() override { return nullptr; }

    void GameFile(const std::string& name, const std::string& text) {
        game.Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void MemFile(const std::string& name, const std::string& text) {
        files.Collection(0).AddMemoryEntry(name)->Data->Write(text.data(), text.size());
    }
    std::string Disk(const std::string& path) {
        std::vector<uint8_t> b = ReadWholeFile(path);
        return std::string(b.begin(), b.end());
    }
};

TEST(SystemFuncs, FileExistsAndLoadTextFile) {
    SysEnv env;
    env.GameFile("data/lines.txt", "one\r\ntwo\r\n\r\nfour");
    env.GameFile("empty.txt", "");
    env.Var("list", PT_STR);
    EXPECT_EQ(env.Str("FileExists(\"DATA\\\\lines.txt\")"), "TRUE");
    EXPECT_EQ(env.Str("FileExists(\"nothing.txt\")"), "FALSE");
    EXPECT_EQ(env.Str("LoadTextFile(list, \"data\\\\lines.txt\")"), "TRUE");
    EXPECT_EQ(env.Elements("list"), "one|two||four");
    EXPECT_EQ(env.Str("LoadTextFile(list, \"empty.txt\")"), "TRUE");
    EXPECT_EQ(env.Get("list")->Count(), 1);
    EXPECT_EQ(env.Str("LoadTextFile(list, \"missing.txt\")"), "FALSE");
    EXPECT_EQ(env.Get("list")->Count(), 1);
}

TEST(SystemFuncs, CopyFileTakesOnlyFilesTheGameWrote) {
    SysEnv env;
    env.GameFile("game.txt", "game");
    env.MemFile("mem:a.txt", "memory");
    env.Var("list", PT_STR);
    EXPECT_EQ(env.Str("CopyFile(\"game.txt\", \"mem:b.txt\")"), "FALSE");
    EXPECT_EQ(env.Str("CopyFile(\"mem:none.txt\", \"mem:b.txt\")"), "FALSE");
    EXPECT_EQ(env.Str("CopyFile(\"MEM:a.txt\", \"mem:b.txt\")"), "TRUE");
    EXPECT_EQ(env.Str("LoadTextFile(list, \"mem:b.txt\")"), "TRUE");
    EXPECT_EQ(env.Elements("list"), "memory");
    EXPECT_EQ(env.dropped, std::vector<std::string>{"mem:b.txt"});
    // Copying again replaces the copy.
    env.MemFile("save:c.txt", "saved");
    EXPECT_EQ(env.Str("CopyFile(\"save:c.txt\", \"mem:b.txt\")"), "TRUE");
    env.Run("LoadTextFile(list, \"mem:b.txt\")");
    EXPECT_EQ(env.Elements("list"), "saved");
    // A copy into a "save:" name goes into the save file as well, so it outlives the run;
    // when the save file cannot take it, the copy fails and nothing changes in memory.
    EXPECT_EQ(env.Str("CopyFile(\"mem:a.txt\", \"SAVE:thumb1.qil\")"), "TRUE");
    ASSERT_EQ(env.saved.count("SAVE:thumb1.qil"), 1u);
    EXPECT_EQ(std::string(env.saved["SAVE:thumb1.qil"].begin(), env.saved["SAVE:thumb1.qil"].end()),
              "memory");
    env.Run("LoadTextFile(list, \"save:thumb1.qil\")");
    EXPECT_EQ(env.Elements("list"), "memory");
    env.saveRefused = true;
    EXPECT_EQ(env.Str("CopyFile(\"mem:a.txt\", \"save:thumb2.qil\")"), "FALSE");
    EXPECT_EQ(env.Str("FileExists(\"save:thumb2.qil\")"), "FALSE");
}

TEST(SystemFuncs, ExtractFileWritesOnlyIntoTheChosenFolder) {
    SysEnv env;
    env.GameFile("a.txt", "A");
    env.GameFile("sub/b.txt", "B");
    env.RawStr("folder", Utf8ToCp932(env.out.path()));
    env.List("names", PT_STR, {"a.txt", "sub\\b.txt"});
    EXPECT_EQ(env.Str("ExtractFile(names, folder)"), "TRUE");
    EXPECT_EQ(env.Disk(env.out / "a.txt"), "A");
    EXPECT_EQ(env.Disk(env.out / "b.txt"), "B");

    // Names that climb out of the folder or name other places land inside it.
    env.Var("n", PT_STR);
    for (const char* name : {"..\\..\\evil.txt", "/tmp/evil.txt", "x/../../evil.txt"}) {
        fs::remove(env.out / "evil.txt");
        env.MemFile(name, "E");
        env.Get("n")->SetStr(name);
        EXPECT_EQ(env.Str("ExtractFile(n, folder, TRUE)"), "TRUE") << name;
        EXPECT_EQ(env.Disk(env.out / "evil.txt"), "E") << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(env.out.path()).parent_path() / "evil.txt"));
    for (const char* name : {"..", "sub\\", "."}) {
        env.MemFile(name, "E");
        env.Get("n")->SetStr(name);
        EXPECT_EQ(env.Str("ExtractFile(n, folder, TRUE)"), "FALSE") << name;
    }
}

TEST(SystemFuncs, ExtractFileAsksBeforeOverwritingAndNeverFollowsALink) {
    SysEnv env;
    env.GameFile("a.txt", "new");
    env.RawStr("folder", Utf8ToCp932(env.out.path()));
    env.out.Write("a.txt", {'o', 'l', 'd'});
    env.boxes.answer = MsgResult::No;
    EXPECT_EQ(env.Str("ExtractFile(\"a.txt\", folder)"), "FALSE");
    EXPECT_EQ(env.Disk(env.out / "a.txt"), "old");
    ASSERT_EQ(env.boxes.texts.size(), 1u);
    EXPECT_NE(env.boxes.texts[0].find("既に同名のファイルが存在します。上書きしますか？"),
              std::string::npos);
    env.boxes.answer = MsgResult::Yes;
    EXPECT_EQ(env.Str("ExtractFile(\"a.txt\", folder)"), "TRUE");
    EXPECT_EQ(env.Disk(env.out / "a.txt"), "new");
    // A link in the folder is replaced by the file, and what it pointed at stays.
    TempDir elsewhere;
    const std::string victim = elsewhere.Write("victim.txt", {'v'});
    fs::create_symlink(victim, env.out / "link.txt");
    env.GameFile("link.txt", "data");
    EXPECT_EQ(env.Str("ExtractFile(\"link.txt\", folder, TRUE)"), "TRUE");
    EXPECT_EQ(env.Disk(victim), "v");
    EXPECT_FALSE(fs::is_symlink(env.out / "link.txt"));
    EXPECT_EQ(env.Disk(env.out / "link.txt"), "data");
    // A folder that does not exist; no folder and nobody to ask.
    EXPECT_EQ(env.Str("ExtractFile(\"a.txt\", \"/no/such/folder\", TRUE)"), "FALSE");
    SysEnv headless(false);
    headless.GameFile("a.txt", "A");
    EXPECT_EQ(headless.Str("ExtractFile(\"a.txt\")"), "FALSE");
}

TEST(SystemFuncs, DisplayModes) {
    SysEnv env;
    env.desktop.modes = {{640, 480, 8, 60},   {1024, 768, 32, 60}, {320, 240, 32, 60},
                         {800, 600, 16, 75},  {800, 600, 32, 75},  {800, 600, 32, 60},
                         {1920, 1080, 32, 60}};
    // Kept: at least the game's 640 x 480 and 16 bits; chosen: 800 x 600 at 32 bits, the
    // lower refresh rate.
    EXPECT_EQ(env.Str("@DisplayModeCount"), "5");
    EXPECT_EQ(env.Str("@DisplayModeIndex"), "3");
    for (const char* v : {"w", "h", "b", "r"}) env.Var(v, PT_INT);
    EXPECT_EQ(env.Str("GetDisplayMode(1, w, h, b, r)"), "TRUE");
    EXPECT_EQ(env.Str("w"), "800");
    EXPECT_EQ(env.Str("b"), "16");
    EXPECT_EQ(env.Str("r"), "75");
    EXPECT_EQ(env.Str("GetDisplayMode(5, w, h, b, r)"), "FALSE");
    EXPECT_EQ(env.Str("GetDisplayMode(-1, w, h, b, r)"), "FALSE");
    EXPECT_EQ(env.Str("w"), "800");
    env.Run("@DisplayModeIndex = 4");
    EXPECT_EQ(env.Str("@DisplayModeIndex"), "4");
    env.Run("@DisplayModeIndex = 9");
    EXPECT_EQ(env.Str("@DisplayModeIndex"), "4");
    SysEnv headless(false);
    EXPECT_EQ(headless.Str("@DisplayModeCount"), "0");
    EXPECT_EQ(headless.Str("@DisplayModeIndex"), "-1");
}

TEST(SystemFuncs, DialogsAnswerOnlyWhenSomethingWasChosen) {
    SysEnv env;
    env.RawStr("path", "start");
    env.desktop.answer = std::nullopt;
    EXPECT_EQ(env.Str("SelectOpenFile(path, \"Text|*.txt;*.log|All|*.*\")"), "FALSE");
    EXPECT_EQ(env.Str("path"), "start");
    ASSERT_EQ(env.desktop.lastFilter.size(), 2u);
    EXPECT_EQ(env.desktop.lastFilter[0].Patterns, (std::vector<std::string>{"*.txt", "*.log"}));
    env.desktop.answer = "/home/u/ファイル.txt";
    EXPECT_EQ(env.Str("SelectSaveFile(path, \"\")"), "TRUE");
    EXPECT_EQ(env.Str("path"), "/home/u/ファイル.txt");
    env.desktop.answer = "/home/u";
    EXPECT_EQ(env.Str("SelectDirectory(path)"), "TRUE");
    EXPECT_EQ(env.Str("path"), "/home/u/");
    SysEnv headless(false);
    headless.RawStr("path", "start");
    for (const char* call :
         {"SelectOpenFile(path)", "SelectSaveFile(path, \"a|*.a\")", "SelectDirectory(path)"}) {
        EXPECT_EQ(headless.Str(call), "FALSE") << call;
        EXPECT_EQ(headless.Str("path"), "start") << call;
    }
}

TEST(SystemFuncs, OpenUrlHandsOverAddressesAndFoldersOnly) {
    SysEnv env;
    EXPECT_EQ(env.Str("OpenUrl(\"http://example.com/a b\")"), "FALSE");
    env.Run("OpenUrl(\"FTP://example.com\")");
    env.Run("OpenUrl(\"javascript:alert(1)\")");
    env.Run("OpenUrl(\"-x /etc\")");
    env.Run("OpenUrl(\"/no/such/folder\")");
    env.RawStr("dir", Utf8ToCp932(env.out.path()));
    env.Run("OpenUrl(dir)");
    EXPECT_EQ(env.desktop.opened, (std::vector<std::string>{"http://example.com/a b",
                                                            "FTP://example.com", env.out.path()}));
}

TEST(SystemFuncs, SetWallPaperWritesTheBitmapAndReportsNoWallpaper) {
    SysEnv env;
    TDIBX pic;
    pic.SetSize(2, 2, 24);
    const std::vector<uint8_t> png = EncodePng(pic);
    env.game.Write("pic.png", png);
    EXPECT_EQ(env.Str("SetWallPaper(\"pic.png\", 0)"), "FALSE");
    std::unique_ptr<TDIBX> back = DecodeBmp(ReadWholeFile(env.out / "wall.bmp").data(),
                                            ReadWholeFile(env.out / "wall.bmp").size());
    EXPECT_EQ(back->Width(), 2);
    EXPECT_EQ(env.Str("SetWallPaper(\"\", 1)"), "FALSE");
    back = DecodeBmp(ReadWholeFile(env.out / "wall.bmp").data(),
                     ReadWholeFile(env.out / "wall.bmp").size());
    EXPECT_EQ(back->Width(), 4);  // the screen's picture
}

TEST(SystemFuncs, SaveScreenWritesALayeredImageOfTheScreen) {
    SysEnv env;
    env.screen.Clear(0x0000FF);
    auto frameOf = [](const std::vector<uint8_t>& bytes) {
        auto list = std::make_unique<TQuilFrameList>();
        EXPECT_TRUE(list->LoadFromData(bytes.data(), bytes.size()));
        return list;
    };
    // The game's size (640 x 480) without a size; scaled when one is given.
    EXPECT_EQ(env.Str("SaveScreen(\"shot.qil\")"), "TRUE");
    auto shot = frameOf(ReadWholeFile(env.out / "shot.qil"));
    EXPECT_EQ(shot->FrameAt(0).Picture().Width(), 640);
    EXPECT_EQ(env.Str("SaveScreen(\"mem:small.qil\", 2, 1)"), "TRUE");
    std::vector<uint8_t> small = env.files.LoadBytes("mem:small.qil");
    EXPECT_EQ(frameOf(small)->FrameAt(0).Picture().Height(), 1);
    EXPECT_EQ(env.Str("SaveScreen(\"save:other.qil\", 0, 0, TRUE)"), "TRUE");
    ASSERT_EQ(env.saved.count("save:other.qil"), 1u);
    EXPECT_EQ(env.files.LoadBytes("save:other.qil"), env.saved["save:other.qil"]);
    // Names that climb out of the save folder keep only their name part.
    EXPECT_EQ(env.Str("SaveScreen(\"..\\up.qil\", 4, 4)"), "TRUE");
    EXPECT_TRUE(fs::exists(env.out / "up.qil"));
    EXPECT_FALSE(fs::exists(fs::path(env.out.path()).parent_path() / "up.qil"));
    // Nothing happens for another extension, a size below 1 or a runaway size, or without
    // a save folder.
    for (const char* call : {"SaveScreen(\"shot.png\")", "SaveScreen(\"a.qil\", -1, 5)",
                             "SaveScreen(\"a.qil\", 100000, 100000)"})
        EXPECT_EQ(env.Str(call), "FALSE") << call;
    env.saveFolder.clear();
    EXPECT_EQ(env.Str("SaveScreen(\"mem:b.qil\")"), "FALSE");
    EXPECT_FALSE(env.files.Exists("mem:b.qil"));
}

}  // namespace
}  // namespace vesk::test
