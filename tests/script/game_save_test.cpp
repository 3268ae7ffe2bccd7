// Game save and load through "save.dat": game records of every readable version, the
// status record, captions, saved files, the load page, damaged data that leaves the running
// game as it was, and writes that never lose the previous file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/game_save.h"
#include "script/page_builder.h"
#include "script/project.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vfs/vr_file_manager.h"

namespace vesk {
namespace {

using Dir = test::TempDir;

struct Boxes : IMessageBox {
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        texts.push_back(text);
        return MsgResult::Ok;
    }
    std::vector<std::string> texts;
};

struct Host : IProjectHost {
    int32_t FrameTime() override { return 16; }
    void PostClose() override { ++closes; }
    int closes = 0;
};

// The host file system with faults to inject: creating files in one folder, renaming.
struct FaultyFs : IHostFileSystem {
    std::unique_ptr<IHostFile> Open(const std::string& path, HostOpen mode) override {
        if (mode == HostOpen::Create && !refuseCreateIn.empty() &&
            path.rfind(refuseCreateIn, 0) == 0)
            Fail("cannot create file " + path + ": read-only folder");
        return os.Open(path, mode);
    }
    void Rename(const std::string& from, const std::string& to) override {
        if (failRename) Fail("cannot replace file " + to + ": the power went");
        os.Rename(from, to);
    }
    void SyncFolder(const std::string& folder) override {
        syncedFolders.push_back(folder);
        os.SyncFolder(folder);
    }
    HostMapping Map(const std::string& path) override { return os.Map(path); }
    HostEntry Stat(const std::string& path) override { return os.Stat(path); }
    std::vector<std::string> List(const std::string& folder) override { return os.List(folder); }
    std::optional<std::string> Canonical(const std::string& path) override {
        return os.Canonical(path);
    }
    bool Remove(const std::string& path) override { return os.Remove(path); }
    std::string MakeTempFolder(const std::string& prefix) override {
        return os.MakeTempFolder(prefix);
    }
    std::string ExecutablePath() override { return os.ExecutablePath(); }
    bool MakeFolders(const std::string& folder) override { return os.MakeFolders(folder); }

    TPosixFileSystem os;
    std::string refuseCreateIn;
    bool failRename = false;
    std::vector<std::string> syncedFolders;
};

const std::string kOldMessage =
    VESK_JP("セーブファイルの形式が古いため読めません\r\nsave.dat を削除してから実行してください");
const std::string kDamagedMessage = VESK_JP("このセーブデータは使用できません\r\n終了してください");

// A stand-in for the display root: one saved number, and the versions it was read with.
struct FakeDisplay {
    int32_t value = 0;
    std::vector<int32_t> versions;
    TSaveSection Section() {
        return {[this](StreamWriter& w) { w.I32(value); },
                [this](StreamReader& r, int32_t v) {
                    versions.push_back(v);
                    value = r.I32("display");
                }};
    }
};

// A game folder with a counting page, a project over it, and the saves.
struct Game {
    explicit Game(const std::string& folderPath = "") {
        if (!folderPath.empty()) folder = folderPath;
        parts.Display = display.Section();
    }

    void WriteGame(bool withStatusVar = true) {
        TProjectFile f;
        f.ProjectName = "Game";
        f.StartPage = "main.lsb";
        f.SaveStatus = 1;
        if (withStatusVar) {
            TDeclaredVar v;
            v.Name = "runs";
            f.Vars = {v};
        }
        MemoryStream m;
        f.Save(m);
        WriteFileAtomic(folder + "/vesk.lpb", m.Bytes().data(), m.Bytes().size());
        // n counts frames; each frame waits 40 ms, so a save lands mid-wait.
        TPageBuilder main;
        main.Add(CC_VARNEW).SetText("Name", "n").SetNum("Type", PT_INT);
        main.Label("top");
        main.Calc("n = n + 1");
        main.Add(CC_WAIT).SetExprText("Time", "40");
        main.Add(CC_JUMP)
            .SetText("Page", "main.lsb")
            .SetNum("Target", 1)
            .SetExprText("Condition", "TRUE");
        main.WriteFile(folder + "/main.lsb");
        TPageBuilder load;
        for (int i = 0; i < 4; ++i) load.Calc("loadStep = " + std::to_string(i + 1));
        load.Calc("fromLoad = fromLoad + 10");
        load.WriteFile(folder + "/load.lsb");
    }

    void Create() {
        files =
            std::make_unique<TVrFileManager>(fs, tmp / "work/", std::vector<std::string>{}, &boxes);
        files->RegisterStartupArchives(exe / "veskplay", {folder});
        store = std::make_unique<TParamCollection>();
        funcs = std::make_unique<TSysFuncMan>(*store);
        saves = std::make_unique<TGameSaves>(fs, TSaveLocation{folder, dataFolder}, parts, &boxes);
        project = std::make_unique<TProject>(TProjectEnv{.Files = *files,
                                                         .Store = *store,
                                                         .Funcs = funcs.get(),
                                                         .QuitFlag = quit,
                                                         .MessageBox = &boxes,
                                                         .Host = &host,
                                                         .Saves = saves.get(),
                                                         .Display = nullptr,
                                                         .Trace = nullptr,
                                                         .ExeFolder = exe.path() + "/",
                                                         .HasGameArg = true});
        project->Create();
        // Global variables the pages count in.
        for (const char* name : {"loadStep", "fromLoad"})
            if (!store->Find(name)) store->Create(name, PT_INT, VarScope::Global);
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            project->Run();
            project->HandleRequests();
        }
    }
    int32_t Int(const std::string& name) {
        auto* it = store->Find(name);
        return it ? it->Param()->AsInt() : -999;
    }
    void Save(int32_t slot, const std::string& caption, const std::string& loadPage = "",
              int32_t target = 0) {
        project->RequestSave({slot, caption, loadPage, target});
        project->HandleRequests();
    }
    bool Load(int32_t slot) {
        boxes.texts.clear();
        project->RequestLoad(slot);
        return project->HandleRequests();
    }
    std::string SavePath() const { return folder + "/save.dat"; }
    TSaveArchive Archive() {
        TSaveArchive a(fs);
        a.Read(SavePath());
        return a;
    }
    void PutMember(const std::string& name, std::vector<uint8_t> bytes) {
        TSaveArchive a = Archive();
        a.Put(name, std::move(bytes));
        auto all = a.Write();
        WriteFileAtomic(SavePath(), all.data(), all.size());
    }
    // What a load that fails must leave alone.
    struct Snapshot {
        int32_t n, pc, display;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Now() { return {Int("n"), project->CallMan()->PC(), display.value}; }

    Dir tmp, exe, ownFolder;
    std::string folder = ownFolder.path();
    std::function<std::string(const std::string&)> dataFolder;
    FaultyFs fs;
    Boxes boxes;
    Host host;
    FakeDisplay display;
    TSaveParts parts;
    bool quit = false;
    std::unique_ptr<TVrFileManager> files;
    std::unique_ptr<TParamCollection> store;
    std::unique_ptr<TSysFuncMan> funcs;
    std::unique_ptr<TGameSaves> saves;
    std::unique_ptr<TProject> project;
};

TEST(GameSave, AGameSavedMidWaitContinuesAsTheUninterruptedRun) {
    Game g;
    g.WriteGame();
    g.Create();
    g.Frames(5);  // n = 2, one frame into the second wait of 40 ms
    g.display.value = 77;
    ASSERT_TRUE(g.project->CallMan()->Started());  // the wait is in progress
    g.Save(1, "one");
    const Game::Snapshot atSave = g.Now();
    std::vector<int32_t> uninterrupted;
    for (int i = 0; i < 12; ++i) {
        g.Frames(1);
        uninterrupted.push_back(g.Int("n"));
    }
    g.display.value = 0;
    ASSERT_TRUE(g.Load(1));
    EXPECT_TRUE(g.boxes.texts.empty());
    EXPECT_EQ(g.Now(), atSave);
    EXPECT_EQ(g.display.versions.back(), kGameSaveVersion);
    std::vector<int32_t> resumed;
    for (int i = 0; i < 12; ++i) {
        g.Frames(1);
        resumed.push_back(g.Int("n"));
    }
    EXPECT_EQ(resumed, uninterrupted);
}

TEST(GameSave, CaptionsSlotsAndEmptyCaptions) {
    Game g;
    g.WriteGame();
    g.Create();
    g.Frames(2);
    g.Save(4, "");  // an empty caption writes nothing
    EXPECT_FALSE(g.fs.IsFile(g.SavePath()));
    EXPECT_EQ(g.project->SaveCaption(4), "");
    g.Save(3, "first");
    g.Frames(3);
    g.Save(3, "second");
    g.Save(12, "twelve");
    TSaveArchive a = g.Archive();
    int slot3 = 0;
    for (const std::string& name : a.Names()) slot3 += name == "GAMESAVEDATA3";
    EXPECT_EQ(slot3, 1);
    auto record = a.Member("GAMESAVEDATA3");
    ViewStream s(record);
    StreamReader r(s);
    EXPECT_EQ(ReadGameRecordHead(r).Caption, "second");
    EXPECT_TRUE(a.Has(kStatusMember));  // every save writes the status too
    // Members that only look like slots list nothing.
    g.PutMember("GAMESAVEDATAx", {1, 2, 3});
    g.PutMember("GAMESAVEDATA7", {1, 2});  // too short to hold a caption

    Game next(g.folder);
    next.Create();
    std::map<int32_t, std::string> want{{3, "second"}, {12, "twelve"}};
    EXPECT_EQ(next.project->SaveCaptions(), want);
}

TEST(GameSave, StatusVariablesReadListAndSavedFilesLiveAcrossRuns) {
    Dir folder;
    {
        Game g(folder.path());
        g.WriteGame();
        g.Create();
        g.store->Find("runs")->Param()->SetInt(g.Int("runs") + 1);
        // A read list and tables nobody here knows come back as they were written.
        g.project->Free();
    }
    std::vector<uint8_t> foreignReadList;
    {
        MemoryStream m;
        StreamWriter w(m);
        w.I32(1);
        w.Str("main.lsb");
        w.I32(2);
        for (int32_t v : {3, 5, 0, 1}) w.I32(v);
        w.Str("");
        w.I32(0);
        w.I32(0);
        w.Str("");
        foreignReadList = m.Bytes();
    }
    {
        Game g(folder.path());
        // Rewrite the status with a read list of someone else's making and a saved file.
        g.WriteGame();
        TSaveArchive a = g.Archive();
        auto status = a.Member(kStatusMember);
        ASSERT_GE(status.size(), 9u);
        EXPECT_EQ(std::string(status.begin(), status.begin() + 9), "Status103");
        // Status103, the variables, an empty read list (20 bytes), the flag, no tables (8).
        std::vector<uint8_t> rebuilt(status.begin(), status.end() - 8 - 1 - 20);
        rebuilt.insert(rebuilt.end(), foreignReadList.begin(), foreignReadList.end());
        rebuilt.push_back(1);
        for (int32_t v : {100, 0})
            for (int i = 0; i < 4; ++i) rebuilt.push_back(uint8_t(uint32_t(v) >> (8 * i)));
        a.Put(kStatusMember, rebuilt);
        a.Put("SAVE:thumb.qil", {9, 8, 7});
        auto all = a.Write();
        WriteFileAtomic(g.SavePath(), all.data(), all.size());

        bool depth = false;
        g.parts.SetCacheDepth = [&](bool on) { depth = on; };
        g.parts.CacheDepth = [&] { return depth; };
        g.Create();
        EXPECT_EQ(g.Int("runs"), 1);
        EXPECT_TRUE(depth);
        EXPECT_EQ(g.files->LoadBytes("SAVE:thumb.qil"), (std::vector<uint8_t>{9, 8, 7}));
        g.store->Find("runs")->Param()->SetInt(g.Int("runs") + 1);
        g.project->Free();
        auto again = g.Archive().Member(kStatusMember);
        EXPECT_NE(
            std::search(again.begin(), again.end(), foreignReadList.begin(), foreignReadList.end()),
            again.end());
    }
    Game g(folder.path());
    g.Create();
    EXPECT_EQ(g.Int("runs"), 2);
}

TEST(GameSave, AStatusRecordWithoutItsTagIsReadFromItsStart) {
    Game g;
    g.WriteGame();
    MemoryStream m;
    StreamWriter w(m);
    // Version 0: variables, read list, no depth flag, no tables.
    w.I32(1);
    w.U8(PT_INT);
    w.Str("runs");
    w.I32(0);
    w.I32(1);
    w.I32(41);
    w.U8(1);
    w.U8(0);
    w.I32(-1);
    w.U8(0);
    WriteEmptyReadList(w);
    g.PutMember(std::string(kStatusMember), m.Bytes());
    g.Create();
    EXPECT_EQ(g.Int("runs"), 41);
}

TEST(GameSave, TheLoadPageRunsFirstAndTheGameGoesOnAfterIt) {
    Game g;
    g.WriteGame();
    g.Create();
    g.Frames(4);
    g.Save(2, "with load page", "load.lsb", 4);
    const int32_t nAtSave = g.Int("n");
    g.Frames(10);
    ASSERT_TRUE(g.Load(2));
    g.Frames(1);
    // Command 4 of load.lsb ran, the ones before it did not, and the game went on.
    EXPECT_EQ(g.Int("fromLoad"), 10);
    EXPECT_EQ(g.Int("loadStep"), 0);
    EXPECT_EQ(g.project->CallMan()->CurrentPage()->Name, "main.lsb");
    g.Frames(6);
    EXPECT_GT(g.Int("n"), nAtSave);
}

// A record of an older version: the display number, a history in that version's layout,
// an interpreter on main.lsb, one variable and, from version 123, an empty table list.
std::vector<uint8_t> OldRecord(int32_t v, TCallMan& cm) {
    MemoryStream m;
    StreamWriter w(m);
    w.I32(v);
    w.Str("old");
    w.Str("");
    w.I32(0);
    w.I32(55);  // the display
    // The history: the default one in the old layout before 135.
    auto history = [&] {
        if (v < 113) {
            w.Str("head");
            w.I32(2);
            w.Str("a.lsb");
            w.Str("");
            for (int i = 0; i < 2 * 4; ++i) w.I32(i);
        } else {
            w.I32(1);
            w.Str("a.lsb");
            for (int i = 0; i < 4; ++i) w.I32(i);
        }
        w.Str("pending.lsb");
        for (int i = 0; i < 4; ++i) w.I32(0);
        w.Str("mes");
        if (v >= 113) {
            for (int i = 0; i < 1 + 6 + 2; ++i) w.I32(0);
            w.I32(1);  // one entry of one segment
            w.I32(1);
            w.Str("a.lsb");
            for (int i = 0; i < 4; ++i) w.I32(i);
            if (v >= 124) w.Str("x=1");
            w.I32(20);
        }
        if (v >= 124) w.Str("");
    };
    if (v >= 135) {
        w.I32(2);
        for (const char* name : {"", "wide"}) {
            w.Str(name);
            for (int i = 0; i < 6; ++i) w.I32(i);
            history();
        }
    } else {
        history();
    }
    // The interpreter, on command 2 of main.lsb, not started.
    MemoryStream state;
    cm.SaveToStream(state);
    std::vector<uint8_t> interp = state.Bytes();
    if (v < 116) interp.resize(interp.size() - 4);  // no event level
    m.Write(interp.data(), interp.size());
    // Variables: n = 9.
    w.I32(1);
    w.U8(PT_INT);
    w.Str("n");
    w.I32(0);
    w.I32(1);
    w.I32(9);
    w.U8(0);
    w.U8(0);
    w.I32(-1);
    w.U8(0);
    w.I32(50);
    w.Str("");
    if (v > 102) {
        w.Str("sel");
        w.I32(3);
    }
    if (v > 112 && v < 135)
        for (int i = 0; i < 6; ++i) w.I32(0);
    if (v > 120) w.Str("");
    if (v >= 139) w.I32(0);
    if (v > 122) {
        // One game table of two columns and two records, skipped.
        w.I32(100);
        w.I32(1);
        w.U8(0);
        w.Str("t");
        w.U8(0);
        w.I32(2);
        w.I32(4);
        w.Str("a");
        w.U8(1);
        w.I32(3);
        w.Str("b");
        w.U8(4);
        w.I32(2);
        for (int i = 0; i < 2 * 7; ++i) w.U8(uint8_t(i));
        w.I32(0);
        w.Str("t");
    }
    return m.Bytes();
}

TEST(GameSave, EveryReadableVersionLoads) {
    for (int32_t v : {107, 112, 113, 116, 120, 121, 123, 124, 134, 135, 138, 139}) {
        SCOPED_TRACE(v);
        Game g;
        g.WriteGame();
        g.Create();
        g.PutMember("GAMESAVEDATA1", OldRecord(v, *g.project->CallMan()));
        g.Frames(3);
        ASSERT_TRUE(g.Load(1));
        EXPECT_TRUE(g.boxes.texts.empty()) << (g.boxes.texts.empty() ? "" : g.boxes.texts[0]);
        EXPECT_EQ(g.display.versions.back(), v);
        EXPECT_EQ(g.display.value, 55);
        EXPECT_EQ(g.Int("n"), 9);
        EXPECT_EQ(g.project->CallMan()->CurrentPage()->Name, "main.lsb");
        EXPECT_EQ(g.store->SelStr, v > 102 ? "sel" : "");
    }
}

TEST(GameSave, RecordsTooOldTooNewOrDamagedLeaveTheGameRunning) {
    Game g;
    g.WriteGame();
    g.Create();
    const std::vector<uint8_t> good = OldRecord(139, *g.project->CallMan());
    struct Case {
        const char* what;
        std::vector<uint8_t> record;
        std::vector<std::string> messages;
    };
    std::vector<Case> cases{
        {"version 106", OldRecord(106, *g.project->CallMan()), {kOldMessage, kDamagedMessage}},
        {"version 140", OldRecord(140, *g.project->CallMan()), {kDamagedMessage}},
        {"empty", {}, {kDamagedMessage}},
    };
    // Cut short at every place, and counts that announce more than the data holds.
    for (size_t cut = 1; cut < good.size(); cut += 3)
        cases.push_back(
            {"cut", std::vector<uint8_t>(good.begin(), good.begin() + cut), {kDamagedMessage}});
    std::vector<uint8_t> hugeCount = good;
    // The display value is 4 bytes after the head (4 + 4+3 + 4 + 4); the history's format
    // count follows it.
    const size_t formats = 4 + 7 + 4 + 4 + 4;
    hugeCount[formats + 3] = 0x7F;
    cases.push_back({"huge count", hugeCount, {kDamagedMessage}});
    // A page the game no longer has.
    std::vector<uint8_t> gone = good;
    const std::string main = "main.lsb";
    auto at = std::search(gone.begin(), gone.end(), main.begin(), main.end());
    ASSERT_NE(at, gone.end());
    *at = 'x';
    cases.push_back({"missing page", gone, {kDamagedMessage}});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what + std::string(" ") + std::to_string(c.record.size()));
        g.PutMember("GAMESAVEDATA5", c.record);
        g.Frames(2);
        g.display.value = 31;
        const Game::Snapshot before = g.Now();
        EXPECT_TRUE(g.Load(5));  // the frame of a pending load is never drawn
        EXPECT_EQ(g.boxes.texts, c.messages);
        EXPECT_EQ(g.Now(), before);
        EXPECT_FALSE(g.quit);
    }
    // The game still runs.
    const int32_t n = g.Int("n");
    g.Frames(8);
    EXPECT_GT(g.Int("n"), n);
}

TEST(GameSave, ASlotNeverSavedOrNoSaveFileLoadsNothingQuietly) {
    Game g;
    g.WriteGame();
    g.Create();
    g.Frames(3);
    const Game::Snapshot before = g.Now();
    EXPECT_TRUE(g.Load(8));
    EXPECT_TRUE(g.boxes.texts.empty());
    g.Save(1, "one");
    EXPECT_TRUE(g.Load(8));
    EXPECT_TRUE(g.boxes.texts.empty());
    EXPECT_EQ(g.Now().n, before.n);
}

TEST(GameSave, AWriteCutShortLeavesThePreviousFileLoadable) {
    Game g;
    g.WriteGame();
    g.Create();
    g.Frames(3);
    g.Save(1, "kept");
    const auto before = g.fs.ReadAll(g.SavePath());
    EXPECT_FALSE(g.fs.syncedFolders.empty());  // the rename was made durable
    g.fs.failRename = true;
    g.Frames(4);
    EXPECT_THROW(g.Save(1, "lost"), VeskError);
    EXPECT_EQ(g.fs.ReadAll(g.SavePath()), before);
    EXPECT_FALSE(g.fs.IsFile(g.SavePath() + ".tmp"));
    EXPECT_EQ(g.project->SaveCaption(1), "kept");
    g.fs.failRename = false;
    ASSERT_TRUE(g.Load(1));
    EXPECT_TRUE(g.boxes.texts.empty());
}

TEST(GameSave, SavesGoToTheDataFolderWhenTheGameFolderTakesNoFiles) {
    Dir data;
    Game g;
    g.WriteGame();
    // A save left from when the folder took files moves along.
    {
        Game earlier(g.folder);
        earlier.WriteGame();
        earlier.Create();
        earlier.Frames(2);
        earlier.Save(6, "six");
    }
    g.fs.refuseCreateIn = g.folder;
    g.dataFolder = [&](const std::string& name) {
        return data.path() + "/veskplay/" + SaveFolderName(name);
    };
    g.Create();
    EXPECT_EQ(g.project->SaveFilePath, data.path() + "/veskplay/Game/save.dat");
    EXPECT_EQ(g.project->SaveCaption(6), "six");
    g.Frames(2);
    g.Save(7, "seven");
    EXPECT_TRUE(g.fs.IsFile(data.path() + "/veskplay/Game/save.dat"));

    // Neither place: saving says so, the game goes on.
    Game none;
    none.WriteGame();
    none.fs.refuseCreateIn = none.folder;
    none.Create();
    none.Frames(2);
    try {
        none.Save(1, "nowhere");
        FAIL() << "saved without a place";
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), VESK_JP("データファイルを作成することができません"));
    }
    EXPECT_FALSE(none.quit);
}

TEST(GameSave, SaveFolderNamesKeepOnlySafeCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"My Game", "My Game"},
        {"a\\b/c:d,e;f*g?h\"i<j>k|l", "a_b_c_d_e_f_g_h_i_j_k_l"},
        {"", "_"},
        {"..", "_"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SaveFolderName(in), out) << in;
}

}  // namespace
}  // namespace vesk
