// The virtual file manager: lookup order, loose files, work files, the cache, disk requests.
#include <gtest/gtest.h>

#include <deque>

#include "base/cp932.h"
#include "base/error.h"
#include "vfs/range_stream.h"
#include "vfs/vr_file_manager.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

using test::BuildArchive;
using test::Bytes;
using test::TempDir;

std::string Load(TVrFileManager& m, std::string_view name) {
    auto b = m.LoadBytes(name);
    return {b.begin(), b.end()};
}

std::string ReadAll(Stream& s) {
    std::string out(size_t(s.Size()), '\0');
    s.Seek(0, SeekFrom::Begin);
    out.resize(s.Read(out.data(), out.size()));
    return out;
}

class ScriptedBox : public IMessageBox {
  public:
    MsgResult Show(const std::string& text, const std::string& caption, MsgButtons,
                   MsgIcon) override {
        shown.push_back(text);
        captions.push_back(caption);
        if (onShow) onShow();
        MsgResult r = answers.empty() ? MsgResult::Cancel : answers.front();
        if (!answers.empty()) answers.pop_front();
        return r;
    }
    std::deque<MsgResult> answers;
    std::vector<std::string> shown, captions;
    std::function<void()> onShow;
};

struct Game {
    TempDir dir;
    TempDir tmp;
    TempDir disc;
    TPosixFileSystem hostFs;
    std::unique_ptr<TVrFileManager> fm;

    Game() {
        dir.Write("game.dat", BuildArchive(102, {{"script\\start.lsb", Bytes("archived page")},
                                                 {"bg\\both.png", Bytes("archived picture")},
                                                 {"movie\\op.mpg", Bytes("stored movie"), true},
                                                 {"sound\\packed.wav", Bytes("compressed sound")},
                                                 {"empty.txt", {}, true}}));
        dir.Write("BG/Both.PNG", Bytes("loose picture"));
        dir.Write(Cp932ToUtf8(Utf8ToCp932("画像/背景.txt")), Bytes("japanese loose"));
        // A name kept as raw CP932 bytes on disk, as an old archive tool would leave it.
        dir.Write(Utf8ToCp932("表.txt"), Bytes("raw cp932 name"));
        disc.Write("extra/only-on-disc.txt", Bytes("from the disc"));
        fm = std::make_unique<TVrFileManager>(hostFs, tmp.path(),
                                              std::vector<std::string>{disc.path()});
        fm->AddArchive("");
        fm->SetBaseFolder(dir.path());
        fm->AddArchive(dir / "game.dat");
    }
};

TEST(FileManager, LookupOrder) {
    Game g;
    TVrFileManager& fm = *g.fm;
    EXPECT_EQ(Load(fm, "SCRIPT\\Start.lsb"), "archived page");
    EXPECT_EQ(Load(fm, "bg\\both.png"), "loose picture");  // a loose file overrides archives
    EXPECT_EQ(Load(fm, Utf8ToCp932("画像\\背景.TXT")), "japanese loose");
    EXPECT_EQ(Load(fm, Utf8ToCp932("表.txt")), "raw cp932 name");
    EXPECT_EQ(Load(fm, "extra\\only-on-disc.txt"), "from the disc");
    EXPECT_EQ(Load(fm, "empty.txt"), "");
    fm.Collection(0).AddMemoryEntry("script\\start.lsb")->Data->Write("in memory", 9);
    EXPECT_EQ(Load(fm, "script\\start.lsb"), "in memory");

    for (const char* name : {"script\\start.lsb", "bg\\both.png", "extra\\only-on-disc.txt"})
        EXPECT_TRUE(fm.Exists(name)) << name;
    EXPECT_FALSE(fm.Exists(""));
    EXPECT_FALSE(fm.Exists("nothing.txt"));
    try {
        Load(fm, "nothing.txt");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), "nothing.txt" + Utf8ToCp932(":ファイルがありません"));
    }
    auto found = fm.FindEntry("MOVIE\\OP.MPG");
    ASSERT_TRUE(found);
    EXPECT_EQ(found.collection, &fm.Collection(1));

    // A stream that is not in memory is filled from its position and rewound.
    TempDir out;
    FileStream f(out / "copy", FileStream::Mode::Create);
    fm.LoadFile(f, "script\\start.lsb");
    EXPECT_EQ(f.Position(), 0);
    EXPECT_EQ(ReadAll(f), "in memory");
}

TEST(FileManager, OpenRange) {
    Game g;
    TVrFileManager& fm = *g.fm;
    auto movie = fm.OpenRange("movie\\op.mpg");
    EXPECT_NE(dynamic_cast<TRangeStream*>(movie.get()), nullptr);
    EXPECT_EQ(ReadAll(*movie), "stored movie");
    EXPECT_EQ(ReadAll(*fm.OpenRange("bg\\both.png")), "loose picture");
    EXPECT_EQ(ReadAll(*fm.OpenRange("sound\\packed.wav")), "compressed sound");
    EXPECT_EQ(ReadAll(*fm.OpenRange("empty.txt")), "");
    EXPECT_EQ(ReadAll(*fm.OpenRange("extra\\only-on-disc.txt")), "from the disc");
    EXPECT_THROW(fm.OpenRange("nothing"), VeskError);
}

TEST(FileManager, WorkFilesAreCountedAndQueuedForDeletion) {
    Game g;
    TVrFileManager& fm = *g.fm;
    EXPECT_EQ(fm.GetRealPath("bg\\both.png"), g.dir.path() + "/BG/Both.PNG");
    EXPECT_EQ(fm.GetRealPath("extra\\only-on-disc.txt"), g.disc.path() + "/extra/only-on-disc.txt");
    EXPECT_EQ(fm.GetRealPath("not\\there.txt"), "not\\there.txt");

    std::string first = fm.GetRealPath("movie\\op.mpg");
    EXPECT_EQ(first, g.tmp.path() + "/~vq00000000.mpg");
    EXPECT_EQ(fm.GetRealPath("movie\\op.mpg"), first);
    ASSERT_EQ(fm.Locks().size(), 1u);
    EXPECT_EQ(fm.Locks()[0].RefCount, 2);
    std::string other = fm.GetRealPath("MOVIE\\op.mpg");  // another spelling, another file
    EXPECT_EQ(other, g.tmp.path() + "/~vq00000001.mpg");
    EXPECT_EQ(test::Bytes("stored movie"), ReadWholeFile(other));

    fm.ReleaseRealPath("movie\\op.mpg");
    EXPECT_TRUE(fm.DeleteQueue().empty());
    fm.ReleaseRealPath("movie\\op.mpg");
    EXPECT_EQ(fm.DeleteQueue(), std::vector<std::string>{first});
    EXPECT_TRUE(std::filesystem::exists(first));
    fm.DeleteQueuedFiles();
    EXPECT_FALSE(std::filesystem::exists(first));
    // The freed id is given again; the one still in use is skipped.
    EXPECT_EQ(fm.GetRealPath("sound\\packed.wav"), g.tmp.path() + "/~vq00000002.wav");
    g.fm.reset();
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST(FileManager, WorkFileThatCannotBeCreated) {
    TPosixFileSystem hostFs;
    Game g;
    TVrFileManager fm(hostFs, g.tmp / "no/such/folder", {});
    fm.AddArchive(g.dir / "game.dat");
    try {
        fm.GetRealPath("movie\\op.mpg");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("作業用ファイルが作れません"));
    }
    EXPECT_TRUE(fm.Locks().empty());
}

TEST(FileManager, CacheKeepsAtMostFourMegabytesBesidesTheNewest) {
    TPosixFileSystem hostFs;
    TempDir dir, tmp;
    const size_t mb3 = 3 << 20;
    for (const char* n : {"a", "b", "c"}) dir.Write(n, std::vector<uint8_t>(mb3, uint8_t(n[0])));
    TVrFileManager fm(hostFs, tmp.path());
    fm.SetBaseFolder(dir.path());
    fm.AddArchive("");
    fm.CreateCache();
    EXPECT_EQ(fm.LoadBytes("a")[0], 'a');
    EXPECT_EQ(fm.LoadBytes("B")[0], 'b');  // a and b: 6 MiB, but eviction happens on a miss
    EXPECT_EQ(fm.LoadBytes("c")[0], 'c');  // the miss drops a, the oldest
    for (const char* n : {"a", "b", "c"}) dir.Write(n, std::vector<uint8_t>(10, 'z'));
    EXPECT_EQ(fm.LoadBytes("b").size(), mb3);  // still cached, now the newest
    EXPECT_EQ(fm.LoadBytes("a").size(), 10u);  // read afresh; the miss drops c
    EXPECT_EQ(fm.LoadBytes("b").size(), mb3);
    EXPECT_EQ(fm.LoadBytes("c").size(), 10u);
    fm.ClearCache();
    EXPECT_EQ(fm.LoadBytes("b").size(), 10u);
    // In-memory members are never cached.
    fm.Collection(0).AddMemoryEntry("m")->Data->Write("1", 1);
    EXPECT_EQ(Load(fm, "m"), "1");
    fm.Collection(0).At(0)->Data->Clear();
    fm.Collection(0).At(0)->Data->Write("2", 1);
    EXPECT_EQ(Load(fm, "m"), "2");
}

TEST(FileManager, ListFolder) {
    Game g;
    TVrFileManager& fm = *g.fm;
    g.dir.Write("bg/loose.png", Bytes("l"));
    std::filesystem::create_directories(g.dir / "bg/sub/x");
    std::vector<std::string> list;
    fm.ListFolder("bg\\", list);
    EXPECT_EQ(list, (std::vector<std::string>{"bg\\both.png", "bg\\loose.png"}));
    list.clear();
    fm.ListFolder("", list);
    EXPECT_NE(std::find(list.begin(), list.end(), "empty.txt"), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), "game.dat"), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), "bg\\both.png"), list.end());
}

TEST(FileManager, LooseFilesStayInsideTheGame) {
    TPosixFileSystem hostFs;
    TempDir world, tmp;
    world.Write("secret.txt", Bytes("outside"));
    world.Write("disc/on-disc.txt", Bytes("disc"));
    world.Write("game/bg/a.png", Bytes("a"));
    const std::string game = world.path() + "/game";
    std::filesystem::create_symlink(world.path() + "/secret.txt", game + "/bg/link.png");
    TVrFileManager fm(hostFs, tmp.path(), {world.path() + "/disc"});
    fm.AddArchive("");
    fm.SetBaseFolder(game);
    EXPECT_EQ(Load(fm, "on-disc.txt"), "disc");
    // Out of the game folder, out of the disc folder, out through a link, and a folder (which
    // once asked for an allocation of its "size").
    for (std::string name : {"..\\secret.txt", "..\\..\\etc\\hostname", "..\\disc\\on-disc.txt",
                             "bg\\link.png", "bg", "BG\\"}) {
        EXPECT_FALSE(fm.Exists(name)) << name;
        try {
            fm.LoadBytes(name);
            ADD_FAILURE() << name;
        } catch (const VeskError& e) {
            EXPECT_EQ(e.Text(), name + Utf8ToCp932(":ファイルがありません"));
        }
        EXPECT_THROW(fm.OpenRange(name), VeskError) << name;
        EXPECT_EQ(fm.GetRealPath(name), name);
    }
    std::vector<std::string> list;
    fm.ListFolder("..\\", list);
    EXPECT_EQ(list, std::vector<std::string>{});
    fm.ListFolder("bg\\", list);
    EXPECT_EQ(list, std::vector<std::string>{"bg\\a.png"});
}

TEST(FileManager, ExtractFolder) {
    std::pair<std::string, std::string> cases[] = {
        {"a\\b\\c.txt", "a\\b\\"},
        {"c.txt", ""},
        {"C:\\x\\y.dat", "C:\\x\\"},
        {"\\\\server\\share\\f", "\\\\server\\share\\"},
        {Utf8ToCp932("表"), ""},  // the trail byte 0x5C is not a folder mark
        {Utf8ToCp932("表\\表"), Utf8ToCp932("表\\")},
    };
    for (const auto& [name, folder] : cases)
        EXPECT_EQ(TVrFileManager::ExtractFolder(name), folder) << name;
}

TEST(FileManager, AddArchive) {
    TPosixFileSystem hostFs;
    Game g;
    TVrFileManager fm(hostFs, g.tmp.path());
    EXPECT_EQ(fm.AddArchive(""), 0);
    EXPECT_EQ(fm.AddArchive(g.dir.path()), 1);
    EXPECT_EQ(fm.AddArchive(g.dir.path() + "/"), -1);
    EXPECT_EQ(fm.AddArchive(g.dir / "GAME.DAT"), 2);  // found without regard to case
    EXPECT_TRUE(fm.Collection(2).HasContainer());
    g.dir.Write("junk.dat", Bytes("vf"));
    EXPECT_THROW(fm.AddArchive(g.dir / "junk.dat"), VeskError);
    EXPECT_EQ(fm.CollectionCount(), 3u);
    fm.RemoveCollection(1);
    EXPECT_EQ(fm.CollectionCount(), 2u);
}

TEST(FileManager, StartupRegistrations) {
    TPosixFileSystem hostFs;
    TempDir dir, tmp;
    auto appended = BuildArchive(102, {{"appended.txt", Bytes("from the exe")}}, 64);
    for (int b : {64, 0, 0, 0, int('v'), int('q')}) appended.push_back(uint8_t(b));
    std::string exe = dir.Write("player.exe", appended);
    dir.Write("plain.exe", Bytes("MZ nothing appended"));
    // The probe wants the resource's last two bytes to be "vf".
    auto dummyBytes = BuildArchive(102, {{"dummy.txt", Bytes("resource")}});
    dummyBytes.push_back('v');
    dummyBytes.push_back('f');
    auto dummy = TResourceData::Owned(dummyBytes);
    {
        TVrFileManager fm(hostFs, tmp.path());
        fm.RegisterStartupArchives(exe, {}, &dummy);
        EXPECT_EQ(fm.CollectionCount(), 3u);
        EXPECT_EQ(fm.BaseFolder(), dir.path() + "/");
        EXPECT_EQ(Load(fm, "appended.txt"), "from the exe");
        EXPECT_EQ(Load(fm, "dummy.txt"), "resource");
    }
    {
        TVrFileManager fm(hostFs, tmp.path());
        fm.RegisterStartupArchives(dir / "plain.exe", {}, nullptr);
        EXPECT_EQ(fm.CollectionCount(), 1u);
    }
    {
        TempDir game;
        game.Write("GAME.DAT", BuildArchive(102, {{"x", Bytes("dat")}}));
        TVrFileManager fm(hostFs, tmp.path());
        fm.RegisterStartupArchives(exe, {game.path(), exe}, &dummy);
        EXPECT_EQ(fm.CollectionCount(), 3u);
        EXPECT_EQ(fm.BaseFolder(), game.path() + "/");
        EXPECT_EQ(Load(fm, "x"), "dat");
        EXPECT_EQ(Load(fm, "appended.txt"), "from the exe");
    }
}

TEST(FileManager, RequestDisk) {
    TPosixFileSystem hostFs;
    TempDir tmp, disc1, disc2;
    // Disc 1 holds the wrong game, disc 2 holds disk 2 of ours.
    for (auto* d : {&disc1, &disc2}) {
        d->Write("game.dat",
                 BuildArchive(102, {{"on-disc.txt", Bytes(d == &disc1 ? "one" : "two")}}));
        d->Write("install.dat", Bytes(d == &disc1 ? "other 1" : "ours 1"));
    }
    ScriptedBox box;
    TVrFileManager fm(hostFs, tmp.path(), {disc1.path(), disc2.path()}, &box);
    fm.AddArchive(disc2 / "game.dat");  // an earlier disc's archive goes first
    bool quit = false;
    TDiskRequest req;
    req.prompt = "insert disk %d please";
    req.quitPrompt = "quit?";
    req.caption = "Game";
    req.isDisk = [](const std::string& install, int32_t index) {
        auto b = ReadWholeFile(install);
        return std::string(b.begin(), b.end()) == "ours " + std::to_string(index);
    };
    req.quit = [&] { quit = true; };

    box.answers = {MsgResult::Cancel, MsgResult::Cancel, MsgResult::Ok};
    EXPECT_TRUE(fm.RequestDisk(2, req));
    EXPECT_EQ(box.shown,
              (std::vector<std::string>{"insert disk 2 please", "quit?", "insert disk 2 please"}));
    EXPECT_EQ(box.captions[0], "Game");
    EXPECT_EQ(fm.CollectionCount(), 1u);
    EXPECT_EQ(Load(fm, "on-disc.txt"), "two");

    box.shown.clear();
    box.answers = {MsgResult::Ok, MsgResult::Cancel, MsgResult::Ok};
    EXPECT_FALSE(fm.RequestDisk(3, req));  // no disc is disk 3: asked again, then quit
    EXPECT_EQ(box.shown.size(), 3u);
    EXPECT_TRUE(quit);
    EXPECT_EQ(fm.CollectionCount(), 0u);
}

}  // namespace
}  // namespace vesk
