// The project: start-up from a game folder or an installed game, declared variables, the
// start and quit pages, and pages that live on another disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project.h"
#include "script/project_install.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vfs/archive_tools.h"
#include "vfs/vr_file_manager.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using Dir = test::TempDir;

void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
    WriteFileAtomic(path, b.data(), b.size());
}

void WriteProject(const std::string& path, const TProjectFile& f) {
    MemoryStream m;
    f.Save(m);
    WriteBytes(path, m.Bytes());
}

void WriteInstall(const std::string& path, const std::string& id, int32_t disk, bool installed) {
    TVeskInstallSet s;
    s.ProjectId = id;
    s.DiskIndex = disk;
    s.Installed = installed;
    MemoryStream m;
    s.Save(m);
    WriteBytes(path, m.Bytes());
}

// Answers message boxes from a list (the last repeats) and records what was asked.
struct Boxes : IMessageBox {
    MsgResult Show(const std::string& text, const std::string& caption, MsgButtons,
                   MsgIcon) override {
        texts.push_back(text);
        captions.push_back(caption);
        if (answers.empty()) return MsgResult::Ok;
        MsgResult r = answers.front();
        if (answers.size() > 1) answers.erase(answers.begin());
        return r;
    }
    std::vector<MsgResult> answers;
    std::vector<std::string> texts, captions;
};

struct Host : IProjectHost {
    void SetTitle(const std::string& t) override { title = t; }
    void PostClose() override { ++closes; }
    std::string title;
    int closes = 0;
};

// A save layer that restores one status variable and records the calls.
struct Saves : IProjectSaves {
    void ReadStatus(TProject& p) override {
        if (restore.empty()) return;
        p.Store().Create(restore, PT_INT, VarScope::Status)->Param()->SetInt(restoredValue);
    }
    void FillCaptions(TProject& p) override { p.SetSaveCaption(3, "three"); }
    bool LoadGame(TProject&, int32_t slot) override {
        loads.push_back(slot);
        return true;
    }
    void SaveGame(TProject&, const TSaveRequest& r) override { saves.push_back(r.Slot); }
    void WriteStatus(TProject&) override { ++statusWrites; }
    std::string restore;
    int32_t restoredValue = 0;
    std::vector<int32_t> loads, saves;
    int statusWrites = 0;
};

TDeclaredVar Declared(uint8_t type, const std::string& name, int32_t n = 0,
                      const std::string& text = "") {
    TDeclaredVar v;
    v.Type = type;
    v.Name = name;
    v.IntValue = n;
    v.FlagValue = n != 0;
    v.StrValue = text;
    return v;
}

TProjectFile BasicProject() {
    TProjectFile f;
    f.ProjectName = "Game";
    f.StartPage = "main.lsb";
    return f;
}

// A game folder, a player and a project over it.
struct Game {
    explicit Game(std::vector<std::string> cdRoots = {})
        : files(hostFs, tmp / "work/", cdRoots, &boxes) {}

    void Page(const std::string& name, TPageBuilder& b) { b.WriteFile(folder / name); }
    // Builds the project as a start with the game folder as argument.
    void Create(bool hasArg = true) {
        if (hasArg)
            files.RegisterStartupArchives(exeFolder / "veskplay", {folder.path()});
        else
            files.RegisterStartupArchives(exeFolder / "veskplay", {});
        project = std::make_unique<TProject>(TProjectEnv{.Files = files,
                                                         .Store = store,
                                                         .Funcs = &funcs,
                                                         .QuitFlag = quit,
                                                         .MessageBox = &boxes,
                                                         .Host = &host,
                                                         .Saves = &saves,
                                                         .Display = nullptr,
                                                         .Trace = nullptr,
                                                         .ExeFolder = exeFolder.path() + "/",
                                                         .HasGameArg = hasArg});
        project->Create();
    }
    // Writes the project with an empty start page and creates it from the game folder.
    void Start(const TProjectFile& f) {
        WriteProject(folder / "vesk.lpb", f);
        TPageBuilder main;
        Page("main.lsb", main);
        Create();
    }
    int32_t Int(const std::string& name) {
        auto* it = store.Find(name);
        return it ? it->Param()->AsInt() : -999;
    }

    Dir tmp, folder, exeFolder;
    Boxes boxes;
    Host host;
    Saves saves;
    bool quit = false;
    TPosixFileSystem hostFs;
    TVrFileManager files;
    TParamCollection store;
    TSysFuncMan funcs{store};
    std::unique_ptr<TProject> project;
};

TEST(ProjectTest, StartsTheStartPageWithDeclaredStatusVariables) {
    Game g;
    TProjectFile f = BasicProject();
    f.Vars = {Declared(PT_INT, "kept", 5), Declared(PT_INT, "fresh", 6),
              Declared(PT_STR, "s", 0, "abc"), Declared(PT_BOOL, "flag", 1)};
    WriteProject(g.folder / "vesk.lpb", f);
    TPageBuilder main;
    main.Calc("fresh = fresh + 1");
    g.Page("main.lsb", main);
    g.saves.restore = "kept";
    g.saves.restoredValue = 42;
    g.Create();
    ASSERT_FALSE(g.quit);
    EXPECT_EQ(g.host.title, "Game");
    EXPECT_EQ(g.Int("kept"), 42);  // restored from the status save, not redeclared
    EXPECT_EQ(g.Int("fresh"), 6);
    EXPECT_TRUE(g.store.Find("fresh")->Status);
    EXPECT_EQ(g.store.Find("s")->Param()->AsStr(), "abc");
    EXPECT_TRUE(g.store.Find("flag")->Param()->AsFlag());
    EXPECT_EQ(g.project->SaveCaption(3), "three");
    EXPECT_TRUE(g.boxes.texts.empty());
    g.project->Run();
    EXPECT_EQ(g.Int("fresh"), 7);
}

TEST(ProjectTest, StartUpFailuresStopWithTheirMessages) {
    struct Case {
        const char* what;
        int kind;  // 0 no project file, 1 empty, 2 start page missing, 3 newer version
        std::string message;
    } cases[] = {
        {"missing project", 0, ""},
        {"empty project", 1, VESK_JP("プロジェクトがありません")},
        {"start page missing", 2, VESK_JP("スタートページがありません")},
        {"newer version", 3, VESK_JP("このバージョンには対応していません")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Game g;
        if (c.kind == 1) WriteBytes(g.folder / "vesk.lpb", {});
        if (c.kind == 2) WriteProject(g.folder / "vesk.lpb", BasicProject());
        if (c.kind == 3) {
            MemoryStream m;
            BasicProject().Save(m);
            m.Bytes()[0] = 115;
            WriteBytes(g.folder / "vesk.lpb", m.Bytes());
        }
        std::string raised;
        try {
            g.Create();
        } catch (const VeskError& e) {
            raised = e.Text();
        }
        EXPECT_TRUE(g.quit);
        if (c.kind == 3) {
            EXPECT_EQ(raised, c.message);
        } else if (c.message.empty()) {
            EXPECT_TRUE(g.boxes.texts.empty());
        } else {
            ASSERT_EQ(g.boxes.texts.size(), 1u);
            EXPECT_EQ(g.boxes.texts[0], c.message);
            EXPECT_EQ(g.boxes.captions[0], VESK_JP("警告"));
        }
    }
}

TEST(ProjectTest, QuitPageRunsForOneFrameAtShutDown) {
    Game g;
    TProjectFile f = BasicProject();
    f.QuitPage = "quit.lsb";
    f.Vars = {Declared(PT_INT, "n")};
    WriteProject(g.folder / "vesk.lpb", f);
    TPageBuilder main, quit;
    main.Calc("n = 1");
    quit.Calc("n = n + 10");
    quit.Add(CC_WAIT).SetExprText("Time", "1000");
    quit.Calc("n = n + 100");  // past the yield: never runs
    g.Page("main.lsb", main);
    g.Page("quit.lsb", quit);
    g.Create();
    g.project->Run();
    g.quit = true;  // the window is closing
    g.project->Free();
    EXPECT_EQ(g.Int("n"), 11);
    EXPECT_TRUE(g.quit);
    EXPECT_EQ(g.saves.statusWrites, 1);
    EXPECT_EQ(g.project->CallMan(), nullptr);
    g.project->Free();  // once only
    EXPECT_EQ(g.saves.statusWrites, 1);
}

TEST(ProjectTest, AMissingQuitPageDoesNotStopTheShutDown) {
    Game g;
    TProjectFile f = BasicProject();
    f.QuitPage = "gone.lsb";
    g.Start(f);
    g.project->Free();
    EXPECT_TRUE(g.quit);
    EXPECT_EQ(g.saves.statusWrites, 1);
}

TEST(ProjectTest, RequestsWaitForTheEndOfTheFrame) {
    Game g;
    g.Start(BasicProject());
    g.project->RequestLoad(2);
    TSaveRequest save;
    save.Slot = 5;
    g.project->RequestSave(save);
    EXPECT_TRUE(g.saves.loads.empty());
    EXPECT_TRUE(g.project->HandleRequests());
    EXPECT_EQ(g.saves.loads, std::vector<int32_t>{2});
    EXPECT_EQ(g.saves.saves, std::vector<int32_t>{5});
    EXPECT_FALSE(g.project->HandleRequests());  // nothing pending any more
}

// Disk 2 is a folder standing for a disc drive, with its own archive and record.
void MakeDisc(const Dir& disc, const std::string& id, int32_t diskIndex) {
    Dir content;
    TPageBuilder p;
    p.Calc("x = 1");
    p.WriteFile(content / "two/p.lsb");
    TPosixFileSystem hostFs;
    CreateArchive(hostFs, content.path(), disc / "game.dat");
    WriteInstall(disc / "install.dat", id, diskIndex, false);
}

TEST(ProjectTest, MissingPagesInFoldersOfAnotherDiskAreAskedFor) {
    Dir disc;
    MakeDisc(disc, "Game", 1);
    Game g({disc.path()});
    TProjectFile f = BasicProject();
    f.MediaExts = ".wav.wma.ogg.mid";
    f.FolderDisks.Entries = {{"two", 2}, {"one", 1}};
    g.Start(f);
    ASSERT_FALSE(g.quit);
    EXPECT_FALSE(g.project->PageExists(""));
    EXPECT_TRUE(g.project->PageExists("main.lsb"));
    // Media files never come from another disk; neither do folders of no listed disk.
    EXPECT_FALSE(g.project->PageExists("two\\music.OGG"));
    EXPECT_FALSE(g.project->PageExists("three\\p.lsb"));
    EXPECT_TRUE(g.boxes.texts.empty());
    // A page: disk 2 is asked for and found on the disc folder.
    EXPECT_TRUE(g.project->PageExists("TWO\\p.lsb"));
    ASSERT_EQ(g.boxes.texts.size(), 1u);
    EXPECT_EQ(g.boxes.texts[0], VESK_JP("ディスク2を入れてから[OK]をクリックしてください"));
    EXPECT_EQ(g.boxes.captions[0], "Game");
    EXPECT_TRUE(g.files.Exists("two\\p.lsb"));
}

TEST(ProjectTest, CancellingADiskRequestAndConfirmingQuits) {
    Dir disc;
    MakeDisc(disc, "Other game", 1);  // a disc of another game never counts
    Game g({disc.path()});
    TProjectFile f = BasicProject();
    f.FolderDisks.Entries = {{"two", 2}};
    g.Start(f);
    g.boxes.answers = {MsgResult::Ok, MsgResult::Cancel, MsgResult::Cancel, MsgResult::Cancel,
                       MsgResult::Ok};
    EXPECT_FALSE(g.project->PageExists("two\\p.lsb"));
    // OK on the wrong disc asks again; Cancel then Cancel on the quit prompt asks again too.
    ASSERT_EQ(g.boxes.texts.size(), 5u);
    EXPECT_EQ(g.boxes.texts[4], VESK_JP("終了します"));
    EXPECT_TRUE(g.quit);
    EXPECT_EQ(g.host.closes, 1);
}

TEST(ProjectTest, TheOriginalProjectFileReplacesTheFolderDiskList) {
    Game g;
    TProjectFile f = BasicProject();
    f.FolderDisks.Entries = {{"two", 2}};
    TProjectFile original = BasicProject();
    original.FolderDisks.Entries = {{"three", 3}};
    WriteProject(g.folder / "original_vesk.lpb", original);
    g.Start(f);
    EXPECT_EQ(g.project->FolderDisks.DiskOf("two\\a.lsb"), 0);
    EXPECT_EQ(g.project->FolderDisks.DiskOf("three\\a.lsb"), 3);
}

TEST(ProjectTest, OldProjectFilesTakeTheirVersionsDefaults) {
    Game g;
    TProjectFile f = BasicProject();
    MemoryStream m;
    StreamWriter w(m);
    w.I32(103);
    w.Str("Old");
    for (int i = 0; i < 4; ++i) w.I32(640);
    w.Str("main.lsb");
    w.Str("");  // registry key
    w.I32(0);   // image code
    w.Str("");  // disk prompt
    w.Str("");  // quit prompt
    w.I32(0);   // no variables
    w.I32(0);   // no folder disks
    WriteBytes(g.folder / "vesk.lpb", m.Bytes());
    TPageBuilder main;
    g.Page("main.lsb", main);
    g.Create();
    ASSERT_FALSE(g.quit);
    EXPECT_EQ(g.project->ProjectName, "Old");
    EXPECT_TRUE(g.project->QuitPage.empty());
    EXPECT_FALSE(g.project->SaveStatus);
    EXPECT_FALSE(g.project->PaceFrames);
    EXPECT_FALSE(g.project->PauseInactive);
    EXPECT_EQ(g.project->MediaExts, ".wav.wma.ogg.mid");
}

// ---- an installed game: no folder argument

TEST(ProjectTest, AnInstalledGameRunsFromTheArchiveBesideThePlayer) {
    Game g;
    Dir content;
    WriteProject(content / "vesk.lpb", BasicProject());
    TPageBuilder main;
    main.WriteFile(content / "main.lsb");
    CreateArchive(g.hostFs, content.path(), g.exeFolder / "game.dat");
    WriteInstall(g.exeFolder / "install.dat", "Game", 0, true);
    g.Create(false);
    EXPECT_FALSE(g.quit);
    EXPECT_TRUE(g.project->Installed);
    EXPECT_EQ(g.project->ProjectId, "Game");
    EXPECT_TRUE(g.boxes.texts.empty());
}

TEST(ProjectTest, WithoutInstallationRecordTheGameAsksForReinstalling) {
    Game g;
    g.Create(false);
    EXPECT_TRUE(g.quit);
    ASSERT_EQ(g.boxes.texts.size(), 1u);
    EXPECT_EQ(g.boxes.texts[0], VESK_JP("インストールし直してください"));
    EXPECT_EQ(g.boxes.captions[0], VESK_JP("情報"));
}

TEST(ProjectTest, AGameNotInstalledIsFoundOnItsDisc) {
    Dir disc;
    Dir content;
    WriteProject(content / "vesk.lpb", BasicProject());
    TPageBuilder main;
    main.WriteFile(content / "main.lsb");
    TPosixFileSystem hostFs;
    CreateArchive(hostFs, content.path(), disc / "game.dat");
    WriteInstall(disc / "install.dat", "Game", 0, false);
    {
        Game g({disc.path()});
        WriteInstall(g.exeFolder / "install.dat", "Game", 0, false);
        g.Create(false);
        EXPECT_FALSE(g.quit);
        EXPECT_TRUE(g.boxes.texts.empty());
    }
    {
        // The disc of another game: the user is asked, retries once, then quits.
        Game g({disc.path()});
        WriteInstall(g.exeFolder / "install.dat", "Another", 0, false);
        g.boxes.answers = {MsgResult::Ok, MsgResult::Cancel, MsgResult::Ok};
        g.Create(false);
        EXPECT_TRUE(g.quit);
        ASSERT_EQ(g.boxes.texts.size(), 3u);
        EXPECT_EQ(g.boxes.texts[0], VESK_JP("ディスクを入れてください"));
        EXPECT_EQ(g.boxes.texts[1], VESK_JP("ディスクを入れてください"));
        EXPECT_EQ(g.boxes.texts[2], VESK_JP("終了します"));
        EXPECT_EQ(g.boxes.captions[2], VESK_JP("情報"));  // the name before the project is read
    }
}

}  // namespace
}  // namespace vesk
