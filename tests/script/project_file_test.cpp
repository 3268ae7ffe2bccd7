#include "script/project_file.h"

#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/project_install.h"

namespace vesk {
namespace {

// Writes a project file in the layout of `version`, the way older tools did.
std::vector<uint8_t> OldProject(int32_t version) {
    MemoryStream m;
    StreamWriter w(m);
    w.I32(version);
    w.Str("Game");
    w.I32(800);
    w.I32(600);
    w.I32(1024);
    w.I32(768);
    w.Str("start.lsb");
    if (version >= 110) w.Str("quit.lsb");
    w.Str("Key");
    w.I32(1234);
    if (version > 103) w.U8(1);
    if (version >= 106) w.U8(1);
    if (version >= 109) w.Str(".wav.ogg");
    if (version > 112) w.U8(1);
    if (version >= 114) w.U8(0);
    w.Str("disk %d");
    w.Str("quit?");
    w.I32(1);
    w.U8(4);
    w.Str("name");
    w.Str("value");
    w.I32(1);
    w.Str("data\\bgm");
    w.I32(2);
    return m.Bytes();
}

TEST(ProjectFile, ReadsEveryVersionWithItsDefaults) {
    struct {
        int32_t version;
        bool quit, saveStatus, pace, exts, pause;
    } cases[] = {
        {103, false, false, false, false, false}, {104, false, true, false, false, false},
        {106, false, true, true, false, false},   {109, false, true, true, true, false},
        {110, true, true, true, true, false},     {113, true, true, true, true, true},
        {114, true, true, true, true, true},
    };
    for (const auto& c : cases) {
        auto bytes = OldProject(c.version);
        ViewStream v(bytes);
        TProjectFile f;
        f.Load(v);
        EXPECT_EQ(v.Remaining(), 0) << c.version;
        EXPECT_EQ(f.Version, c.version);
        EXPECT_EQ(f.ScreenWidth, 800);
        EXPECT_EQ(f.ImageCode, 1234);
        EXPECT_EQ(f.QuitPage, c.quit ? "quit.lsb" : "") << c.version;
        EXPECT_EQ(f.SaveStatus, c.saveStatus ? 1 : 0) << c.version;
        EXPECT_EQ(f.PaceFrames, c.pace ? 1 : 0) << c.version;
        EXPECT_EQ(f.MediaExts, c.exts ? ".wav.ogg" : ".wav.wma.ogg.mid") << c.version;
        EXPECT_EQ(f.PauseInactive, c.pause ? 1 : 0) << c.version;
        ASSERT_EQ(f.Vars.size(), 1u);
        EXPECT_EQ(f.Vars[0].StrValue, "value");
        EXPECT_EQ(f.FolderDisks.DiskOf("data\\bgm\\a.ogg"), 2);
    }
}

TEST(ProjectFile, NewestVersionRoundTrips) {
    TProjectFile f;
    f.ProjectName = Utf8ToCp932("テスト");
    f.StartPage = "start.lsb";
    f.QuitPage = "end.lsb";
    f.Vars = {{1, "i", 7, 0, false, ""},
              {2, "r", 0, 2.5L, false, ""},
              {3, "b", 0, 0, true, ""},
              {4, "s", 0, 0, false, "x"},
              {9, "odd", 0, 0, false, ""}};
    f.FolderDisks.Entries = {{"cg", 1}, {"cg\\ev", 3}};
    MemoryStream m;
    f.Save(m);
    m.Seek(0, SeekFrom::Begin);
    TProjectFile g;
    g.Load(m);
    MemoryStream again;
    g.Save(again);
    EXPECT_EQ(m.Bytes(), again.Bytes());
    EXPECT_EQ(g.Vars[1].FloatValue, 2.5L);
    EXPECT_TRUE(g.Vars[2].FlagValue);
    EXPECT_EQ(g.Vars[4].Type, 9);
}

TEST(ProjectFile, NewerVersionsAndShortFilesAreRefused) {
    auto bytes = OldProject(115);
    ViewStream v(bytes);
    TProjectFile f;
    try {
        f.Load(v);
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("このバージョンには対応していません"));
    }
    auto good = OldProject(114);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        ViewStream s(good.data(), cut);
        TProjectFile g;
        g.ProjectName = "before";
        EXPECT_THROW(g.Load(s), VeskError) << cut;
        EXPECT_EQ(g.ProjectName, "before");
    }
}

TEST(ProjectFile, FolderDiskLookupWalksUpTheFolders) {
    TFolderDiskList l;
    // "表" ends in byte 0x5C: it must not split the folder name.
    l.Entries = {{"cg", 1}, {"CG\\Event\\", 3}, {Utf8ToCp932("表"), 4}};
    struct {
        const char* path;
        int32_t disk;
    } cases[] = {{"cg\\a.qil", 1},         {"cg\\event\\b.qil", 3}, {"CG\\EVENT", 3},
                 {"cg\\eventx\\c.qil", 1}, {"bgm\\a.ogg", 0},       {"", 0},
                 {"表\\x.qil", 4}};
    for (const auto& c : cases) EXPECT_EQ(l.DiskOf(Utf8ToCp932(c.path)), c.disk) << c.path;
}

TEST(InstallSet, ReadsVersionedAndBareRecords) {
    TVeskInstallSet in;
    in.DiskIndex = 1;
    in.ProjectId = "Game";
    in.Installed = true;
    MemoryStream m;
    in.Save(m);
    m.Seek(0, SeekFrom::Begin);
    TVeskInstallSet out;
    out.Load(m);
    EXPECT_EQ(m.Remaining(), 0);
    EXPECT_EQ(out.DiskIndex, 1);
    EXPECT_EQ(out.ProjectId, "Game");
    EXPECT_TRUE(out.Installed);

    // A record without the "is" header is version 0: int32 records, no installed flag.
    MemoryStream b;
    StreamWriter w(b);
    w.I32(2);
    w.Str("Old");
    for (int i = 0; i < 3; ++i) w.Str("");
    w.U8(0);
    w.Str("");
    w.U8(0);
    w.I32(1);  // one record
    w.Str("");
    w.I32(0);
    w.U8(0);
    w.U8(0);
    w.Str("");
    w.Str("");
    for (int i = 0; i < 8; ++i) w.I32(i);
    w.U8(0);
    b.Seek(0, SeekFrom::Begin);
    TVeskInstallSet old;
    old.Load(b);
    EXPECT_EQ(b.Remaining(), 0);
    EXPECT_EQ(old.DiskIndex, 2);
    EXPECT_EQ(old.ProjectId, "Old");
    EXPECT_FALSE(old.Installed);

    const uint8_t hostile[] = {'i', 's', '1', '0', '8', 0, 0, 0, 0, 0, 0, 0, 0};
    ViewStream h(hostile, sizeof hostile);
    EXPECT_THROW(old.Load(h), VeskError);
}

}  // namespace
}  // namespace vesk
