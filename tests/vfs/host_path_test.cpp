// Finding game files on disk and naming extracted members.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "base/cp932.h"
#include "vfs/host_path.h"
#include "vfs_fixture.h"

namespace vesk {
namespace {

TEST(HostPath, ExtractionNeverLeavesTheTarget) {
    std::pair<std::string, std::string> cases[] = {
        {"a\\b.txt", "a/b.txt"},
        {"a\\\\b/c", "a/b/c"},
        {Utf8ToCp932("表\\データ.txt"), "表/データ.txt"},
        {"..\\evil", ""},
        {"a\\..\\..\\evil", ""},
        {".\\x", ""},
        {"\\abs", ""},
        {"/abs", ""},
        {"C:\\x", ""},
        {"c:x", ""},
        {"stream:data", ""},
        {"", ""},
        {std::string("nul\0byte", 8), ""},
        {"...", "..."},
        {"\x95", "\x95"},  // a lone lead byte stays as it is
        // A lead byte before '/' is no character: the '/' must not open a way out.
        {"a\x86/../evil", ""},
        {"a\x86/x", ""},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(SafeExtractionPath(name), path) << name;
}

TEST(HostPath, FindsFilesWithoutRegardToCase) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    dir.Write("Image/BG01.qil", {});
    dir.Write("画像/背景.png", {});
    std::string rawName = Utf8ToCp932("表");  // stored on disk as raw CP932 bytes
    dir.Write(rawName + "/x.txt", {});
    const std::string base = dir.path();
    EXPECT_EQ(FindHostFile(hostFs, base, "image\\bg01.QIL"), base + "/Image/BG01.qil");
    EXPECT_EQ(FindHostFile(hostFs, base + "/", "Image/BG01.qil"), base + "/Image/BG01.qil");
    EXPECT_EQ(FindHostFile(hostFs, base, Utf8ToCp932("画像\\背景.PNG")), base + "/画像/背景.png");
    EXPECT_EQ(FindHostFile(hostFs, base, rawName + "\\X.TXT"), base + "/" + rawName + "/x.txt");
    EXPECT_EQ(FindHostFile(hostFs, base, "image"), std::nullopt);  // a folder is not a file
    EXPECT_EQ(FindHostDir(hostFs, base, "IMAGE"), base + "/Image/");
    EXPECT_EQ(FindHostFile(hostFs, base, "image\\missing"), std::nullopt);
    EXPECT_EQ(FindHostFile(hostFs, "", "image\\bg01.qil"), std::nullopt);
    EXPECT_EQ(FindHostFile(hostFs, "/nonexistent", base + "/Image/BG01.qil"),
              base + "/Image/BG01.qil");
}

TEST(HostPath, CachedListingsFollowChangesToTheFolder) {
    TPosixFileSystem hostFs;
    test::TempDir dir;
    dir.Write("Sub/First.txt", {});
    const std::string sub = dir.path() + "/Sub";
    // An old folder: its listing is kept and used again.
    auto age = [&] {
        timespec old[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, sub.c_str(), old, 0), 0);
    };
    age();
    THostDirCache cache;
    EXPECT_EQ(FindHostFile(hostFs, dir.path(), "sub\\first.TXT", &cache), sub + "/First.txt");
    EXPECT_EQ(FindHostFile(hostFs, dir.path(), "sub\\second.txt", &cache), std::nullopt);
    dir.Write("Sub/SECOND.txt", {});  // changes the folder's time
    EXPECT_EQ(FindHostFile(hostFs, dir.path(), "sub\\second.txt", &cache), sub + "/SECOND.txt");
    age();
    std::filesystem::remove(sub + "/First.txt");
    EXPECT_EQ(FindHostFile(hostFs, dir.path(), "sub\\first.txt", &cache), std::nullopt);
}

// A game folder beside a file it must never reach, with links in and out of it.
struct WalledGame {
    test::TempDir world;
    std::string root;
    WalledGame() {
        world.Write("secret.txt", test::Bytes("outside"));
        world.Write("game/pages/start.lsb", test::Bytes("page"));
        root = world.path() + "/game";
        world.Write("game/Image/BG.png", test::Bytes("picture"));
        world.Write("game/表.txt", test::Bytes("trail byte 0x5C"));
        std::filesystem::create_directories(root + "/sub");
        std::filesystem::create_symlink(world.path() + "/secret.txt", root + "/link-out");
        std::filesystem::create_directory_symlink(world.path(), root + "/dir-out");
        std::filesystem::create_symlink(root + "/Image/BG.png", root + "/link-in");
        std::filesystem::create_directory_symlink(root, world.path() + "/alias");
    }
};

TEST(HostPath, GameNamesStayInsideTheirRoot) {
    TPosixFileSystem hostFs;
    WalledGame g;
    const std::string hyo = Utf8ToCp932("表");  // its trail byte is '\\'
    struct Case {
        std::string name;
        GameEntry kind;
        std::optional<std::string> found;  // relative to the root
    };
    const GameEntry F = GameEntry::File, D = GameEntry::Folder;
    const Case cases[] = {
        {"pages\\start.lsb", F, "pages/start.lsb"},
        {"PAGES/START.LSB", F, "pages/start.lsb"},
        {".\\pages\\start.lsb", F, "pages/start.lsb"},
        {"sub\\..\\pages\\start.lsb", F, "pages/start.lsb"},  // inner ".." stays inside
        {"link-in", F, "link-in"},                            // a link within the game
        {hyo + ".txt", F, "表.txt"},
        {"", D, ""},
        {"image", D, "Image/"},
        // Ways out of the game folder: all "not found".
        {"..\\secret.txt", F, std::nullopt},
        {"..\\..\\etc\\hostname", F, std::nullopt},
        {"pages\\..\\..\\secret.txt", F, std::nullopt},
        {"..\\game\\pages\\start.lsb", F, std::nullopt},  // out and back in is still out
        {hyo + "\\..\\..\\secret.txt", F, std::nullopt},
        {"\\etc\\hostname", F, std::nullopt},
        {"/etc/hostname", F, std::nullopt},
        {g.world.path() + "/secret.txt", F, std::nullopt},
        {"C:\\secret.txt", F, std::nullopt},
        {"c:secret.txt", F, std::nullopt},
        {"pages\\start.lsb:stream", F, std::nullopt},
        {std::string("pages\\start.lsb\0.txt", 20), F, std::nullopt},
        {"a\x86/../../secret.txt", F, std::nullopt},  // a lead byte hiding a '/'
        {"link-out", F, std::nullopt},
        {"dir-out\\secret.txt", F, std::nullopt},
        {"dir-out", D, std::nullopt},
        {"..", D, std::nullopt},
        // Only regular files are files.
        {"pages", F, std::nullopt},
        {"", F, std::nullopt},
        {"pages\\start.lsb", D, std::nullopt},
    };
    for (const std::string& root : {g.root, g.root + "/", g.world.path() + "/alias"}) {
        for (const Case& c : cases) {
            std::optional<std::string> want;
            if (c.found) want = WithSlash(root) + *c.found;
            EXPECT_EQ(ResolveGameName(hostFs, root, c.name, c.kind), want)
                << "root " << root << ", name " << Cp932ToUtf8(c.name);
        }
    }
    THostDirCache cache;
    EXPECT_EQ(ResolveGameName(hostFs, g.root, "PAGES\\Start.lsb", F, &cache),
              g.root + "/pages/start.lsb");
    EXPECT_EQ(ResolveGameName(hostFs, g.root, "LINK-OUT", F, &cache), std::nullopt);
    EXPECT_EQ(ResolveGameName(hostFs, "", "pages\\start.lsb", F), std::nullopt);
}

TEST(HostPath, SplitKeepsTrailBytes) {
    // 0x5C is the trail byte of "表" and must not split the name.
    std::string name = Utf8ToCp932("表\\表") + "\\\\a/b";
    EXPECT_EQ(SplitVirtualPath(name),
              (std::vector<std::string>{Utf8ToCp932("表"), Utf8ToCp932("表"), "a", "b"}));
}

}  // namespace
}  // namespace vesk
